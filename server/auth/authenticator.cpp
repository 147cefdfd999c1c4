#include "server/auth/authenticator.h"

#include "server/auth/password.h"

#include <QObject>

namespace server {

Authenticator::Authenticator(std::unique_ptr<LoginThrottle> throttle, qint64 sessionLifetimeMs)
    : m_throttle(std::move(throttle)), m_sessionLifetimeMs(sessionLifetimeMs) {
    // Each check holds tens of MiB while it runs: two at a time bound that.
    m_pool.setMaxThreadCount(2);
    // Made now, off the starting thread, so that the first check of an unknown login costs
    // no more than any other.
    m_pool.start([] { decoyHash(); });
}

Authenticator::~Authenticator() {
    waitForDone();
}

void Authenticator::checkPassword(const QString& hash, const QString& password, QObject* home,
                                  std::function<void(bool)> done) {
    m_pool.start([hash, password, home, done = std::move(done)] {
        const bool matches = verifyPassword(hash, password);
        QMetaObject::invokeMethod(
            home, [done, matches] { done(matches); }, Qt::QueuedConnection);
    });
}

void Authenticator::waitForDone() {
    m_pool.waitForDone();
}

} // namespace server
