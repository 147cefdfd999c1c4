#include "server/auth/memory_login_throttle.h"

namespace server {
namespace {

// Bounds the memory a flood of made-up logins can take.
constexpr qsizetype kRememberedLogins = 10000;

} // namespace

MemoryLoginThrottle::MemoryLoginThrottle(ThrottleSettings settings) : m_settings(settings) {
    m_clock.start();
}

bool MemoryLoginThrottle::quiet(const Entry& entry, qint64 now) const {
    // Turns already handed out lie in the future; the quiet time starts after the last.
    return now - entry.lastTurn > m_settings.forgetAfterMs;
}

qint64 MemoryLoginThrottle::admit(const QString& login) {
    QMutexLocker lock(&m_mutex);
    const qint64 now = m_clock.elapsed();
    if (m_entries.size() >= kRememberedLogins && !m_entries.contains(login))
        makeRoom(now);
    Entry& entry = m_entries[login];
    if (entry.attempts > 0 && quiet(entry, now))
        entry = Entry{};
    const int earlier = entry.attempts++;
    const qint64 turn =
        earlier == 0 ? now : qMax(now, entry.lastTurn + m_settings.spacingAfter(earlier));
    entry.lastTurn = turn;
    return turn - now;
}

void MemoryLoginThrottle::succeeded(const QString& login) {
    QMutexLocker lock(&m_mutex);
    m_entries.remove(login);
}

void MemoryLoginThrottle::makeRoom(qint64 now) {
    m_entries.removeIf([&](const auto& it) { return quiet(it.value(), now); });
    // Still full: the flood is recent; the logins closest to being forgotten go first.
    while (m_entries.size() >= kRememberedLogins) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
            if (it->lastTurn < oldest->lastTurn)
                oldest = it;
        m_entries.erase(oldest);
    }
}

} // namespace server
