#include "server/auth/login_throttle.h"

namespace server {

qint64 ThrottleSettings::spacingAfter(int earlierAttempts) const {
    if (earlierAttempts < freeFailures)
        return 0;
    const int doublings = qMin(earlierAttempts - freeFailures, 30);
    return qMin(longestDelayMs, firstDelayMs << doublings);
}

} // namespace server
