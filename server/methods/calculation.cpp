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

// What the period bills, and the days of it whose apportionment does not add up.
struct BilledPeriod {
    QMap<ItemKey, double> items;
    QList<DayKey> unbalanced;
};

// One read of the period's days and shares serves both the balance check and the invoice
// lines. It goes service by service, each in the order of its primary key, so that no
// sort of the year's rows is needed to take the days in turn.
BilledPeriod readPeriod(Database& db, const QString& branch, const QString& client, QDate from,
                        QDate to) {
    QStringList services;
    {
        Rows rows = db.select(QStringLiteral("SELECT CDSERVFILI FROM SERVCLIE WHERE CDFILIAL = ? "
                                             "AND CDCLIENTE = ? ORDER BY CDSERVFILI"),
                              {branch, client});
        while (rows.next())
            services << rows.text(0);
    }
    BilledPeriod period;
    DayBalance balance;
    for (const QString& service : services) {
        // Each row is a share, or a day without shares (null share). A share bills on its
        // own NF, or the day's when it has none, at its own product and price; a day
        // without shares bills its count on its own. Matching the day through an expression
        // keeps SQLite from turning the join into a range over the period (see
        // unbalancedDays).
        Rows rows = db.select(
            QStringLiteral("SELECT e.DTEFETCDRS, e.QTCOMECDRS, r.QTDERATEIO, "
                           "CASE WHEN r.NRAGREFRAT IS NULL OR r.NRAGREFRAT = '' THEN e.NRAGRUEFET "
                           "ELSE r.NRAGREFRAT END, COALESCE(r.CDPRODUTO, e.CDPRODUTO), "
                           "COALESCE(r.VRPRECRATE, e.VRPRECEFET) FROM EFETCDRS e LEFT JOIN "
                           "EFETRATCDRS r ON r.CDFILIAL = e.CDFILIAL AND r.CDCLIENTE = e.CDCLIENTE "
                           "AND r.CDSERVFILI = e.CDSERVFILI AND r.DTRATCDRS = "
                           "COALESCE(e.DTEFETCDRS, e.DTEFETCDRS) WHERE e.CDFILIAL = ? AND "
                           "e.CDCLIENTE = ? AND e.CDSERVFILI = ? AND e.DTEFETCDRS BETWEEN ? AND ? "
                           "ORDER BY e.DTEFETCDRS, r.NRSEQITRAT"),
            {branch, client, service, isoDate(from), isoDate(to)});
        while (rows.next()) {
            double billed = rows.number(1);
            if (!rows.isNull(2)) {
                billed = rows.number(2);
                balance.addShare(service, rows.text(0), rows.number(1), billed);
            }
            period.items[{rows.text(3), service, rows.text(4), rows.number(5)}] += billed;
        }
    }
    period.unbalanced = balance.unbalanced();
    return period;
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
    const BilledPeriod period = readPeriod(db, branch, client, from, to);
    if (!period.unbalanced.isEmpty())
        refuseUnbalanced(period.unbalanced);
    const bool recalculate = isRecalculable(db, branch, client, requested, from, to);
    refuseOverlap(db, branch, client, from, to, recalculate ? requested : QString());
    const QMap<ItemKey, double>& items = period.items;
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
