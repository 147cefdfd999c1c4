#include "server/audit/audit_json.h"

#include "framework/data/text_format.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>

namespace server {
namespace {

void appendString(QByteArray& out, QStringView text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    qsizetype plain = 0; // start of the run of bytes that need no escape
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = uchar(utf8.at(i));
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(utf8.constData() + plain, i - plain);
        plain = i + 1;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        }
    }
    out.append(utf8.constData() + plain, utf8.size() - plain);
    out += '"';
}

void appendNumber(QByteArray& out, double d) {
    if (!std::isfinite(d)) {
        out += "null";
        return;
    }
    // Whole numbers as integers, as JSON writers commonly do.
    constexpr double kExact = 9007199254740992.0; // 2^53
    if (d == std::trunc(d) && std::fabs(d) < kExact)
        out += QByteArray::number(qint64(d));
    else
        out += QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
}

void appendValue(QByteArray& out, const QVariant& value) {
    if (value.isNull()) {
        out += "null";
        return;
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        appendString(out, value.toString());
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        out += QByteArray::number(value.toLongLong());
        return;
    case QMetaType::Double:
        appendNumber(out, value.toDouble());
        return;
    case QMetaType::Bool:
        out += value.toBool() ? "true" : "false";
        return;
    case QMetaType::QDate:
        appendString(out, textformat::isoDate(value.toDate()));
        return;
    case QMetaType::QDateTime:
        appendString(out, value.toDateTime().toUTC().toString(Qt::ISODate));
        return;
    default: {
        // Nothing the audited tables hold today: Qt's own conversion, whatever it is.
        const QByteArray wrapped = QJsonDocument(QJsonArray{QJsonValue::fromVariant(value)})
                                       .toJson(QJsonDocument::Compact);
        out.append(wrapped.constData() + 1, wrapped.size() - 2);
    }
    }
}

} // namespace

QString auditJson(const AuditSide& side) {
    QByteArray out;
    out += '{';
    bool firstTable = true;
    for (const auto& [name, table] : side) {
        if (!std::exchange(firstTable, false))
            out += ',';
        appendString(out, name);
        out += ":[";
        // The column names are the same in every row: escaped once.
        QList<QByteArray> keys;
        for (const QString& column : table.columns) {
            QByteArray key;
            appendString(key, column);
            keys.append(key + ':');
        }
        for (qsizetype r = 0; r < table.rows.size(); ++r) {
            out += r == 0 ? "{" : ",{";
            const QVariantList& row = table.rows.at(r);
            for (qsizetype c = 0; c < keys.size(); ++c) {
                if (c > 0)
                    out += ',';
                out += keys.at(c);
                appendValue(out, row.at(c));
            }
            out += '}';
        }
        out += ']';
    }
    out += '}';
    return QString::fromUtf8(out);
}

} // namespace server
