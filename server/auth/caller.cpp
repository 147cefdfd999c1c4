#include "server/auth/caller.h"

#include "server/auth/users.h"

namespace server {

Caller::Caller(QString login, QString address, QString session,
               std::optional<QSet<QString>> branches)
    : m_login(std::move(login)), m_address(std::move(address)), m_session(std::move(session)),
      m_branches(std::move(branches)) {}

Caller Caller::withEveryBranch(QString login, QString address) {
    return Caller(std::move(login), std::move(address), QString(), std::nullopt);
}

Caller Caller::forUser(const UserRecord& user, QString address, QString session) {
    return forBranches(user.login, user.branches, std::move(address), std::move(session));
}

Caller Caller::forBranches(QString login, const QStringList& branches, QString address,
                           QString session) {
    return Caller(std::move(login), std::move(address), std::move(session),
                  QSet<QString>(branches.begin(), branches.end()));
}

bool Caller::mayWorkOn(const QString& branch) const {
    return !m_branches || m_branches->contains(branch);
}

} // namespace server
