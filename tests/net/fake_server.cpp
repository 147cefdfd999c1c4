#include "fake_server.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <vector>

FakeServer::FakeServer(Behaviour behaviour) : m_behaviour(behaviour) {
    start();
    while (m_port.load() == 0)
        QThread::msleep(1);
}

FakeServer::~FakeServer() {
    m_stop = true;
    wait();
}

void FakeServer::run() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    m_port = server.serverPort();
    std::vector<std::unique_ptr<QTcpSocket>> open;
    while (!m_stop) {
        if (!server.waitForNewConnection(20))
            continue;
        std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
        ++m_connections;
        while (!socket->canReadLine() && socket->waitForReadyRead(2000)) {
        }
        socket->readLine();
        switch (m_behaviour) {
        case Silent:
            break;
        case HangUp:
            socket->close();
            break;
        case Garbage:
            socket->write("isto não é JSON\n");
            break;
        case WrongId:
            socket->write(R"({"jsonrpc":"2.0","id":424242,"result":{"value":true,"byref":{}}})"
                          "\n");
            break;
        case Drops:
            socket->write("{\"jsonrpc\":\"2.0\",\"id\":null,\"error\":{\"code\":-32600,"
                          "\"message\":\"Requisição incompleta.\"}}\n");
            break;
        }
        socket->waitForBytesWritten(1000);
        open.push_back(std::move(socket));
    }
}
