#pragma once

// The suite's shared database connection (the desktop suite's data module "dtmDBGeral"):
// one QtSql connection that the host opens on the suite's database and that the
// framework's queries use.

#include <QSqlDatabase>
#include <QString>

namespace dtmDBGeral {

inline constexpr const char* ConnectionName = "adcGeral";

// Opens (or reopens) the connection with a QtSql driver ("QSQLITE", "QPSQL", …) on a
// database name; for QPSQL the name may be a postgresql:// URI (see database_uri.h).
// Returns false and fills `error` when it cannot.
bool Open(const QString& driver, const QString& databaseName, QString* error = nullptr);
void Close();
bool IsOpen();
// The connection; invalid when it was never opened.
QSqlDatabase Database();

} // namespace dtmDBGeral
