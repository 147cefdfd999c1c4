#include "server/rpc/rpc_server.h"

#include "contracts/host_framework.h"
#include "framework/net/jsonrpc.h"
#include "server/rpc/worker.h"

#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcServer, "apurfat.server", QtInfoMsg)

namespace server::rpc {
namespace {

// Raises the process's descriptor limit as far as allowed and returns how many client
// connections fit under it, leaving room for the database files and the listener.
int connectionsThatFit(int wanted) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return wanted;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    constexpr rlim_t kReserved = 64;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > rlim_t(wanted) + kReserved)
        return wanted;
    return int(qMax<rlim_t>(1, limit.rlim_cur - kReserved));
}

} // namespace

RpcServer::RpcServer(ServerOptions options) : m_options(std::move(options)) {
    // QTcpServer stops accepting after an error such as running out of descriptors; try
    // again shortly rather than go deaf.
    connect(this, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) {
        qCWarning(lcServer).noquote() << "accepting failed:" << errorString();
        QTimer::singleShot(100, this, [this] {
            if (isListening())
                resumeAccepting();
        });
    });
}

RpcServer::~RpcServer() {
    stop();
}

void RpcServer::start() {
    const ConnectionLimits limits{jsonrpc::FrameLimit, m_options.idleTimeoutMs, m_options.lingerMs};
    m_options.maxConnections = connectionsThatFit(m_options.maxConnections);
    for (int i = 0; i < qMax(1, m_options.workers); ++i) {
        auto* thread = new QThread;
        thread->setObjectName(QStringLiteral("rpc-worker-%1").arg(i + 1));
        auto* worker = new Worker(m_options.databasePath, limits, m_connections);
        worker->moveToThread(thread);
        connect(thread, &QThread::finished, worker, &QObject::deleteLater);
        thread->start();
        m_threads.push_back(thread);
        m_workers.push_back(worker);
        QString error;
        QMetaObject::invokeMethod(
            worker,
            [worker, &error] {
                try {
                    worker->openDatabase();
                } catch (const Exception& e) {
                    error = e.message();
                }
            },
            Qt::BlockingQueuedConnection);
        if (!error.isEmpty()) {
            stop();
            throw Exception(error);
        }
    }
    // Many clerks reconnecting at once after a restart must not be turned away.
    setListenBacklogSize(1024);
    if (!listen(m_options.address, m_options.port)) {
        const QString error = errorString();
        stop();
        throw Exception(QStringLiteral("Não foi possível escutar em %1:%2: %3")
                            .arg(m_options.address.toString())
                            .arg(m_options.port)
                            .arg(error));
    }
    qCDebug(lcServer).noquote() << "serving" << m_options.databasePath << "with" << m_workers.size()
                                << "workers";
}

void RpcServer::stop() {
    close();
    for (size_t i = 0; i < m_threads.size(); ++i) {
        Worker* worker = m_workers[i];
        QMetaObject::invokeMethod(
            worker, [worker] { worker->shutdown(); }, Qt::BlockingQueuedConnection);
        m_threads[i]->quit();
        m_threads[i]->wait();
        delete m_threads[i];
    }
    m_threads.clear();
    m_workers.clear();
}

void RpcServer::incomingConnection(qintptr descriptor) {
    if (m_connections.load() >= m_options.maxConnections) {
        qCWarning(lcServer) << "refusing a connection: already" << m_connections.load() << "open";
        ::close(int(descriptor));
        return;
    }
    ++m_connections;
    Worker* worker = m_workers[m_next++ % m_workers.size()];
    QMetaObject::invokeMethod(
        worker, [worker, descriptor] { worker->adopt(descriptor); }, Qt::QueuedConnection);
}

} // namespace server::rpc
