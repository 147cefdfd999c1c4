#pragma once

// One connection of the application server to its database: a SQLite file, or a PostgreSQL
// database that several servers may share (see backend.h for what differs). A connection
// belongs to the thread that opened it; each worker thread of the server has its own.

#include "contracts/host_framework.h"
#include "server/db/backend.h"
#include "server/db/schema.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <span>
#include <unordered_map>
#include <utility>

namespace server {

class Rows;

class Database {
public:
    enum class Mode {
        OpenExisting,   // the database must hold this system's schema
        CreateIfMissing // a missing SQLite file, or an empty database, gets the schema
    };

    // Opens a SQLite file (a path) or a PostgreSQL database (a postgresql:// URI) with the
    // settings every connection needs, and brings an older schema up to this version.
    // Raises EDatabaseError with a message for the operator, also when the database is
    // unreachable, belongs to something else or to a newer version. Only a test that
    // builds an older database asks for an older `schemaVersion`.
    Database(const QString& address, Mode mode, int schemaVersion = currentSchemaVersion());
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The database as messages name it (a URI without its password).
    QString name() const { return m_backend->name(); }
    const Backend& backend() const { return *m_backend; }
    // The schema's version as the database held it when this connection opened it: 0 when
    // the connection created the schema.
    int versionFound() const { return m_versionFound; }

    // Runs a statement with positional (?) parameters; returns the number of rows changed.
    // A text parameter binds as text even when it is a null QString; QVariant() binds NULL.
    // Statements are prepared once per connection and kept: preparing costs more than
    // running the small queries behind a lock check.
    int exec(const QString& sql, std::initializer_list<QVariant> params = {});
    Rows select(const QString& sql, std::initializer_list<QVariant> params = {});
    // The same with parameters gathered at run time.
    Rows select(const QString& sql, const QVariantList& params);
    // The first column of the first row; null when there is no row.
    QVariant scalar(const QString& sql, std::initializer_list<QVariant> params = {});

    // Runs a statement without keeping it prepared (schema, settings, transaction control).
    void execOnce(const QString& sql);

    // Inside a write transaction: locks the rows `select` reads until the transaction ends,
    // so that the writers of the same rows on every server take their turns. Does nothing
    // where a write transaction already excludes every other writer.
    void lockRows(const QString& select, std::initializer_list<QVariant> params);

    // Inside a write transaction (a call snapshot is none).
    bool inTransaction() const { return m_transactionDepth > 0; }
    // How many statements this connection ran, for diagnostics.
    qint64 statementCount() const { return m_statementCount; }
    // Waits a little before a write runs again after a conflict, longer with each attempt
    // and never the same for two servers, so that they do not meet again.
    static void pauseBeforeRetry(int attempt);

    QSqlDatabase& connection() { return m_db; }

private:
    friend class Rows;
    struct Statement {
        std::unique_ptr<PreparedStatement> prepared;
        bool inUse = false;
    };
    friend class Transaction;
    friend class CallSnapshot;
    void endSnapshot();
    Rows run(const QString& sql, std::span<const QVariant> params);
    std::unique_ptr<PreparedStatement> prepare(const QString& sql);
    void open(bool mustExist);
    void close();
    [[noreturn]] void raise(const QSqlError& error, const QString& sql);

    std::unique_ptr<Backend> m_backend;
    QString m_name;
    QSqlDatabase m_db;
    std::unordered_map<QString, std::unique_ptr<Statement>> m_statements;
    int m_versionFound = 0;
    int m_transactionDepth = 0;
    bool m_snapshot = false;
    qint64 m_statementCount = 0;
};

// The result rows of a select. The statement is reset when the rows go out of scope, so
// that no read transaction outlives the call that needed it.
class Rows {
public:
    Rows(Rows&& other) noexcept;
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;
    ~Rows();

    // Raises EDatabaseError when the database fails while the rows are read.
    bool next();
    QVariant value(int column) const { return m_statement->value(column); }
    QString text(int column) const { return m_statement->value(column).toString(); }
    double number(int column) const { return m_statement->value(column).toDouble(); }
    bool isNull(int column) const { return m_statement->isNull(column); }
    // A stored date (a date, or ISO text YYYY-MM-DD).
    QDate date(int column) const;
    // A stored moment (a time stamp, or ISO text), in UTC; invalid when null.
    QDateTime moment(int column) const;
    int rowsAffected() const { return m_statement->rowsAffected(); }
    // In upper case, as the schema writes them, whatever case the back end reports.
    QStringList columnNames() const;

private:
    friend class Database;
    // A kept statement, or (when that one is still being read) a statement of its own.
    Rows(Database& db, const QString& sql, Database::Statement& kept);
    Rows(Database& db, const QString& sql, std::unique_ptr<PreparedStatement> own);

    Database* m_db;
    const QString* m_sql;
    PreparedStatement* m_statement;
    Database::Statement* m_kept = nullptr;
    std::unique_ptr<PreparedStatement> m_own;
};

// A write transaction: on SQLite BEGIN IMMEDIATE takes the write lock at once, so two writers
// never both read and then fail to upgrade, one waits (busy timeout) for the other to
// finish; on PostgreSQL it is serializable, and the one of two writers that could not be
// ordered fails with WriteConflict (see retryingConflicts).
// Rolled back unless committed. A transaction opened inside another is a savepoint of it:
// its commit keeps its work for the outer one to commit, its rollback undoes only its own
// work, so a method can be wrapped in a transaction that also records who called it.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    QString savepoint() const;

    Database& m_db;
    int m_level;
    bool m_open = true;
};

// The reads of one call (the session's check, then the method's) in one read transaction,
// where the back end gains by it (Backend::sharesCallSnapshot): they see one state of the
// database, and the file's read lock is taken once. The first write transaction ends it,
// so that a write begins as it would after separate reads, and waits its turn as usual.
class CallSnapshot {
public:
    explicit CallSnapshot(Database& db);
    ~CallSnapshot();
    CallSnapshot(const CallSnapshot&) = delete;
    CallSnapshot& operator=(const CallSnapshot&) = delete;

private:
    Database& m_db;
};

// A write that could not be ordered with a concurrent one and was rolled back: running it
// again from the start may succeed. The message is for the clerk, for when no attempt did.
class WriteConflict : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// Runs `work`, which opens its own transactions, and runs it again from the start when it
// meets a WriteConflict, up to a few times. Inside an outer transaction it runs once and
// leaves the conflict to the outer level, which alone can start over.
template <typename Work> auto retryingConflicts(Database& db, Work&& work) -> decltype(work()) {
    constexpr int kAttempts = 8;
    for (int attempt = 1;; ++attempt) {
        try {
            return work();
        } catch (const WriteConflict&) {
            if (db.inTransaction() || attempt == kAttempts)
                throw;
        }
        Database::pauseBeforeRetry(attempt);
    }
}

// The stored form of a date.
QString isoDate(QDate date);

// A database error as the operator reads it: the database's own words, without the
// driver's decoration.
QString describe(const QSqlError& error);

} // namespace server
