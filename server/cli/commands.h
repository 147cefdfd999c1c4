#pragma once

// The operator's commands of the server: users, the audit trail and backups.
//
//   apurfat-server user add LOGIN --branches A[,B…] [--billing B] [--bound] --db DB
//   apurfat-server user passwd|disable|enable LOGIN --db DB
//   apurfat-server user branches LOGIN --branches A[,B…] [--billing B] [--bound] --db DB
//   apurfat-server audit --branch CODE [--since YYYY-MM-DD] --db DB
//   apurfat-server backup --db DB --to FILE|FOLDER       (SQLite; PostgreSQL has pg_dump)
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
    std::optional<QString> to; // backup's target
};

// Each returns the exit status; failures of the operation raise Exception.
int userCommand(const CommandArgs& args);
int auditCommand(const CommandArgs& args);
// A copy of a live SQLite database, safe while the server runs; a folder as the target gets
// a file named after the database and the moment.
int backupCommand(const CommandArgs& args);

} // namespace server::cli
