#include "server/rpc/worker.h"

#include "server/db/database.h"

namespace server::rpc {

Worker::Worker(QString databasePath, ConnectionSetup setup, std::atomic<int>& connections)
    : m_path(std::move(databasePath)), m_setup(std::move(setup)), m_connections(connections) {}

Worker::~Worker() = default;

void Worker::openDatabase() {
    m_db = std::make_unique<Database>(m_path, Database::Mode::OpenExisting);
}

void Worker::adopt(qintptr descriptor) {
    auto* connection = new Connection(descriptor, *m_db, m_setup, this);
    connect(connection, &QObject::destroyed, this, [this] { --m_connections; });
    if (!connection->isOpen())
        connection->deleteLater();
}

void Worker::shutdown() {
    qDeleteAll(findChildren<Connection*>(Qt::FindDirectChildrenOnly));
    m_db.reset();
}

} // namespace server::rpc
