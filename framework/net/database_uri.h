#pragma once

// Where a PostgreSQL database is, written the way libpq writes it:
//
//   postgresql://[user[:password]@][host][:port]/dbname[?keyword=value&…]
//
// ("postgres://" too). The application server takes it for --db and the host for its suite
// database, so that an operator writes the same text for both. A password is never needed
// in it: without one libpq reads PGPASSWORD or ~/.pgpass. Further libpq keywords (sslmode,
// connect_timeout, options, host=/socket/folder …) go in the query part.

#include <QList>
#include <QPair>
#include <QString>

class QSqlDatabase;

struct PostgresAddress {
    QString host; // empty: libpq's default (the local socket)
    int port = 0; // 0: libpq's default
    QString user, password, database;
    QList<QPair<QString, QString>> keywords; // from the query part, in order

    // The address without its password, for messages and logs.
    QString display() const;
    // The value of a query keyword; empty when it was not given.
    QString keyword(const QString& name) const;
    // The query keywords and `extra` (which give way to those of the address) in the form
    // of QtSql's QPSQL connect options.
    QString connectOptions(const QList<QPair<QString, QString>>& extra = {}) const;
    // Points a QPSQL connection, not yet open, at this database.
    void applyTo(QSqlDatabase& db, const QList<QPair<QString, QString>>& extra = {}) const;
};

// Whether the text names a PostgreSQL database rather than a file.
bool isPostgresUri(const QString& text);

// Raises Exception with a message for the operator when the text is not such an address or
// names no database.
PostgresAddress parsePostgresUri(const QString& text);
