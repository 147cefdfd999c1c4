#pragma once

// The socket server: accepts on the listening thread and hands each connection to one of a
// few worker threads, each with its own event loop and its own database connection. A
// request is answered on the thread that owns its connection, with no hand-off per call,
// and a connection's requests are answered in the order they came.

#include <QHostAddress>
#include <QString>
#include <QTcpServer>

#include <atomic>
#include <memory>
#include <vector>

class QThread;

namespace server::rpc {

class Worker;

struct ServerOptions {
    QString databasePath;
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 0;
    int workers = 4;
    int maxConnections = 4096;
    int idleTimeoutMs = 30000;
    int lingerMs = 2000;
};

class RpcServer final : public QTcpServer {
    Q_OBJECT
public:
    explicit RpcServer(ServerOptions options);
    ~RpcServer() override;

    // Opens the workers' database connections and starts listening; raises Exception
    // with a message for the operator.
    void start();

    int connectionCount() const { return m_connections.load(); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void stop();

    ServerOptions m_options;
    std::vector<QThread*> m_threads;
    std::vector<Worker*> m_workers;
    size_t m_next = 0;
    std::atomic<int> m_connections{0};
};

} // namespace server::rpc
