#include "server/methods/local_app_server.h"

#include "contracts/host_framework.h"
#include "framework/net/wire_codec.h"
#include "server/methods/method_table.h"

namespace server {

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
    QVariant result = invoke(*spec, m_db, checked);
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
