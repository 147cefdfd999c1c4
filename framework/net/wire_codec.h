#pragma once

// Values on the wire: JSON with dates as ISO-8601 text ("2026-12-08", time only when one
// is set). A date therefore comes back as text; its reader (a data packet's field type, a
// method's argument list) knows to read it as a date again.

#include <QJsonValue>
#include <QVariant>

namespace wire {

QJsonValue toJson(const QVariant& value);
// JSON null becomes a null QVariant; objects and arrays become maps and lists.
QVariant fromJson(const QJsonValue& value);

// Brings a value that came back from the server to the type of `model`, the argument it
// replaces, so that a caller who passed a QDateTime gets a QDateTime back and not its
// text. A null value gives a null of the model's type. Returns false when the value
// cannot be read as that type.
bool convertLike(const QVariant& model, const QVariant& value, QVariant& out);

} // namespace wire
