#pragma once

// What differs between the databases the server runs on: SQLite, one file that one server
// owns, and PostgreSQL, which several servers may share. Everything the two have in common
// (the queries, the schema written once, the transactions) lives in Database and the
// methods; each back end answers only these questions, in one place of its own.

#include "server/db/prepared_statement.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

namespace server {

class Database;

using ChangeMark = std::pair<qint64, qint64>;

// What a failed statement means for its caller.
enum class Failure {
    Other,
    // Another transaction holds what this one needs and did not let go in time.
    Busy,
    // This transaction could not be ordered with a concurrent one (a serialization failure,
    // a deadlock): it was rolled back, and running it again from the start may succeed.
    Conflict,
    // The connection to the database is gone.
    Lost,
};

class Backend {
public:
    virtual ~Backend() = default;

    // The back end of a --db value: a postgresql:// URI, or else a SQLite file path. Raises
    // Exception for a URI that cannot be read.
    static std::unique_ptr<Backend> forAddress(const QString& address);

    // The database as the operator names it in messages (a URI without its password).
    virtual QString name() const = 0;

    // A new, open QtSql connection under `connectionName`. With `mustExist` a SQLite file
    // that is not there is refused rather than created. Raises EDatabaseError with a
    // message for the operator.
    virtual QSqlDatabase connect(const QString& connectionName, bool mustExist) const = 0;
    // The settings every connection runs with, once it is open.
    virtual void configure(Database& db) const = 0;

    // A statement prepared on the connection `db` (see prepared_statement.h); nothing, and
    // `error` set, when the database refuses it.
    virtual std::unique_ptr<PreparedStatement> prepare(const QSqlDatabase& db, const QString& sql,
                                                       QSqlError& error) const = 0;

    // The statement that opens a write transaction.
    virtual QString beginWrite() const = 0;
    // Whether the reads of one call share one read transaction (Database::CallSnapshot):
    // on SQLite every read of its own takes and drops the file's read lock, two system calls
    // each; on PostgreSQL the transaction would cost two more round trips than it saves.
    virtual bool sharesCallSnapshot() const = 0;
    // A mark that moves whenever anything is written to the database, on this connection
    // or on another: what was read under a mark still holds while the mark stays. Nothing
    // where no mark is cheaper than reading again.
    virtual std::optional<ChangeMark> changeMark(Database& db) const = 0;
    // The clause that locks the rows a select reads until the transaction ends; empty where
    // a write transaction already excludes every other writer.
    virtual QString rowLockClause() const = 0;

    virtual Failure classify(const QSqlError& error) const = 0;

    // One statement of the schema, written in the shared form (see schema.cpp), as this
    // back end runs it: possibly none, possibly several.
    QStringList render(const QString& statement) const;
    // The version of this system's schema the database holds: 0 when it holds nothing,
    // kForeignSchema when it holds something else.
    static constexpr int kForeignSchema = -1;
    virtual int heldVersion(Database& db) const = 0;
    virtual void recordVersion(Database& db, int version) const = 0;
    // Around the transaction that changes the schema (taken before it begins, so that it
    // sees what another server did meanwhile): keeps every other server out of it.
    virtual void lockSchema(Database& db, bool lock) const = 0;

    // The branch's next work number, 1 to `largest` and round again, unique whichever
    // server asks. Call inside a write transaction.
    virtual int nextWorkNumber(Database& db, const QString& branch, int largest) const = 0;

    // The database's clock in milliseconds since 1970: the one clock every server sharing
    // the database reads alike.
    virtual qint64 clockMs(Database& db) const = 0;

protected:
    // How this back end writes the schema's column tokens; in `date` and `digits` "%1"
    // stands for the column.
    struct ColumnForms {
        QString date, digits, real, moment, serial;
    };
    virtual ColumnForms columnForms() const = 0;
    // The schema's whole statements of a back end's own.
    virtual QStringList appendOnly(const QString& table) const = 0;
    virtual QStringList suiteFunctions() const = 0;
    virtual QStringList workNumbers() const = 0;
};

} // namespace server
