#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The field types of a client data set and of the data packets that fill it.
enum TFieldType { ftString, ftFixedChar, ftDateTime, ftFloat, ftInteger, ftBoolean };

// The data-set states the screens test by name.
enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// The packet type names ("string", "fixedstring", "datetime", "float", "integer",
// "boolean") and back; an unknown name gives nothing.
QString fieldTypeName(TFieldType type);
std::optional<TFieldType> fieldTypeFromName(const QString& name);

// Date-time values are whole days or day and time, without a time zone: they are kept as
// UTC QDateTime so that no daylight-saving gap can make a midnight invalid.
QDateTime dateTimeOf(QDate date, QTime time = QTime(0, 0));

// The desktop library's zero date-time (30/12/1899 00:00): what an unset date reads as.
QDateTime zeroDateTime();
