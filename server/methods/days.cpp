// Billed days: the day list of a service, the invoice grouping number of a service and its
// days, and the lock check that guards every edit.

#include "framework/data/field_type.h"
#include "framework/data/packet.h"
#include "server/db/database.h"
#include "server/methods/methods.h"
#include "server/methods/refusal.h"
#include "server/methods/rules.h"

#include <QSet>

namespace server {
namespace {

const QList<packet::FieldDesc> kDayFields{
    {QStringLiteral("CDFILIAL"), ftString, 4, {}},
    {QStringLiteral("CDSERVFILI"), ftString, 5, {}},
    {QStringLiteral("CDCLIENTE"), ftString, 21, {}},
    {QStringLiteral("DTEFETCDRS"), ftDateTime, 0, {}},
    {QStringLiteral("NMSERVICO"), ftString, 40, {}},
    {QStringLiteral("DIASEMANA"), ftFixedChar, 15, {}},
    {QStringLiteral("NRAPURACFAT"), ftString, 10, {}},
    {QStringLiteral("IDCHECK"), ftFixedChar, 1, {}},
    {QStringLiteral("CDPRODUTO"), ftString, 10, {}},
    {QStringLiteral("QTCOMECDRS"), ftFloat, 0, {}},
    {QStringLiteral("QTPREVCDRS"), ftFloat, 0, {}},
    {QStringLiteral("NRAGRUEFET"), ftString, 3, {}},
    {QStringLiteral("VRPRECEFET"), ftFloat, 0, {}},
};

QString weekdayName(QDate day) {
    static const char* const names[] = {"Segunda-feira", "Terça-feira", "Quarta-feira",
                                        "Quinta-feira",  "Sexta-feira", "Sábado",
                                        "Domingo"};
    return QString::fromUtf8(names[day.dayOfWeek() - 1]);
}

} // namespace

QVariant getEfetivos(Database& db, QVariantList& args) {
    const QString client = args.at(0).toString(), branch = args.at(1).toString();
    const QDate from = args.at(2).toDate(), to = args.at(3).toDate();
    const QString service = args.at(4).toString();
    requirePeriod(from, to);

    QSet<QDate> unbalanced;
    for (const DayKey& d : unbalancedDays(db, branch, client, service, from, to))
        unbalanced.insert(d.day);

    Rows rows = db.select(
        QStringLiteral("SELECT e.CDFILIAL, e.CDSERVFILI, e.CDCLIENTE, e.DTEFETCDRS, sf.NMSERVICO, "
                       "e.NRAPURACFAT, e.CDPRODUTO, e.QTCOMECDRS, e.QTPREVCDRS, e.NRAGRUEFET, "
                       "e.VRPRECEFET FROM EFETCDRS e JOIN SERVFILI sf ON sf.CDFILIAL = "
                       "e.CDFILIAL AND sf.CDSERVFILI = e.CDSERVFILI WHERE e.CDFILIAL = ? AND "
                       "e.CDCLIENTE = ? AND e.CDSERVFILI = ? AND e.DTEFETCDRS BETWEEN ? AND ? "
                       "ORDER BY e.DTEFETCDRS"),
        {branch, client, service, isoDate(from), isoDate(to)});
    packet::Table table{kDayFields, {}};
    while (rows.next()) {
        const QDate day = rows.date(3);
        table.rows.append({rows.text(0), rows.text(1), rows.text(2), dateTimeOf(day), rows.text(4),
                           weekdayName(day), rows.isNull(5) ? QVariant() : QVariant(rows.text(5)),
                           unbalanced.contains(day) ? QStringLiteral("S") : QStringLiteral("N"),
                           rows.text(6), rows.number(7), rows.number(8), rows.text(9),
                           rows.number(10)});
    }
    return packet::make(table);
}

QVariant setEfetivos(Database& db, QVariantList& args) {
    const QString client = args.at(0).toString(), branch = args.at(1).toString();
    const QDate from = args.at(2).toDate(), to = args.at(3).toDate();
    const QString service = args.at(4).toString();
    requirePeriod(from, to);
    const QString nf = normalizeNf(args.at(5).toString());

    Transaction tx(db);
    lockClient(db, client);
    if (db.exec(QStringLiteral("UPDATE SERVCLIE SET NRAGRUEFET = ? WHERE CDFILIAL = ? AND "
                               "CDCLIENTE = ? AND CDSERVFILI = ?"),
                {nf, branch, client, service}) == 0)
        throw Refusal(QStringLiteral("O serviço %1 não está contratado pelo cliente nesta filial.")
                          .arg(service));
    refuseWhenLocked(db, branch, client, from, to);
    db.exec(
        QStringLiteral("UPDATE EFETCDRS SET NRAGRUEFET = ? WHERE CDFILIAL = ? AND CDCLIENTE = ? "
                       "AND CDSERVFILI = ? AND DTEFETCDRS BETWEEN ? AND ?"),
        {nf, branch, client, service, isoDate(from), isoDate(to)});
    tx.commit();
    return {};
}

QVariant verificaBloqueio(Database& db, QVariantList& args) {
    const QString client = args.at(0).toString(), branch = args.at(1).toString();
    const QDate from = args.at(3).toDate(), to = args.at(4).toDate();
    requirePeriod(from, to);
    // The whole-period flag and the service only say what the screen is editing: a lock
    // belongs to the client's calculation, which covers every service, so the range alone
    // decides.
    const auto check = checkLock(db, branch, client, from, to);
    if (!check)
        throw Refusal(QStringLiteral("Filial não cadastrada: '%1'.").arg(branch));
    args[2] = check->processingDate;
    return !check->locked;
}

} // namespace server
