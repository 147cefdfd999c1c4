#pragma once

// SQL functions of the suite's other databases that the SQLite connection lacks.

class QSqlDatabase;

// Registers NVL(a, b) (b when a is NULL, else a) on an open QSQLITE connection, once per
// native connection; a reopened connection gets it again. Raises EDatabaseError when the
// connection is not a usable SQLite one.
void ensureSqliteFunctions(const QSqlDatabase& db);
