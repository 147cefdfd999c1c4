#include "framework/net/rpc_client.h"

#include "contracts/host_framework.h"
#include "framework/net/jsonrpc.h"
#include "framework/net/wire_codec.h"

#include <QDeadlineTimer>
#include <QJsonDocument>

namespace {

QString errorText(const QJsonObject& reply) {
    return reply.value(QStringLiteral("error"))
        .toObject()
        .value(QStringLiteral("message"))
        .toString();
}

int errorCode(const QJsonObject& reply) {
    return reply.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt();
}

} // namespace

RpcClient::RpcClient() = default;

RpcClient::~RpcClient() {
    close();
}

void RpcClient::setEndpoint(const QString& host, int port) {
    m_host = host;
    m_port = port;
}

void RpcClient::setTimeouts(int connectMs, int replyMs) {
    m_connectTimeoutMs = connectMs;
    m_replyTimeoutMs = replyMs;
}

void RpcClient::setCredentials(const QString& login, const QString& password) {
    m_login = login;
    m_password = password;
}

bool RpcClient::isOpen() const {
    return m_transport != nullptr;
}

void RpcClient::open() {
    close();
    if (m_beforeConnect)
        m_beforeConnect();
    m_transport = openTransport(m_host, m_port, m_tls, m_connectTimeoutMs);
    m_in.clear();
    if (!m_login.isEmpty())
        logIn();
}

void RpcClient::logIn() {
    const QString method = QString::fromLatin1(jsonrpc::LoginMethod);
    const QJsonObject reply = exchange(method, QJsonArray{m_login, m_password});
    if (reply.contains(QStringLiteral("error"))) {
        close();
        if (errorCode(reply) == jsonrpc::LoginFailed)
            throw ELoginRefused(errorText(reply));
        throw ENetError(
            QStringLiteral("O servidor de aplicação recusou o login: %1").arg(errorText(reply)));
    }
    const QJsonValue values =
        reply.value(QStringLiteral("result")).toObject().value(QStringLiteral("value"));
    if (!values.isObject())
        fail(QStringLiteral("Resposta ilegível do servidor de aplicação ao login."));
    m_session = wire::fromJson(values).toMap();
}

void RpcClient::close() {
    m_transport.reset();
    m_in.clear();
    m_session.clear();
}

void RpcClient::fail(const QString& message) {
    close();
    throw ENetError(message);
}

void RpcClient::dropStaleConnection() {
    // Something arriving between calls means the server went away while we were idle (end
    // of stream) or the stream lost step (bytes). Either way nothing of the coming call has
    // been sent yet, so starting over on a new connection is safe.
    if (m_transport && m_transport->stirredWhileIdle())
        close();
}

QByteArray RpcClient::readLine(const QString& method) {
    const QDeadlineTimer deadline(m_replyTimeoutMs);
    qsizetype scanned = 0;
    for (;;) {
        const qsizetype end = m_in.indexOf('\n', scanned);
        if (end >= 0) {
            QByteArray line = m_in.left(end);
            m_in.remove(0, end + 1);
            return line;
        }
        scanned = m_in.size();
        if (m_in.size() > jsonrpc::FrameLimit)
            fail(QStringLiteral("A resposta do servidor de aplicação a %1 excede o limite de "
                                "16 MiB.")
                     .arg(method));
        switch (m_transport->receive(m_in, deadline)) {
        case Transport::Received::Bytes:
            break;
        case Transport::Received::Lost:
            fail(QStringLiteral("A conexão com o servidor de aplicação foi perdida durante a "
                                "chamada de %1.")
                     .arg(method));
        case Transport::Received::TimedOut:
            fail(QStringLiteral("O servidor de aplicação não respondeu a %1 em %2 s.")
                     .arg(method)
                     .arg(m_replyTimeoutMs / 1000.0, 0, 'f', 1));
        }
    }
}

QJsonObject RpcClient::exchange(const QString& method, const QJsonArray& params,
                                const QString& key) {
    const qint64 id = m_nextId++;
    QJsonObject request{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                        {QStringLiteral("id"), id},
                        {QStringLiteral("method"), method},
                        {QStringLiteral("params"), params}};
    if (!key.isEmpty())
        request.insert(QLatin1String(jsonrpc::WriteKeyMember), key);
    QByteArray frame = QJsonDocument(request).toJson(QJsonDocument::Compact);
    if (frame.size() > jsonrpc::FrameLimit)
        throw Exception(QStringLiteral("A chamada de %1 excede o limite de 16 MiB.").arg(method));
    frame += '\n';

    if (!m_transport->send(frame, QDeadlineTimer(m_replyTimeoutMs)))
        fail(QStringLiteral("Falha ao enviar %1 ao servidor de aplicação: %2.")
                 .arg(method, m_transport->errorString()));

    const QByteArray line = readLine(method);
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    const QJsonObject reply = doc.object();
    const QJsonValue replyId = reply.value(QStringLiteral("id"));
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        fail(QStringLiteral("Resposta ilegível do servidor de aplicação a %1.").arg(method));
    // An error without an id is about the connection, which the server then closes.
    if (replyId.isNull() && reply.contains(QStringLiteral("error")))
        fail(QStringLiteral("O servidor de aplicação recusou a chamada de %1: %2")
                 .arg(method, errorText(reply)));
    if (replyId != QJsonValue(double(id)))
        fail(QStringLiteral("Resposta ilegível do servidor de aplicação a %1.").arg(method));
    return reply;
}

QJsonObject RpcClient::keyedExchange(const QString& method, const QJsonArray& params) {
    CallKeys::Key key = m_keys.keyFor(method, params);
    try {
        dropStaleConnection();
        if (!isOpen())
            open();
        QJsonObject reply = exchange(method, params, key.key);
        m_keys.answered(key);
        return reply;
    } catch (const ENetError&) {
        // Whether the server ran the call is unknown: its repeat must be recognised.
        m_keys.unanswered(key, method, params);
        throw;
    }
}

QVariant RpcClient::Invoke(const QString& method, QVariantList& args) {
    QJsonArray params;
    for (const QVariant& a : args)
        params.append(wire::toJson(a));
    const QJsonObject reply = keyedExchange(method, params);
    if (reply.contains(QStringLiteral("error"))) {
        switch (errorCode(reply)) {
        case jsonrpc::NoSession:
            fail(QStringLiteral("O servidor de aplicação recusou a chamada de %1: nenhuma sessão "
                                "aberta (usuário e senha não informados).")
                     .arg(method));
        case jsonrpc::SessionEnded:
            // The next call connects again and logs in with the same user, who may since
            // have been disabled: the server then says so.
            fail(QStringLiteral("A sessão com o servidor de aplicação foi encerrada: %1 Repita a "
                                "operação para entrar novamente.")
                     .arg(errorText(reply)));
        default:
            throw Exception(QStringLiteral("O servidor de aplicação recusou a chamada de %1: %2")
                                .arg(method, errorText(reply)));
        }
    }
    const QJsonValue result = reply.value(QStringLiteral("result"));
    if (!result.isObject())
        fail(QStringLiteral("Resposta ilegível do servidor de aplicação a %1.").arg(method));
    const QJsonObject byRef = result.toObject().value(QStringLiteral("byref")).toObject();
    QVariantList updated = args;
    for (auto it = byRef.constBegin(); it != byRef.constEnd(); ++it) {
        bool isIndex = false;
        const int index = it.key().toInt(&isIndex);
        if (!isIndex || index < 0 || index >= args.size() ||
            !wire::convertLike(args.at(index), wire::fromJson(it.value()), updated[index]))
            fail(QStringLiteral("Resposta ilegível do servidor de aplicação a %1.").arg(method));
    }
    args = std::move(updated);
    return wire::fromJson(result.toObject().value(QStringLiteral("value")));
}
