// Branch and client selection: the client rows, the per-screen work number, the service
// list of a client for a period and the work table that keeps it.
//
// A work number belongs to the user whose screen obtained it: the work table under it is
// read, replaced and released only for that user. Numbers are easy to guess (the branch
// and a counter), so without this any user of the branch could empty another clerk's list.
// The owner is kept in the database, so the number stays its user's across a server
// restart and on every server sharing the database; it is replaced only when the counter
// comes round to the number again.

#include "framework/data/packet.h"
#include "server/auth/caller.h"
#include "server/db/database.h"
#include "server/methods/clean_text.h"
#include "server/methods/methods.h"
#include "server/methods/refusal.h"
#include "server/methods/rules.h"

#include <QCollator>
#include <QDateTime>

#include <algorithm>
#include <utility>

namespace server {
namespace {

const QList<packet::FieldDesc> kClientFields{
    {QStringLiteral("CDCLIENTE"), ftString, 21, QStringLiteral("CLIENTE.CDCLIENTE")},
    {QStringLiteral("IDTPIJURCLIE"), ftString, 1, QStringLiteral("CLIENTE.IDTPIJURCLIE")},
    {QStringLiteral("NRINSJURCLIE"), ftString, 20, QStringLiteral("CLIENTE.NRINSJURCLIE")},
    {QStringLiteral("NMRAZSOCCLIE"), ftString, 50, QStringLiteral("CLIENTE.NMRAZSOCCLIE")},
    {QStringLiteral("NMFANTCLIE"), ftString, 50, QStringLiteral("CLIENTE.NMFANTCLIE")},
};

const QList<packet::FieldDesc> kServiceFields{
    {QStringLiteral("CDSERVFILI"), ftString, 5, {}},
    {QStringLiteral("CDFILIAL"), ftString, 4, {}},
    {QStringLiteral("NMSERVICO"), ftString, 40, {}},
    {QStringLiteral("NRAGRUEFET"), ftString, 3, {}},
    {QStringLiteral("CDCLIENTE"), ftString, 21, {}},
};

// Work numbers carry their branch in front, so that the number a screen got from one
// branch never collides with another branch's numbers when the screen uses it for both.
constexpr int kWorkCounterLargest = 999999;

void recordOwner(Database& db, const QString& number, const QString& branch, const Caller& caller) {
    db.exec(QStringLiteral("DELETE FROM RELAPURDONO WHERE NRRELAPURFAT = ?"), {number});
    db.exec(QStringLiteral("INSERT INTO RELAPURDONO (NRRELAPURFAT, CDFILIAL, NMLOGIN, DSSESSAO, "
                           "DSORIGEM, DTHRREGISTRO) VALUES (?, ?, ?, ?, ?, ?)"),
            {number, branch, caller.login(), caller.session(), caller.address(),
             QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)});
}

// Refuses, before anything is read or written, a number the caller did not obtain.
void requireOwner(Database& db, const QString& number, const Caller& caller) {
    const QVariant owner = db.scalar(
        QStringLiteral("SELECT NMLOGIN FROM RELAPURDONO WHERE NRRELAPURFAT = ?"), {number});
    if (owner.isNull() || owner.toString() != caller.login())
        throw Refusal(QStringLiteral("O número de trabalho %1 não foi obtido pelo usuário %2; "
                                     "nada foi alterado.")
                          .arg(number, caller.login()));
}

} // namespace

QVariant getCliente(Database& db, QVariantList& args) {
    const QString branch = args.at(0).toString();
    const QString key = args.at(1).toString().trimmed();
    // A client belongs to a branch when it contracted a service there.
    Rows rows = db.select(
        QStringLiteral("SELECT c.CDCLIENTE, c.IDTPIJURCLIE, c.NRINSJURCLIE, c.NMRAZSOCCLIE, "
                       "c.NMFANTCLIE FROM CLIENTE c WHERE c.IDATIVO = 'S' "
                       "AND (? = '' OR c.NRINSJURCLIE = ?) "
                       "AND EXISTS (SELECT 1 FROM SERVCLIE s WHERE s.CDFILIAL = ? "
                       "AND s.CDCLIENTE = c.CDCLIENTE)"),
        {key, key, branch});
    packet::Table table{kClientFields, {}};
    while (rows.next())
        table.rows.append({rows.text(0), rows.text(1), rows.text(2), rows.text(3), rows.text(4)});
    // Names with accents must sort where a Brazilian reader looks for them.
    QCollator collator(QLocale(QLocale::Portuguese, QLocale::Brazil));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(
        table.rows.begin(), table.rows.end(), [&](const QVariantList& a, const QVariantList& b) {
            const int byName = collator.compare(a.at(3).toString(), b.at(3).toString());
            return byName != 0 ? byName < 0 : a.at(0).toString() < b.at(0).toString();
        });
    return packet::make(table);
}

QVariant getPrxRelApurFat(Database& db, QVariantList& args, const Caller& caller) {
    const QString branch = args.at(0).toString();
    Transaction tx(db);
    requireBranch(db, branch);
    const int counter = db.backend().nextWorkNumber(db, branch, kWorkCounterLargest);
    const QString number = QStringLiteral("%1%2").arg(branch).arg(counter, 6, 10, QLatin1Char('0'));
    recordOwner(db, number, branch, caller);
    tx.commit();
    return number;
}

QVariant getFiltro(Database& db, QVariantList& args, const Caller& caller) {
    const QString branch = args.at(0).toString();
    const QDate from = args.at(1).toDate(), to = args.at(2).toDate();
    const QString workNumber = args.at(3).toString().trimmed();
    const QString client = args.at(4).toString();
    requirePeriod(from, to);
    if (workNumber.size() > 10)
        throw Refusal(QStringLiteral("Número de trabalho inválido: '%1' (até 10 caracteres).")
                          .arg(shortened(workNumber, 10)));

    // Read and record in one transaction, so that the work table holds exactly the list
    // the screen got.
    Transaction tx(db);
    if (!workNumber.isEmpty())
        requireOwner(db, workNumber, caller);
    packet::Table table{kServiceFields, {}};
    {
        Rows rows = db.select(
            QStringLiteral("SELECT sc.CDSERVFILI, sc.CDFILIAL, sf.NMSERVICO, sc.NRAGRUEFET, "
                           "sc.CDCLIENTE FROM SERVCLIE sc JOIN SERVFILI sf "
                           "ON sf.CDFILIAL = sc.CDFILIAL AND sf.CDSERVFILI = sc.CDSERVFILI "
                           "WHERE sc.CDFILIAL = ? AND sc.CDCLIENTE = ? AND EXISTS (SELECT 1 "
                           "FROM EFETCDRS e WHERE e.CDFILIAL = sc.CDFILIAL AND e.CDCLIENTE = "
                           "sc.CDCLIENTE AND e.CDSERVFILI = sc.CDSERVFILI AND e.DTEFETCDRS "
                           "BETWEEN ? AND ?) ORDER BY sc.CDSERVFILI"),
            {branch, client, isoDate(from), isoDate(to)});
        while (rows.next())
            table.rows.append(
                {rows.text(0), rows.text(1), rows.text(2), rows.text(3), rows.text(4)});
    }

    // Without a work number (the screen could not get one) the list is only shown.
    if (!workNumber.isEmpty()) {
        db.exec(QStringLiteral("DELETE FROM RELAPURFAT WHERE CDFILIAL = ? AND NRRELAPURFAT = ?"),
                {branch, workNumber});
        for (const QVariantList& r : std::as_const(table.rows))
            db.exec(QStringLiteral("INSERT INTO RELAPURFAT (CDFILIAL, NRRELAPURFAT, CDCLIENTE, "
                                   "CDSERVFILI, NMSERVICO, NRAGRUEFET, DTINIAPURAC, DTFIMAPURAC) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                    {branch, workNumber, client, r.at(0), r.at(2), r.at(3), isoDate(from),
                     isoDate(to)});
    }
    tx.commit();
    return packet::make(table);
}

QVariant delTableRelApur(Database& db, QVariantList& args, const Caller& caller) {
    const QString workNumber = args.at(1).toString().trimmed();
    // A screen closed before it ever obtained a number sends none.
    if (workNumber.isEmpty())
        return {};
    Transaction tx(db);
    requireOwner(db, workNumber, caller);
    // A screen closed before it ever loaded a list sends a closed data set.
    if (args.at(0).isNull())
        return {};
    const packet::Table branches = packet::decode(args.at(0));
    const int column = packet::indexOf(branches.fields, QStringLiteral("CDFILIAL"));
    if (column < 0) {
        if (branches.rows.isEmpty())
            return {};
        throw Refusal(QStringLiteral("O pacote de filiais não traz o campo CDFILIAL."));
    }
    for (const QVariantList& r : branches.rows)
        db.exec(QStringLiteral("DELETE FROM RELAPURFAT WHERE CDFILIAL = ? AND NRRELAPURFAT = ?"),
                {r.at(column).toString(), workNumber});
    tx.commit();
    return {};
}

} // namespace server
