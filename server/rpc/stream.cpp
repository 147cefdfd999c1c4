#include "server/rpc/stream.h"

#include "server/rpc/plain_stream.h"
#include "server/rpc/tls_stream.h"

#include <QSslSocket>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace server::rpc {
namespace {

// Decrypted bytes wait in the socket's buffer; past this much the rest stays in the kernel,
// where TCP's flow control holds a client that sends faster than it reads.
constexpr qint64 kDecryptedBuffer = 256 * 1024;

} // namespace

Stream* adoptStream(qintptr descriptor, const std::optional<QSslConfiguration>& tls,
                    QObject* parent, QString& error) {
    if (!tls) {
        const int flags = ::fcntl(int(descriptor), F_GETFL);
        if (flags >= 0 && ::fcntl(int(descriptor), F_SETFL, flags | O_NONBLOCK) == 0)
            return new PlainStream(int(descriptor), parent);
        error = qt_error_string(errno);
        ::close(int(descriptor));
        return nullptr;
    }
    auto* socket = new QSslSocket;
    socket->setSslConfiguration(*tls);
    socket->setReadBufferSize(kDecryptedBuffer);
    if (!socket->setSocketDescriptor(descriptor, QAbstractSocket::ConnectedState)) {
        error = socket->errorString();
        delete socket;
        ::close(int(descriptor));
        return nullptr;
    }
    return new TlsStream(socket, parent);
}

} // namespace server::rpc
