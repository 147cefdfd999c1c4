#pragma once

#include "server/rpc/connection.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

namespace server {

class Database;

namespace rpc {

// A worker thread's side of the server: its database connection and the client
// connections handed to it. Lives on its thread; called there through queued calls.
class Worker final : public QObject {
    Q_OBJECT
public:
    Worker(QString databasePath, ConnectionSetup setup, std::atomic<int>& connections);
    ~Worker() override;

    // Raises EDatabaseError when the database cannot be opened.
    void openDatabase();
    void adopt(qintptr descriptor);
    // Drops every connection and closes the database, on the worker's thread.
    void shutdown();

private:
    QString m_path;
    ConnectionSetup m_setup;
    std::atomic<int>& m_connections;
    std::unique_ptr<Database> m_db;
};

} // namespace rpc
} // namespace server
