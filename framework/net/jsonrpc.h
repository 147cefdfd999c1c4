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
};

} // namespace jsonrpc
