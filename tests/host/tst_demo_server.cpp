// The demo's application server as a child of the host: it starts and tells its port,
// a server that fails or stays silent is a clear error and leaves nothing running, it
// stops with its owner, and it does not outlive a host killed outright. Also the demo
// environment around it: the database made once, the registry, the session.

#include "contracts/host_framework.h"
#include "framework/components/db_geral.h"
#include "framework/components/registry.h"
#include "framework/session.h"
#include "host/demo_environment.h"
#include "host/server_login.h"
#include "host/server_process.h"
#include "process_table.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {

constexpr int StartTimeoutMs = 20000;

// Sets FAKE_SERVER_MODE for the children started in its lifetime.
class FakeServerMode {
public:
    explicit FakeServerMode(const char* mode) { qputenv("FAKE_SERVER_MODE", mode); }
    ~FakeServerMode() { qunsetenv("FAKE_SERVER_MODE"); }
};

QString startFailure(ServerProcess& server, const QString& database, int timeoutMs) {
    try {
        server.start(QStringLiteral(FAKE_SERVER), database, timeoutMs);
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

DemoSetup demoIn(const QString& folder) {
    DemoSetup setup;
    setup.folder = folder;
    setup.serverExecutable = QStringLiteral(FAKE_SERVER);
    setup.programFolder = QStringLiteral("/opt/corvana/bin");
    setup.timeoutMs = StartTimeoutMs;
    return setup;
}

} // namespace

class TstDemoServer : public QObject {
    Q_OBJECT
private slots:
    void init() { hostSession() = HostSession(); }
    void cleanup() {
        // Whatever a case started must be gone when it ends.
        QCOMPARE(childrenOf(getpid()).size(), 0);
    }

    void serverStartsOnAFreePortAndStopsWithItsOwner();
    void linesBeforeTheListeningLineAreSkipped();
    void failedStartsAreClearErrorsAndLeaveNothingRunning();
    void aServerIgnoringTerminationIsKilled();
    void demoFillsTheSessionFromItsDatabase();
    void demoDatabaseIsMadeOnceAndKept();
    void failedDatabaseCreationLeavesNoDatabase();
    void aKeptDatabaseTheServerRefusesNamesTheFolderToDelete();
    void killedHostLeavesNoServerBehind();
    void aDemoServerThatDiesIsStartedAgainOnItsPort();
};

void TstDemoServer::serverStartsOnAFreePortAndStopsWithItsOwner() {
    QTemporaryDir dir;
    qint64 pid = 0;
    {
        ServerProcess server;
        server.start(QStringLiteral(FAKE_SERVER), dir.filePath("db.sqlite"), StartTimeoutMs);
        QVERIFY(server.isRunning());
        QCOMPARE(server.host(), QStringLiteral("127.0.0.1"));
        QVERIFY(server.port() > 0);
        pid = server.processId();
        QVERIFY(isAlive(pid));

        QTcpSocket socket;
        socket.connectToHost(server.host(), quint16(server.port()));
        QVERIFY2(socket.waitForConnected(5000), "the reported port does not accept connections");
    }
    QVERIFY2(!isAlive(pid), "the server outlived the object that started it");
}

void TstDemoServer::linesBeforeTheListeningLineAreSkipped() {
    FakeServerMode mode("chatty");
    QTemporaryDir dir;
    ServerProcess server;
    server.start(QStringLiteral(FAKE_SERVER), dir.filePath("db.sqlite"), StartTimeoutMs);
    QVERIFY(server.port() > 0);
    server.stop();
    QVERIFY(!server.isRunning());
}

void TstDemoServer::failedStartsAreClearErrorsAndLeaveNothingRunning() {
    QTemporaryDir dir;
    const QString db = dir.filePath("db.sqlite");
    {
        FakeServerMode mode("exit");
        ServerProcess server;
        const QString error = startFailure(server, db, StartTimeoutMs);
        QVERIFY2(error.contains("terminou com o código 2"), qPrintable(error));
        QVERIFY2(error.contains("banco inacessível"), "the server's own reason is lost");
        QVERIFY(!server.isRunning());
    }
    {
        FakeServerMode mode("silent");
        ServerProcess server;
        QElapsedTimer clock;
        clock.start();
        const QString error = startFailure(server, db, 1500);
        QVERIFY2(error.contains("não informou a sua porta em 1,5 s"), qPrintable(error));
        QVERIFY2(clock.elapsed() < 1500 + 4000, "waited far beyond the timeout");
        QVERIFY(!server.isRunning());
        QCOMPARE(childrenOf(getpid()).size(), 0);
    }
    {
        ServerProcess server;
        QString error;
        try {
            server.start(dir.filePath("no-such-server"), db, StartTimeoutMs);
        } catch (const Exception& e) {
            error = e.message();
        }
        QVERIFY2(error.contains(dir.filePath("no-such-server")), qPrintable(error));
    }
}

void TstDemoServer::aServerIgnoringTerminationIsKilled() {
    FakeServerMode mode("ignore-term");
    QTemporaryDir dir;
    ServerProcess server;
    server.start(QStringLiteral(FAKE_SERVER), dir.filePath("db.sqlite"), StartTimeoutMs);
    const qint64 pid = server.processId();
    server.stop();
    QVERIFY(!server.isRunning());
    QVERIFY(!isAlive(pid));
}

void TstDemoServer::demoFillsTheSessionFromItsDatabase() {
    QTemporaryDir dir;
    DemoEnvironment demo(demoIn(dir.filePath("demo")));
    HostSession& session = hostSession();
    demo.start(session);

    // Logged in as the demo user; its branch as the server answered, with the name and the
    // processing date the database holds.
    QCOMPARE(session.login, QStringLiteral("demo"));
    QCOMPARE(session.filiProc, QStringLiteral("0001"));
    QCOMPARE(session.nomeFiliProc, QStringLiteral("Restaurante Central"));
    QCOMPARE(session.filiProcFat, QStringLiteral("0001"));
    QCOMPARE(session.nomeFiliProcFat, QStringLiteral("Restaurante Central"));
    QVERIFY(!session.moduFili);
    QCOMPARE(session.webUrl, QStringLiteral("127.0.0.1"));
    QCOMPARE(session.webPort, demo.server().port());
    QCOMPARE(session.programFolder, QStringLiteral("/opt/corvana/bin"));
    QCOMPARE(DataProc("0002").date(), QDate(2026, 2, 10));
    QVERIFY(dtmDBGeral::IsOpen());

    // The module finds the program folder where the suite keeps it.
    QCOMPARE(session.registryFile, demo.registryFile());
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    QVERIFY(registry.OpenKeyReadOnly("SOFTWARE\\CORVANA\\Sistemas Integrados Corvana\\WebSrv"));
    QCOMPARE(registry.ReadString("ExeFileDir"), QStringLiteral("/opt/corvana/bin/"));
}

void TstDemoServer::demoDatabaseIsMadeOnceAndKept() {
    QTemporaryDir dir;
    const QString folder = dir.filePath("demo");
    {
        DemoEnvironment first(demoIn(folder));
        first.start(hostSession());
        QSqlQuery rename(dtmDBGeral::Database());
        QVERIFY(rename.exec("UPDATE FILIAL SET NMFILIAL = 'Alterada' WHERE CDFILIAL = '0001'"));
    }
    QVERIFY2(!dtmDBGeral::IsOpen(), "the demo left the shared connection open");
    QVERIFY(!QFile::exists(folder + "/apurfat-demo.sqlite.building"));

    DemoEnvironment second(demoIn(folder));
    second.start(hostSession());
    QCOMPARE(hostSession().nomeFiliProc, QStringLiteral("Alterada"));
}

void TstDemoServer::failedDatabaseCreationLeavesNoDatabase() {
    QTemporaryDir dir;
    const QString folder = dir.filePath("demo");
    {
        FakeServerMode mode("fail-init");
        DemoEnvironment demo(demoIn(folder));
        QString error;
        try {
            demo.start(hostSession());
        } catch (const Exception& e) {
            error = e.message();
        }
        QVERIFY2(error.contains("disco cheio"), qPrintable(error));
        QVERIFY(!QFile::exists(demo.databaseFile()));
        QVERIFY(!demo.server().isRunning());
    }
    // The next start makes the database after all.
    DemoEnvironment retry(demoIn(folder));
    retry.start(hostSession());
    QCOMPARE(hostSession().filiProc, QStringLiteral("0001"));
}

void TstDemoServer::aKeptDatabaseTheServerRefusesNamesTheFolderToDelete() {
    QTemporaryDir dir;
    const QString folder = dir.filePath("demo");
    {
        DemoEnvironment made(demoIn(folder));
        made.start(hostSession());
    }
    FakeServerMode mode("exit");
    DemoEnvironment kept(demoIn(folder));
    QString error;
    try {
        kept.start(hostSession());
    } catch (const Exception& e) {
        error = e.message();
    }
    QVERIFY2(error.contains("banco inacessível"), qPrintable(error));
    QVERIFY2(error.contains("apague a pasta " + folder), qPrintable(error));
}

void TstDemoServer::killedHostLeavesNoServerBehind() {
    QTemporaryDir dir;
    QProcess host;
    host.setProgram(QStringLiteral(HOST_EXECUTABLE));
    host.setArguments({"--demo", "--demo-dir", dir.filePath("demo"), "--server", FAKE_SERVER});
    host.setProcessChannelMode(QProcess::ForwardedChannels);
    host.start();
    QVERIFY(host.waitForStarted(StartTimeoutMs));

    const qint64 server = waitForChild(host.processId(), "--listen", StartTimeoutMs);
    QVERIFY2(server != 0, "the host started no server");
    QVERIFY(isAlive(server));

    ::kill(pid_t(host.processId()), SIGKILL);
    QVERIFY(host.waitForFinished(5000));
    QCOMPARE(host.exitStatus(), QProcess::CrashExit);
    const bool gone = waitUntilGone(server, 3000);
    if (!gone)
        ::kill(pid_t(server), SIGKILL); // a failing run leaves no orphan either
    QVERIFY2(gone, "the server outlived its killed host");
}

void TstDemoServer::aDemoServerThatDiesIsStartedAgainOnItsPort() {
    QTemporaryDir dir;
    DemoEnvironment demo(demoIn(dir.filePath("demo")));
    HostSession& session = hostSession();
    demo.start(session);
    const ServerProcess& server = demo.server();
    const qint64 first = server.processId();
    const int port = server.port();
    QSignalSpy restarted(&server, &ServerProcess::restarted);
    QSignalSpy failed(&server, &ServerProcess::restartFailed);

    ::kill(pid_t(first), SIGKILL);
    QTRY_COMPARE_WITH_TIMEOUT(restarted.size() + failed.size(), 1, StartTimeoutMs);
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(1).toString()));
    QCOMPARE(restarted.first().first().toString(), QStringLiteral("terminou de forma anormal"));
    QVERIFY(server.processId() != first);
    QVERIFY(isAlive(server.processId()));
    QCOMPARE(server.port(), port);
    QCOMPARE(session.webPort, port);
    // The session logs in where it did before.
    session.filiProc.clear();
    logInToServer(session, StartTimeoutMs);
    QCOMPARE(session.filiProc, QStringLiteral("0001"));

    // A server that cannot come back is reported, and nothing is left running.
    FakeServerMode mode("exit");
    ::kill(pid_t(server.processId()), SIGTERM);
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, StartTimeoutMs);
    QCOMPARE(failed.first().at(0).toString(), QStringLiteral("terminou de forma anormal"));
    QVERIFY2(failed.first().at(1).toString().contains("banco inacessível"),
             qPrintable(failed.first().at(1).toString()));
    QVERIFY(!server.isRunning());
    QCOMPARE(restarted.size(), 1);
}

QTEST_GUILESS_MAIN(TstDemoServer)
#include "tst_demo_server.moc"
