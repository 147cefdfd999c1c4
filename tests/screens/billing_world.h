#pragma once

// A small billing world behind the scripted server: one client of branch 0001 with its
// services, their billed days and the days' apportionments, answered by argument as the
// real server answers. Tests change the world and read back what the screen sent.

#include "scripted_app_server.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariantMap>

class TClientDataSet;

// A packet with the fields `dataSet` declares, in its order; each row holds a value per field.
QVariantMap packetFor(const TClientDataSet& dataSet, const QList<QVariantList>& rows);
QDateTime utcDay(const QDate& date);

class BillingWorld {
public:
    struct Service {
        QString code, name, nf;
    };
    struct Day {
        QDate date;
        double billed;
        QString check;
    };
    struct Share {
        QString seq;
        double quantity;
        QString nf, note;
    };

    BillingWorld();

    QString branch = QStringLiteral("0001");
    QString client = QStringLiteral("C-77");
    QString registration = QStringLiteral("12345678000190");
    QString personType = QStringLiteral("J");
    QString name = QStringLiteral("Restaurante Bom Prato Ltda");
    QList<Service> services;
    QHash<QString, QList<Day>> days;     // by service code
    QHash<QString, QList<Share>> shares; // by key(service, day)
    bool locked = false;

    static QString key(const QString& service, const QDate& day);
    // Answers the twelve methods on `server` from this world, for the screen open now; the
    // apportionment packets it is sent change the world.
    void serve(ScriptedAppServer& server);

private:
    int m_workNumbers = 0;
};

#include "screen_fixture.h"

#include <functional>

// The screen open on the billing world, with its branch, client and period typed in.
class BillingScreen : public ScreenFixture {
public:
    // `session` may change the host session before the screen opens.
    explicit BillingScreen(const std::function<void(HostSession&)>& session = {});

    void typeFilter(const QString& branch, const QString& client, const QDate& from,
                    const QDate& to);
    // Moves the focus from the filter to the services grid, as a click there does; true
    // when the panel let the focus go.
    bool leaveFilter();
    // Chooses the daily page by its tab, as a click does.
    void clickTab(int index);
    // The seven command slots as "0101101": menu items, each with its button(s) alike;
    // a button that differs from its menu item shows as "!".
    QString commands() const;

    BillingWorld world;
    TfrmApurFatTR* s = nullptr;
};

class TField;
class TSpeedButton;

// The daily page on 04/11 of Desjejum, `billed` diners split in `rows`, the focus in the
// shares; what was shown and called on the way there is forgotten.
struct SplitDay : BillingScreen {
    explicit SplitDay(const QList<BillingWorld::Share>& rows, double billed = 10);

    TField& quantity();
    // The command as a click on its button runs it: inside the guard.
    bool click(TSpeedButton* button);
    void addRow(double q, const QString& nf = "001");
    // The rows as "sequence=quantity".
    QStringList rows();
    // Whether the other page, the filter and the navigator are free, as "page filter navigator".
    QString surroundings();
};
