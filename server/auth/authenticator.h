#pragma once

// What the socket server shares between its workers for logins: the throttle, the threads
// that check passwords (a check costs tens of milliseconds of CPU and memory by design, so
// it never runs on a thread that serves clients), and the sessions' lifetime.

#include "server/auth/login_throttle.h"

#include <QThreadPool>

#include <functional>
#include <memory>

class QObject;

namespace server {

class Authenticator {
public:
    // Counts login attempts in `throttle`.
    Authenticator(std::unique_ptr<LoginThrottle> throttle, qint64 sessionLifetimeMs);
    // Waits for the checks under way.
    ~Authenticator();

    const LoginThrottle& throttle() const { return *m_throttle; }
    qint64 sessionLifetimeMs() const { return m_sessionLifetimeMs; }

    // Checks the password against the hash on a thread of its own, then runs
    // `done(matches)` on the thread of `home`, which must outlive the check (see
    // waitForDone).
    void checkPassword(const QString& hash, const QString& password, QObject* home,
                       std::function<void(bool matches)> done);
    void waitForDone();

private:
    std::unique_ptr<LoginThrottle> m_throttle;
    qint64 m_sessionLifetimeMs;
    QThreadPool m_pool;
};

} // namespace server
