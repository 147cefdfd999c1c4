#include "framework/net/wire_codec.h"

#include "framework/data/packet.h"
#include "framework/data/text_format.h"

#include <QJsonArray>
#include <QJsonObject>

namespace wire {

QJsonValue toJson(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QJsonValue(QJsonValue::Null);
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return textformat::isoDateTime(value.toDateTime());
    case QMetaType::QDate:
        return textformat::isoDate(value.toDate());
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toLongLong();
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QJsonArray a;
        for (const QVariant& v : value.toList())
            a.append(toJson(v));
        return a;
    }
    case QMetaType::QVariantMap: {
        QJsonObject o;
        const QVariantMap m = value.toMap();
        for (auto it = m.cbegin(); it != m.cend(); ++it)
            o.insert(it.key(), toJson(it.value()));
        return o;
    }
    default:
        return QJsonValue::fromVariant(value);
    }
}

QVariant fromJson(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        return {};
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double:
        return value.toDouble();
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array: {
        const QJsonArray a = value.toArray();
        QVariantList list;
        list.reserve(a.size());
        for (const QJsonValue& v : a)
            list.append(fromJson(v));
        return list;
    }
    case QJsonValue::Object: {
        const QJsonObject o = value.toObject();
        QVariantMap map;
        for (auto it = o.constBegin(); it != o.constEnd(); ++it)
            map.insert(it.key(), fromJson(it.value()));
        return map;
    }
    }
    return {};
}

bool convertLike(const QVariant& model, const QVariant& value, QVariant& out) {
    const int type = model.typeId();
    if (value.isNull() || !value.isValid()) {
        out = model.isValid() ? QVariant(model.metaType()) : QVariant();
        return true;
    }
    TFieldType fieldType;
    switch (type) {
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        fieldType = ftDateTime;
        break;
    case QMetaType::QString:
        fieldType = ftString;
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        fieldType = ftFloat;
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
        fieldType = ftInteger;
        break;
    case QMetaType::Bool:
        fieldType = ftBoolean;
        break;
    default:
        // Packets and anything without a scalar type of its own travel as they are.
        out = value;
        return true;
    }
    QVariant normalized;
    if (!packet::normalize(value, fieldType, normalized))
        return false;
    if (type == QMetaType::QDate)
        normalized = normalized.toDateTime().date();
    else if (type == QMetaType::LongLong)
        normalized = normalized.toLongLong();
    else if (type == QMetaType::Float)
        normalized = normalized.toFloat();
    out = std::move(normalized);
    return true;
}

} // namespace wire
