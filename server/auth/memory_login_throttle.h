#pragma once

// The login throttle of one server process, kept in memory.

#include "server/auth/login_throttle.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>

namespace server {

class MemoryLoginThrottle final : public LoginThrottle {
public:
    explicit MemoryLoginThrottle(ThrottleSettings settings = {});

    qint64 admit(const QString& login) override;
    void succeeded(const QString& login) override;

private:
    struct Entry {
        int attempts = 0;
        qint64 lastTurn = 0; // when the latest attempt was allowed to be checked
    };
    bool quiet(const Entry& entry, qint64 now) const;
    void makeRoom(qint64 now);

    ThrottleSettings m_settings;
    QElapsedTimer m_clock;
    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
};

} // namespace server
