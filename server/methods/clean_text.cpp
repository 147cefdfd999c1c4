#include "server/methods/clean_text.h"

#include <QVariantList>
#include <QVariantMap>

namespace server {
namespace {

QString codePoint(char16_t unit) {
    return QStringLiteral("U+%1").arg(unsigned(unit), 4, 16, QLatin1Char('0')).toUpper();
}

// The column of each value of a row, from the packet's field list; -1 when there is none.
int columnOf(const QVariantMap& packet, const char* name) {
    if (!name)
        return -1;
    const QVariantList fields = packet.value(QStringLiteral("fields")).toList();
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (fields.at(i).toMap().value(QStringLiteral("name")).toString() == QLatin1String(name))
            return int(i);
    return -1;
}

std::optional<QString> rowFault(const QVariant& row, int freeColumn) {
    if (row.typeId() != QMetaType::QVariantList)
        return textFaultIn(row, LineBreaks::Refused);
    const QVariantList values = row.toList();
    for (qsizetype i = 0; i < values.size(); ++i)
        if (auto fault = textFaultIn(values.at(i),
                                     i == freeColumn ? LineBreaks::Allowed : LineBreaks::Refused))
            return fault;
    return std::nullopt;
}

std::optional<QString> changeFault(const QVariant& change, int freeColumn) {
    if (change.typeId() != QMetaType::QVariantMap)
        return textFaultIn(change, LineBreaks::Refused);
    const QVariantMap sides = change.toMap();
    for (auto it = sides.cbegin(); it != sides.cend(); ++it) {
        if (auto fault = textFault(it.key(), LineBreaks::Refused))
            return fault;
        const bool row = it.key() == QLatin1String("old") || it.key() == QLatin1String("new");
        if (auto fault = row ? rowFault(it.value(), freeColumn)
                             : textFaultIn(it.value(), LineBreaks::Refused))
            return fault;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> textFault(QStringView text, LineBreaks breaks) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return QStringLiteral("contém metade de um par substituto UTF-16 (%1), que não é "
                                  "um caractere")
                .arg(codePoint(c.unicode()));
        if (c.unicode() == 0)
            return QStringLiteral("contém o caractere nulo (U+0000)");
        if (c.category() != QChar::Other_Control)
            continue;
        if (breaks == LineBreaks::Allowed && (c == u'\t' || c == u'\n'))
            continue;
        return QStringLiteral("contém o caractere de controle %1").arg(codePoint(c.unicode()));
    }
    return std::nullopt;
}

std::optional<QString> textFaultIn(const QVariant& value, LineBreaks breaks) {
    switch (value.typeId()) {
    case QMetaType::QString:
        return textFault(value.toString(), breaks);
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        for (const QVariant& item : value.toList())
            if (auto fault = textFaultIn(item, breaks))
                return fault;
        return std::nullopt;
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (auto fault = textFault(it.key(), LineBreaks::Refused))
                return fault;
            if (auto fault = textFaultIn(it.value(), breaks))
                return fault;
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> packetTextFault(const QVariant& packet, const char* freeTextColumn) {
    if (packet.typeId() != QMetaType::QVariantMap)
        return textFaultIn(packet, LineBreaks::Refused);
    const QVariantMap map = packet.toMap();
    const int freeColumn = columnOf(map, freeTextColumn);
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (auto fault = textFault(it.key(), LineBreaks::Refused))
            return fault;
        const bool rows = it.key() == QLatin1String("rows");
        const bool changes = it.key() == QLatin1String("changes");
        if ((!rows && !changes) || it.value().typeId() != QMetaType::QVariantList) {
            if (auto fault = textFaultIn(it.value(), LineBreaks::Refused))
                return fault;
            continue;
        }
        for (const QVariant& item : it.value().toList())
            if (auto fault = rows ? rowFault(item, freeColumn) : changeFault(item, freeColumn))
                return fault;
    }
    return std::nullopt;
}

QString shortened(const QString& text, qsizetype most) {
    return text.size() <= most ? text : text.left(most) + QStringLiteral("…");
}

} // namespace server
