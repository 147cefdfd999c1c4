#pragma once

// A session: what a connection holds once its login was accepted, and what the login's
// answer tells the client about it.

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
};

// The values of the login for the host session: FiliProc, NomeFiliProc, FiliProcFat,
// NomeFiliProcFat, ModuFili, Filiais (a list of {CdFilial, NmFilial}) and Login.
QVariantMap sessionAnswer(Database& db, const UserRecord& user);

// Why the session may no longer be used, given the user as stored now; nothing while it
// still holds. The text is for the clerk.
std::optional<QString> sessionEndReason(const Session& session,
                                        const std::optional<UserRecord>& user);

} // namespace server
