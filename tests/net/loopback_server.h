#pragma once

// The socket server on a demonstration database (with the demo's users), run on its own
// thread so that a test can block on a client socket in the main thread while the server
// accepts and answers.

#include "server/rpc/rpc_server.h"

#include <QTemporaryDir>
#include <QThread>

#include <functional>

class LoopbackServer {
public:
    // The demo data as of this day: branch processing date, calculations and days.
    static QDate today() { return QDate(2026, 3, 15); }
    // The demo user with rights on both branches.
    static QString login();
    static QString password();

    explicit LoopbackServer(int workers = 2, int idleTimeoutMs = 30000, int maxConnections = 4096);
    // Options as the test sets them (TLS, session lifetime, throttle), on top of the defaults.
    explicit LoopbackServer(const std::function<void(server::rpc::ServerOptions&)>& adjust);
    ~LoopbackServer();

    quint16 port() const { return m_options.port; }
    QString databasePath() const { return m_options.databasePath; }
    int connectionCount() const;
    // Stops listening and drops every connection; start() listens again on the same port.
    void stop();
    void start();

private:
    QTemporaryDir m_dir;
    server::rpc::ServerOptions m_options;
    QThread m_thread;
    // Lives on the server's thread: the context of the calls made there.
    QObject m_anchor;
    server::rpc::RpcServer* m_server = nullptr;
};
