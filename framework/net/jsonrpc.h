#pragma once

// What client and server agree on about the framing of a call: JSON-RPC 2.0, one compact
// JSON object per line, and these limits and error codes.

#include <QtGlobal>

namespace jsonrpc {

// Largest frame either side accepts or sends, the terminating newline not counted.
inline constexpr qsizetype FrameLimit = 16 * 1024 * 1024;

enum ErrorCode {
    ParseError = -32700,
    InvalidRequest = -32600,
    MethodNotFound = -32601,
    InvalidParams = -32602,
    InternalError = -32603,
    // A method without a result envelope refused the call (its text says why).
    MethodFailed = -32000,
    // The login was refused: unknown login, wrong password, or a disabled user.
    LoginFailed = -32001,
    // A method was called on a connection where no one has logged in.
    NoSession = -32002,
    // The session is over: it expired, its user was disabled or changed password.
    SessionEnded = -32003,
};

// A request's member that carries its key (see write_key.h): the server runs a write whose
// key it has seen before no more, and answers with what the first run answered.
inline constexpr const char* WriteKeyMember = "key";

// The call that opens a session on a connection: params [login, password]; its result's
// value holds the login's session values (see the server's session answer).
inline constexpr const char* LoginMethod = "login";

} // namespace jsonrpc
