#pragma once

// What the host itself reads from the suite's database, through the shared connection
// the framework's queries use (dtmDBGeral): the branch table FILIAL.

#include <QDateTime>
#include <QString>

// Opens the shared connection: a SQLite file (QSQLITE) or a PostgreSQL database (QPSQL, a
// postgresql:// URI or a database name). A SQLite file must already exist: opening a
// missing file would create an empty database, and every branch query would fail later and
// far from the cause. Raises Exception with the reason.
void openSuiteDatabase(const QString& driver, const QString& name);

// The processing date of a branch (FILIAL.DTPROC, a date as 'YYYY-MM-DD'); today when the
// branch is not in the table or has no date. Raises EDatabaseError when the connection is
// not open, the query fails or the stored value is not a date: a wrong processing date
// would let an edit through a locked period.
QDateTime suiteProcessingDate(const QString& branchCode);

// The branch's name (FILIAL.NMFILIAL); empty when the branch is not in the table.
QString suiteBranchName(const QString& branchCode);
