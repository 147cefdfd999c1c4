#include "server/auth/password.h"

#include "contracts/host_framework.h"
#include "server/methods/clean_text.h"

#include <sodium.h>

namespace server {
namespace {

constexpr int kMinimumLength = 8;

void initSodium() {
    // Safe to call more than once and from several threads.
    if (sodium_init() < 0)
        throw Exception(QStringLiteral("A biblioteca de criptografia não pôde ser iniciada."));
}

} // namespace

void requireStrongEnough(const QString& password) {
    if (password.size() < kMinimumLength)
        throw Exception(
            QStringLiteral("A senha deve ter pelo menos %1 caracteres.").arg(kMinimumLength));
    if (password.size() > PasswordMaxLength)
        throw Exception(
            QStringLiteral("A senha deve ter no máximo %1 caracteres.").arg(PasswordMaxLength));
    if (const auto fault = textFault(password, LineBreaks::Refused))
        throw Exception(QStringLiteral("A senha %1.").arg(*fault));
}

QString hashPassword(const QString& password) {
    initSodium();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw Exception(QStringLiteral("Memória insuficiente para calcular o hash da senha."));
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString& hash, const QString& password) {
    initSodium();
    const QByteArray stored = hash.toLatin1();
    const QByteArray utf8 = password.toUtf8();
    if (stored.size() >= crypto_pwhash_STRBYTES)
        return false;
    return crypto_pwhash_str_verify(stored.constData(), utf8.constData(), quint64(utf8.size())) ==
           0;
}

const QString& decoyHash() {
    static const QString hash = [] {
        char random[32];
        initSodium();
        randombytes_buf(random, sizeof random);
        return hashPassword(QString::fromLatin1(QByteArray(random, sizeof random).toHex()));
    }();
    return hash;
}

} // namespace server
