#include "server/rpc/dispatcher.h"

#include "contracts/host_framework.h"
#include "framework/net/jsonrpc.h"
#include "framework/net/wire_codec.h"
#include "server/methods/method_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcRpc, "apurfat.server.rpc", QtInfoMsg)

namespace server::rpc {
namespace {

QByteArray encode(const QJsonObject& reply) {
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

// Method failures were logged where they happened; everything else is logged here.
QByteArray errorFrame(const QJsonValue& id, int code, const QString& message) {
    if (code != jsonrpc::MethodFailed)
        qCWarning(lcRpc).noquote() << "request failed:" << code << message;
    return encode({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                   {QStringLiteral("id"), id},
                   {QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), code},
                                                         {QStringLiteral("message"), message}}}});
}

bool isBlank(const QByteArray& frame) {
    for (const char c : frame)
        if (c != ' ' && c != '\t' && c != '\r')
            return false;
    return true;
}

// Qt's parser refuses a document that is a bare scalar ("text", 5). Such a line is valid
// JSON but not a request; wrapping it in an array tells the two cases apart.
bool isJsonScalar(const QByteArray& frame) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson('[' + frame + ']', &error);
    return error.error == QJsonParseError::NoError && doc.array().size() == 1;
}

QJsonObject byRefValues(const MethodSpec& method, const QVariantList& args) {
    QJsonObject out;
    for (size_t i = 0; i < method.args.size(); ++i)
        if (method.args[i].byRef)
            out.insert(QString::number(i), wire::toJson(args.at(qsizetype(i))));
    return out;
}

std::optional<QByteArray> answerObject(const QJsonObject& request, Database& db) {
    const bool notification = !request.contains(QStringLiteral("id"));
    const QJsonValue id = request.value(QStringLiteral("id"));
    if (!notification && !id.isString() && !id.isDouble() && !id.isNull())
        return errorFrame(QJsonValue::Null, jsonrpc::InvalidRequest,
                          QStringLiteral("Requisição inválida: o id deve ser texto, número ou "
                                         "nulo."));
    auto fail = [&](int code, const QString& message) -> std::optional<QByteArray> {
        const QByteArray frame = errorFrame(id, code, message);
        if (notification)
            return std::nullopt;
        return frame;
    };
    if (request.value(QStringLiteral("jsonrpc")) != QLatin1String("2.0"))
        return fail(jsonrpc::InvalidRequest,
                    QStringLiteral("Requisição inválida: \"jsonrpc\" deve ser \"2.0\"."));
    const QJsonValue methodName = request.value(QStringLiteral("method"));
    if (!methodName.isString())
        return fail(jsonrpc::InvalidRequest,
                    QStringLiteral("Requisição inválida: \"method\" deve ser um texto."));
    const QJsonValue params = request.value(QStringLiteral("params"));
    if (params.isObject())
        return fail(jsonrpc::InvalidParams,
                    QStringLiteral("Parâmetros inválidos: só se aceitam parâmetros por posição."));
    if (!params.isArray() && !params.isUndefined())
        return fail(jsonrpc::InvalidRequest,
                    QStringLiteral("Requisição inválida: \"params\" deve ser uma lista."));
    const MethodSpec* method = findMethod(methodName.toString());
    if (!method)
        return fail(jsonrpc::MethodNotFound,
                    QStringLiteral("Método desconhecido: %1.").arg(methodName.toString()));

    QVariantList args;
    for (const QJsonValue& p : params.toArray())
        args.append(wire::fromJson(p));
    try {
        checkArguments(*method, args);
    } catch (const BadArguments& e) {
        return fail(jsonrpc::InvalidParams,
                    QStringLiteral("Parâmetros inválidos: %1").arg(e.message()));
    }

    QJsonObject result;
    try {
        const QVariant value = invoke(*method, db, args);
        result = {{QStringLiteral("value"), wire::toJson(value)},
                  {QStringLiteral("byref"), byRefValues(*method, args)}};
    } catch (const Exception& e) {
        return fail(jsonrpc::MethodFailed, e.message());
    } catch (const std::exception& e) {
        return fail(
            jsonrpc::InternalError,
            QStringLiteral("Erro interno do servidor: %1").arg(QString::fromUtf8(e.what())));
    }
    if (notification)
        return std::nullopt;
    QByteArray frame = encode({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                               {QStringLiteral("id"), id},
                               {QStringLiteral("result"), result}});
    if (frame.size() > jsonrpc::FrameLimit)
        return errorFrame(id, jsonrpc::InternalError,
                          QStringLiteral("A resposta a %1 excede o limite de 16 MiB.")
                              .arg(QLatin1String(method->name)));
    return frame;
}

} // namespace

std::optional<QByteArray> answer(const QByteArray& frame, Database& db) {
    if (isBlank(frame))
        return std::nullopt;
    try {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(frame, &error);
        if (error.error != QJsonParseError::NoError) {
            if (isJsonScalar(frame))
                return errorFrame(QJsonValue::Null, jsonrpc::InvalidRequest,
                                  QStringLiteral("Requisição inválida: esperava-se um objeto "
                                                 "JSON."));
            return errorFrame(QJsonValue::Null, jsonrpc::ParseError,
                              QStringLiteral("JSON malformado na posição %1.").arg(error.offset));
        }
        if (!doc.isObject())
            return errorFrame(QJsonValue::Null, jsonrpc::InvalidRequest,
                              QStringLiteral("Requisição inválida: esperava-se um objeto JSON "
                                             "(lotes não são aceitos)."));
        return answerObject(doc.object(), db);
    } catch (const std::exception& e) {
        return errorFrame(
            QJsonValue::Null, jsonrpc::InternalError,
            QStringLiteral("Erro interno do servidor: %1").arg(QString::fromUtf8(e.what())));
    } catch (...) {
        return errorFrame(QJsonValue::Null, jsonrpc::InternalError,
                          QStringLiteral("Erro interno do servidor."));
    }
}

QByteArray connectionError(int code, const QString& message) {
    return errorFrame(QJsonValue::Null, code, message);
}

} // namespace server::rpc
