// PostgreSQL: one database that any number of servers share. Every write transaction is
// serializable, so a rule checked by reading and then writing holds as if the writes of
// all servers had run one after the other; the one that could not be ordered is rolled
// back and runs again (see retryingConflicts). Work numbers come from a sequence, which no
// two servers ever share a value of.

#include "server/db/backend_factories.h"

#include "contracts/host_framework.h"
#include "server/db/database.h"

namespace server {
namespace {

// The advisory lock that keeps servers out of each other's schema changes ("APFT").
constexpr qint64 kSchemaLock = 0x41504654;

// Settings of every connection: what it says in the server's log, how long a statement
// waits for a lock another server holds before the clerk is told the database is busy
// (as long as SQLite's busy timeout), and how long a transaction left open by a stopped
// server may keep its locks.
const QList<QPair<QString, QString>> kSessionSettings{
    {QStringLiteral("connect_timeout"), QStringLiteral("5")},
    {QStringLiteral("application_name"), QStringLiteral("apurfat-server")},
    {QStringLiteral("options"), QStringLiteral("-c client_min_messages=error -c lock_timeout=5000 "
                                               "-c idle_in_transaction_session_timeout=60000")},
};

class PostgresBackend final : public Backend {
public:
    explicit PostgresBackend(PostgresAddress address) : m_address(std::move(address)) {}

    QString name() const override { return m_address.display(); }

    QSqlDatabase connect(const QString& connectionName, bool) const override {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        if (!db.isValid())
            throw EDatabaseError(QStringLiteral("O driver QPSQL do Qt não está instalado "
                                                "(pacote libqt6sql6-psql)."));
        m_address.applyTo(db, kSessionSettings);
        if (!db.open())
            throw EDatabaseError(
                QStringLiteral("Não foi possível conectar ao banco de dados %1: %2")
                    .arg(name(), describe(db.lastError())));
        return db;
    }

    void configure(Database&) const override {}

    // QtSql's PostgreSQL driver drops the rest of a result read row by row when another
    // statement runs on the connection, which the server does while it reads: results are
    // fetched whole.
    std::unique_ptr<PreparedStatement> prepare(const QSqlDatabase& db, const QString& sql,
                                               QSqlError& error) const override {
        return prepareWithQtSql(db, sql, false, error);
    }
    QString beginWrite() const override {
        return QStringLiteral("BEGIN ISOLATION LEVEL SERIALIZABLE");
    }
    bool sharesCallSnapshot() const override { return false; }
    // Asking costs the round trip the reading would.
    std::optional<ChangeMark> changeMark(Database&) const override { return std::nullopt; }
    QString rowLockClause() const override { return QStringLiteral(" FOR NO KEY UPDATE"); }

    Failure classify(const QSqlError& error) const override {
        const QString code = error.nativeErrorCode();
        // serialization_failure, deadlock_detected
        if (code == QLatin1String("40001") || code == QLatin1String("40P01"))
            return Failure::Conflict;
        // lock_not_available (lock_timeout), query_canceled
        if (code == QLatin1String("55P03") || code == QLatin1String("57014"))
            return Failure::Busy;
        // connection_exception, and the server shutting down or ending the session
        if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")) ||
            error.type() == QSqlError::ConnectionError)
            return Failure::Lost;
        return Failure::Other;
    }

    ColumnForms columnForms() const override {
        return {QStringLiteral("DATE"), QStringLiteral("%1 !~ '[^0-9]'"),
                QStringLiteral("DOUBLE PRECISION"), QStringLiteral("TIMESTAMPTZ"),
                QStringLiteral("BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY")};
    }

    QStringList appendOnly(const QString& table) const override {
        return {QStringLiteral("CREATE FUNCTION %1_SOMENTE_INCLUSAO() RETURNS trigger "
                               "LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION "
                               "'a tabela %1 só aceita inclusões'; END $$")
                    .arg(table),
                QStringLiteral("CREATE TRIGGER %1_SEM_ALTERACAO BEFORE UPDATE OR DELETE ON %1 "
                               "FOR EACH ROW EXECUTE FUNCTION %1_SOMENTE_INCLUSAO()")
                    .arg(table),
                QStringLiteral("CREATE TRIGGER %1_SEM_LIMPEZA BEFORE TRUNCATE ON %1 "
                               "FOR EACH STATEMENT EXECUTE FUNCTION %1_SOMENTE_INCLUSAO()")
                    .arg(table)};
    }

    // What the default text of the suite's branch query calls: PARAM(value) as a one-row
    // table whose column PARAM holds the value, and NVLSTR(a, b), b when a is null.
    QStringList suiteFunctions() const override {
        return {QStringLiteral("CREATE FUNCTION PARAM(VALOR TEXT) RETURNS TABLE (PARAM TEXT) "
                               "LANGUAGE sql IMMUTABLE AS $$ SELECT VALOR $$"),
                QStringLiteral("CREATE FUNCTION NVLSTR(VALOR TEXT, PADRAO TEXT) RETURNS TEXT "
                               "LANGUAGE sql IMMUTABLE AS $$ SELECT COALESCE(VALOR, PADRAO) $$")};
    }

    QStringList workNumbers() const override {
        return {QStringLiteral("CREATE SEQUENCE %1").arg(QLatin1String(kWorkNumbers))};
    }

    int heldVersion(Database& db) const override {
        if (db.scalar(QStringLiteral("SELECT to_regclass('%1') IS NOT NULL")
                          .arg(QLatin1String(kVersionTable)))
                .toBool())
            return db
                .scalar(QStringLiteral("SELECT max(NRVERSAO) FROM %1")
                            .arg(QLatin1String(kVersionTable)))
                .toInt();
        const int objects =
            db.scalar(QStringLiteral("SELECT count(*) FROM pg_catalog.pg_class c JOIN "
                                     "pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
                                     "WHERE n.nspname = current_schema()"))
                .toInt();
        return objects > 0 ? kForeignSchema : 0;
    }

    void recordVersion(Database& db, int version) const override {
        db.execOnce(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (NRVERSAO INTEGER NOT NULL)")
                        .arg(QLatin1String(kVersionTable)));
        if (db.exec(QStringLiteral("UPDATE %1 SET NRVERSAO = ?").arg(QLatin1String(kVersionTable)),
                    {version}) == 0)
            db.exec(QStringLiteral("INSERT INTO %1 (NRVERSAO) VALUES (?)")
                        .arg(QLatin1String(kVersionTable)),
                    {version});
    }

    void lockSchema(Database& db, bool lock) const override {
        db.scalar(
            QStringLiteral("SELECT %1(%2)")
                .arg(lock ? QLatin1String("pg_advisory_lock") : QLatin1String("pg_advisory_unlock"))
                .arg(kSchemaLock));
    }

    int nextWorkNumber(Database& db, const QString&, int largest) const override {
        return db
            .scalar(QStringLiteral("SELECT (nextval('%1') - 1) % ? + 1")
                        .arg(QLatin1String(kWorkNumbers)),
                    {largest})
            .toInt();
    }

    qint64 clockMs(Database& db) const override {
        return db
            .scalar(QStringLiteral(
                "SELECT CAST(extract(epoch FROM clock_timestamp()) * 1000 AS BIGINT)"))
            .toLongLong();
    }

private:
    static constexpr const char* kVersionTable = "ESQUEMAAPURFAT";
    static constexpr const char* kWorkNumbers = "SEQ_RELAPURFAT";

    PostgresAddress m_address;
};

} // namespace

std::unique_ptr<Backend> makePostgresBackend(const PostgresAddress& address) {
    return std::make_unique<PostgresBackend>(address);
}

} // namespace server
