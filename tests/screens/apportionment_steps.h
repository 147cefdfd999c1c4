#pragma once

// A clerk's steps on the apportionment of the hospital (client 1002) against the real
// server, and the day's shares as the grid shows them and as the database holds them.

#include <QDate>
#include <QString>
#include <QStringList>

class RealServerScreen;
class TfrmApurFatTR;

// The day's rows as the grid shows them: "sequence NF quantity note", sorted.
QStringList gridRows(TfrmApurFatTR* s);
// The same as the database holds them for a service and day of the hospital.
QStringList storedRows(const RealServerScreen& e, const QString& service, const QDate& day);
// The filter for the hospital's last month, then the daily page of `service` by mouse.
void openDailyPage(RealServerScreen& e, const QString& service);
// Types a share into the open row: quantity, NF and note, cell by cell with Tab.
void typeShare(const QString& quantity, const QString& nf, const QString& note);
