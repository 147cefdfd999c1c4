#include "server/db/database.h"

#include "contracts/host_framework.h"
#include "framework/data/text_format.h"

#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QSqlError>
#include <QThread>

#include <atomic>

Q_LOGGING_CATEGORY(lcDatabase, "apurfat.server.db", QtInfoMsg)

namespace server {
namespace {

QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("apurfat-server-%1").arg(++counter);
}

const QString kBusy = QStringLiteral("O banco de dados está ocupado por outra operação; "
                                     "tente novamente em instantes.");

} // namespace

Database::Database(const QString& address, Mode mode, int schemaVersion)
    : m_backend(Backend::forAddress(address)), m_name(nextConnectionName()) {
    open(mode == Mode::OpenExisting);
    try {
        m_versionFound = prepareSchema(*this, mode == Mode::CreateIfMissing, schemaVersion);
    } catch (...) {
        close();
        throw;
    }
}

Database::~Database() {
    close();
}

void Database::open(bool mustExist) {
    try {
        m_db = m_backend->connect(m_name, mustExist);
        m_backend->configure(*this);
    } catch (...) {
        close();
        throw;
    }
}

void Database::close() {
    m_statements.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void Database::raise(const QSqlError& error, const QString& sql) {
    // A connection the database ended is not always told by the error's code.
    const Failure failure = m_db.isOpen() ? m_backend->classify(error) : Failure::Lost;
    if (failure == Failure::Conflict) {
        // Expected now and then with several servers: the write runs again.
        qCInfo(lcDatabase).noquote() << "write conflict:" << describe(error);
        throw WriteConflict(kBusy);
    }
    qCWarning(lcDatabase).noquote() << "SQL failed:" << error.text() << "in" << sql.simplified();
    switch (failure) {
    case Failure::Conflict:
    case Failure::Busy:
        throw EDatabaseError(kBusy);
    case Failure::Lost:
        throw EDatabaseError(QStringLiteral("A conexão com o banco de dados %1 foi perdida; "
                                            "tente novamente.")
                                 .arg(name()));
    case Failure::Other:
        break;
    }
    throw EDatabaseError(QStringLiteral("Erro no banco de dados: %1").arg(describe(error)));
}

Rows Database::run(const QString& sql, std::span<const QVariant> params) {
    // A connection the database dropped (a restart of PostgreSQL) is made again, unless a
    // transaction was under way on it: that one is lost, and its caller is told.
    if (!m_db.isOpen() && m_transactionDepth == 0) {
        qCWarning(lcDatabase).noquote() << "reconnecting to" << name();
        close();
        open(true);
    }
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.emplace(sql, std::make_unique<Statement>(Statement{prepare(sql), false}))
                 .first;
    auto runOn = [&](Rows rows) {
        ++m_statementCount;
        if (!rows.m_statement->run(params))
            raise(rows.m_statement->lastError(), sql);
        return rows;
    };
    Statement& kept = *it->second;
    if (!kept.inUse)
        return runOn(Rows(*this, it->first, kept));
    return runOn(Rows(*this, it->first, prepare(sql)));
}

std::unique_ptr<PreparedStatement> Database::prepare(const QString& sql) {
    QSqlError error;
    std::unique_ptr<PreparedStatement> statement = m_backend->prepare(m_db, sql, error);
    if (!statement)
        raise(error, sql);
    return statement;
}

int Database::exec(const QString& sql, std::initializer_list<QVariant> params) {
    return run(sql, {params.begin(), params.size()}).rowsAffected();
}

Rows Database::select(const QString& sql, std::initializer_list<QVariant> params) {
    return run(sql, {params.begin(), params.size()});
}

Rows Database::select(const QString& sql, const QVariantList& params) {
    return run(sql, {params.constData(), size_t(params.size())});
}

QVariant Database::scalar(const QString& sql, std::initializer_list<QVariant> params) {
    Rows rows = run(sql, {params.begin(), params.size()});
    return rows.next() ? rows.value(0) : QVariant();
}

void Database::execOnce(const QString& sql) {
    ++m_statementCount;
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        raise(q.lastError(), sql);
}

void Database::lockRows(const QString& select, std::initializer_list<QVariant> params) {
    const QString clause = m_backend->rowLockClause();
    if (clause.isEmpty())
        return;
    Rows rows = run(select + clause, {params.begin(), params.size()});
    while (rows.next()) {
    }
}

void Database::pauseBeforeRetry(int attempt) {
    const int longest = 5 << qMin(attempt, 6);
    QThread::msleep(QRandomGenerator::global()->bounded(1, longest + 1));
}

Rows::Rows(Database& db, const QString& sql, Database::Statement& kept)
    : m_db(&db), m_sql(&sql), m_statement(kept.prepared.get()), m_kept(&kept) {
    kept.inUse = true;
}

Rows::Rows(Database& db, const QString& sql, std::unique_ptr<PreparedStatement> own)
    : m_db(&db), m_sql(&sql), m_statement(own.get()), m_own(std::move(own)) {}

Rows::Rows(Rows&& other) noexcept
    : m_db(other.m_db), m_sql(other.m_sql), m_statement(std::exchange(other.m_statement, nullptr)),
      m_kept(std::exchange(other.m_kept, nullptr)), m_own(std::move(other.m_own)) {}

Rows::~Rows() {
    if (m_statement)
        m_statement->finish();
    if (m_kept)
        m_kept->inUse = false;
}

bool Rows::next() {
    if (m_statement->next())
        return true;
    if (m_statement->failed())
        m_db->raise(m_statement->lastError(), *m_sql);
    return false;
}

QStringList Rows::columnNames() const {
    QStringList names = m_statement->columnNames();
    for (QString& name : names)
        name = name.toUpper();
    return names;
}

QDate Rows::date(int column) const {
    const QVariant value = m_statement->value(column);
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    return QDate::fromString(value.toString(), Qt::ISODate);
}

QDateTime Rows::moment(int column) const {
    const QVariant value = m_statement->value(column);
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toUTC();
    return QDateTime::fromString(value.toString(), Qt::ISODateWithMs).toUTC();
}

CallSnapshot::CallSnapshot(Database& db) : m_db(db) {
    if (!db.backend().sharesCallSnapshot() || db.m_transactionDepth > 0 || db.m_snapshot)
        return;
    db.exec(QStringLiteral("BEGIN"));
    db.m_snapshot = true;
}

CallSnapshot::~CallSnapshot() {
    try {
        m_db.endSnapshot();
    } catch (const std::exception& e) {
        // Nothing was written in it: giving it up loses nothing.
        qCWarning(lcDatabase) << "ending a read transaction failed:" << e.what();
        try {
            m_db.execOnce(QStringLiteral("ROLLBACK"));
        } catch (const std::exception&) {
        }
    }
}

void Database::endSnapshot() {
    if (!m_snapshot)
        return;
    m_snapshot = false;
    exec(QStringLiteral("COMMIT"));
}

Transaction::Transaction(Database& db) : m_db(db), m_level(db.m_transactionDepth) {
    if (m_level == 0)
        m_db.endSnapshot();
    m_db.execOnce(m_level == 0 ? m_db.backend().beginWrite()
                               : QStringLiteral("SAVEPOINT ") + savepoint());
    ++m_db.m_transactionDepth;
}

Transaction::~Transaction() {
    if (!m_open)
        return;
    --m_db.m_transactionDepth;
    try {
        if (m_level == 0) {
            m_db.execOnce(QStringLiteral("ROLLBACK"));
        } else {
            m_db.execOnce(QStringLiteral("ROLLBACK TO ") + savepoint());
            m_db.execOnce(QStringLiteral("RELEASE ") + savepoint());
        }
    } catch (const std::exception& e) {
        qCWarning(lcDatabase) << "rollback failed:" << e.what();
    }
}

void Transaction::commit() {
    // A commit that fails leaves the transaction to the destructor's rollback (PostgreSQL
    // has ended it already, SQLite keeps it open).
    m_db.execOnce(m_level == 0 ? QStringLiteral("COMMIT")
                               : QStringLiteral("RELEASE ") + savepoint());
    m_open = false;
    --m_db.m_transactionDepth;
}

QString Transaction::savepoint() const {
    return QStringLiteral("nivel%1").arg(m_level);
}

QString isoDate(QDate date) {
    return textformat::isoDate(date);
}

QString describe(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        return error.text().trimmed();
    // PostgreSQL's reads "[context: ]ERROR:  what\n[DETAIL: …\n](SQLSTATE)": the words after
    // the severity are the part meant for a person.
    for (const char* severity : {"ERROR:", "FATAL:"}) {
        if (const qsizetype at = text.indexOf(QLatin1String(severity)); at >= 0) {
            text = text.mid(at + qsizetype(qstrlen(severity)));
            break;
        }
    }
    if (const qsizetype code = text.lastIndexOf(QLatin1String("\n(")); code >= 0)
        text.truncate(code);
    return text.trimmed();
}

} // namespace server
