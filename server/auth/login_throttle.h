#pragma once

// Slows down password guessing: after a few failed logins in a row for one login, each
// further attempt for it waits its turn, and the turns grow apart with every failure.
// Other logins are not affected, and nothing waits on a thread: the caller is told how
// long to wait and schedules the check itself. Shared by every worker thread.

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QString>

namespace server {

struct ThrottleSettings {
    int freeFailures = 5;       // failures in a row that cost nothing
    qint64 firstDelayMs = 1000; // the wait after them, doubled with each further failure
    qint64 longestDelayMs = 60000;
    qint64 forgetAfterMs = 15 * 60 * 1000; // a login quiet this long starts afresh
};

class LoginThrottle {
public:
    explicit LoginThrottle(ThrottleSettings settings = {});

    // How long an attempt for `login` must wait before its password is checked. Reserves
    // that turn, so that attempts made at once are spread out too.
    qint64 reserve(const QString& login);
    void succeeded(const QString& login);
    void failed(const QString& login);

private:
    struct Entry {
        int failures = 0;
        qint64 notBefore = 0;
        qint64 lastFailure = 0;
    };
    qint64 delayAfter(int failures) const;
    void forgetQuietLogins(qint64 now);

    ThrottleSettings m_settings;
    QElapsedTimer m_clock;
    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
};

} // namespace server
