#include "server/rpc/dispatcher.h"

#include "contracts/host_framework.h"
#include "framework/net/jsonrpc.h"
#include "framework/net/wire_codec.h"
#include "framework/net/write_key.h"
#include "server/auth/authenticator.h"
#include "server/auth/caller.h"
#include "server/auth/password.h"
#include "server/auth/users.h"
#include "server/methods/clean_text.h"
#include "server/methods/method_table.h"
#include "server/methods/write_keys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QUuid>

#include <variant>

Q_LOGGING_CATEGORY(lcRpc, "apurfat.server.rpc", QtInfoMsg)

namespace server::rpc {
namespace {

QByteArray encode(const QJsonObject& reply) {
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

// Method failures and refused logins were logged where they happened, with who they were
// for; everything else is logged here.
QByteArray errorFrame(const QJsonValue& id, int code, const QString& message) {
    if (code != jsonrpc::MethodFailed && code != jsonrpc::LoginFailed)
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

// A name the client sent, as the answers and the log repeat it: never more than a line.
QString shownName(const QString& name) {
    return shortened(name, 64);
}

// Where the frame holds a control character that JSON allows only escaped (any inside a
// string, any but tab and carriage return between tokens); -1 when it holds none. Qt's
// parser would take some of them into a string as they are.
qsizetype rawControlAt(const QByteArray& frame) {
    bool inString = false, escaped = false;
    for (qsizetype i = 0; i < frame.size(); ++i) {
        const auto c = uchar(frame.at(i));
        if (c < 0x20) {
            if (inString || (c != '\t' && c != '\r'))
                return i;
        } else if (!inString) {
            inString = c == '"';
        } else if (escaped) {
            escaped = false;
        } else if (c == '\\') {
            escaped = true;
        } else if (c == '"') {
            inString = false;
        }
    }
    return -1;
}

// Qt's parser refuses a document that is a bare scalar ("text", 5). Such a line is valid
// JSON but not a request; wrapping it in an array tells the two cases apart.
bool isJsonScalar(const QByteArray& frame) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson('[' + frame + ']', &error);
    return error.error == QJsonParseError::NoError && doc.array().size() == 1;
}

QByteArray resultFrame(const QJsonValue& id, const QJsonValue& value, const QJsonObject& byRef) {
    return encode({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                   {QStringLiteral("id"), id},
                   {QStringLiteral("result"), QJsonObject{{QStringLiteral("value"), value},
                                                          {QStringLiteral("byref"), byRef}}}});
}

QJsonObject byRefValues(const MethodSpec& method, const QVariantList& args) {
    QJsonObject out;
    for (size_t i = 0; i < method.args.size(); ++i)
        if (method.args[i].byRef)
            out.insert(QString::number(i), wire::toJson(args.at(qsizetype(i))));
    return out;
}

// The session's caller, or the error frame that refuses the call.
std::variant<const Caller*, QByteArray> sessionCaller(const QJsonValue& id, const QString& method,
                                                      Database& db, Peer& peer) {
    if (!peer.session)
        return errorFrame(id, jsonrpc::NoSession,
                          QStringLiteral("Nenhuma sessão aberta nesta conexão: entre com usuário "
                                         "e senha antes de chamar %1.")
                              .arg(shownName(method)));
    if (const auto reason = checkSession(db, *peer.session, peer.address)) {
        qCInfo(lcRpc).noquote() << "session of" << peer.session->login << "from" << peer.address
                                << "ended:" << *reason;
        peer.session.reset();
        return errorFrame(id, jsonrpc::SessionEnded, *reason);
    }
    return &*peer.session->caller;
}

// Why a login's user and password are refused before anything looks at them: a login
// longer than any user's, a password longer than any accepted, characters that are not
// text. Nothing when they may be checked.
std::optional<QString> loginParamsFault(const QString& login, const QString& password) {
    if (login.size() > LoginMaxLength)
        return QStringLiteral("o usuário passa de %1 caracteres").arg(LoginMaxLength);
    if (password.size() > PasswordMaxLength)
        return QStringLiteral("a senha passa de %1 caracteres").arg(PasswordMaxLength);
    if (const auto fault = textFault(login, LineBreaks::Refused))
        return QStringLiteral("o usuário %1").arg(*fault);
    if (const auto fault = textFault(password, LineBreaks::Refused))
        return QStringLiteral("a senha %1").arg(*fault);
    return std::nullopt;
}

Answer answerObject(const QJsonObject& request, Database& db, Peer& peer) {
    const bool notification = !request.contains(QStringLiteral("id"));
    const QJsonValue id = request.value(QStringLiteral("id"));
    if (!notification && !id.isString() && !id.isDouble() && !id.isNull())
        return {errorFrame(QJsonValue::Null, jsonrpc::InvalidRequest,
                           QStringLiteral("Requisição inválida: o id deve ser texto, número ou "
                                          "nulo.")),
                {}};
    if (id.isString())
        if (const auto fault = textFault(id.toString(), LineBreaks::Refused))
            return {errorFrame(QJsonValue::Null, jsonrpc::InvalidRequest,
                               QStringLiteral("Requisição inválida: o id %1.").arg(*fault)),
                    {}};
    auto fail = [&](int code, const QString& message) -> Answer {
        const QByteArray frame = errorFrame(id, code, message);
        if (notification)
            return {};
        return {frame, {}};
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
    if (const auto fault = textFault(methodName.toString(), LineBreaks::Refused))
        return fail(jsonrpc::InvalidRequest,
                    QStringLiteral("Requisição inválida: o nome do método %1.").arg(*fault));
    const QJsonValue key = request.value(QLatin1String(jsonrpc::WriteKeyMember));
    if (!key.isUndefined() && !writekey::isWellFormed(key.toString()))
        return fail(jsonrpc::InvalidRequest,
                    QStringLiteral("Requisição inválida: \"%1\" deve ter 32 dígitos "
                                   "hexadecimais minúsculos.")
                        .arg(QLatin1String(jsonrpc::WriteKeyMember)));
    if (methodName.toString() == QLatin1String(jsonrpc::LoginMethod)) {
        const QJsonArray values = params.toArray();
        if (values.size() != 2 || !values.at(0).isString() || !values.at(1).isString())
            return fail(jsonrpc::InvalidParams,
                        QStringLiteral("Parâmetros inválidos: login espera usuário e senha."));
        if (const auto refusal = loginParamsFault(values.at(0).toString(), values.at(1).toString()))
            return fail(jsonrpc::InvalidParams,
                        QStringLiteral("Parâmetros inválidos: %1.").arg(*refusal));
        // A login nobody waits for would only feed a guesser.
        if (notification)
            return {};
        peer.session.reset();
        return {{}, LoginRequest{id, values.at(0).toString(), values.at(1).toString()}};
    }
    auto caller = sessionCaller(id, methodName.toString(), db, peer);
    if (const auto* refused = std::get_if<QByteArray>(&caller))
        return notification ? Answer{} : Answer{*refused, {}};

    const MethodSpec* method = findMethod(methodName.toString());
    if (!method)
        return fail(
            jsonrpc::MethodNotFound,
            QStringLiteral("Método desconhecido: %1.").arg(shownName(methodName.toString())));

    QVariantList args;
    for (const QJsonValue& p : params.toArray())
        args.append(wire::fromJson(p));
    try {
        checkArguments(*method, args);
    } catch (const BadArguments& e) {
        return fail(jsonrpc::InvalidParams,
                    QStringLiteral("Parâmetros inválidos: %1").arg(e.message()));
    }

    // Only a write that runs once needs the call's digest; reading it costs a pass over
    // what may be megabytes of packet.
    std::optional<WriteKey> writeKey;
    if (method->once && key.isString())
        writeKey =
            WriteKey{key.toString(), writekey::callDigest(methodName.toString(), params.toArray())};
    QJsonObject result;
    try {
        const QVariant value = invoke(*method, db, args, *std::get<const Caller*>(caller),
                                      writeKey ? &*writeKey : nullptr);
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
        return {};
    QByteArray frame = encode({{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                               {QStringLiteral("id"), id},
                               {QStringLiteral("result"), result}});
    if (frame.size() > jsonrpc::FrameLimit)
        return {errorFrame(id, jsonrpc::InternalError,
                           QStringLiteral("A resposta a %1 excede o limite de 16 MiB.")
                               .arg(QLatin1String(method->name))),
                {}};
    return {frame, {}};
}

} // namespace

Answer answer(const QByteArray& frame, Database& db, Peer& peer) {
    if (isBlank(frame))
        return {};
    auto only = [](const QByteArray& reply) { return Answer{reply, {}}; };
    try {
        if (const qsizetype at = rawControlAt(frame); at >= 0)
            return only(errorFrame(QJsonValue::Null, jsonrpc::ParseError,
                                   QStringLiteral("JSON malformado: caractere de controle sem "
                                                  "escape na posição %1.")
                                       .arg(at)));
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(frame, &error);
        if (error.error != QJsonParseError::NoError) {
            if (isJsonScalar(frame))
                return only(errorFrame(QJsonValue::Null, jsonrpc::InvalidRequest,
                                       QStringLiteral("Requisição inválida: esperava-se um "
                                                      "objeto JSON.")));
            return only(
                errorFrame(QJsonValue::Null, jsonrpc::ParseError,
                           QStringLiteral("JSON malformado na posição %1.").arg(error.offset)));
        }
        if (!doc.isObject())
            return only(errorFrame(QJsonValue::Null, jsonrpc::InvalidRequest,
                                   QStringLiteral("Requisição inválida: esperava-se um objeto "
                                                  "JSON (lotes não são aceitos).")));
        return answerObject(doc.object(), db, peer);
    } catch (const std::exception& e) {
        return only(errorFrame(
            QJsonValue::Null, jsonrpc::InternalError,
            QStringLiteral("Erro interno do servidor: %1").arg(QString::fromUtf8(e.what()))));
    } catch (...) {
        return only(errorFrame(QJsonValue::Null, jsonrpc::InternalError,
                               QStringLiteral("Erro interno do servidor.")));
    }
}

QByteArray completeLogin(const LoginRequest& request, const std::optional<UserRecord>& user,
                         bool passwordMatches, Database& db, Peer& peer, Authenticator& auth) {
    try {
        if (!passwordMatches || !user) {
            // The throttle counted the attempt as a failure when it came. A name that matches no
            // user may be a password typed in the wrong field: only known logins are named in the
            // log.
            if (user)
                qCWarning(lcRpc).noquote() << "login refused for" << user->login << "from"
                                           << peer.address << "(wrong password)";
            else
                qCWarning(lcRpc).noquote()
                    << "login refused for an unknown login from" << peer.address;
            return errorFrame(request.id, jsonrpc::LoginFailed,
                              QStringLiteral("Usuário ou senha inválidos."));
        }
        auth.throttle().succeeded(db, request.login);
        // Said only to someone who knows the password.
        if (!user->active) {
            qCWarning(lcRpc).noquote()
                << "login refused for" << user->login << "from" << peer.address << "(disabled)";
            return errorFrame(request.id, jsonrpc::LoginFailed,
                              QStringLiteral("O usuário %1 está desativado.").arg(user->login));
        }
        const QVariantMap values = sessionAnswer(db, *user);
        peer.session =
            Session{QUuid::createUuid().toString(QUuid::Id128), user->login,  user->passwordVersion,
                    QDeadlineTimer(auth.sessionLifetimeMs()),   std::nullopt, {}};
        qCInfo(lcRpc).noquote() << "session opened for" << user->login << "from" << peer.address;
        return resultFrame(request.id, wire::toJson(values), {});
    } catch (const std::exception& e) {
        return errorFrame(
            request.id, jsonrpc::InternalError,
            QStringLiteral("Erro interno do servidor: %1").arg(QString::fromUtf8(e.what())));
    }
}

QByteArray connectionError(int code, const QString& message) {
    return errorFrame(QJsonValue::Null, code, message);
}

} // namespace server::rpc
