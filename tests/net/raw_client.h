#pragma once

// A bare client of the line protocol, for sending what a well-behaved client never would.
// Logs in as the demo user when asked to, as every client must before its first call.

#include <QByteArray>
#include <QJsonObject>
#include <QTcpSocket>

class RawClient {
public:
    enum Session { WithoutLogin, LoggedIn };
    explicit RawClient(quint16 port, Session session = WithoutLogin);

    bool connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    void send(const QByteArray& bytes);
    void sendLine(const QByteArray& line) { send(line + '\n'); }
    // The next answer; an empty object when none came within the time.
    QJsonObject read(int timeoutMs = 5000);
    // True when the server closed the connection within the time.
    bool closedByServer(int timeoutMs = 5000);
    // Sends a login and returns the answer.
    QJsonObject logIn(const QString& login, const QString& password);
    static QByteArray loginRequest(const QString& login, const QString& password, int id = 0);
    QTcpSocket& socket() { return m_socket; }

    // A request line with positional parameters given as JSON text.
    static QByteArray request(int id, const char* method, const char* params);

private:
    QTcpSocket m_socket;
    QByteArray m_in;
};

int errorCode(const QJsonObject& reply);
