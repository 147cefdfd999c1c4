#include "server/auth/login_throttle.h"

#include "server/db/database.h"

namespace server {
namespace {

qint64 spacingAfter(const ThrottleSettings& settings, int earlierAttempts) {
    if (earlierAttempts < settings.freeFailures)
        return 0;
    const int doublings = qMin(earlierAttempts - settings.freeFailures, 30);
    return qMin(settings.longestDelayMs, settings.firstDelayMs << doublings);
}

} // namespace

qint64 ThrottleSettings::count(ThrottleState& state, qint64 nowMs) const {
    // Turns already handed out lie in the future; the quiet time starts after the last.
    if (state.attempts > 0 && nowMs - state.lastTurnMs > forgetAfterMs)
        state = {};
    const int earlier = state.attempts++;
    const qint64 turn =
        earlier == 0 ? nowMs : qMax(nowMs, state.lastTurnMs + spacingAfter(*this, earlier));
    state.lastTurnMs = turn;
    return turn - nowMs;
}

qint64 LoginThrottle::admit(Database& db, const QString& login) const {
    // Two servers counting the same login at once: one of them counts again after the other.
    return retryingConflicts(db, [&] {
        Transaction tx(db);
        const qint64 now = db.backend().clockMs(db);
        ThrottleState state;
        bool known = false;
        {
            Rows row = db.select(QStringLiteral("SELECT QTTENTATIVAS, NRVEZMS FROM TENTATIVALOGIN "
                                                "WHERE NMLOGIN = ?"),
                                 {login});
            if (row.next()) {
                known = true;
                state = {row.value(0).toInt(), row.value(1).toLongLong()};
            }
        }
        // Logins gone quiet are forgotten when a new one comes, so that a flood of made-up
        // names leaves no more behind than a quarter of an hour of it.
        if (!known)
            db.exec(QStringLiteral("DELETE FROM TENTATIVALOGIN WHERE NRVEZMS < ?"),
                    {now - m_settings.forgetAfterMs});
        const qint64 wait = m_settings.count(state, now);
        db.exec(QStringLiteral("INSERT INTO TENTATIVALOGIN (NMLOGIN, QTTENTATIVAS, NRVEZMS) "
                               "VALUES (?, ?, ?) ON CONFLICT (NMLOGIN) DO UPDATE SET "
                               "QTTENTATIVAS = excluded.QTTENTATIVAS, NRVEZMS = excluded.NRVEZMS"),
                {login, state.attempts, state.lastTurnMs});
        tx.commit();
        return wait;
    });
}

void LoginThrottle::succeeded(Database& db, const QString& login) const {
    db.exec(QStringLiteral("DELETE FROM TENTATIVALOGIN WHERE NMLOGIN = ?"), {login});
}

} // namespace server
