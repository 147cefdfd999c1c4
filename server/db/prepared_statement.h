#pragma once

// One statement of a connection, prepared once and run again and again with new
// parameters. Each back end makes its own (Backend::prepare): SQLite's run on SQLite's
// own interface, which reads a row in a fraction of what QtSql's row cache and field
// records cost; PostgreSQL's through QtSql's driver.

#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <span>

class QSqlDatabase;

namespace server {

class PreparedStatement {
public:
    virtual ~PreparedStatement() = default;

    // Binds the parameters in order and runs the statement. A text parameter binds as
    // text, QVariant() and a null value as NULL, a date as ISO text. False on failure.
    virtual bool run(std::span<const QVariant> params) = 0;
    // The next row of the result; false at the end and on failure (see failed()).
    virtual bool next() = 0;
    virtual bool failed() const = 0;
    virtual QSqlError lastError() const = 0;

    // A value of the current row: text as QString, whole numbers as qint64, others as
    // double, and NULL as a null value.
    virtual QVariant value(int column) const = 0;
    virtual bool isNull(int column) const = 0;
    virtual int rowsAffected() const = 0;
    virtual QStringList columnNames() const = 0;
    // Lets go of the result, and with it of what the read held.
    virtual void finish() = 0;
};

// A statement through QtSql's driver of the connection; `streamsRows`: the rows may be read
// as they come rather than all fetched first.
std::unique_ptr<PreparedStatement> prepareWithQtSql(const QSqlDatabase& db, const QString& sql,
                                                    bool streamsRows, QSqlError& error);

// A statement through SQLite's interface, on the SQLite connection QtSql opened.
std::unique_ptr<PreparedStatement> prepareWithSqlite(const QSqlDatabase& db, const QString& sql,
                                                     QSqlError& error);

// The rows SQLite's connection under `db` inserted, changed or deleted since it opened,
// triggers' included; -1 when the connection is not SQLite's.
qint64 sqliteRowsChanged(const QSqlDatabase& db);

} // namespace server
