#include "server/rpc/rpc_server.h"

#include "contracts/host_framework.h"
#include "framework/net/jsonrpc.h"
#include "server/auth/authenticator.h"
#include "server/rpc/worker.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
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

QByteArray readPem(const QString& file, const QString& what) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("Não foi possível ler %1 %2: %3").arg(what, file, in.errorString()));
    return in.readAll();
}

QSslConfiguration tlsConfiguration(const QString& certificateFile, const QString& keyFile) {
    if (!QSslSocket::supportsSsl())
        throw Exception(QStringLiteral("TLS indisponível neste sistema (biblioteca OpenSSL não "
                                       "encontrada)."));
    const QList<QSslCertificate> chain =
        QSslCertificate::fromData(readPem(certificateFile, QStringLiteral("o certificado")));
    if (chain.isEmpty())
        throw Exception(
            QStringLiteral("O arquivo %1 não traz um certificado PEM.").arg(certificateFile));
    const QByteArray keyPem = readPem(keyFile, QStringLiteral("a chave"));
    QSslKey key;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Ec, QSsl::Rsa})
        if (key = QSslKey(keyPem, algorithm); !key.isNull())
            break;
    if (key.isNull())
        throw Exception(
            QStringLiteral("O arquivo %1 não traz uma chave privada PEM sem senha.").arg(keyFile));
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
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
    ConnectionSetup setup{
        {jsonrpc::FrameLimit, m_options.idleTimeoutMs, m_options.lingerMs}, std::nullopt, nullptr};
    if (m_options.certificateFile.isEmpty() != m_options.keyFile.isEmpty())
        throw Exception(QStringLiteral("Para TLS informe o certificado e a chave."));
    if (encrypted())
        setup.tls = tlsConfiguration(m_options.certificateFile, m_options.keyFile);
    else if (!m_options.address.isLoopback())
        // Passwords and billing data would cross the network in the clear.
        throw Exception(QStringLiteral("Sem TLS o servidor só atende no endereço local "
                                       "(127.0.0.1 ou ::1); para escutar em %1 informe o "
                                       "certificado e a chave (--cert e --key).")
                            .arg(m_options.address.toString()));
    m_auth = std::make_unique<Authenticator>(
        std::make_unique<LoginThrottle>(m_options.loginThrottle), m_options.sessionLifetimeMs);
    setup.auth = m_auth.get();
    m_options.maxConnections = connectionsThatFit(m_options.maxConnections);
    for (int i = 0; i < qMax(1, m_options.workers); ++i) {
        auto* thread = new QThread;
        thread->setObjectName(QStringLiteral("rpc-worker-%1").arg(i + 1));
        auto* worker = new Worker(m_options.databasePath, setup, m_connections);
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
    qCDebug(lcServer) << "serving with" << m_workers.size() << "workers";
}

void RpcServer::stop() {
    close();
    for (Worker* worker : m_workers)
        QMetaObject::invokeMethod(
            worker, [worker] { worker->shutdown(); }, Qt::BlockingQueuedConnection);
    // A password check under way reports to its worker: the workers stay until it is done.
    if (m_auth)
        m_auth->waitForDone();
    for (size_t i = 0; i < m_threads.size(); ++i) {
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
