#pragma once

// One frame in, at most one frame out: the JSON-RPC side of a call, independent of the
// socket it came on.

#include <QByteArray>

#include <optional>

namespace server {

class Database;

namespace rpc {

// Answers one request line (without its newline). A notification (a request without an
// id) gets no answer, nor does a blank line. Never raises.
std::optional<QByteArray> answer(const QByteArray& frame, Database& db);

// The error frame for a failure that concerns the connection rather than one request
// (a frame over the limit, a frame left unfinished).
QByteArray connectionError(int code, const QString& message);

} // namespace rpc
} // namespace server
