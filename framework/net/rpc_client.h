#pragma once

// The client side of the application server's socket protocol: an AppServer whose calls
// travel as JSON-RPC lines over one TCP connection. Calls are synchronous and block the
// calling thread, as the screens expect of a remote call.

#include "contracts/app_server.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QTcpSocket;

class RpcClient final : public AppServer {
public:
    RpcClient();
    ~RpcClient() override;
    RpcClient(const RpcClient&) = delete;
    RpcClient& operator=(const RpcClient&) = delete;

    // Where the next connect goes; an open connection is kept until closed.
    void setEndpoint(const QString& host, int port);
    void setTimeouts(int connectMs, int replyMs);
    // Runs before every connect, also the one a call makes after a lost connection; it may
    // change the endpoint.
    void setBeforeConnect(std::function<void()> hook) { m_beforeConnect = std::move(hook); }

    // Connects; a failure raises ENetError with a message for the clerk.
    void open();
    void close();
    bool isOpen() const;

    // Connects on demand. A transport failure raises ENetError and drops the connection,
    // so that the next call connects afresh; an error the server reports for the call
    // itself raises Exception and keeps the connection.
    QVariant Invoke(const QString& method, QVariantList& args) override;

private:
    [[noreturn]] void fail(const QString& message);
    void dropStaleConnection();
    QByteArray readLine(const QString& method);

    std::function<void()> m_beforeConnect;
    std::unique_ptr<QTcpSocket> m_socket;
    QString m_host;
    int m_port = 0;
    int m_connectTimeoutMs = 5000;
    int m_replyTimeoutMs = 60000;
    qint64 m_nextId = 1;
    QByteArray m_in;
};
