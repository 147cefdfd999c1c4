#include "framework/net/transport_kinds.h"

#include "contracts/host_framework.h"

#include <QTcpSocket>

#include <chrono>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr qsizetype kReadChunk = 64 * 1024;
// A wait the kernel enforces may end this much after the call's deadline; in exchange a
// call whose deadline is as far as the last one's sets nothing.
constexpr std::chrono::microseconds kWaitSlack = 10ms;

// The kernel's limit on one blocking read or write (SO_RCVTIMEO, SO_SNDTIMEO), changed
// only when the call's deadline is no longer within the slack of it.
class KernelWait {
public:
    explicit KernelWait(int option) : m_option(option) {}

    // False when the limit could not be set.
    bool limitTo(int fd, const QDeadlineTimer& deadline) {
        using std::chrono::microseconds;
        // No limit is the kernel's zero.
        const microseconds wanted =
            deadline.isForever()
                ? 0us
                : std::max(microseconds(1), std::chrono::duration_cast<microseconds>(
                                                deadline.remainingTimeAsDuration()));
        const bool close =
            wanted != 0us && m_set != 0us && std::chrono::abs(wanted - m_set) <= kWaitSlack;
        if (wanted == m_set || close)
            return true;
        const timeval limit{time_t(wanted.count() / 1'000'000),
                            suseconds_t(wanted.count() % 1'000'000)};
        if (::setsockopt(fd, SOL_SOCKET, m_option, &limit, sizeof limit) != 0)
            return false;
        m_set = wanted;
        return true;
    }

private:
    int m_option;
    std::chrono::microseconds m_set{0};
};

bool interrupted() {
    return errno == EINTR;
}

bool wouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

class DescriptorTransport final : public Transport {
public:
    explicit DescriptorTransport(int fd) : m_fd(fd) {}
    ~DescriptorTransport() override { ::close(m_fd); }
    DescriptorTransport(const DescriptorTransport&) = delete;
    DescriptorTransport& operator=(const DescriptorTransport&) = delete;

    bool send(const QByteArray& bytes, const QDeadlineTimer& deadline) override {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            if (deadline.hasExpired())
                return failed(QStringLiteral("tempo de espera esgotado"));
            if (!m_sendWait.limitTo(m_fd, deadline))
                return failed(qt_error_string(errno));
            // A server that went away must fail the write, not end the process.
            const ssize_t n =
                ::send(m_fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n >= 0)
                sent += n;
            else if (!interrupted() && !wouldBlock())
                return failed(qt_error_string(errno));
        }
        return true;
    }

    Received receive(QByteArray& into, const QDeadlineTimer& deadline) override {
        for (;;) {
            if (deadline.hasExpired())
                return Received::TimedOut;
            if (!m_receiveWait.limitTo(m_fd, deadline)) {
                m_error = qt_error_string(errno);
                return Received::Lost;
            }
            const qsizetype had = into.size();
            into.resize(had + kReadChunk);
            const ssize_t n = ::recv(m_fd, into.data() + had, size_t(kReadChunk), 0);
            const int error = errno;
            into.resize(had + std::max<qsizetype>(0, n));
            if (n > 0)
                return Received::Bytes;
            if (n == 0) {
                m_error = QStringLiteral("o servidor fechou a conexão");
                return Received::Lost;
            }
            if (error != EINTR && error != EAGAIN && error != EWOULDBLOCK) {
                m_error = qt_error_string(error);
                return Received::Lost;
            }
        }
    }

    bool stirredWhileIdle() override {
        char byte;
        const ssize_t n = ::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        // A byte, the end of the stream, or an error such as a reset.
        return n >= 0 || !(wouldBlock() || interrupted());
    }

    QString errorString() const override { return m_error; }

private:
    bool failed(const QString& error) {
        m_error = error;
        return false;
    }

    int m_fd;
    KernelWait m_sendWait{SO_SNDTIMEO};
    KernelWait m_receiveWait{SO_RCVTIMEO};
    QString m_error;
};

} // namespace

std::unique_ptr<Transport> descriptorTransport(QTcpSocket& connected) {
    // The socket's own descriptor is closed with it; a duplicate keeps the connection.
    const int fd = ::fcntl(int(connected.socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    connected.abort();
    const int flags = fd < 0 ? -1 : ::fcntl(fd, F_GETFL);
    // Blocking: the wait for the answer and its read are one system call.
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const QString reason = qt_error_string(errno);
        if (fd >= 0)
            ::close(fd);
        throw ENetError(
            QStringLiteral("Não foi possível usar a conexão com o servidor de aplicação (%1).")
                .arg(reason));
    }
    return std::make_unique<DescriptorTransport>(fd);
}
