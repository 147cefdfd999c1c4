#pragma once

// The socket under the server connection: TLS when a CA file or a pinned certificate
// fingerprint is configured, plain TCP otherwise, and plain TCP only to the local machine,
// so that a password never crosses the network in the clear.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <memory>

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

// One open connection as a call uses it: the request out, the answer's bytes in, each
// within the call's deadline. Nothing is read or written but by the call under way.
class Transport {
public:
    enum class Received { Bytes, TimedOut, Lost };

    virtual ~Transport() = default;
    // Sends all of `bytes`; false when the connection failed or the deadline passed
    // (errorString() says which).
    virtual bool send(const QByteArray& bytes, const QDeadlineTimer& deadline) = 0;
    // Appends to `into` at least one byte that arrived before the deadline.
    virtual Received receive(QByteArray& into, const QDeadlineTimer& deadline) = 0;
    // Between calls nothing may arrive: true when something did, or the server went away.
    virtual bool stirredWhileIdle() = 0;
    virtual QString errorString() const = 0;
};

// Connects, and over TLS checks the server's certificate before anything is sent. Every
// failure raises ENetError with a message for the clerk.
std::unique_ptr<Transport> openTransport(const QString& host, int port, const TlsSettings& tls,
                                         int timeoutMs);
