#include "server/rpc/plain_stream.h"

#include <QHostAddress>

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace server::rpc {
namespace {

bool wouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

QString peerOf(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    QHostAddress peer(reinterpret_cast<const sockaddr*>(&address));
    // A client of an IPv6 listener reaching it over IPv4 is named as IPv4.
    bool isIpv4 = false;
    const quint32 ipv4 = peer.toIPv4Address(&isIpv4);
    return isIpv4 ? QHostAddress(ipv4).toString() : peer.toString();
}

} // namespace

PlainStream::PlainStream(int descriptor, QObject* parent)
    : Stream(parent), m_fd(descriptor), m_readable(descriptor, QSocketNotifier::Read),
      m_writable(descriptor, QSocketNotifier::Write) {
    m_peerAddress = peerOf(m_fd);
    // Every answer is one small write the client waits for: Nagle's delay would dominate.
    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_writable.setEnabled(false);
    connect(&m_readable, &QSocketNotifier::activated, this, &PlainStream::onReadable);
    connect(&m_writable, &QSocketNotifier::activated, this, &PlainStream::onWritable);
}

PlainStream::~PlainStream() {
    abort();
}

void PlainStream::onReadable() {
    // Level-triggered: until the connection reads, the notifier would fire on every turn.
    m_readable.setEnabled(false);
    m_drained = false;
    emit readyRead();
}

qint64 PlainStream::readInto(QByteArray& into, qint64 max) {
    if (m_lost || m_drained)
        return 0;
    const qsizetype had = into.size();
    into.resize(had + max);
    const ssize_t n = ::recv(m_fd, into.data() + had, size_t(max), MSG_DONTWAIT);
    const int error = errno;
    into.resize(had + std::max<qsizetype>(0, n));
    if (n == 0 || (n < 0 && !wouldBlock(error))) {
        lost();
        return 0;
    }
    m_drained = n < max;
    m_readable.setEnabled(true);
    return std::max<qint64>(0, n);
}

void PlainStream::write(const QByteArray& bytes) {
    if (m_lost)
        return;
    if (m_outSent == m_out.size()) {
        m_out = bytes;
        m_outSent = 0;
    } else {
        m_out.append(bytes);
    }
    sendPending();
}

void PlainStream::sendPending() {
    while (m_outSent < m_out.size()) {
        // A client that went away must fail the write, not end the process.
        const ssize_t n = ::send(m_fd, m_out.constData() + m_outSent,
                                 size_t(m_out.size() - m_outSent), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) {
            if (!wouldBlock(errno)) {
                lost();
                return;
            }
            break;
        }
        m_outSent += n;
    }
    if (m_outSent == m_out.size()) {
        m_out.clear();
        m_outSent = 0;
    }
    m_writable.setEnabled(m_outSent < m_out.size());
}

void PlainStream::onWritable() {
    const qint64 before = bytesToWrite();
    sendPending();
    if (!m_lost && bytesToWrite() < before)
        emit bytesWritten();
}

void PlainStream::shutdownWrite() {
    if (!m_lost)
        ::shutdown(m_fd, SHUT_WR);
}

void PlainStream::abort() {
    m_readable.setEnabled(false);
    m_writable.setEnabled(false);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_lost = true;
    m_out.clear();
    m_outSent = 0;
}

void PlainStream::lost() {
    if (m_lost)
        return;
    abort();
    QMetaObject::invokeMethod(this, &Stream::disconnected, Qt::QueuedConnection);
}

} // namespace server::rpc
