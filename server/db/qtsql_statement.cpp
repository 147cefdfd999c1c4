#include "server/db/prepared_statement.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace server {
namespace {

class QtSqlStatement final : public PreparedStatement {
public:
    QtSqlStatement(const QSqlDatabase& db, bool streamsRows) : m_query(db) {
        m_query.setForwardOnly(streamsRows);
    }

    bool prepare(const QString& sql) { return m_query.prepare(sql); }

    bool run(std::span<const QVariant> params) override {
        int i = 0;
        for (const QVariant& p : params) {
            // Qt binds a null QString as NULL; an empty code is text here, and NULL is
            // asked for with QVariant().
            if (p.typeId() == QMetaType::QString && p.toString().isNull())
                m_query.bindValue(i++, QStringLiteral(""));
            else
                m_query.bindValue(i++, p);
        }
        return m_query.exec();
    }
    bool next() override { return m_query.next(); }
    bool failed() const override { return m_query.lastError().isValid(); }
    QSqlError lastError() const override { return m_query.lastError(); }
    QVariant value(int column) const override { return m_query.value(column); }
    bool isNull(int column) const override { return m_query.isNull(column); }
    int rowsAffected() const override { return m_query.numRowsAffected(); }
    QStringList columnNames() const override {
        const QSqlRecord record = m_query.record();
        QStringList names;
        for (int i = 0; i < record.count(); ++i)
            names << record.fieldName(i);
        return names;
    }
    void finish() override { m_query.finish(); }

private:
    QSqlQuery m_query;
};

} // namespace

std::unique_ptr<PreparedStatement> prepareWithQtSql(const QSqlDatabase& db, const QString& sql,
                                                    bool streamsRows, QSqlError& error) {
    auto statement = std::make_unique<QtSqlStatement>(db, streamsRows);
    if (statement->prepare(sql))
        return statement;
    error = statement->lastError();
    return nullptr;
}

} // namespace server
