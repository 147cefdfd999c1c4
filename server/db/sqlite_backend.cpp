// SQLite: one file, one server. Writers take the file's write lock when their transaction
// begins, so they never overlap; the schema's version sits in the file's header.

#include "server/db/backend_factories.h"

#include "contracts/host_framework.h"
#include "server/db/counter.h"
#include "server/db/database.h"

#include <QFileInfo>

namespace server {
namespace {

// Marks the file as ours (PRAGMA application_id, "APFT") so that a stray SQLite file is
// refused instead of being filled with tables.
constexpr int kApplicationId = 0x41504654;

class SqliteBackend final : public Backend {
public:
    explicit SqliteBackend(QString path) : m_path(std::move(path)) {}

    QString name() const override { return m_path; }

    QSqlDatabase connect(const QString& connectionName, bool mustExist) const override {
        if (mustExist && !QFileInfo::exists(m_path))
            throw EDatabaseError(QStringLiteral("Banco de dados não encontrado: %1.").arg(m_path));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(m_path);
        if (!db.open())
            throw EDatabaseError(QStringLiteral("Não foi possível abrir o banco de dados %1: %2")
                                     .arg(m_path, db.lastError().text()));
        return db;
    }

    void configure(Database& db) const override {
        // The busy timeout must be in place before the journal mode changes: switching to
        // WAL needs a moment of exclusive access that another connection may be holding.
        db.execOnce(QStringLiteral("PRAGMA busy_timeout = 5000"));
        const QString journal = db.scalar(QStringLiteral("PRAGMA journal_mode = WAL")).toString();
        if (journal.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            throw EDatabaseError(
                QStringLiteral("O banco de dados %1 não aceita o modo WAL.").arg(m_path));
        db.execOnce(QStringLiteral("PRAGMA synchronous = FULL"));
        db.execOnce(QStringLiteral("PRAGMA foreign_keys = ON"));
    }

    std::unique_ptr<PreparedStatement> prepare(const QSqlDatabase& db, const QString& sql,
                                               QSqlError& error) const override {
        return prepareWithSqlite(db, sql, error);
    }
    QString beginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    bool sharesCallSnapshot() const override { return true; }
    std::optional<ChangeMark> changeMark(Database& db) const override {
        // data_version moves with every commit of another connection, as of the read
        // transaction it opens or runs in; this connection's own writes are counted apart.
        return ChangeMark{db.scalar(QStringLiteral("PRAGMA data_version")).toLongLong(),
                          sqliteRowsChanged(db.connection())};
    }
    QString rowLockClause() const override { return {}; }

    Failure classify(const QSqlError& error) const override {
        // SQLITE_BUSY and SQLITE_LOCKED: the busy timeout ran out.
        const QString code = error.nativeErrorCode();
        return code == QLatin1String("5") || code == QLatin1String("6") ? Failure::Busy
                                                                        : Failure::Other;
    }

    ColumnForms columnForms() const override {
        // "+0 days" makes date() carry over a day past the month's end ('2026-02-30'),
        // which it otherwise passes through unchanged.
        return {QStringLiteral("TEXT CHECK (date(%1, '+0 days') = %1)"),
                QStringLiteral("%1 NOT GLOB '*[^0-9]*'"), QStringLiteral("REAL"),
                QStringLiteral("TEXT"), QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")};
    }

    QStringList appendOnly(const QString& table) const override {
        return {QStringLiteral("CREATE TRIGGER %1_SEM_ALTERACAO BEFORE UPDATE ON %1 BEGIN "
                               "SELECT RAISE(ABORT, 'a tabela %1 só aceita inclusões'); END")
                    .arg(table),
                QStringLiteral("CREATE TRIGGER %1_SEM_EXCLUSAO BEFORE DELETE ON %1 BEGIN "
                               "SELECT RAISE(ABORT, 'a tabela %1 só aceita inclusões'); END")
                    .arg(table)};
    }

    // The suite's query functions are registered on the host's connection (NVL), and work
    // numbers come from the NUMERADOR table: nothing to create.
    QStringList suiteFunctions() const override { return {}; }
    QStringList workNumbers() const override { return {}; }

    int heldVersion(Database& db) const override {
        if (pragma(db, "application_id") == kApplicationId)
            return pragma(db, "user_version");
        const int tables =
            db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table'"))
                .toInt();
        return tables > 0 || pragma(db, "application_id") != 0 ? kForeignSchema : 0;
    }

    void recordVersion(Database& db, int version) const override {
        db.execOnce(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId));
        db.execOnce(QStringLiteral("PRAGMA user_version = %1").arg(version));
    }

    // The transaction's BEGIN IMMEDIATE takes the file's write lock.
    void lockSchema(Database&, bool) const override {}

    int nextWorkNumber(Database& db, const QString& branch, int largest) const override {
        return nextNumber(db, branch, QStringLiteral("RELAPURFAT"), largest);
    }

    qint64 clockMs(Database& db) const override {
        return db
            .scalar(QStringLiteral(
                "SELECT CAST((julianday('now') - 2440587.5) * 86400000.0 AS INTEGER)"))
            .toLongLong();
    }

private:
    static int pragma(Database& db, const char* name) {
        return db.scalar(QStringLiteral("PRAGMA %1").arg(QLatin1String(name))).toInt();
    }

    QString m_path;
};

} // namespace

std::unique_ptr<Backend> makeSqliteBackend(const QString& path) {
    return std::make_unique<SqliteBackend>(path);
}

} // namespace server
