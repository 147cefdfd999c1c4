#include "server/auth/login_throttle.h"

namespace server {
namespace {

// Bounds the memory a flood of made-up logins can take.
constexpr qsizetype kRememberedLogins = 10000;

} // namespace

LoginThrottle::LoginThrottle(ThrottleSettings settings) : m_settings(settings) {
    m_clock.start();
}

qint64 LoginThrottle::delayAfter(int failures) const {
    const int doublings = qMin(failures - m_settings.freeFailures, 30);
    return qMin(m_settings.longestDelayMs, m_settings.firstDelayMs << doublings);
}

qint64 LoginThrottle::reserve(const QString& login) {
    QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock.elapsed();
    auto it = m_entries.find(login);
    if (it == m_entries.end())
        return 0;
    if (now - it->lastFailure > m_settings.forgetAfterMs) {
        m_entries.erase(it);
        return 0;
    }
    if (it->failures < m_settings.freeFailures)
        return 0;
    const qint64 turn = qMax(now, it->notBefore);
    it->notBefore = turn + delayAfter(it->failures);
    return turn - now;
}

void LoginThrottle::succeeded(const QString& login) {
    QMutexLocker lock(&m_mutex);
    m_entries.remove(login);
}

void LoginThrottle::failed(const QString& login) {
    QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock.elapsed();
    if (m_entries.size() >= kRememberedLogins && !m_entries.contains(login))
        forgetQuietLogins(now);
    Entry& e = m_entries[login];
    ++e.failures;
    e.lastFailure = now;
    if (e.failures >= m_settings.freeFailures)
        e.notBefore = qMax(e.notBefore, now + delayAfter(e.failures));
}

void LoginThrottle::forgetQuietLogins(qint64 now) {
    m_entries.removeIf(
        [&](const auto& it) { return now - it.value().lastFailure > m_settings.forgetAfterMs; });
    // Still full: the flood is recent; the logins closest to being forgotten go first.
    while (m_entries.size() >= kRememberedLogins) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
            if (it->lastFailure < oldest->lastFailure)
                oldest = it;
        m_entries.erase(oldest);
    }
}

} // namespace server
