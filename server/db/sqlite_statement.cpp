#include "server/db/prepared_statement.h"

#include "framework/data/text_format.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlDriver>

#include <sqlite3.h>

namespace server {
namespace {

sqlite3* handleOf(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

QSqlError errorOf(sqlite3* db, QSqlError::ErrorType type) {
    // The primary code, as QtSql's driver reports it: the back end tells a busy database by it.
    return QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(db)), type,
                     QString::number(sqlite3_extended_errcode(db) & 0xff));
}

int bindText(sqlite3_stmt* statement, int at, const QByteArray& text) {
    return sqlite3_bind_text(statement, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

// A value as QtSql's SQLite driver binds it, so that both roads store the same.
int bind(sqlite3_stmt* statement, int at, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return sqlite3_bind_null(statement, at);
    case QMetaType::QString:
        // An empty code is text here; NULL is asked for with QVariant().
        return bindText(statement, at, static_cast<const QString*>(value.constData())->toUtf8());
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return sqlite3_bind_int64(statement, at, value.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(statement, at, value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        if (bytes.isNull())
            return sqlite3_bind_null(statement, at);
        return sqlite3_bind_blob(statement, at, bytes.constData(), int(bytes.size()),
                                 SQLITE_TRANSIENT);
    }
    }
    // A day or moment that is none is NULL, as QtSql takes it.
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().isNull()
                   ? sqlite3_bind_null(statement, at)
                   : bindText(statement, at, textformat::isoDate(value.toDate()).toLatin1());
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().isNull()
                   ? sqlite3_bind_null(statement, at)
                   : bindText(statement, at,
                              value.toDateTime().toString(Qt::ISODateWithMs).toLatin1());
    return value.isNull() ? sqlite3_bind_null(statement, at)
                          : bindText(statement, at, value.toString().toUtf8());
}

class SqliteStatement final : public PreparedStatement {
public:
    SqliteStatement(sqlite3* db, sqlite3_stmt* statement) : m_db(db), m_statement(statement) {}
    ~SqliteStatement() override { sqlite3_finalize(m_statement); }

    bool run(std::span<const QVariant> params) override {
        sqlite3_reset(m_statement);
        m_error = QSqlError();
        int at = 1;
        for (const QVariant& p : params)
            if (bind(m_statement, at++, p) != SQLITE_OK)
                return fail(QSqlError::StatementError);
        // Stepped once here, as QtSql does: a failing write fails in the run, and a read
        // finds out whether it has a first row.
        const int rc = sqlite3_step(m_statement);
        m_firstRowWaits = rc == SQLITE_ROW;
        m_changes = sqlite3_changes(m_db);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return fail(QSqlError::StatementError);
        m_onRow = false;
        return true;
    }

    bool next() override {
        if (m_firstRowWaits) {
            m_firstRowWaits = false;
            m_onRow = true;
            return true;
        }
        if (!m_onRow)
            return false;
        const int rc = sqlite3_step(m_statement);
        m_onRow = rc == SQLITE_ROW;
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail(QSqlError::StatementError);
        return m_onRow;
    }

    bool failed() const override { return m_error.isValid(); }
    QSqlError lastError() const override { return m_error; }

    QVariant value(int column) const override {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_INTEGER:
            return qint64(sqlite3_column_int64(m_statement, column));
        case SQLITE_FLOAT:
            return sqlite3_column_double(m_statement, column);
        case SQLITE_NULL:
            return QVariant(QMetaType::fromType<QString>());
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_statement, column)),
                              sqlite3_column_bytes(m_statement, column));
        default: {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
            return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column));
        }
        }
    }
    bool isNull(int column) const override {
        return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
    }
    int rowsAffected() const override { return m_changes; }
    QStringList columnNames() const override {
        QStringList names;
        for (int i = 0; i < sqlite3_column_count(m_statement); ++i)
            names << QString::fromUtf8(sqlite3_column_name(m_statement, i));
        return names;
    }
    void finish() override {
        m_firstRowWaits = m_onRow = false;
        sqlite3_reset(m_statement);
    }

private:
    bool fail(QSqlError::ErrorType type) {
        m_error = errorOf(m_db, type);
        m_firstRowWaits = m_onRow = false;
        sqlite3_reset(m_statement);
        return false;
    }

    sqlite3* m_db;
    sqlite3_stmt* m_statement;
    QSqlError m_error;
    bool m_firstRowWaits = false;
    bool m_onRow = false;
    int m_changes = 0;
};

} // namespace

qint64 sqliteRowsChanged(const QSqlDatabase& db) {
    sqlite3* handle = handleOf(db);
    return handle ? sqlite3_total_changes64(handle) : -1;
}

std::unique_ptr<PreparedStatement> prepareWithSqlite(const QSqlDatabase& db, const QString& sql,
                                                     QSqlError& error) {
    sqlite3* handle = handleOf(db);
    if (!handle) {
        error = QSqlError(QStringLiteral("A conexão não é do SQLite."), QString(),
                          QSqlError::ConnectionError);
        return nullptr;
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(handle, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement, nullptr) != SQLITE_OK) {
        error = errorOf(handle, QSqlError::StatementError);
        sqlite3_finalize(statement);
        return nullptr;
    }
    return std::make_unique<SqliteStatement>(handle, statement);
}

} // namespace server
