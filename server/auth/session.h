#pragma once

// A session: what a connection holds once its login was accepted, and what the login's
// answer tells the client about it.

#include "server/auth/caller.h"
#include "server/db/backend.h"

#include <QDeadlineTimer>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace server {

class Database;
struct UserRecord;

struct Session {
    QString id; // random, for the records of what the session did
    QString login;
    int passwordVersion = 0;
    QDeadlineTimer expires;
    // Who the calls run for, and the branches it was made with: kept from call to call and
    // made again only when the stored branches differ.
    std::optional<Caller> caller;
    QStringList callerBranches;
    // The database's change mark when the user's standing was last read (see checkSession).
    std::optional<ChangeMark> standingReadAt;
};

// The values of the login for the host session: FiliProc, NomeFiliProc, FiliProcFat,
// NomeFiliProcFat, ModuFili, Filiais (a list of {CdFilial, NmFilial}) and Login.
QVariantMap sessionAnswer(Database& db, const UserRecord& user);

// Checks the session against its user as stored now (another server on the same database
// may have disabled the user or changed the password a moment ago) and brings its caller
// up to the user's branches; the standing is read again only when something was written to
// the database since it was last read. Returns why the session may no longer be used, for the
// clerk; nothing while it holds, and then `session.caller` is set.
std::optional<QString> checkSession(Database& db, Session& session, const QString& address);

} // namespace server
