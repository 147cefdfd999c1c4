#include "framework/data/field_type.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<TFieldType, const char*>, 6> kNames{{
    {ftString, "string"},
    {ftFixedChar, "fixedstring"},
    {ftDateTime, "datetime"},
    {ftFloat, "float"},
    {ftInteger, "integer"},
    {ftBoolean, "boolean"},
}};
} // namespace

QString fieldTypeName(TFieldType type) {
    for (const auto& [t, name] : kNames)
        if (t == type)
            return QString::fromLatin1(name);
    return {};
}

std::optional<TFieldType> fieldTypeFromName(const QString& name) {
    for (const auto& [t, n] : kNames)
        if (name == QLatin1String(n))
            return t;
    return std::nullopt;
}

QDateTime dateTimeOf(QDate date, QTime time) {
    return QDateTime(date, time, Qt::UTC);
}

QDateTime zeroDateTime() {
    return dateTimeOf(QDate(1899, 12, 30));
}
