#pragma once

// The socket server: accepts on the listening thread and hands each connection to one of a
// few worker threads, each with its own event loop and its own database connection. A
// request is answered on the thread that owns its connection, with no hand-off per call,
// and a connection's requests are answered in the order they came. With a certificate and
// its key it speaks TLS; without them it listens on a loopback address only.

#include "server/auth/login_throttle.h"

#include <QHostAddress>
#include <QString>
#include <QTcpServer>

#include <atomic>
#include <memory>
#include <vector>

class QThread;

namespace server {
class Authenticator;
}

namespace server::rpc {

class Worker;

struct ServerOptions {
    QString databasePath; // a SQLite file, or a postgresql:// URI
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 0;
    int workers = 4;
    int maxConnections = 4096;
    int idleTimeoutMs = 30000;
    int lingerMs = 2000;
    // PEM files; both empty: plain TCP, which only a loopback address may serve.
    QString certificateFile;
    QString keyFile;
    qint64 sessionLifetimeMs = 8 * 60 * 60 * 1000;
    ThrottleSettings loginThrottle;
};

class RpcServer final : public QTcpServer {
    Q_OBJECT
public:
    explicit RpcServer(ServerOptions options);
    ~RpcServer() override;

    // Opens the workers' database connections and starts listening; raises Exception
    // with a message for the operator (also for plain TCP on an address that is not a
    // loopback one, and for a certificate or key that cannot be used).
    void start();
    bool encrypted() const { return !m_options.certificateFile.isEmpty(); }

    int connectionCount() const { return m_connections.load(); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void stop();

    ServerOptions m_options;
    std::unique_ptr<Authenticator> m_auth;
    std::vector<QThread*> m_threads;
    std::vector<Worker*> m_workers;
    size_t m_next = 0;
    std::atomic<int> m_connections{0};
};

} // namespace server::rpc
