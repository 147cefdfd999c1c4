#pragma once

// The server's command line talking to its operator.

#include <QString>

#include <cstdio>

namespace server::cli {

// Exit status of a command used the wrong way.
inline constexpr int UsageError = 2;

void print(FILE* stream, const QString& text);

// A password typed at the terminal without echo, asked twice to catch a typo; or, when
// standard input is not a terminal (a script, a test), its first line. Raises Exception
// when none comes or the two differ.
QString readNewPassword();

// Who runs the command, for the audit trail.
QString operatorName();

// Gives the server's log lines their time and severity for an operator reading them from a
// file; under systemd the journal stamps the time itself and takes the severity from a
// prefix. QT_MESSAGE_PATTERN, when set, still wins.
void setUpLogFormat();

} // namespace server::cli
