#pragma once

// What the server accepts as text. A string that holds a NUL, half of a UTF-16 surrogate
// pair or a control character cannot be stored as it came: the database would cut it,
// replace it or measure it wrong. Tab and line feed are text only in a free text (an
// apportionment's observation); codes, names and keys never hold them.

#include <QString>
#include <QStringView>
#include <QVariant>

#include <optional>

namespace server {

enum class LineBreaks { Refused, Allowed };

// What is wrong with `text`, in words that complete "o parâmetro … "; nothing when it is
// clean.
std::optional<QString> textFault(QStringView text, LineBreaks breaks);

// The same for every text in a value: strings, and the members and items of maps and
// lists, at any depth.
std::optional<QString> textFaultIn(const QVariant& value, LineBreaks breaks);

// The same for a data or change packet, where the values of the column named
// `freeTextColumn` (none when null) may hold tabs and line breaks.
std::optional<QString> packetTextFault(const QVariant& packet, const char* freeTextColumn);

// A text the client sent as the server repeats it in an answer or the log: at most `most`
// characters, cut with an ellipsis, so that a client cannot make the log hold megabytes.
QString shortened(const QString& text, qsizetype most);

} // namespace server
