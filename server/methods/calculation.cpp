// The billing calculation: the client's calculations, the calculation run and the lock
// that invoicing puts on a calculated period.

#include "framework/data/field_type.h"
#include "framework/data/packet.h"
#include "framework/data/rounding.h"
#include "server/db/counter.h"
#include "server/db/database.h"
#include "server/methods/methods.h"
#include "server/methods/refusal.h"
#include "server/methods/rules.h"

#include <QDateTime>
#include <QMap>

#include <tuple>

namespace server {
namespace {

const QList<packet::FieldDesc> kCalculationFields{
    {QStringLiteral("DTINIAPURAC"), ftDateTime, 0, QStringLiteral("CTRLAPURFAT.DTINIAPURAC")},
    {QStringLiteral("DTFIMAPURAC"), ftDateTime, 0, QStringLiteral("CTRLAPURFAT.DTFIMAPURAC")},
    {QStringLiteral("IDBLOQUEADO"), ftString, 1, QStringLiteral("CTRLAPURFAT.IDBLOQUEADO")},
    {QStringLiteral("NRAPURACFAT"), ftString, 10, QStringLiteral("CTRLAPURFAT.NRAPURACFAT")},
    {QStringLiteral("CDFILIAL"), ftString, 4, QStringLiteral("CTRLAPURFAT.CDFILIAL")},
};

constexpr int kCalculationCounterLargest = 999999999;

// What one invoice line bills: per NF, service, product and unit price.
using ItemKey = std::tuple<QString, QString, QString, double>;

[[noreturn]] void refuseUnbalanced(const QList<DayKey>& days) {
    QString text = QStringLiteral("Existem rateios com quantidades diferentes do total de "
                                  "comensais faturados do dia: serviço %1 em %2")
                       .arg(days.first().service, displayDate(days.first().day));
    if (days.size() > 1)
        text += QStringLiteral(" e mais %1 dia(s)").arg(days.size() - 1);
    throw Refusal(text + QLatin1Char('.'));
}

// The calculation named by the clerk's number when it is an unlocked calculation of this
// client at this branch whose period meets the one asked for: the one that gets
// recalculated in place. The dialog proposes the client's last calculation; a clerk who
// then asks for another period wants a new calculation, not that one moved away.
bool isRecalculable(Database& db, const QString& branch, const QString& client,
                    const QString& number, QDate from, QDate to) {
    return !number.isEmpty() &&
           !db.scalar(QStringLiteral("SELECT 1 FROM CTRLAPURFAT WHERE CDFILIAL = ? AND "
                                     "NRAPURACFAT = ? AND CDCLIENTE = ? AND IDBLOQUEADO = 'N' "
                                     "AND DTINIAPURAC <= ? AND DTFIMAPURAC >= ?"),
                      {branch, number, client, isoDate(to), isoDate(from)})
                .isNull();
}

// A day billed by two calculations would be invoiced twice.
void refuseOverlap(Database& db, const QString& branch, const QString& client, QDate from, QDate to,
                   const QString& except) {
    Rows other = db.select(QStringLiteral("SELECT NRAPURACFAT, DTINIAPURAC, DTFIMAPURAC FROM "
                                          "CTRLAPURFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND "
                                          "DTINIAPURAC <= ? AND DTFIMAPURAC >= ? AND "
                                          "NRAPURACFAT <> ? ORDER BY DTINIAPURAC LIMIT 1"),
                           {branch, client, isoDate(to), isoDate(from), except});
    if (other.next())
        throw Refusal(QStringLiteral("O período de %1 a %2 coincide com a apuração %3 (de %4 a "
                                     "%5). Recalcule essa apuração ou escolha outro período.")
                          .arg(displayDate(from), displayDate(to), other.text(0),
                               displayDate(other.date(1)), displayDate(other.date(2))));
}

QMap<ItemKey, double> billedItems(Database& db, const QString& branch, const QString& client,
                                  QDate from, QDate to) {
    // A day with apportionment rows bills each row at its price on its NF (the day's NF
    // when the row has none); a day without rows bills its own count.
    Rows rows = db.select(
        QStringLiteral("SELECT e.CDSERVFILI, e.NRAGRUEFET, e.CDPRODUTO, e.VRPRECEFET, "
                       "e.QTCOMECDRS, r.NRSEQITRAT, r.NRAGREFRAT, r.CDPRODUTO, r.VRPRECRATE, "
                       "r.QTDERATEIO FROM EFETCDRS e LEFT JOIN EFETRATCDRS r ON r.CDFILIAL = "
                       "e.CDFILIAL AND r.CDCLIENTE = e.CDCLIENTE AND r.CDSERVFILI = e.CDSERVFILI "
                       "AND r.DTRATCDRS = COALESCE(e.DTEFETCDRS, e.DTEFETCDRS) "
                       "WHERE e.CDFILIAL = ? AND e.CDCLIENTE = ? AND e.DTEFETCDRS BETWEEN ? AND ?"),
        {branch, client, isoDate(from), isoDate(to)});
    QMap<ItemKey, double> items;
    while (rows.next()) {
        const QString service = rows.text(0);
        if (rows.isNull(5)) {
            items[{rows.text(1), service, rows.text(2), rows.number(3)}] += rows.number(4);
            continue;
        }
        const QString nf = rows.text(6).isEmpty() ? rows.text(1) : rows.text(6);
        items[{nf, service, rows.text(7), rows.number(8)}] += rows.number(9);
    }
    return items;
}

} // namespace

QVariant getDtApuracao(Database& db, QVariantList& args) {
    const QString client = args.at(0).toString(), branch = args.at(1).toString();
    Rows rows = db.select(QStringLiteral("SELECT DTINIAPURAC, DTFIMAPURAC, IDBLOQUEADO, "
                                         "NRAPURACFAT, CDFILIAL FROM CTRLAPURFAT WHERE "
                                         "CDFILIAL = ? AND CDCLIENTE = ? "
                                         "ORDER BY DTINIAPURAC, NRAPURACFAT"),
                          {branch, client});
    packet::Table table{kCalculationFields, {}};
    while (rows.next())
        table.rows.append({dateTimeOf(rows.date(0)), dateTimeOf(rows.date(1)), rows.text(2),
                           rows.text(3), rows.text(4)});
    return packet::make(table);
}

QVariant confirmaCalculo(Database& db, QVariantList& args) {
    const QString processingBranch = args.at(0).toString(), client = args.at(1).toString();
    const QDate from = args.at(2).toDate(), to = args.at(3).toDate();
    const QString requested = args.at(4).toString().trimmed();
    const QString branch = args.at(5).toString();
    requirePeriod(from, to);

    Transaction tx(db);
    lockClient(db, client);
    requireBranch(db, branch);
    requireBranch(db, processingBranch);
    refuseWhenLocked(db, branch, client, from, to);
    const QList<DayKey> unbalanced = unbalancedDays(db, branch, client, std::nullopt, from, to);
    if (!unbalanced.isEmpty())
        refuseUnbalanced(unbalanced);
    const bool recalculate = isRecalculable(db, branch, client, requested, from, to);
    refuseOverlap(db, branch, client, from, to, recalculate ? requested : QString());
    const QMap<ItemKey, double> items = billedItems(db, branch, client, from, to);
    if (items.isEmpty())
        throw Refusal(QStringLiteral("Não há comensais faturados para o cliente de %1 a %2.")
                          .arg(displayDate(from), displayDate(to)));

    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    QString number = requested;
    if (recalculate) {
        db.exec(QStringLiteral("DELETE FROM ITAPURFAT WHERE CDFILIAL = ? AND NRAPURACFAT = ?"),
                {branch, number});
        // Only the days that fell out of the period: a day is written only when its stamp
        // changes, which keeps a recalculation's writes (and its audit record) to what
        // really changed.
        db.exec(QStringLiteral("UPDATE EFETCDRS SET NRAPURACFAT = NULL WHERE CDFILIAL = ? AND "
                               "NRAPURACFAT = ? AND DTEFETCDRS NOT BETWEEN ? AND ?"),
                {branch, number, isoDate(from), isoDate(to)});
        db.exec(QStringLiteral("UPDATE CTRLAPURFAT SET DTINIAPURAC = ?, DTFIMAPURAC = ?, "
                               "DTCALCULO = ?, CDFILIPROC = ? WHERE CDFILIAL = ? AND "
                               "NRAPURACFAT = ?"),
                {isoDate(from), isoDate(to), now, processingBranch, branch, number});
    } else {
        number = QStringLiteral("%1").arg(
            nextNumber(db, branch, QStringLiteral("APURACFAT"), kCalculationCounterLargest), 10, 10,
            QLatin1Char('0'));
        db.exec(QStringLiteral("INSERT INTO CTRLAPURFAT (CDFILIAL, NRAPURACFAT, CDCLIENTE, "
                               "DTINIAPURAC, DTFIMAPURAC, IDBLOQUEADO, DTCALCULO, CDFILIPROC) "
                               "VALUES (?, ?, ?, ?, ?, 'N', ?, ?)"),
                {branch, number, client, isoDate(from), isoDate(to), now, processingBranch});
    }
    for (auto it = items.cbegin(); it != items.cend(); ++it) {
        const auto& [nf, service, product, price] = it.key();
        // Quantities are kept to the thousandth the screens show; amounts to the cent.
        const double quantity = roundDecimals(it.value(), 3);
        db.exec(QStringLiteral("INSERT INTO ITAPURFAT (CDFILIAL, NRAPURACFAT, NRAGRUEFET, "
                               "CDSERVFILI, CDPRODUTO, VRPRECO, QTFATURADA, VRFATURADO) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                {branch, number, nf, service, product, price, quantity,
                 roundDecimals(quantity * price, 2)});
    }
    db.exec(QStringLiteral("UPDATE EFETCDRS SET NRAPURACFAT = ? WHERE CDFILIAL = ? AND "
                           "CDCLIENTE = ? AND DTEFETCDRS BETWEEN ? AND ? AND "
                           "(NRAPURACFAT IS NULL OR NRAPURACFAT <> ?)"),
            {number, branch, client, isoDate(from), isoDate(to), number});
    tx.commit();
    args[4] = number;
    return {};
}

bool setCalculationLocked(Database& db, const QString& branch, const QString& number, bool locked) {
    Transaction tx(db);
    const QVariant client = db.scalar(QStringLiteral("SELECT CDCLIENTE FROM CTRLAPURFAT WHERE "
                                                     "CDFILIAL = ? AND NRAPURACFAT = ?"),
                                      {branch, number});
    if (client.isNull())
        throw Refusal(
            QStringLiteral("Apuração %1 não encontrada na filial %2.").arg(number, branch));
    // A lock is a rule the client's other writes check: it takes its turn with them.
    lockClient(db, client.toString());
    const QString wanted = locked ? QStringLiteral("S") : QStringLiteral("N");
    if (db.scalar(QStringLiteral("SELECT IDBLOQUEADO FROM CTRLAPURFAT WHERE CDFILIAL = ? AND "
                                 "NRAPURACFAT = ?"),
                  {branch, number})
            .toString() == wanted)
        return false;
    db.exec(QStringLiteral("UPDATE CTRLAPURFAT SET IDBLOQUEADO = ? WHERE CDFILIAL = ? AND "
                           "NRAPURACFAT = ?"),
            {wanted, branch, number});
    tx.commit();
    return true;
}

} // namespace server
