#include "framework/net/write_key.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <algorithm>
#include <array>

namespace writekey {
namespace {

constexpr qsizetype kKeyBytes = 16;

} // namespace

QString generate() {
    std::array<quint32, kKeyBytes / sizeof(quint32)> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(words.data()), kKeyBytes).toHex());
}

bool isWellFormed(QStringView key) {
    return key.size() == 2 * kKeyBytes && std::all_of(key.begin(), key.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
           });
}

QByteArray callDigest(const QString& method, const QJsonArray& params) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(method.toUtf8());
    hash.addData(QByteArrayView("\n"));
    hash.addData(QJsonDocument(params).toJson(QJsonDocument::Compact));
    return hash.result().toHex();
}

} // namespace writekey
