#include "server/db/database.h"

#include "contracts/host_framework.h"
#include "server/db/schema.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlError>
#include <QSqlRecord>

#include <atomic>

Q_LOGGING_CATEGORY(lcDatabase, "apurfat.server.db", QtInfoMsg)

namespace server {
namespace {

// SQLite's result codes for a lock held by another connection.
bool isBusy(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6");
}

[[noreturn]] void raise(const QSqlError& error, const QString& sql) {
    qCWarning(lcDatabase).noquote() << "SQL failed:" << error.text() << "in" << sql.simplified();
    if (isBusy(error))
        throw EDatabaseError(QStringLiteral("O banco de dados está ocupado por outra operação; "
                                            "tente novamente em instantes."));
    throw EDatabaseError(
        QStringLiteral("Erro no banco de dados: %1")
            .arg(error.databaseText().isEmpty() ? error.text() : error.databaseText()));
}

QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("apurfat-server-%1").arg(++counter);
}

} // namespace

Database::Database(const QString& path, Mode mode) : m_path(path), m_name(nextConnectionName()) {
    if (mode == Mode::OpenExisting && !QFileInfo::exists(path))
        throw EDatabaseError(QStringLiteral("Banco de dados não encontrado: %1.").arg(path));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(path);
    if (!m_db.open()) {
        const QString text = m_db.lastError().text();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw EDatabaseError(
            QStringLiteral("Não foi possível abrir o banco de dados %1: %2").arg(path, text));
    }
    try {
        // The busy timeout must be in place before the journal mode changes: switching to
        // WAL needs a moment of exclusive access that another connection may be holding.
        execOnce(QStringLiteral("PRAGMA busy_timeout = 5000"));
        const QString journal = scalar(QStringLiteral("PRAGMA journal_mode = WAL")).toString();
        if (journal.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            throw EDatabaseError(
                QStringLiteral("O banco de dados %1 não aceita o modo WAL.").arg(path));
        execOnce(QStringLiteral("PRAGMA synchronous = FULL"));
        execOnce(QStringLiteral("PRAGMA foreign_keys = ON"));
        prepareSchema(*this, mode == Mode::CreateIfMissing);
    } catch (...) {
        m_statements.clear();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw;
    }
}

Database::~Database() {
    m_statements.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

Rows Database::run(const QString& sql, std::span<const QVariant> params) {
    auto it = m_statements.find(sql);
    if (it == m_statements.end()) {
        auto statement = std::make_unique<Statement>(Statement{QSqlQuery(m_db), false});
        statement->query.setForwardOnly(true);
        if (!statement->query.prepare(sql))
            raise(statement->query.lastError(), sql);
        it = m_statements.emplace(sql, std::move(statement)).first;
    }
    auto bindAndRun = [&](QSqlQuery& q) {
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
    own->setForwardOnly(true);
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
    QSqlQuery q(m_db);
    if (!q.exec(sql))
        raise(q.lastError(), sql);
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
        names << record.fieldName(i);
    return names;
}

QDate Rows::date(int column) const {
    return QDate::fromString(m_query->value(column).toString(), Qt::ISODate);
}

Transaction::Transaction(Database& db) : m_db(db), m_level(db.m_transactionDepth) {
    m_db.exec(m_level == 0 ? QStringLiteral("BEGIN IMMEDIATE")
                           : QStringLiteral("SAVEPOINT ") + savepoint());
    ++m_db.m_transactionDepth;
}

Transaction::~Transaction() {
    if (!m_open)
        return;
    --m_db.m_transactionDepth;
    try {
        if (m_level == 0) {
            m_db.exec(QStringLiteral("ROLLBACK"));
        } else {
            m_db.exec(QStringLiteral("ROLLBACK TO ") + savepoint());
            m_db.exec(QStringLiteral("RELEASE ") + savepoint());
        }
    } catch (const std::exception& e) {
        qCWarning(lcDatabase) << "rollback failed:" << e.what();
    }
}

void Transaction::commit() {
    m_db.exec(m_level == 0 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE ") + savepoint());
    m_open = false;
    --m_db.m_transactionDepth;
}

QString Transaction::savepoint() const {
    return QStringLiteral("nivel%1").arg(m_level);
}

QString isoDate(QDate date) {
    return date.toString(Qt::ISODate);
}

} // namespace server
