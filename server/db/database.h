#pragma once

// One SQLite connection of the application server. A connection belongs to the thread that
// opened it; each worker thread of the server has its own.

#include <QDate>
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
        OpenExisting,   // the file must exist and hold this system's schema
        CreateIfMissing // a missing or empty file gets the schema
    };

    // Opens the file with the settings every connection needs (WAL, busy timeout, full
    // sync, foreign keys). Raises EDatabaseError with a message for the operator.
    Database(const QString& path, Mode mode);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return m_path; }

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

    // Runs a statement without keeping it prepared (schema, pragmas).
    void execOnce(const QString& sql);

    QSqlDatabase& connection() { return m_db; }

private:
    friend class Rows;
    struct Statement {
        QSqlQuery query;
        bool inUse = false;
    };
    friend class Transaction;
    Rows run(const QString& sql, std::span<const QVariant> params);

    QString m_path;
    QString m_name;
    QSqlDatabase m_db;
    std::unordered_map<QString, std::unique_ptr<Statement>> m_statements;
    int m_transactionDepth = 0;
};

// The result rows of a select. The statement is reset when the rows go out of scope, so
// that no read transaction outlives the call that needed it.
class Rows {
public:
    Rows(Rows&& other) noexcept;
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;
    ~Rows();

    bool next() { return m_query->next(); }
    QVariant value(int column) const { return m_query->value(column); }
    QString text(int column) const { return m_query->value(column).toString(); }
    double number(int column) const { return m_query->value(column).toDouble(); }
    bool isNull(int column) const { return m_query->isNull(column); }
    // A stored ISO date (YYYY-MM-DD).
    QDate date(int column) const;
    int rowsAffected() const { return m_query->numRowsAffected(); }
    QStringList columnNames() const;

private:
    friend class Database;
    // A kept statement, or (when that one is still being read) a statement of its own.
    explicit Rows(Database::Statement& kept);
    explicit Rows(std::unique_ptr<QSqlQuery> own);

    QSqlQuery* m_query;
    Database::Statement* m_kept = nullptr;
    std::unique_ptr<QSqlQuery> m_own;
};

// A write transaction. BEGIN IMMEDIATE takes the write lock at once, so two writers never
// both read and then fail to upgrade; one waits (busy timeout) for the other to finish.
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

// The stored form of a date.
QString isoDate(QDate date);

} // namespace server
