#pragma once

// A TLS connection, through the Qt socket that does the handshake and decrypts.

#include "server/rpc/stream.h"

class QSslSocket;

namespace server::rpc {

class TlsStream final : public Stream {
public:
    // `socket` already holds the connection; the stream takes it as its child.
    TlsStream(QSslSocket* socket, QObject* parent);

    qint64 readInto(QByteArray& into, qint64 max) override;
    void write(const QByteArray& bytes) override;
    qint64 bytesToWrite() const override;
    void shutdownWrite() override;
    void abort() override;
    bool isSecured() const override;
    void start() override;

private:
    QSslSocket* m_socket;
};

} // namespace server::rpc
