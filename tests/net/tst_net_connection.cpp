// TNetConnection: connecting on demand, BeforeConnect before every connect, how a failed
// connect is reported, reconnecting after a lost connection, and a server put behind it.

#include "loopback_server.h"
#include "scripted_ui.h"

#include "contracts/host_framework.h"
#include "framework/components/net_connection.h"
#include "framework/session.h"

#include <QTcpServer>
#include <QTest>

namespace {

// An in-process server that records the calls it gets.
class RecordingServer : public AppServer {
public:
    QStringList calls;
    QVariant Invoke(const QString& method, QVariantList&) override {
        calls << method;
        return QVariantMap{{"ok", true}, {"payload", method}, {"message", QString()}};
    }
};

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// Set up as the main screen sets up its connection, host and port filled before connecting.
struct Connection {
    TNetConnection net;
    int beforeConnect = 0;
    explicit Connection(quint16 port, bool throwException = false) {
        net.ServerName = QString::fromLatin1(ServerMethod::ServerName);
        net.ThrowException = throwException;
        net.BeforeConnect = [this, port](TNetConnection& sender) {
            ++beforeConnect;
            sender.Port = port;
            sender.SetHost(QStringLiteral("127.0.0.1"));
        };
    }
    QVariant lookup() {
        QVariantList args{QStringLiteral("0001"), QString()};
        return net.AppServer().Invoke(QStringLiteral("GetCliente"), args);
    }
};

} // namespace

class TestNetConnection : public QObject {
    Q_OBJECT

private slots:
    void init() {
        hostSession() = HostSession();
        hostSession().login = LoopbackServer::login();
        hostSession().password = LoopbackServer::password();
    }

    void connectsOnDemandAndRunsBeforeConnectBeforeEveryConnect() {
        LoopbackServer server;
        ScriptedUi ui;
        Connection c(server.port());
        QVERIFY(!c.net.Connected());
        QVERIFY(c.lookup().toMap().value("ok").toBool());
        QVERIFY(c.net.Connected());
        QCOMPARE(c.beforeConnect, 1);
        QCOMPARE(c.net.Host(), QStringLiteral("127.0.0.1"));
        QVERIFY(c.lookup().toMap().value("ok").toBool());
        QCOMPARE(c.beforeConnect, 1);

        c.net.SetConnected(false);
        QVERIFY(!c.net.Connected());
        QTRY_COMPARE(server.connectionCount(), 0);
        c.net.SetConnected(true);
        c.net.SetConnected(true);
        QVERIFY(c.net.Connected());
        QCOMPARE(c.beforeConnect, 2);
        QVERIFY(ui.messages.isEmpty());
    }

    void aFailedConnectIsShownOnceWithoutRaising() {
        ScriptedUi ui;
        Connection c(closedPort(), false);
        c.net.SetConnected(true);
        QVERIFY(!c.net.Connected());
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].type, mtError);
        QVERIFY(ui.messages[0].text.startsWith(QStringLiteral("Não foi possível conectar")));
        // A call tries once more, shows that failure once, and stops the action silently.
        QVERIFY_THROWS_EXCEPTION(EAlreadyShown, c.lookup());
        QCOMPARE(ui.messages.size(), 2);
        QCOMPARE(c.beforeConnect, 2);
    }

    void aFailedConnectRaisesWhenAskedTo() {
        ScriptedUi ui;
        Connection c(closedPort(), true);
        QVERIFY_THROWS_EXCEPTION(ENetError, c.net.SetConnected(true));
        QVERIFY_THROWS_EXCEPTION(ENetError, c.lookup());
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(!c.net.Connected());
    }

    void aLostConnectionIsReportedAndTheNextCallReconnects() {
        LoopbackServer server;
        ScriptedUi ui;
        Connection c(server.port());
        c.net.SetConnected(true);
        server.stop();
        QVERIFY_THROWS_EXCEPTION(ENetError, c.lookup());
        QVERIFY(!c.net.Connected());
        server.start();
        QVERIFY(c.lookup().toMap().value("ok").toBool());
        QVERIFY(c.net.Connected());
        // The reconnect ran BeforeConnect again: a host that moved is followed.
        QCOMPARE(c.beforeConnect, 3);
    }

    void aServerPutBehindTheConnectionKeepsItsSemantics() {
        ScriptedUi ui;
        RecordingServer recording;
        Connection c(closedPort());
        c.net.SetAppServer(&recording);
        QVERIFY(!c.net.Connected());
        QCOMPARE(c.lookup().toMap().value("payload").toString(), QStringLiteral("GetCliente"));
        QVERIFY(c.net.Connected());
        QCOMPARE(c.beforeConnect, 1);
        c.net.SetConnected(false);
        QVERIFY(!c.net.Connected());
        c.lookup();
        QCOMPARE(c.beforeConnect, 2);
        QCOMPARE(recording.calls, QStringList({"GetCliente", "GetCliente"}));
        QVERIFY(ui.messages.isEmpty());
        // Back to the socket: nothing listens there.
        c.net.SetAppServer(nullptr);
        QVERIFY(!c.net.Connected());
        QVERIFY_THROWS_EXCEPTION(EAlreadyShown, c.lookup());
        QCOMPARE(recording.calls.size(), 2);
    }

    void theHostSessionsServerIsTakenByNewConnections() {
        ScriptedUi ui;
        RecordingServer recording;
        hostSession().appServer = &recording;
        Connection c(closedPort());
        hostSession().appServer = nullptr;
        Connection later(closedPort());
        QVERIFY(c.lookup().toMap().value("ok").toBool());
        QCOMPARE(recording.calls, QStringList{"GetCliente"});
        QVERIFY_THROWS_EXCEPTION(EAlreadyShown, later.lookup());
    }
};

QTEST_GUILESS_MAIN(TestNetConnection)
#include "tst_net_connection.moc"
