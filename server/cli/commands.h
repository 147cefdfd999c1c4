#pragma once

// The operator's commands of the server: users and the audit trail.
//
//   apurfat-server user add LOGIN --branches A[,B…] [--billing B] [--bound] --db DB
//   apurfat-server user passwd|disable|enable LOGIN --db DB
//   apurfat-server user branches LOGIN --branches A[,B…] [--billing B] [--bound] --db DB
//   apurfat-server audit --branch CODE [--since YYYY-MM-DD] --db DB
//
// Passwords are read from the terminal without echo, or from the first line of standard
// input; never from the command line, where other users of the machine could read them.

#include <QString>
#include <QStringList>

#include <optional>

namespace server::cli {

struct CommandArgs {
    QStringList words; // the positional words after the command's name
    QString database;
    std::optional<QString> branches, billing, branch, since;
    bool bound = false;
};

// Each returns the exit status; failures of the operation raise Exception.
int userCommand(const CommandArgs& args);
int auditCommand(const CommandArgs& args);

} // namespace server::cli
