#pragma once

// One client connection on a worker thread: splits the byte stream into lines, answers
// each in order, and protects the worker from a client that sends too much, too little or
// reads too slowly.

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QElapsedTimer;
class QTcpSocket;

namespace server {

class Database;

namespace rpc {

struct ConnectionLimits {
    qsizetype frameLimit;
    // How long an unfinished frame may wait for its rest.
    int idleTimeoutMs;
    // How long a connection that is being closed waits for the client to read the last
    // answer before it is cut.
    int lingerMs;
};

class Connection final : public QObject {
    Q_OBJECT
public:
    Connection(qintptr descriptor, Database& db, const ConnectionLimits& limits, QObject* parent);
    ~Connection() override;

    // False when the descriptor could not be taken over; the object then only waits to
    // be deleted.
    bool isOpen() const;

private:
    void pump();
    void receive();
    bool answerBufferedFrames(const QElapsedTimer& slice, bool& yielded);
    void closeWith(const QByteArray& lastFrame);
    void halfClose();
    void send(const QByteArray& frame);
    void onBytesWritten();
    void onIdle();

    QTcpSocket* m_socket;
    Database& m_db;
    ConnectionLimits m_limits;
    QByteArray m_in;
    qsizetype m_scanned = 0;
    bool m_paused = false;
    bool m_closing = false;
    QTimer m_idle;
    QTimer m_linger;
};

} // namespace rpc
} // namespace server
