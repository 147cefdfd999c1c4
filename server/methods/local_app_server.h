#pragma once

// The server's methods behind the AppServer interface, without a socket: for tests and for
// a demo that runs everything in one process. Calls run on the caller's thread, on the
// given connection, exactly as the socket server runs them on a worker's.
//
// Built for a user, the calls run under that user's branch rights and are audited in the
// user's name, as a session of the user would; built without one, they run with every
// right, as the server's own tools do, and are audited as "(interno)".

#include "contracts/app_server.h"
#include "server/auth/caller.h"

namespace server {

class Database;

class LocalAppServer final : public AppServer {
public:
    explicit LocalAppServer(Database& db);
    // Raises Exception when the user is not registered or is disabled.
    LocalAppServer(Database& db, const QString& login);

    // An unknown method or arguments that do not fit raise Exception, as the socket
    // client does for the same protocol errors; by-reference arguments come back with the
    // caller's types.
    QVariant Invoke(const QString& method, QVariantList& args) override;

private:
    Database& m_db;
    Caller m_caller;
};

} // namespace server
