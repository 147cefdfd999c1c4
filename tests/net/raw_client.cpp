#include "raw_client.h"

#include "loopback_server.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>

RawClient::RawClient(quint16 port, Session session) {
    m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    m_socket.waitForConnected(5000);
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (session == LoggedIn && !logIn(LoopbackServer::login(), LoopbackServer::password())
                                    .contains(QStringLiteral("result")))
        qFatal("the demo user could not log in");
}

QByteArray RawClient::loginRequest(const QString& login, const QString& password, int id) {
    const QJsonObject request{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                              {QStringLiteral("id"), id},
                              {QStringLiteral("method"), QStringLiteral("login")},
                              {QStringLiteral("params"), QJsonArray{login, password}}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact);
}

QJsonObject RawClient::logIn(const QString& login, const QString& password) {
    sendLine(loginRequest(login, password));
    return read(10000);
}

void RawClient::send(const QByteArray& bytes) {
    m_socket.write(bytes);
    while (m_socket.bytesToWrite() > 0 && m_socket.waitForBytesWritten(5000)) {
    }
}

QJsonObject RawClient::read(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const qsizetype end = m_in.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = m_in.left(end);
            m_in.remove(0, end + 1);
            return QJsonDocument::fromJson(line).object();
        }
        if (deadline.hasExpired() ||
            (!m_socket.bytesAvailable() &&
             !m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))))
            return {};
        m_in += m_socket.readAll();
    }
}

bool RawClient::closedByServer(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (m_socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        if (m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            m_in += m_socket.readAll();
    }
    return m_socket.state() != QAbstractSocket::ConnectedState;
}

QByteArray RawClient::request(int id, const char* method, const char* params) {
    return QByteArrayLiteral("{\"jsonrpc\":\"2.0\",\"id\":") + QByteArray::number(id) +
           ",\"method\":\"" + method + "\",\"params\":" + params + '}';
}

int errorCode(const QJsonObject& reply) {
    return reply.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt();
}
