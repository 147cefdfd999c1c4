#include "framework/net/transport_kinds.h"

#include <QTcpSocket>

#include <limits>

namespace {

constexpr qint64 kReadChunk = 64 * 1024;

int remainingMs(const QDeadlineTimer& deadline) {
    return int(
        qBound(qint64(0), deadline.remainingTime(), qint64(std::numeric_limits<int>::max())));
}

class SocketTransport final : public Transport {
public:
    explicit SocketTransport(std::unique_ptr<QTcpSocket> socket) : m_socket(std::move(socket)) {}
    ~SocketTransport() override { m_socket->abort(); }

    bool send(const QByteArray& bytes, const QDeadlineTimer& deadline) override {
        if (m_socket->write(bytes) != bytes.size())
            return false;
        m_socket->flush();
        while (m_socket->bytesToWrite() > 0)
            if (!m_socket->waitForBytesWritten(remainingMs(deadline)))
                return false;
        return true;
    }

    Received receive(QByteArray& into, const QDeadlineTimer& deadline) override {
        // What the socket decrypted already waits in its buffer and is taken first.
        while (m_socket->bytesAvailable() == 0) {
            if (m_socket->state() != QAbstractSocket::ConnectedState)
                return Received::Lost;
            if (!m_socket->waitForReadyRead(remainingMs(deadline))) {
                if (m_socket->state() != QAbstractSocket::ConnectedState)
                    return Received::Lost;
                if (deadline.hasExpired())
                    return Received::TimedOut;
            }
        }
        into += m_socket->read(kReadChunk);
        return Received::Bytes;
    }

    bool stirredWhileIdle() override {
        return m_socket->waitForReadyRead(0) ||
               m_socket->state() != QAbstractSocket::ConnectedState;
    }

    QString errorString() const override { return m_socket->errorString(); }

private:
    std::unique_ptr<QTcpSocket> m_socket;
};

} // namespace

std::unique_ptr<Transport> socketTransport(std::unique_ptr<QTcpSocket> socket) {
    return std::make_unique<SocketTransport>(std::move(socket));
}
