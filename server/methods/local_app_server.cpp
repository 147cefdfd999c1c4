#include "server/methods/local_app_server.h"

#include "contracts/host_framework.h"
#include "framework/net/wire_codec.h"
#include "server/auth/users.h"
#include "server/methods/method_table.h"

namespace server {
namespace {

const QString kLocal = QStringLiteral("local");

Caller callerFor(Database& db, const QString& login) {
    const auto user = findUser(db, login);
    if (!user || !user->active)
        throw Exception(QStringLiteral("Usuário inexistente ou desativado: '%1'.").arg(login));
    return Caller::forUser(*user, kLocal, kLocal);
}

} // namespace

LocalAppServer::LocalAppServer(Database& db)
    : m_db(db), m_caller(Caller::withEveryBranch(QStringLiteral("(interno)"), kLocal)) {}

LocalAppServer::LocalAppServer(Database& db, const QString& login)
    : m_db(db), m_caller(callerFor(db, login)) {}

QVariant LocalAppServer::Invoke(const QString& method, QVariantList& args) {
    const MethodSpec* spec = findMethod(method);
    if (!spec)
        throw Exception(QStringLiteral("O servidor de aplicação recusou a chamada de %1: método "
                                       "desconhecido.")
                            .arg(method));
    QVariantList checked = args;
    try {
        checkArguments(*spec, checked);
    } catch (const BadArguments& e) {
        throw Exception(QStringLiteral("O servidor de aplicação recusou a chamada de %1: %2")
                            .arg(method, e.message()));
    }
    QVariant result = invoke(*spec, m_db, checked, m_caller);
    for (size_t i = 0; i < spec->args.size(); ++i) {
        if (!spec->args[i].byRef)
            continue;
        QVariant value;
        if (!wire::convertLike(args.at(qsizetype(i)), checked.at(qsizetype(i)), value))
            value = checked.at(qsizetype(i));
        args[qsizetype(i)] = std::move(value);
    }
    return result;
}

} // namespace server
