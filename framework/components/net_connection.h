#pragma once

// TNetConnection: the framework's socket connection to the application server. The screens
// set it up (ServerName, ThrowException, BeforeConnect, which fills host and port), switch
// it on and off through SetConnected, and call the server's methods on AppServer(). Each
// connect opens a session with the host session's login and password, over TLS when the
// host session names a CA file or a certificate fingerprint; every call runs under it.
//
// Tests and the in-process demo put another AppServer behind the same component, for one
// connection with SetAppServer or for every connection created from then on through the
// host session's appServer; the component then behaves the same (BeforeConnect runs
// before every connect, Connected follows SetConnected) but never opens a socket.

#include "contracts/app_server.h"
#include "framework/net/rpc_client.h"

#include <QString>

#include <functional>

class TNetConnection {
public:
    TNetConnection();
    ~TNetConnection();
    TNetConnection(const TNetConnection&) = delete;
    TNetConnection& operator=(const TNetConnection&) = delete;

    // The server module's ProgID; one server module answers on the port, so it only names it.
    QString ServerName;
    int Port = 0;
    // False: a failed connect is shown to the user and not raised.
    bool ThrowException = true;
    // Runs before every connect, also the reconnect a call makes after a lost connection.
    std::function<void(TNetConnection&)> BeforeConnect;

    void SetHost(const QString& host) { m_host = host; }
    const QString& Host() const { return m_host; }

    bool Connected() const;
    void SetConnected(bool connected);

    // The server's dispatch interface, connecting first when needed. After a connect that
    // failed without raising (ThrowException false) the calls made on it raise
    // EAlreadyShown: the failure has been shown once already.
    ::AppServer& AppServer();

    // Puts `server` (not owned) behind the component instead of the socket; nullptr goes
    // back to the socket. Disconnects first.
    void SetAppServer(::AppServer* server);

private:
    class Unreachable final : public ::AppServer {
    public:
        QString message;
        QVariant Invoke(const QString& method, QVariantList& args) override;
    };

    bool connect();

    QString m_host;
    RpcClient m_client;
    ::AppServer* m_injected = nullptr;
    bool m_injectedConnected = false;
    Unreachable m_unreachable;
};
