#pragma once

// One frame in, at most one frame out: the JSON-RPC side of a call, independent of the
// socket it came on. A connection opens a session with the "login" call; every other call
// runs under that session, for its user and within its user's branches.

#include "server/auth/session.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace server {

class Authenticator;
class Database;
struct UserRecord;

namespace rpc {

// What the server knows of the client at the other end of a connection.
struct Peer {
    QString address;
    std::optional<Session> session;
};

// A login to check: the password check is slow by design, so the connection runs it off
// its thread and answers with completeLogin.
struct LoginRequest {
    QJsonValue id;
    QString login;
    QString password;
};

struct Answer {
    std::optional<QByteArray> frame;
    std::optional<LoginRequest> login;
};

// Answers one request line (without its newline). A notification (a request without an
// id) gets no answer, nor does a blank line. Never raises.
Answer answer(const QByteArray& frame, Database& db, Peer& peer);

// The answer to a login once its password was checked against the user's hash (or a
// decoy's, for an unknown login); opens the peer's session when it matches an active
// user, and tells the throttle how it went. Never raises.
QByteArray completeLogin(const LoginRequest& request, const std::optional<UserRecord>& user,
                         bool passwordMatches, Database& db, Peer& peer, Authenticator& auth);

// The error frame for a failure that concerns the connection rather than one request
// (a frame over the limit, a frame left unfinished).
QByteArray connectionError(int code, const QString& message);

} // namespace rpc
} // namespace server
