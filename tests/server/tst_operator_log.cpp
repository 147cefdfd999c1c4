// The server's log as its operator reads it: who logged in, whose login was refused, which
// writes were refused and why; never a password, nor a login name that may be one.

#include "contracts/host_framework.h"
#include "framework/data/field_type.h"
#include "framework/net/rpc_client.h"
#include "server_cli.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A day of the demo's first month, inside its locked calculation.
QDateTime lockedDay() {
    const QDate month = QDate::currentDate().addMonths(-3);
    return dateTimeOf(QDate(month.year(), month.month(), 10));
}

// The secrets the rows type; none may reach the log.
const QStringList& secrets() {
    static const QStringList all{"demo-apuracao", "demo-campinas", "senha-errada-123",
                                 "senha-da-maria", "Senha-No-Campo-Login"};
    return all;
}

} // namespace

class TstOperatorLog : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ListeningServer> m_server;

private slots:
    void initTestCase() {
        const QString db = m_dir.filePath("apurfat.sqlite");
        QCOMPARE(runServer({"--init-demo", "--db", db}).status, 0);
        QCOMPARE(runServer({"user", "add", "maria", "--branches", "0001", "--db", db},
                           "senha-da-maria\n")
                     .status,
                 0);
        QCOMPARE(runServer({"user", "disable", "maria", "--db", db}).status, 0);
        // Verbose: even the log of every request keeps the secrets out.
        m_server = std::make_unique<ListeningServer>(db, QStringList{"--verbose"});
        QVERIFY(m_server->port() > 0);
    }
    void cleanupTestCase() { m_server.reset(); }

    void eachStoryLeavesItsLine_data() {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("write"); // empty: the login alone
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("logged");

        const QDateTime day = lockedDay();
        QTest::newRow("login") << "demo"
                               << "demo-apuracao" << QString() << QVariantList()
                               << "session opened for demo from 127.0.0.1";
        QTest::newRow("wrong password") << "demo"
                                        << "senha-errada-123" << QString() << QVariantList()
                                        << "login refused for demo from 127.0.0.1 (wrong password)";
        // A clerk who typed the password in the login field.
        QTest::newRow("unknown login") << "Senha-No-Campo-Login"
                                       << "demo" << QString() << QVariantList()
                                       << "login refused for an unknown login from 127.0.0.1";
        QTest::newRow("disabled user") << "maria"
                                       << "senha-da-maria" << QString() << QVariantList()
                                       << "login refused for maria from 127.0.0.1 (disabled)";
        QTest::newRow("write on another branch")
            << "campinas"
            << "demo-campinas"
            << "SetEfetivos" << QVariantList{"1001", "0001", day, day, "00002", "1"}
            << "write SetEfetivos by campinas from 127.0.0.1 refused: Acesso negado à filial 0001.";
        QTest::newRow("write in a locked period")
            << "demo"
            << "demo-apuracao"
            << "SetEfetivos" << QVariantList{"1001", "0001", day, day, "00002", "1"}
            << "write SetEfetivos by demo from 127.0.0.1 refused: Operação não permitida. "
               "Período de faturamento bloqueado (apuração 0000000001";
    }

    void eachStoryLeavesItsLine() {
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QString, write);
        QFETCH(QVariantList, args);
        QFETCH(QString, logged);

        RpcClient client;
        client.setEndpoint(QStringLiteral("127.0.0.1"), m_server->port());
        client.setCredentials(login, password);
        try {
            if (write.isEmpty()) {
                client.open();
            } else {
                const QVariantMap result = client.Invoke(write, args).toMap();
                QCOMPARE(result.value("ok").toBool(), false);
            }
        } catch (const ELoginRefused&) {
            // The refusals' line is what this row checks.
        }
        QVERIFY2(m_server->waitForLog(logged), qPrintable(m_server->log()));
    }

    void noSecretIsEverWritten() {
        const QString log = m_server->log();
        // The stories above ran and were logged.
        QVERIFY(log.contains("session opened for campinas"));
        for (const QString& secret : secrets())
            QVERIFY2(!log.contains(secret, Qt::CaseInsensitive), qPrintable(secret));
    }
};

QTEST_GUILESS_MAIN(TstOperatorLog)
#include "tst_operator_log.moc"
