#include "server/rpc/connection.h"

#include "framework/net/jsonrpc.h"
#include "server/auth/authenticator.h"
#include "server/auth/password.h"
#include "server/auth/users.h"
#include "server/db/database.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPointer>

Q_LOGGING_CATEGORY(lcConnection, "apurfat.server.connection", QtInfoMsg)

namespace server::rpc {
namespace {

// Answers wait in the socket's buffer until the client reads them. Past this much the
// connection stops taking requests, so a client that sends without reading cannot make
// the server hold an unbounded backlog.
constexpr qint64 kOutputHighWater = 4 * 1024 * 1024;
// What one read takes at most; the buffer keeps this much room, so that a request does not
// cost an allocation.
constexpr qint64 kReadChunk = 64 * 1024;
// How long one connection may keep its worker busy before the others get a turn.
constexpr qint64 kSliceNs = 2'000'000;

} // namespace

Connection::Connection(qintptr descriptor, Database& db, const ConnectionSetup& setup,
                       QObject* parent)
    : QObject(parent), m_db(db), m_limits(setup.limits), m_auth(*setup.auth) {
    QString error;
    m_stream = adoptStream(descriptor, setup.tls, this, error);
    if (!m_stream) {
        qCWarning(lcConnection).noquote() << "could not take over a connection:" << error;
        return;
    }
    m_peer.address = m_stream->peerAddress();
    m_idle.setSingleShot(true);
    m_linger.setSingleShot(true);
    connect(m_stream, &Stream::readyRead, this, &Connection::pump);
    connect(m_stream, &Stream::bytesWritten, this, &Connection::onBytesWritten);
    connect(m_stream, &Stream::disconnected, this, &QObject::deleteLater);
    connect(&m_idle, &QTimer::timeout, this, &Connection::onIdle);
    connect(&m_linger, &QTimer::timeout, this, [this] {
        m_stream->abort();
        deleteLater();
    });
    connect(m_stream, &Stream::secured, this, [this] { m_idle.stop(); });
    connect(m_stream, &Stream::handshakeFailed, this, [this](const QString& reason) {
        qCWarning(lcConnection).noquote()
            << "TLS handshake with" << m_peer.address << "failed:" << reason;
        m_stream->abort();
        deleteLater();
    });
    if (!m_stream->isSecured())
        m_idle.start(m_limits.idleTimeoutMs);
    m_stream->start();
}

// Slots and timers of a connection never let an exception into the worker's event loop.
template <typename Fn> void Connection::guarded(Fn&& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        qCWarning(lcConnection) << "dropping a connection after an internal error:" << e.what();
        m_stream->abort();
        deleteLater();
    }
}

Connection::~Connection() = default;

bool Connection::isOpen() const {
    return m_stream != nullptr;
}

void Connection::pump() {
    guarded([this] { receive(); });
}

void Connection::receive() {
    if (m_closing) {
        // The last answer is out; whatever else the client sends is not read.
        QByteArray ignored;
        while (m_stream->readInto(ignored, kReadChunk) > 0)
            ignored.clear();
        return;
    }
    QElapsedTimer slice;
    slice.start();
    bool yielded = false, received = false;
    while (!waiting() && !yielded) {
        if (!answerBufferedFrames(slice, yielded))
            return;
        if (waiting() || yielded)
            break;
        if (m_stream->readInto(m_in, kReadChunk) == 0)
            break;
        received = true;
    }
    // A burst of requests is answered in slices, so that the other connections of this
    // worker get their turn in between.
    if (yielded)
        QMetaObject::invokeMethod(this, &Connection::pump, Qt::QueuedConnection);
    // The idle clock measures the client's silence in the middle of a frame; while the
    // connection is paused or waiting for its next slice the wait is the server's.
    if (m_in.isEmpty() || waiting() || yielded)
        m_idle.stop();
    else if (received || !m_idle.isActive())
        m_idle.start(m_limits.idleTimeoutMs);
}

bool Connection::answerBufferedFrames(const QElapsedTimer& slice, bool& yielded) {
    qsizetype start = 0;
    bool ok = true;
    for (;;) {
        const qsizetype end = m_in.indexOf('\n', m_scanned);
        if (end < 0) {
            m_scanned = m_in.size();
            if (m_in.size() - start > m_limits.frameLimit)
                ok = false;
            break;
        }
        if (end - start > m_limits.frameLimit) {
            ok = false;
            break;
        }
        const QByteArray frame = m_in.mid(start, end - start);
        start = end + 1;
        m_scanned = start;
        Answer reply;
        {
            // The call's reads share one read transaction, which ends only once the answer
            // is out: the client waits for the answer, not for the end of the read.
            const CallSnapshot snapshot(m_db);
            reply = answer(frame, m_db, m_peer);
            if (reply.frame)
                send(*reply.frame);
        }
        if (reply.login) {
            startLogin(*reply.login);
            break;
        }
        if (m_stream->bytesToWrite() > kOutputHighWater) {
            m_paused = true;
            break;
        }
        if (slice.nsecsElapsed() > kSliceNs) {
            yielded = true;
            break;
        }
    }
    m_in.remove(0, start);
    m_scanned -= start;
    if (!ok)
        closeWith(connectionError(jsonrpc::InvalidRequest,
                                  QStringLiteral("Requisição maior que o limite de %1 MiB.")
                                      .arg(m_limits.frameLimit / (1024 * 1024))));
    return ok;
}

void Connection::send(const QByteArray& frame) {
    QByteArray line;
    line.reserve(frame.size() + 1);
    line.append(frame).append('\n');
    m_stream->write(line);
}

void Connection::closeWith(const QByteArray& lastFrame) {
    send(lastFrame);
    m_closing = true;
    m_idle.stop();
    m_in.clear();
    m_scanned = 0;
    if (m_stream->bytesToWrite() == 0)
        halfClose();
}

void Connection::halfClose() {
    // Closing outright with the client's bytes still unread would reset the connection and
    // could destroy the error answer before the client reads it; shutting down only our
    // side lets it read the answer and then see the end of the stream.
    m_stream->shutdownWrite();
    m_linger.start(m_limits.lingerMs);
}

void Connection::onBytesWritten() {
    if (m_closing) {
        if (m_stream->bytesToWrite() == 0 && !m_linger.isActive())
            halfClose();
        return;
    }
    if (m_paused && m_stream->bytesToWrite() < kOutputHighWater / 2) {
        m_paused = false;
        pump();
    }
}

void Connection::startLogin(const LoginRequest& request) {
    m_awaitingLogin = true;
    // Guesses at a login wait their turn here, on a timer: the worker serves everyone else
    // meanwhile.
    const qint64 wait = m_auth.throttle().admit(m_db, request.login);
    QTimer::singleShot(wait, this, [this, request] { guarded([&] { checkLogin(request); }); });
}

void Connection::checkLogin(const LoginRequest& request) {
    const std::optional<UserRecord> user = findUser(m_db, request.login);
    // An unknown login costs the same check as a known one, so the time of the answer does
    // not tell which logins exist.
    const QString hash = user ? user->passwordHash : decoyHash();
    QPointer<Connection> self(this);
    m_auth.checkPassword(hash, request.password, parent(), [self, request, user](bool matches) {
        if (self)
            self->guarded([&] { self->finishLogin(request, user, matches); });
    });
}

void Connection::finishLogin(const LoginRequest& request, const std::optional<UserRecord>& user,
                             bool matches) {
    send(completeLogin(request, user, matches, m_db, m_peer, m_auth));
    m_awaitingLogin = false;
    receive();
}

void Connection::onIdle() {
    if (!m_stream->isSecured()) {
        qCWarning(lcConnection).noquote()
            << "closing a connection from" << m_peer.address << "that never finished TLS";
        m_stream->abort();
        deleteLater();
        return;
    }
    qCWarning(lcConnection) << "closing a connection silent in the middle of a frame";
    closeWith(connectionError(jsonrpc::InvalidRequest,
                              QStringLiteral("Requisição incompleta: nada foi recebido em %1 s.")
                                  .arg(m_limits.idleTimeoutMs / 1000.0, 0, 'f', 1)));
}

} // namespace server::rpc
