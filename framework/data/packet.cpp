#include "framework/data/packet.h"

#include "contracts/host_framework.h"
#include "framework/data/text_format.h"

#include <cmath>
#include <functional>

namespace packet {
namespace {

[[noreturn]] void fail(const QString& what) {
    throw EDatabaseError(QStringLiteral("Pacote de dados inválido: %1").arg(what));
}

const char* kindName(Change::Kind kind) {
    switch (kind) {
    case Change::Insert:
        return "insert";
    case Change::Update:
        return "update";
    case Change::Delete:
        return "delete";
    }
    return "";
}

QVariantList encodeFields(const QList<FieldDesc>& fields) {
    QVariantList out;
    out.reserve(fields.size());
    for (const FieldDesc& f : fields) {
        QVariantMap m{{QStringLiteral("name"), f.name},
                      {QStringLiteral("type"), fieldTypeName(f.type)},
                      {QStringLiteral("size"), f.size}};
        if (!f.origin.isEmpty())
            m.insert(QStringLiteral("origin"), f.origin);
        out.append(m);
    }
    return out;
}

QList<FieldDesc> decodeFields(const QVariantMap& map) {
    const QVariant fieldsValue = map.value(QStringLiteral("fields"));
    if (fieldsValue.typeId() != QMetaType::QVariantList)
        fail(QStringLiteral("a lista de campos está ausente."));
    QList<FieldDesc> fields;
    for (const QVariant& v : fieldsValue.toList()) {
        const QVariantMap m = v.toMap();
        const QString name = m.value(QStringLiteral("name")).toString();
        const auto type = fieldTypeFromName(m.value(QStringLiteral("type")).toString());
        if (v.typeId() != QMetaType::QVariantMap || name.isEmpty())
            fail(QStringLiteral("campo %1 sem nome.").arg(fields.size() + 1));
        if (!type)
            fail(QStringLiteral("o campo '%1' tem um tipo desconhecido.").arg(name));
        if (indexOf(fields, name) >= 0)
            fail(QStringLiteral("o campo '%1' aparece duas vezes.").arg(name));
        fields.append({name, *type, m.value(QStringLiteral("size")).toInt(),
                       m.value(QStringLiteral("origin")).toString()});
    }
    return fields;
}

QVariantList decodeRow(const QVariant& value, const QList<FieldDesc>& fields,
                       const std::function<QString()>& whereText) {
    if (value.typeId() != QMetaType::QVariantList)
        fail(QStringLiteral("%1 não é uma lista de valores.").arg(whereText()));
    const QVariantList& in = *static_cast<const QVariantList*>(value.constData());
    if (in.size() != fields.size())
        fail(QStringLiteral("%1 tem %2 valores para %3 campos.")
                 .arg(whereText())
                 .arg(in.size())
                 .arg(fields.size()));
    QVariantList row;
    row.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        QVariant out;
        if (!normalize(in.at(i), fields.at(i).type, out))
            fail(QStringLiteral("%1: o valor '%2' não serve ao campo '%3' (%4).")
                     .arg(whereText(), in.at(i).toString(), fields.at(i).name,
                          fieldTypeName(fields.at(i).type)));
        row.append(std::move(out));
    }
    return row;
}

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

} // namespace

int indexOf(const QList<FieldDesc>& fields, const QString& name) {
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

bool normalize(const QVariant& in, TFieldType type, QVariant& out) {
    if (in.isNull() || !in.isValid()) {
        out = QVariant();
        return true;
    }
    switch (type) {
    case ftString:
    case ftFixedChar:
        if (in.typeId() != QMetaType::QString)
            return false;
        out = in;
        return true;
    case ftDateTime:
        if (in.typeId() == QMetaType::QDateTime) {
            const QDateTime dt = in.toDateTime();
            out = dt.timeSpec() == Qt::UTC ? dt : dateTimeOf(dt.date(), dt.time());
            return dt.isValid();
        }
        if (in.typeId() == QMetaType::QDate) {
            out = dateTimeOf(in.toDate());
            return in.toDate().isValid();
        }
        if (in.typeId() == QMetaType::QString) {
            const QDateTime dt = textformat::parseIsoDateTime(in.toString());
            out = dt;
            return dt.isValid();
        }
        return false;
    case ftFloat:
        if (!isNumber(in))
            return false;
        out = in.toDouble();
        return std::isfinite(out.toDouble());
    case ftInteger: {
        if (!isNumber(in))
            return false;
        const double d = in.toDouble();
        if (d != std::floor(d) || std::fabs(d) > 2147483647.0)
            return false;
        out = int(d);
        return true;
    }
    case ftBoolean:
        if (in.typeId() != QMetaType::Bool)
            return false;
        out = in;
        return true;
    }
    return false;
}

QList<QVariantMap> rowMaps(const QVariant& value) {
    const Table table = decode(value);
    QList<QVariantMap> rows;
    rows.reserve(table.rows.size());
    for (const QVariantList& r : table.rows) {
        QVariantMap row;
        for (qsizetype i = 0; i < table.fields.size(); ++i)
            row.insert(table.fields.at(i).name, r.at(i));
        rows.append(row);
    }
    return rows;
}

QVariantMap make(const Table& table) {
    QVariantList rows;
    rows.reserve(table.rows.size());
    for (const QVariantList& r : table.rows)
        rows.append(QVariant(r));
    return {{QStringLiteral("fields"), encodeFields(table.fields)}, {QStringLiteral("rows"), rows}};
}

QVariantMap makeDelta(const ChangeSet& delta) {
    QVariantList changes;
    for (const Change& c : delta.changes) {
        changes.append(QVariantMap{
            {QStringLiteral("kind"), QString::fromLatin1(kindName(c.kind))},
            {QStringLiteral("old"), c.kind == Change::Insert ? QVariant() : QVariant(c.oldValues)},
            {QStringLiteral("new"),
             c.kind == Change::Delete ? QVariant() : QVariant(c.newValues)}});
    }
    return {{QStringLiteral("fields"), encodeFields(delta.fields)},
            {QStringLiteral("changes"), changes}};
}

Table decode(const QVariant& value) {
    if (value.typeId() != QMetaType::QVariantMap)
        fail(QStringLiteral("esperava-se um objeto com campos e linhas."));
    const QVariantMap map = value.toMap();
    Table table;
    table.fields = decodeFields(map);
    const QVariant rowsValue = map.value(QStringLiteral("rows"));
    if (rowsValue.typeId() != QMetaType::QVariantList)
        fail(QStringLiteral("a lista de linhas está ausente."));
    const QVariantList rows = rowsValue.toList();
    table.rows.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        table.rows.append(decodeRow(rows.at(i), table.fields,
                                    [i] { return QStringLiteral("a linha %1").arg(i + 1); }));
    return table;
}

ChangeSet decodeDelta(const QVariant& value) {
    if (value.typeId() != QMetaType::QVariantMap)
        fail(QStringLiteral("esperava-se um objeto com campos e alterações."));
    const QVariantMap map = value.toMap();
    ChangeSet delta;
    delta.fields = decodeFields(map);
    const QVariant changesValue = map.value(QStringLiteral("changes"));
    if (changesValue.typeId() != QMetaType::QVariantList)
        fail(QStringLiteral("a lista de alterações está ausente."));
    const QVariantList changes = changesValue.toList();
    for (qsizetype i = 0; i < changes.size(); ++i) {
        const auto where = [i] { return QStringLiteral("a alteração %1").arg(i + 1); };
        const QVariantMap c = changes.at(i).toMap();
        const QString kind = c.value(QStringLiteral("kind")).toString();
        Change change;
        if (kind == QLatin1String("insert"))
            change.kind = Change::Insert;
        else if (kind == QLatin1String("update"))
            change.kind = Change::Update;
        else if (kind == QLatin1String("delete"))
            change.kind = Change::Delete;
        else
            fail(QStringLiteral("%1 tem um tipo desconhecido ('%2').").arg(where(), kind));
        if (change.kind != Change::Insert)
            change.oldValues = decodeRow(c.value(QStringLiteral("old")), delta.fields, where);
        if (change.kind != Change::Delete)
            change.newValues = decodeRow(c.value(QStringLiteral("new")), delta.fields, where);
        delta.changes.append(std::move(change));
    }
    return delta;
}

} // namespace packet
