#pragma once

// Slows down password guessing: after a few attempts at one login that did not succeed,
// each further attempt at it waits its turn, and the turns grow apart with every one. An
// attempt counts when it arrives, as a failure until its password is found to match, so
// that attempts sent all at once are spread out exactly like the same attempts sent one
// after another. Other logins are not affected, and nothing waits on a thread: the caller
// is told how long to wait and schedules the check itself.
//
// The count is kept in the database, by the database's clock, so that every server sharing
// it slows the same guesses as one: attempts spread over several servers wait the turns
// they would wait on one.

#include <QString>
#include <QtGlobal>

namespace server {

class Database;

// One login's attempts so far.
struct ThrottleState {
    int attempts = 0;
    qint64 lastTurnMs = 0; // when the latest attempt was allowed to be checked
};

struct ThrottleSettings {
    int freeFailures = 5;       // attempts in a row that cost nothing
    qint64 firstDelayMs = 1000; // the wait after them, doubled with each further attempt
    qint64 longestDelayMs = 60000;
    qint64 forgetAfterMs = 15 * 60 * 1000; // a login quiet this long starts afresh

    // Counts into `state` an attempt that arrives at `nowMs` and returns how many
    // milliseconds it waits before its password is checked.
    qint64 count(ThrottleState& state, qint64 nowMs) const;
};

// Shared by every worker thread of a server; each passes its own connection.
class LoginThrottle {
public:
    explicit LoginThrottle(ThrottleSettings settings = {}) : m_settings(settings) {}

    // Counts an attempt at `login` (at most the longest login a user may have) and returns
    // how many milliseconds it must wait before its password is checked.
    qint64 admit(Database& db, const QString& login) const;
    // The attempt's password matched: the login starts afresh.
    void succeeded(Database& db, const QString& login) const;

private:
    ThrottleSettings m_settings;
};

} // namespace server
