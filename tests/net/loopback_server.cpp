#include "loopback_server.h"

#include "server/auth/users.h"
#include "server/db/database.h"
#include "server/db/demo_data.h"

QString LoopbackServer::login() {
    return QString::fromLatin1(server::DemoUserBothBranches.login);
}

QString LoopbackServer::password() {
    return QString::fromLatin1(server::DemoUserBothBranches.password);
}

LoopbackServer::LoopbackServer(int workers, int idleTimeoutMs, int maxConnections)
    : LoopbackServer([=](server::rpc::ServerOptions& o) {
          o.workers = workers;
          o.idleTimeoutMs = idleTimeoutMs;
          o.maxConnections = maxConnections;
      }) {}

LoopbackServer::LoopbackServer(const std::function<void(server::rpc::ServerOptions&)>& adjust) {
    m_options.databasePath = m_dir.filePath(QStringLiteral("demo.db"));
    m_options.workers = 2;
    m_options.lingerMs = 500;
    adjust(m_options);
    {
        server::Database db(m_options.databasePath, server::Database::Mode::CreateIfMissing);
        server::loadDemoData(db, today());
    }
    m_anchor.moveToThread(&m_thread);
    m_thread.start();
    start();
}

LoopbackServer::~LoopbackServer() {
    stop();
    m_thread.quit();
    m_thread.wait();
}

int LoopbackServer::connectionCount() const {
    return m_server ? m_server->connectionCount() : 0;
}

void LoopbackServer::start() {
    QString error;
    QMetaObject::invokeMethod(
        &m_anchor,
        [this, &error] {
            m_server = new server::rpc::RpcServer(m_options);
            try {
                m_server->start();
                m_options.port = m_server->serverPort();
            } catch (const std::exception& e) {
                error = QString::fromUtf8(e.what());
                delete m_server;
                m_server = nullptr;
            }
        },
        Qt::BlockingQueuedConnection);
    if (!error.isEmpty())
        qFatal("loopback server did not start: %s", qPrintable(error));
}

void LoopbackServer::stop() {
    if (!m_server)
        return;
    QMetaObject::invokeMethod(
        &m_anchor,
        [this] {
            delete m_server;
            m_server = nullptr;
        },
        Qt::BlockingQueuedConnection);
}
