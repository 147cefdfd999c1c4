#include "scripted_app_server.h"

QVariant ScriptedAppServer::Invoke(const QString& method, QVariantList& args) {
    calls.append({method, args, args});
    const auto it = m_handlers.constFind(method);
    if (it != m_handlers.cend()) {
        QVariant result = (*it)(args);
        calls.last().written = args;
        return result;
    }
    // Unscripted calls succeed without a payload; the work number is plain text.
    if (method == QLatin1String(ServerMethod::GetPrxRelApurFat))
        return QStringLiteral("1");
    return ok();
}

void ScriptedAppServer::answer(const QString& method, const QVariant& payload) {
    on(method, [payload](QVariantList&) { return QVariant(ok(payload)); });
}

void ScriptedAppServer::refuse(const QString& method, const QString& message) {
    on(method, [message](QVariantList&) { return QVariant(failure(message)); });
}

QList<ScriptedAppServer::Call> ScriptedAppServer::callsOf(const QString& method) const {
    QList<Call> out;
    for (const Call& c : calls)
        if (c.method == method)
            out.append(c);
    return out;
}

QStringList ScriptedAppServer::methods() const {
    QStringList out;
    for (const Call& c : calls)
        out << c.method;
    return out;
}

QVariantMap ScriptedAppServer::ok(const QVariant& payload) {
    return {{"ok", true}, {"payload", payload}, {"message", QString()}};
}

QVariantMap ScriptedAppServer::failure(const QString& message) {
    return {{"ok", false}, {"payload", QVariant()}, {"message", message}};
}
