#pragma once

// The socket under the server connection: TLS when a CA file or a pinned certificate
// fingerprint is configured, plain TCP otherwise, and plain TCP only to the local machine,
// so that a password never crosses the network in the clear.

#include <QString>

#include <memory>

class QTcpSocket;

struct TlsSettings {
    // PEM file of the certificate authorities that may vouch for the server; empty: none.
    QString caFile;
    // SHA-256 of the server's certificate, hexadecimal (colons and spaces allowed); empty:
    // none. With a CA file too, the certificate must pass both.
    QString fingerprint;

    bool enabled() const { return !caFile.isEmpty() || !fingerprint.isEmpty(); }
};

// The fingerprint in the form Qt computes it (64 lower-case hex digits), or an empty text
// when `text` is not a SHA-256 fingerprint.
QString normalizedFingerprint(const QString& text);

// Connects, and over TLS checks the server's certificate before anything is sent. Every
// failure raises ENetError with a message for the clerk.
std::unique_ptr<QTcpSocket> openTransport(const QString& host, int port, const TlsSettings& tls,
                                          int timeoutMs);
