#include "server/db/database.h"

#include "contracts/host_framework.h"

#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlRecord>
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
    if (it == m_statements.end()) {
        auto statement = std::make_unique<Statement>(Statement{QSqlQuery(m_db), false});
        statement->query.setForwardOnly(m_backend->streamsRows());
        if (!statement->query.prepare(sql))
            raise(statement->query.lastError(), sql);
        it = m_statements.emplace(sql, std::move(statement)).first;
    }
    auto bindAndRun = [&](QSqlQuery& q) {
        ++m_statementCount;
        int i = 0;
        for (const QVariant& p : params) {
            // Qt binds a null QString as NULL; an empty code is text here, and NULL is asked
            // for with QVariant().
            if (p.typeId() == QMetaType::QString && p.toString().isNull())
                q.bindValue(i++, QStringLiteral(""));
            else
                q.bindValue(i++, p);
        }
        if (!q.exec())
            raise(q.lastError(), sql);
    };
    Statement& kept = *it->second;
    if (!kept.inUse) {
        Rows rows(kept);
        bindAndRun(kept.query);
        return rows;
    }
    auto own = std::make_unique<QSqlQuery>(m_db);
    own->setForwardOnly(m_backend->streamsRows());
    if (!own->prepare(sql))
        raise(own->lastError(), sql);
    bindAndRun(*own);
    return Rows(std::move(own));
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

Rows::Rows(Database::Statement& kept) : m_query(&kept.query), m_kept(&kept) {
    kept.inUse = true;
}

Rows::Rows(std::unique_ptr<QSqlQuery> own) : m_query(own.get()), m_own(std::move(own)) {}

Rows::Rows(Rows&& other) noexcept
    : m_query(std::exchange(other.m_query, nullptr)), m_kept(std::exchange(other.m_kept, nullptr)),
      m_own(std::move(other.m_own)) {}

Rows::~Rows() {
    if (m_query)
        m_query->finish();
    if (m_kept)
        m_kept->inUse = false;
}

QStringList Rows::columnNames() const {
    const QSqlRecord record = m_query->record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i).toUpper();
    return names;
}

QDate Rows::date(int column) const {
    const QVariant value = m_query->value(column);
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    return QDate::fromString(value.toString(), Qt::ISODate);
}

QDateTime Rows::moment(int column) const {
    const QVariant value = m_query->value(column);
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
    return date.toString(Qt::ISODate);
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
