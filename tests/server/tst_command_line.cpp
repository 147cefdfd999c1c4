// The server executable as the host and an operator run it: creating the demo database,
// listening on a free port, locking a calculation, managing users and reading the audit
// trail; on a SQLite file or a PostgreSQL database alike.

#include "contracts/host_framework.h"
#include "framework/data/field_type.h"
#include "framework/net/rpc_client.h"
#include "server_cli.h"

#include "test_database.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTest>

namespace {

// Whether the calculation covering December 10th of the demo's first client is locked,
// asked over the socket of a running server.
bool lockedOverTheSocket(RpcClient& client) {
    const QDate day = QDate::currentDate().addMonths(-3);
    const QDate inFirstMonth(day.year(), day.month(), 10);
    QVariantList args{QStringLiteral("1001"),   QStringLiteral("0001"),   dateTimeOf(day),
                      dateTimeOf(inFirstMonth), dateTimeOf(inFirstMonth), false,
                      QStringLiteral("00002")};
    return !client.Invoke(QStringLiteral("VerificaBloqueio"), args)
                .toMap()
                .value("payload")
                .toBool();
}

// One number the database answers, on a connection of the test's own.
int count(const TestDatabase& database, const QString& sql) {
    int n = -1;
    {
        QSqlQuery q(database.connect(QStringLiteral("check")));
        if (q.exec(sql) && q.next())
            n = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return n;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initCreatesOnceAndLeavesDataAlone_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("made");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("days");
        QTest::newRow("demo") << "--init-demo"
                              << "criado"
                              << "nada foi alterado" << 1;
        QTest::newRow("empty") << "--init"
                               << "criado, sem dados"
                               << "já existe" << 0;
    }

    void initCreatesOnceAndLeavesDataAlone() {
        QFETCH(QString, option);
        QFETCH(QString, made);
        QFETCH(QString, kept);
        QFETCH(int, days);
        TestDatabase database(QStringLiteral("demo.db"));
        const QString db = database.address();
        const CommandOutcome first = runServer({option, "--db", db});
        QCOMPARE(first.status, 0);
        QVERIFY2(first.out.contains(made), qPrintable(first.out));
        const int stored = count(database, "SELECT count(*) FROM EFETCDRS");
        QCOMPARE(stored > 0, days > 0);
        const CommandOutcome second = runServer({option, "--db", db});
        QCOMPARE(second.status, 0);
        QVERIFY2(second.out.contains(kept), qPrintable(second.out));
        QCOMPARE(count(database, "SELECT count(*) FROM EFETCDRS"), stored);

        // A database of something else is left alone.
        TestDatabase foreign;
        QVERIFY(QSqlQuery(foreign.connect("foreign")).exec("CREATE TABLE notas (texto TEXT)"));
        QSqlDatabase::removeDatabase("foreign");
        const CommandOutcome refused = runServer({option, "--db", foreign.address()});
        QCOMPARE(refused.status, 1);
        QVERIFY(refused.err.contains(QStringLiteral("não é um banco de dados deste sistema")));
        QCOMPARE(count(foreign, "SELECT count(*) FROM notas"), 0);
    }

    void listensOnAFreePortAndLocksFromTheCommandLine() {
        TestDatabase database(QStringLiteral("demo.db"));
        const QString db = database.address();
        QElapsedTimer startup;
        startup.start();
        ListeningServer server(db, {"--init-demo"});
        const int port = server.port();
        QVERIFY(port > 0);
        // Creating the demo users hashes two passwords, slow by design.
        QVERIFY2(startup.elapsed() < 5000, qPrintable(QString::number(startup.elapsed())));

        RpcClient client;
        client.setEndpoint(QStringLiteral("127.0.0.1"), port);
        client.setCredentials(QStringLiteral("demo"), QStringLiteral("demo-apuracao"));
        QVERIFY(lockedOverTheSocket(client));
        const QString number = QStringLiteral("0000000001");
        CommandOutcome unlocked = runServer({"unlock", number, "--branch", "0001", "--db", db});
        QCOMPARE(unlocked.status, 0);
        QVERIFY(unlocked.out.contains(QStringLiteral("desbloqueada")));
        QVERIFY(!lockedOverTheSocket(client));
        QVERIFY(runServer({"unlock", number, "--branch", "0001", "--db", db})
                    .out.contains(QStringLiteral("já estava")));
        QCOMPARE(runServer({"lock", number, "--branch", "0001", "--db", db}).status, 0);
        QVERIFY(lockedOverTheSocket(client));

        // The operator's commands are in the trail, under the operator's name.
        const CommandOutcome audit =
            runServer({"audit", "--branch", "0001", "--since",
                       QDate::currentDate().toString(Qt::ISODate), "--db", db});
        QCOMPARE(audit.status, 0);
        QCOMPARE(audit.out.count(QStringLiteral("  unlock  filial 0001")), 1);
        QCOMPARE(audit.out.count(QStringLiteral("  lock  filial 0001")), 1);
        QVERIFY(audit.out.contains(QStringLiteral("de linha de comando")));
        QVERIFY(audit.out.contains(QStringLiteral("\"IDBLOQUEADO\":\"N\"")));
        QVERIFY(audit.out.contains(QStringLiteral("2 registro(s) da filial 0001")));
        QVERIFY(runServer({"audit", "--branch", "0002", "--db", db})
                    .out.contains(QStringLiteral("0 registro(s)")));
    }

    void usersAreManagedFromTheCommandLine() {
        TestDatabase database(QStringLiteral("demo.db"));
        const QString db = database.address();
        QCOMPARE(runServer({"--init-demo", "--db", db}).status, 0);
        const CommandOutcome added = runServer(
            {"user", "add", "maria", "--branches", "0002,0001", "--billing", "0001", "--db", db},
            "senha-da-maria\n");
        QCOMPARE(added.status, 0);
        QVERIFY(added.out.contains(QStringLiteral("cadastrado")));
        // The password never reaches the database in the clear.
        QCOMPARE(count(database, "SELECT count(*) FROM USUARIO WHERE NMLOGIN = 'maria' AND "
                                 "DSHASHSENHA LIKE '$argon2id$%' AND "
                                 "DSHASHSENHA NOT LIKE '%senha-da-maria%'"),
                 1);
        if (!database.onPostgres()) {
            QFile file(db);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(!file.readAll().contains("senha-da-maria"));
        }

        QCOMPARE(runServer({"user", "passwd", "maria", "--db", db}, "nova-senha-da-maria\n").status,
                 0);
        QCOMPARE(
            runServer({"user", "branches", "maria", "--branches", "0002", "--bound", "--db", db})
                .status,
            0);
        QVERIFY(runServer({"user", "disable", "maria", "--db", db}).out.contains("desativado"));
        const CommandOutcome unknown = runServer({"user", "enable", "ninguem", "--db", db});
        QCOMPARE(unknown.status, 1);
        QVERIFY(unknown.err.contains(QStringLiteral("não cadastrado")));
    }

    void mistakesOnTheCommandLineAreReported() {
        TestDatabase database(QStringLiteral("demo.db")), missing;
        const QString db = database.address();
        QCOMPARE(runServer({"--init-demo", "--db", db}).status, 0);
        const CommandOutcome unknown =
            runServer({"lock", "0000009999", "--branch", "0001", "--db", db});
        QCOMPARE(unknown.status, 1);
        QVERIFY(unknown.err.contains(QStringLiteral("não encontrada")));
        QCOMPARE(runServer({"lock", "0000000001", "--db", db}).status, 2);
        QCOMPARE(runServer({"apaga", "0000000001", "--branch", "0001", "--db", db}).status, 2);
        QCOMPARE(runServer({"--listen", "127.0.0.1:0"}).status, 2);
        QCOMPARE(runServer({"user", "add", "maria", "--db", db}, "senha-da-maria\n").status, 2);
        QCOMPARE(runServer({"user", "passwd", "maria", "--bound", "--db", db}).status, 2);
        QCOMPARE(runServer({"user", "rename", "maria", "--db", db}).status, 2);
        QCOMPARE(runServer({"audit", "--db", db}).status, 2);
        QCOMPARE(runServer({"audit", "--branch", "0001", "--since", "ontem", "--db", db}).status,
                 2);
        const CommandOutcome clear = runServer({"--listen", "0.0.0.0:0", "--db", db});
        QCOMPARE(clear.status, 1);
        QVERIFY(clear.err.contains(QStringLiteral("--cert")));
        QCOMPARE(runServer({"--listen", "127.0.0.1:99999", "--db", db}).status, 2);
        // A database that is not there, or not reachable, is refused at once.
        QElapsedTimer timer;
        timer.start();
        const CommandOutcome empty =
            runServer({"--listen", "127.0.0.1:0", "--db", missing.address()});
        QCOMPARE(empty.status, 1);
        QVERIFY2(empty.err.contains(missing.onPostgres() ? "está vazio" : "não encontrado"),
                 qPrintable(empty.err));
        if (!missing.onPostgres())
            QVERIFY(!QFile::exists(missing.address()));
        const CommandOutcome unreachable = runServer(
            {"--listen", "127.0.0.1:0", "--db", "postgresql://apurfat@127.0.0.1:1/apurfat"});
        QCOMPARE(unreachable.status, 1);
        QVERIFY2(unreachable.err.contains("Não foi possível conectar ao banco de dados "
                                          "postgresql://apurfat@127.0.0.1:1/apurfat"),
                 qPrintable(unreachable.err));
        const CommandOutcome unreadable =
            runServer({"--init", "--db", "postgresql://:senha@servidor:porta/"});
        QCOMPARE(unreadable.status, 1);
        QVERIFY(unreadable.err.contains("Endereço de banco PostgreSQL inválido"));
        QVERIFY(!unreadable.err.contains("senha"));
        QVERIFY(timer.elapsed() < 15000);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
