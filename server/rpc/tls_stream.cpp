#include "server/rpc/tls_stream.h"

#include <QSslSocket>

#include <sys/socket.h>
#include <unistd.h>

namespace server::rpc {
TlsStream::TlsStream(QSslSocket* socket, QObject* parent) : Stream(parent), m_socket(socket) {
    m_socket->setParent(this);
    m_peerAddress = m_socket->peerAddress().toString();
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket, &QSslSocket::readyRead, this, &Stream::readyRead);
    connect(m_socket, &QSslSocket::bytesWritten, this, &Stream::bytesWritten);
    connect(m_socket, &QSslSocket::disconnected, this, &Stream::disconnected);
    connect(m_socket, &QSslSocket::encrypted, this, &Stream::secured);
    // A client that does not speak TLS, or one that gives up on our certificate.
    connect(m_socket, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (!m_socket->isEncrypted())
            emit handshakeFailed(m_socket->errorString());
    });
}

qint64 TlsStream::readInto(QByteArray& into, qint64 max) {
    const QByteArray chunk = m_socket->read(max);
    into += chunk;
    return chunk.size();
}

void TlsStream::write(const QByteArray& bytes) {
    m_socket->write(bytes);
    // Written now rather than on the next turn of the event loop: the answer is what the
    // client is blocked on.
    m_socket->flush();
}

qint64 TlsStream::bytesToWrite() const {
    return m_socket->bytesToWrite();
}

void TlsStream::shutdownWrite() {
    ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
}

void TlsStream::abort() {
    m_socket->abort();
}

bool TlsStream::isSecured() const {
    return m_socket->isEncrypted();
}

void TlsStream::start() {
    m_socket->startServerEncryption();
}

} // namespace server::rpc
