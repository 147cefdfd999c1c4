#include "server/auth/session.h"

#include "server/auth/users.h"
#include "server/db/database.h"

namespace server {
namespace {

QString branchName(Database& db, const QString& code) {
    return db.scalar(QStringLiteral("SELECT NMFILIAL FROM FILIAL WHERE CDFILIAL = ?"), {code})
        .toString();
}

} // namespace

QVariantMap sessionAnswer(Database& db, const UserRecord& user) {
    QVariantList branches;
    for (const QString& code : user.branches)
        branches.append(QVariantMap{{QStringLiteral("CdFilial"), code},
                                    {QStringLiteral("NmFilial"), branchName(db, code)}});
    return {{QStringLiteral("Login"), user.login},
            {QStringLiteral("FiliProc"), user.processingBranch},
            {QStringLiteral("NomeFiliProc"), branchName(db, user.processingBranch)},
            {QStringLiteral("FiliProcFat"), user.billingBranch},
            {QStringLiteral("NomeFiliProcFat"),
             user.billingBranch.isEmpty() ? QString() : branchName(db, user.billingBranch)},
            {QStringLiteral("ModuFili"), user.bound},
            {QStringLiteral("Filiais"), branches}};
}

std::optional<QString> checkSession(Database& db, Session& session, const QString& address) {
    if (session.expires.hasExpired())
        return QStringLiteral("A sessão expirou.");
    // Nothing written anywhere since the standing was last read: it is what it was then.
    const std::optional<ChangeMark> mark = db.backend().changeMark(db);
    if (mark && mark == session.standingReadAt)
        return std::nullopt;
    const std::optional<UserStanding> user = userStanding(db, session.login);
    if (!user)
        return QStringLiteral("O usuário %1 foi removido.").arg(session.login);
    if (!user->active)
        return QStringLiteral("O usuário %1 foi desativado.").arg(session.login);
    if (user->passwordVersion != session.passwordVersion)
        return QStringLiteral("A senha do usuário %1 foi alterada.").arg(session.login);
    if (!session.caller || session.callerBranches != user->branches) {
        session.caller = Caller::forBranches(session.login, user->branches, address, session.id);
        session.callerBranches = user->branches;
    }
    session.standingReadAt = mark;
    return std::nullopt;
}

} // namespace server
