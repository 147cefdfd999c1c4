#pragma once

// The byte stream under one client connection: plain TCP straight on its descriptor, or TLS
// through Qt's socket, which decrypts.

#include <QByteArray>
#include <QObject>
#include <QSslConfiguration>
#include <QString>

#include <optional>

namespace server::rpc {

class Stream : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Appends to `into` at most `max` of the bytes that arrived; 0 when none are waiting.
    virtual qint64 readInto(QByteArray& into, qint64 max) = 0;
    // Sends what the kernel takes now and the rest as the client reads.
    virtual void write(const QByteArray& bytes) = 0;
    virtual qint64 bytesToWrite() const = 0;
    // Ends our side only: the client still reads what was sent, then the end of the stream.
    virtual void shutdownWrite() = 0;
    // Drops the connection at once.
    virtual void abort() = 0;
    // Whether the TLS handshake finished; a plain stream is ready from the start.
    virtual bool isSecured() const = 0;
    // Starts the TLS handshake once the signals are connected.
    virtual void start() = 0;
    const QString& peerAddress() const { return m_peerAddress; }

signals:
    void readyRead();
    void bytesWritten();
    void disconnected();
    void secured();
    void handshakeFailed(const QString& reason);

protected:
    QString m_peerAddress;
};

// Takes over an accepted descriptor; nothing (the descriptor closed, `error` set) when it
// cannot be used.
Stream* adoptStream(qintptr descriptor, const std::optional<QSslConfiguration>& tls,
                    QObject* parent, QString& error);

} // namespace server::rpc
