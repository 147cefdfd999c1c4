#include "framework/net/transport.h"

#include "framework/net/transport_kinds.h"

#include "contracts/host_framework.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>

#include <algorithm>

namespace {

QString endpointText(const QString& host, int port) {
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

[[noreturn]] void refuseConnect(const QString& endpoint, const QTcpSocket& socket) {
    const QString reason = socket.error() == QAbstractSocket::SocketTimeoutError
                               ? QStringLiteral("tempo de espera esgotado")
                               : socket.errorString();
    throw ENetError(QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1 (%2).")
                        .arg(endpoint, reason));
}

std::unique_ptr<QTcpSocket> openPlain(const QString& host, int port, int timeoutMs) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(host, quint16(port));
    if (!socket->waitForConnected(timeoutMs))
        refuseConnect(endpointText(host, port), *socket);
    if (!socket->peerAddress().isLoopback())
        throw ENetError(
            QStringLiteral("Conexão sem TLS recusada: o servidor de aplicação em %1 não está "
                           "neste computador. Configure o certificado da autoridade "
                           "certificadora ou a impressão digital do servidor.")
                .arg(endpointText(host, port)));
    return socket;
}

QSslConfiguration clientConfiguration(const TlsSettings& tls) {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setProtocol(QSsl::TlsV1_2OrLater);
    if (tls.caFile.isEmpty()) {
        // Only the pinned fingerprint vouches for the server; it is compared below.
        config.setPeerVerifyMode(QSslSocket::QueryPeer);
        return config;
    }
    const QList<QSslCertificate> authorities = QSslCertificate::fromPath(tls.caFile);
    if (authorities.isEmpty())
        throw ENetError(QStringLiteral("O arquivo %1 não traz nenhum certificado de autoridade "
                                       "certificadora.")
                            .arg(tls.caFile));
    config.setCaCertificates(authorities);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    return config;
}

std::unique_ptr<QTcpSocket> openEncrypted(const QString& host, int port, const TlsSettings& tls,
                                          int timeoutMs) {
    const QString endpoint = endpointText(host, port);
    if (!QSslSocket::supportsSsl())
        throw ENetError(QStringLiteral("Conexão segura (TLS) indisponível neste computador: a "
                                       "biblioteca OpenSSL não foi encontrada."));
    QString pin;
    if (!tls.fingerprint.isEmpty() && (pin = normalizedFingerprint(tls.fingerprint)).isEmpty())
        throw ENetError(QStringLiteral("Impressão digital do servidor inválida: '%1' (esperam-se "
                                       "os 64 dígitos hexadecimais do SHA-256).")
                            .arg(tls.fingerprint));
    auto socket = std::make_unique<QSslSocket>();
    socket->setSslConfiguration(clientConfiguration(tls));
    socket->connectToHostEncrypted(host, quint16(port));
    if (!socket->waitForEncrypted(timeoutMs)) {
        const QList<QSslError> errors = socket->sslHandshakeErrors();
        if (!errors.isEmpty()) {
            QStringList reasons;
            for (const QSslError& e : errors)
                reasons << e.errorString();
            throw ENetError(QStringLiteral("O certificado do servidor de aplicação em %1 não é "
                                           "confiável: %2.")
                                .arg(endpoint, reasons.join(QStringLiteral("; "))));
        }
        if (socket->state() == QAbstractSocket::ConnectedState ||
            socket->error() == QAbstractSocket::SslHandshakeFailedError ||
            socket->error() == QAbstractSocket::RemoteHostClosedError)
            throw ENetError(QStringLiteral("O servidor de aplicação em %1 não estabeleceu uma "
                                           "conexão segura (TLS): %2.")
                                .arg(endpoint, socket->errorString()));
        refuseConnect(endpoint, *socket);
    }
    const QString presented =
        QString::fromLatin1(socket->peerCertificate().digest(QCryptographicHash::Sha256).toHex());
    if (!pin.isEmpty() && presented != pin)
        throw ENetError(QStringLiteral("O certificado do servidor de aplicação em %1 não "
                                       "corresponde à impressão digital configurada (o servidor "
                                       "apresentou %2).")
                            .arg(endpoint, presented));
    return socket;
}

} // namespace

QString normalizedFingerprint(const QString& text) {
    QString hex;
    for (const QChar c : text)
        if (c != u':' && !c.isSpace())
            hex += c.toLower();
    const bool valid = hex.size() == 64 && std::all_of(hex.begin(), hex.end(), [](QChar c) {
                           return c.isDigit() || (c >= u'a' && c <= u'f');
                       });
    return valid ? hex : QString();
}

std::unique_ptr<Transport> openTransport(const QString& host, int port, const TlsSettings& tls,
                                         int timeoutMs) {
    if (host.trimmed().isEmpty())
        throw ENetError(QStringLiteral("Endereço do servidor de aplicação não informado."));
    if (port <= 0 || port > 65535)
        throw ENetError(QStringLiteral("Porta do servidor de aplicação inválida: %1.").arg(port));
    auto socket = tls.enabled() ? openEncrypted(host, port, tls, timeoutMs)
                                : openPlain(host, port, timeoutMs);
    // Every call is one small request and one answer: Nagle's delay would dominate.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    if (tls.enabled())
        return socketTransport(std::move(socket));
    return descriptorTransport(*socket);
}
