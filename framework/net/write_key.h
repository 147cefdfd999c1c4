#pragma once

// The key a call travels with, so that the server runs a write once however often the call
// is sent: 128 random bits, written as 32 lower-case hexadecimal digits. A repeat of a call
// is recognised by its digest, which client and server compute the same way.

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringView>

namespace writekey {

// A fresh key from the system's random source.
QString generate();
bool isWellFormed(QStringView key);

// SHA-256 of the method and its positional parameters as they travel (compact JSON, whose
// object members Qt writes in a fixed order), hexadecimal.
QByteArray callDigest(const QString& method, const QJsonArray& params);

} // namespace writekey
