#include "server/methods/rules.h"

#include "framework/data/rounding.h"
#include "server/db/database.h"
#include "server/methods/refusal.h"

namespace server {
namespace {

bool allDigits(const QString& text) {
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return !text.isEmpty();
}

} // namespace

QString displayDate(QDate date) {
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

void requirePeriod(QDate from, QDate to) {
    if (!from.isValid() || !to.isValid() || to < from)
        throw Refusal(QStringLiteral("Data Inicial deve ser menor ou igual a data final de "
                                     "apuração."));
}

QString normalizeNf(const QString& nf) {
    const QString text = nf.trimmed();
    if (text.isEmpty())
        return {};
    // Digits only: "1e1" or "+5" must not pass as a number.
    const int value = allDigits(text) && text.size() <= 3 ? text.toInt() : 0;
    if (value < 1 || value > 99)
        throw Refusal(QStringLiteral("NF deve estar entre 01 e 99."));
    return QStringLiteral("%1").arg(value, 3, 10, QLatin1Char('0'));
}

QString normalizeSequence(const QString& sequence) {
    const QString text = sequence.trimmed();
    const int value = allDigits(text) && text.size() <= 4 ? text.toInt() : 0;
    if (value < 1)
        throw Refusal(
            QStringLiteral("Número de sequência do rateio inválido: '%1'.").arg(sequence));
    return QStringLiteral("%1").arg(value, 4, 10, QLatin1Char('0'));
}

// A locked calculation of the client at the branch sharing a day with the range; bound
// to (branch, client, range end, range start).
#define LOCKED_OVERLAP                                                                             \
    "c.CDFILIAL = ? AND c.CDCLIENTE = ? AND c.IDBLOQUEADO = 'S' AND c.DTINIAPURAC <= ? AND "       \
    "c.DTFIMAPURAC >= ?"

std::optional<Calculation> lockedCalculation(Database& db, const QString& branch,
                                             const QString& client, QDate from, QDate to) {
    Rows rows = db.select(QStringLiteral("SELECT c.NRAPURACFAT, c.DTINIAPURAC, c.DTFIMAPURAC "
                                         "FROM CTRLAPURFAT c WHERE " LOCKED_OVERLAP
                                         " ORDER BY c.DTINIAPURAC LIMIT 1"),
                          {branch, client, isoDate(to), isoDate(from)});
    if (!rows.next())
        return std::nullopt;
    return Calculation{rows.text(0), rows.date(1), rows.date(2)};
}

std::optional<LockCheck> checkLock(Database& db, const QString& branch, const QString& client,
                                   QDate from, QDate to) {
    Rows rows = db.select(QStringLiteral("SELECT f.DTPROC, EXISTS (SELECT 1 FROM CTRLAPURFAT c "
                                         "WHERE " LOCKED_OVERLAP ") FROM FILIAL f "
                                         "WHERE f.CDFILIAL = ?"),
                          {branch, client, isoDate(to), isoDate(from), branch});
    if (!rows.next())
        return std::nullopt;
    return LockCheck{rows.date(0), rows.value(1).toInt() != 0};
}

#undef LOCKED_OVERLAP

void refuseWhenLocked(Database& db, const QString& branch, const QString& client, QDate from,
                      QDate to) {
    if (const auto locked = lockedCalculation(db, branch, client, from, to))
        throw Refusal(QStringLiteral("Operação não permitida. Período de faturamento bloqueado "
                                     "(apuração %1, de %2 a %3).")
                          .arg(locked->number, displayDate(locked->from), displayDate(locked->to)));
}

void DayBalance::addShare(const QString& service, const QString& storedDay, double dayCount,
                          double share) {
    if (!m_open || service != m_service || storedDay != m_day) {
        closeDay();
        m_service = service;
        m_day = storedDay;
        m_count = dayCount;
        m_sum = 0;
        m_open = true;
    }
    m_sum += roundDecimals(share, 2);
}

void DayBalance::closeDay() {
    if (m_open && roundDecimals(m_sum, 2) != roundDecimals(m_count, 2))
        m_unbalanced.append({m_service, QDate::fromString(m_day, Qt::ISODate)});
    m_open = false;
}

QList<DayKey> DayBalance::unbalanced() {
    closeDay();
    return m_unbalanced;
}

QList<DayKey> unbalancedDays(Database& db, const QString& branch, const QString& client,
                             const QString& service, QDate from, QDate to) {
    // The shares are found by the day's own key: matching the day through an expression
    // (COALESCE of the day with itself) keeps SQLite from turning the join into a range over
    // the period (one scan of the year per day). With the service named, the primary key
    // leads and the rows come in the order asked for without a sort.
    Rows rows = db.select(
        QStringLiteral("SELECT e.DTEFETCDRS, e.QTCOMECDRS, r.QTDERATEIO "
                       "FROM EFETCDRS e JOIN EFETRATCDRS r ON r.CDFILIAL = e.CDFILIAL "
                       "AND r.CDCLIENTE = e.CDCLIENTE AND r.CDSERVFILI = e.CDSERVFILI "
                       "AND r.DTRATCDRS = COALESCE(e.DTEFETCDRS, e.DTEFETCDRS) "
                       "WHERE e.CDFILIAL = ? AND e.CDCLIENTE = ? AND e.CDSERVFILI = ? "
                       "AND e.DTEFETCDRS BETWEEN ? AND ? ORDER BY e.DTEFETCDRS, r.NRSEQITRAT"),
        {branch, client, service, isoDate(from), isoDate(to)});
    DayBalance balance;
    while (rows.next())
        balance.addShare(service, rows.text(0), rows.number(1), rows.number(2));
    return balance.unbalanced();
}

// The dialog proposes the client's last calculation; a clerk who then asks for another
// period wants a new calculation, not that one moved away.
bool isRecalculable(Database& db, const QString& branch, const QString& client,
                    const QString& number, QDate from, QDate to) {
    return !number.isEmpty() &&
           !db.scalar(QStringLiteral("SELECT 1 FROM CTRLAPURFAT WHERE CDFILIAL = ? AND "
                                     "NRAPURACFAT = ? AND CDCLIENTE = ? AND IDBLOQUEADO = 'N' "
                                     "AND DTINIAPURAC <= ? AND DTFIMAPURAC >= ?"),
                      {branch, number, client, isoDate(to), isoDate(from)})
                .isNull();
}

void lockClient(Database& db, const QString& client) {
    db.lockRows(QStringLiteral("SELECT 1 FROM CLIENTE WHERE CDCLIENTE = ?"), {client});
}

void requireBranch(Database& db, const QString& branch) {
    if (db.scalar(QStringLiteral("SELECT 1 FROM FILIAL WHERE CDFILIAL = ?"), {branch}).isNull())
        throw Refusal(QStringLiteral("Filial não cadastrada: '%1'.").arg(branch));
}

} // namespace server
