#pragma once

// A fresh database for one test, on the back end the run asks for: a SQLite file in a
// temporary folder by default, or, when the environment's APURFAT_TEST_POSTGRESQL names a
// PostgreSQL server (a postgresql:// URI of a database to connect to, or a file holding one),
// a schema of its own there (in a database of the test program's own), dropped when the test
// is done. A test that runs on both takes its database from here and the server's --db from
// address().

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

class TestDatabase {
public:
    // `fileName`: the SQLite file's name in the temporary folder.
    explicit TestDatabase(const QString& fileName = QStringLiteral("apurfat.db"));
    // On the PostgreSQL server `serverUri` names (a URI of a database to connect to), or on
    // SQLite when it is empty, whatever the environment says: for the benchmarks.
    TestDatabase(const QString& fileName, const QString& serverUri);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    // Whether this run's tests use PostgreSQL.
    static bool postgresRequested();

    // What --db takes: the file's path, or the database's URI.
    const QString& address() const { return m_address; }
    bool onPostgres() const { return !m_name.isEmpty(); }
    // A folder for the test's other files, removed at the end.
    QString folder() const { return m_dir.path(); }

    // A QtSql connection of the test's own to the database under `connectionName`, open;
    // the caller removes it (QSqlDatabase::removeDatabase) when done.
    QSqlDatabase connect(const QString& connectionName) const;

private:
    QTemporaryDir m_dir;
    QString m_server; // the PostgreSQL server's URI; empty on SQLite
    QString m_address;
    QString m_name; // the PostgreSQL schema's name; empty on SQLite
};
