#pragma once

// Who a call runs for: the login the audit trail names, the session and the address it came
// from, and the branches the login may work on.

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace server {

struct UserRecord;

class Caller {
public:
    // The server's own tools (the command line, in-process tests): every branch, no session.
    static Caller withEveryBranch(QString login, QString address);
    // A user's session: the user's branches only.
    static Caller forUser(const UserRecord& user, QString address, QString session);
    static Caller forBranches(QString login, const QStringList& branches, QString address,
                              QString session);

    const QString& login() const { return m_login; }
    const QString& address() const { return m_address; }
    const QString& session() const { return m_session; }
    bool mayWorkOn(const QString& branch) const;

private:
    Caller(QString login, QString address, QString session, std::optional<QSet<QString>> branches);

    QString m_login;
    QString m_address;
    QString m_session;
    std::optional<QSet<QString>> m_branches; // nothing: every branch
};

} // namespace server
