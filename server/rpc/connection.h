#pragma once

// One client connection on a worker thread: splits the byte stream into lines, answers
// each in order, and protects the worker from a client that sends too much, too little or
// reads too slowly. Over TLS when the server has a certificate. A login is answered only
// once its password was checked off the thread; the requests after it wait for it.

#include "server/rpc/dispatcher.h"
#include "server/rpc/stream.h"

#include <QByteArray>
#include <QObject>
#include <QSslConfiguration>
#include <QTimer>

#include <optional>

class QElapsedTimer;

namespace server {

class Authenticator;
class Database;

namespace rpc {

struct ConnectionLimits {
    qsizetype frameLimit;
    // How long an unfinished frame (or an unfinished TLS handshake) may wait for its rest.
    int idleTimeoutMs;
    // How long a connection that is being closed waits for the client to read the last
    // answer before it is cut.
    int lingerMs;
};

// What every connection of a server shares.
struct ConnectionSetup {
    ConnectionLimits limits;
    std::optional<QSslConfiguration> tls; // nothing: plain TCP (loopback only)
    Authenticator* auth;
};

class Connection final : public QObject {
    Q_OBJECT
public:
    // `parent` is the worker, which outlives every password check the connection starts.
    Connection(qintptr descriptor, Database& db, const ConnectionSetup& setup, QObject* parent);
    ~Connection() override;

    // False when the descriptor could not be taken over; the object then only waits to
    // be deleted.
    bool isOpen() const;

private:
    template <typename Fn> void guarded(Fn&& fn);
    void pump();
    void receive();
    bool answerBufferedFrames(const QElapsedTimer& slice, bool& yielded);
    void closeWith(const QByteArray& lastFrame);
    void halfClose();
    void send(const QByteArray& frame);
    void onBytesWritten();
    void onIdle();
    void startLogin(const LoginRequest& request);
    void checkLogin(const LoginRequest& request);
    void finishLogin(const LoginRequest& request, const std::optional<UserRecord>& user,
                     bool matches);
    bool waiting() const { return m_paused || m_awaitingLogin; }

    Stream* m_stream = nullptr;
    Database& m_db;
    ConnectionLimits m_limits;
    Authenticator& m_auth;
    Peer m_peer;
    QByteArray m_in;
    qsizetype m_scanned = 0;
    bool m_paused = false;
    bool m_awaitingLogin = false;
    bool m_closing = false;
    QTimer m_idle;
    QTimer m_linger;
};

} // namespace rpc
} // namespace server
