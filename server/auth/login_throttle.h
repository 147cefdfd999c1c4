#pragma once

// Slows down password guessing: after a few attempts at one login that did not succeed,
// each further attempt at it waits its turn, and the turns grow apart with every one. An
// attempt counts when it arrives, as a failure until its password is found to match, so
// that attempts sent all at once are spread out exactly like the same attempts sent one
// after another. Other logins are not affected, and nothing waits on a thread: the caller
// is told how long to wait and schedules the check itself.

#include <QString>
#include <QtGlobal>

namespace server {

struct ThrottleSettings {
    int freeFailures = 5;       // attempts in a row that cost nothing
    qint64 firstDelayMs = 1000; // the wait after them, doubled with each further attempt
    qint64 longestDelayMs = 60000;
    qint64 forgetAfterMs = 15 * 60 * 1000; // a login quiet this long starts afresh

    // How long after the previous attempt's turn the next one may be checked, given how
    // many attempts came before it; 0 while they are free.
    qint64 spacingAfter(int earlierAttempts) const;
};

// Where the attempts are counted. Shared by every worker thread of a server; an
// implementation that keeps the count where several servers see it makes the rule hold
// across them.
class LoginThrottle {
public:
    virtual ~LoginThrottle() = default;

    // Counts an attempt at `login` (at most the longest login a user may have) and returns
    // how many milliseconds it must wait before its password is checked.
    virtual qint64 admit(const QString& login) = 0;
    // The attempt's password matched: the login starts afresh.
    virtual void succeeded(const QString& login) = 0;
};

} // namespace server
