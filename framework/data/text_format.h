#pragma once

// Conversions between values and the texts a Brazilian clerk reads and types: decimal
// comma, thousands point, dd/mm/yyyy dates. Conversion failures raise EConvertError with
// a Portuguese message.

#include <QDateTime>
#include <QString>

namespace textformat {

// FormatFloat with a desktop-library pattern ("#,##0.000"): '0' a required digit, '#' an
// optional one, ',' thousands grouping, '.' the decimal point, ';' separates the positive,
// negative and zero sections, quoted text is literal. Output uses "." for thousands and
// "," for decimals: 1234.5 with "#,##0.000" gives "1.234,500".
QString formatFloat(const QString& pattern, double value);

// FloatToStr: up to 15 significant digits, decimal comma, no grouping ("3,333", "10").
QString floatToStr(double value);

// StrToFloat: accepts a decimal comma (with optional thousands points) or a single decimal
// point; surrounding blanks are ignored.
double strToFloat(const QString& text);
int strToInt(const QString& text);

// dd/mm/yyyy, with " hh:mm:ss" when the value carries a time of day.
QString dateTimeToStr(const QDateTime& value);
// Parses dd/mm/yyyy (optionally followed by hh:mm[:ss]); raises on an impossible date.
QDateTime strToDateTime(const QString& text);

// Fast parse of the wire form "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM[:SS[.zzz]]"; returns an
// invalid QDateTime when the text is not of that form.
QDateTime parseIsoDateTime(const QString& text);
// The wire form: the date alone when the time is midnight.
QString isoDateTime(const QDateTime& value);
// YYYY-MM-DD, as Qt::ISODate writes a date of the years 0 to 9999 (empty when invalid):
// every call and every stored day goes through it, and Qt's general formatter costs
// several times more.
QString isoDate(QDate date);

} // namespace textformat
