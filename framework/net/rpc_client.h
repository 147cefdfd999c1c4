#pragma once

// The client side of the application server's socket protocol: an AppServer whose calls
// travel as JSON-RPC lines over one TCP or TLS connection. Calls are synchronous and block
// the calling thread, as the screens expect of a remote call. With credentials set, every
// connection opens a session with them before its first call. Every call carries a key of
// its own, and the repeat of a call that went unanswered carries the same key again
// (call_keys.h), so that a write the server ran before the answer was lost is not run twice.

#include "contracts/app_server.h"
#include "contracts/host_framework.h"
#include "framework/net/call_keys.h"
#include "framework/net/transport.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

// The server refused the login: unknown user, wrong password, disabled user.
class ELoginRefused : public ENetError {
public:
    using ENetError::ENetError;
};

class RpcClient final : public AppServer {
public:
    RpcClient();
    ~RpcClient() override;
    RpcClient(const RpcClient&) = delete;
    RpcClient& operator=(const RpcClient&) = delete;

    // Where the next connect goes; an open connection is kept until closed.
    void setEndpoint(const QString& host, int port);
    void setTimeouts(int connectMs, int replyMs);
    void setReplyTimeout(int replyMs) { m_replyTimeoutMs = replyMs; }
    // The login every connection opens its session with; an empty login opens none.
    void setCredentials(const QString& login, const QString& password);
    void setTls(const TlsSettings& tls) { m_tls = tls; }
    // Runs before every connect, also the one a call makes after a lost connection; it may
    // change the endpoint.
    void setBeforeConnect(std::function<void()> hook) { m_beforeConnect = std::move(hook); }

    // Connects and logs in; a failure raises ENetError (ELoginRefused for a refused
    // login) with a message for the clerk.
    void open();
    void close();
    bool isOpen() const;
    // What the server said of the login of the open connection (FiliProc, NomeFiliProc,
    // FiliProcFat, NomeFiliProcFat, ModuFili, Filiais, Login); empty without a session.
    const QVariantMap& session() const { return m_session; }

    // Connects on demand. A transport failure raises ENetError and drops the connection,
    // so that the next call connects afresh; so does a session the server ended (expired,
    // user disabled): the next call logs in again. An error the server reports for the
    // call itself raises Exception and keeps the connection.
    QVariant Invoke(const QString& method, QVariantList& args) override;

private:
    [[noreturn]] void fail(const QString& message);
    void dropStaleConnection();
    void logIn();
    // Sends one request (with its key, unless empty) and returns the server's answer to
    // it, with "result" or "error".
    QJsonObject exchange(const QString& method, const QJsonArray& params, const QString& key = {});
    QJsonObject keyedExchange(const QString& method, const QJsonArray& params);
    QByteArray readLine(const QString& method);

    std::function<void()> m_beforeConnect;
    std::unique_ptr<Transport> m_transport;
    QString m_host;
    int m_port = 0;
    QString m_login, m_password;
    TlsSettings m_tls;
    QVariantMap m_session;
    int m_connectTimeoutMs = 5000;
    int m_replyTimeoutMs = 60000;
    qint64 m_nextId = 1;
    QByteArray m_in;
    CallKeys m_keys;
};
