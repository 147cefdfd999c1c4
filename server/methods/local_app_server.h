#pragma once

// The server's methods behind the AppServer interface, without a socket: for tests and for
// a demo that runs everything in one process. Calls run on the caller's thread, on the
// given connection, exactly as the socket server runs them on a worker's.

#include "contracts/app_server.h"

namespace server {

class Database;

class LocalAppServer final : public AppServer {
public:
    explicit LocalAppServer(Database& db) : m_db(db) {}

    // An unknown method or arguments that do not fit raise Exception, as the socket
    // client does for the same protocol errors; by-reference arguments come back with the
    // caller's types.
    QVariant Invoke(const QString& method, QVariantList& args) override;

private:
    Database& m_db;
};

} // namespace server
