#include "framework/components/query.h"

#include "contracts/host_framework.h"
#include "framework/components/db_geral.h"
#include "framework/components/sqlite_functions.h"
#include "framework/data/packet.h"
#include "framework/data/text_format.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <optional>

namespace {

// The parameter names of a text, in order of first use; quoted literals and "::" casts
// hold none.
QStringList placeholders(const QString& sql) {
    static const QRegularExpression literals(QStringLiteral("'(?:[^']|'')*'"));
    static const QRegularExpression names(QStringLiteral("(?<![:\\w]):([A-Za-z_]\\w*)"));
    QString text = sql;
    text.replace(literals, QStringLiteral("''"));
    QStringList out;
    for (const QRegularExpressionMatch& m : names.globalMatch(text)) {
        const QString name = m.captured(1);
        if (!out.contains(name, Qt::CaseInsensitive))
            out.append(name);
    }
    return out;
}

// " (qryFilial)" after a message, so that a clerk's report names the query.
QString which(const TClientDataSet& dataSet) {
    return dataSet.Name().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(dataSet.Name());
}

[[noreturn]] void fail(const TClientDataSet& dataSet, const QSqlError& error) {
    throw EDatabaseError(QStringLiteral("Erro ao consultar o banco de dados%1.\n%2")
                             .arg(which(dataSet), error.text().trimmed()));
}

std::optional<TFieldType> typeOfColumn(QMetaType type) {
    switch (type.id()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return ftString;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        return ftInteger;
    case QMetaType::Double:
    case QMetaType::Float:
        return ftFloat;
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return ftDateTime;
    case QMetaType::Bool:
        return ftBoolean;
    default:
        return std::nullopt;
    }
}

// A column's value as its field's type; nullopt when it does not convert.
std::optional<QVariant> valueAs(const QVariant& v, TFieldType type) {
    bool ok = true;
    switch (type) {
    case ftString:
    case ftFixedChar:
        return QVariant(v.toString());
    case ftFloat: {
        const double d = v.toDouble(&ok);
        return ok ? std::optional(QVariant(d)) : std::nullopt;
    }
    case ftInteger: {
        const int i = v.toInt(&ok);
        return ok ? std::optional(QVariant(i)) : std::nullopt;
    }
    case ftBoolean:
        return QVariant(v.toBool());
    case ftDateTime: {
        if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate)
            return v;
        const QDateTime dt = textformat::parseIsoDateTime(v.toString());
        return dt.isValid() ? std::optional(QVariant(dt)) : std::nullopt;
    }
    }
    return std::nullopt;
}

QVariant bindable(const QVariant& value) {
    // QtSql binds a null QString as NULL; an empty text must stay a text.
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return QVariant(QString(QLatin1String("")));
    return value;
}

} // namespace

void TParam::SetAsString(const QString& value) {
    m_value = bindable(QVariant(value));
}

TADOIBQuery::TADOIBQuery(QString name) : m_dataSet(std::move(name)) {}

TParam* TADOIBQuery::findParam(const QString& name) const {
    for (const auto& p : m_params)
        if (p->Name().compare(name, Qt::CaseInsensitive) == 0)
            return p.get();
    return nullptr;
}

TParam& TADOIBQuery::ParamByName(const QString& name) {
    if (TParam* p = findParam(name))
        return *p;
    for (const QStringList* text : {&SQL, &SQL_ORACLE, &SQL_MSSQL, &SQL_IB}) {
        if (placeholders(text->join(QLatin1Char('\n'))).contains(name, Qt::CaseInsensitive)) {
            m_params.push_back(std::make_unique<TParam>(name));
            return *m_params.back();
        }
    }
    throw EDatabaseError(
        QStringLiteral("Parâmetro '%1' não encontrado%2.").arg(name, which(m_dataSet)));
}

const QStringList& TADOIBQuery::TextFor(const QString& driverName) const {
    const QStringList* text = &SQL;
    if (driverName == QLatin1String("QOCI") || driverName == QLatin1String("QSQLITE"))
        text = &SQL_ORACLE;
    else if (driverName == QLatin1String("QODBC") || driverName == QLatin1String("QTDS"))
        text = &SQL_MSSQL;
    else if (driverName == QLatin1String("QIBASE"))
        text = &SQL_IB;
    return text->isEmpty() ? SQL : *text;
}

void TADOIBQuery::Open() {
    if (Active())
        return;
    QSqlDatabase db = dtmDBGeral::Database();
    if (!db.isValid() || !db.isOpen())
        throw EDatabaseError(QStringLiteral("A conexão com o banco de dados não está aberta%1.")
                                 .arg(which(m_dataSet)));
    if (db.driverName() == QLatin1String("QSQLITE"))
        ensureSqliteFunctions(db);

    const QString text = TextFor(db.driverName()).join(QLatin1Char('\n'));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(text))
        fail(m_dataSet, query.lastError());
    for (const QString& name : placeholders(text)) {
        const TParam* p = findParam(name);
        query.bindValue(QLatin1Char(':') + name, p ? bindable(p->Value()) : QVariant());
    }
    if (!query.exec())
        fail(m_dataSet, query.lastError());

    // The declared fields, each filled from the column of its name.
    const QSqlRecord record = query.record();
    packet::Table table;
    QList<int> columns;
    if (m_dataSet.FieldCount() > 0) {
        for (int i = 0; i < m_dataSet.FieldCount(); ++i) {
            const TField& f = m_dataSet.Field(i);
            const int column = record.indexOf(f.FieldName());
            if (column < 0)
                throw EDatabaseError(QStringLiteral("A consulta%1 não traz o campo '%2'.")
                                         .arg(which(m_dataSet), f.FieldName()));
            table.fields.append({f.FieldName(), f.DataType(), f.Size(), f.Origin()});
            columns.append(column);
        }
    } else {
        for (int column = 0; column < record.count(); ++column) {
            const QSqlField c = record.field(column);
            table.fields.append({c.name(), typeOfColumn(c.metaType()).value_or(ftString), 0, {}});
            columns.append(column);
        }
    }
    while (query.next()) {
        QVariantList row;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (query.isNull(columns.at(i))) {
                row.append(QVariant());
                continue;
            }
            const packet::FieldDesc& field = table.fields.at(i);
            const std::optional<QVariant> v = valueAs(query.value(columns.at(i)), field.type);
            if (!v)
                throw EDatabaseError(QStringLiteral("Valor inválido no campo '%1'%2.")
                                         .arg(field.name, which(m_dataSet)));
            row.append(*v);
        }
        table.rows.append(row);
    }
    if (query.lastError().isValid())
        fail(m_dataSet, query.lastError());
    m_dataSet.SetData(packet::make(table));
}
