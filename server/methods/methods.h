#pragma once

// The methods of the server module, in the order of the method table: the twelve of the
// billing module, then the report module's one. Each takes its arguments already checked
// against its signature (method_table.h).

#include <QString>
#include <QVariant>
#include <QVariantList>

namespace server {

class Caller;
class Database;

// selection.cpp: clients, work numbers, the service list and its work table; a work number
// belongs to the user who obtained it
QVariant getCliente(Database& db, QVariantList& args);
QVariant getPrxRelApurFat(Database& db, QVariantList& args, const Caller& caller);
QVariant getFiltro(Database& db, QVariantList& args, const Caller& caller);
QVariant delTableRelApur(Database& db, QVariantList& args, const Caller& caller);

// days.cpp: billed days, the service's NF, the lock check
QVariant getEfetivos(Database& db, QVariantList& args);
QVariant setEfetivos(Database& db, QVariantList& args);
QVariant verificaBloqueio(Database& db, QVariantList& args);

// apportionment.cpp
QVariant getRateio(Database& db, QVariantList& args);
QVariant setRateio(Database& db, QVariantList& args);
QVariant somaApurac(Database& db, QVariantList& args);

// calculation.cpp
QVariant getDtApuracao(Database& db, QVariantList& args);
QVariant confirmaCalculo(Database& db, QVariantList& args);

// calculation_report.cpp: the report of one calculation (report module Rqx30700)
QVariant getRelApuracao(Database& db, QVariantList& args);

// Locks or unlocks a calculation; invoicing, outside this system, is what locks a period,
// and the server's command line stands in for it. Returns false when the calculation was
// already in that state; refuses an unknown one.
bool setCalculationLocked(Database& db, const QString& branch, const QString& number, bool locked);

} // namespace server
