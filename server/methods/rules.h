#pragma once

// Rules more than one method enforces: what a locked period is, when a day's apportionment
// adds up, and the accepted forms of an invoice grouping number and a sequence number.

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace server {

class Database;

// dd/MM/yyyy, the way the clerk reads a date.
QString displayDate(QDate date);

// Refuses a period whose end lies before its start.
void requirePeriod(QDate from, QDate to);

// The invoice grouping number ("NF") in its stored form: empty, or 1..99 as three digits
// ("5" and "005" both give "005"). Refuses anything else.
QString normalizeNf(const QString& nf);

// The sequence number of an apportionment row as four digits, 0001..9999. Refuses
// anything else.
QString normalizeSequence(const QString& sequence);

struct Calculation {
    QString number;
    QDate from, to;
};

// The first locked calculation of the client at the branch whose period shares a day with
// [from, to]. A calculation bills every service of the client, so a lock covers them all.
std::optional<Calculation> lockedCalculation(Database& db, const QString& branch,
                                             const QString& client, QDate from, QDate to);
// The branch's processing date, and whether [from, to] shares a day with a locked
// calculation of the client there; nothing for an unknown branch. One statement: the
// screens ask it on every key the clerk types.
struct LockCheck {
    QDate processingDate;
    bool locked;
};
std::optional<LockCheck> checkLock(Database& db, const QString& branch, const QString& client,
                                   QDate from, QDate to);

// Refuses when there is one, with the message the screens show for a locked period.
void refuseWhenLocked(Database& db, const QString& branch, const QString& client, QDate from,
                      QDate to);

struct DayKey {
    QString service;
    QDate day;
};

// Whether a day's apportionment adds up: its shares, each rounded to 2 decimals, sum to the
// day's count rounded to 2 decimals, as the clerk's screen sums them. Fed the shares of one
// day after another (the shares of a day together, in sequence order), it lists the days
// that do not add up, in the order they came.
class DayBalance {
public:
    // `storedDay` is the day as stored: it becomes a date only for a day that does not add up.
    void addShare(const QString& service, const QString& storedDay, double dayCount, double share);
    // Closes the last day.
    QList<DayKey> unbalanced();

private:
    void closeDay();

    QString m_service, m_day;
    double m_count = 0, m_sum = 0;
    bool m_open = false;
    QList<DayKey> m_unbalanced;
};

// The billed days of one service of the client at the branch within [from, to] that have
// apportionment rows which do not add up (see DayBalance), in day order.
QList<DayKey> unbalancedDays(Database& db, const QString& branch, const QString& client,
                             const QString& service, QDate from, QDate to);

// Whether the clerk's calculation number names the calculation a new run recalculates in
// place: an unlocked calculation of this client at this branch whose period meets
// [from, to].
bool isRecalculable(Database& db, const QString& branch, const QString& client,
                    const QString& number, QDate from, QDate to);

// Inside a write transaction: makes the writes of the client's billing data take their turns
// with those of every other server until the transaction ends.
void lockClient(Database& db, const QString& client);

// Refuses a branch code that is not registered.
void requireBranch(Database& db, const QString& branch);

} // namespace server
