// The client proxy over loopback: what comes back of a call, by-reference arguments, and
// every way the connection can fail.

#include "fake_server.h"
#include "loopback_server.h"

#include "contracts/host_framework.h"
#include "framework/data/field_type.h"
#include "framework/data/packet.h"
#include "framework/net/rpc_client.h"
#include "server/db/database.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

namespace {

const QString B1 = QStringLiteral("0001");

QVariantList lockArgs(const QVariant& processingDate) {
    return {QStringLiteral("1001"),
            B1,
            processingDate,
            dateTimeOf(QDate(2025, 12, 10)),
            dateTimeOf(QDate(2025, 12, 10)),
            false,
            QStringLiteral("00002")};
}

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

void pointAt(RpcClient& client, quint16 port) {
    client.setEndpoint(QStringLiteral("127.0.0.1"), port);
}

// As a clerk's connection: logged in as the demo user.
void pointAt(RpcClient& client, const LoopbackServer& server) {
    pointAt(client, server.port());
    client.setCredentials(LoopbackServer::login(), LoopbackServer::password());
}

// What a failed call raised: its message, and whether the connection failed (ENetError)
// rather than the server refusing the call (Exception).
struct Failure {
    QString message;
    bool network = false;
};

Failure failureOf(RpcClient& client, const QString& method, QVariantList args) {
    try {
        client.Invoke(method, args);
    } catch (const ENetError& e) {
        return {e.message(), true};
    } catch (const Exception& e) {
        return {e.message(), false};
    }
    return {};
}

bool netFailure(RpcClient& client, const QString& method, QVariantList args, const char* text) {
    const Failure f = failureOf(client, method, std::move(args));
    return f.network && f.message.contains(QString::fromUtf8(text));
}

bool refusal(RpcClient& client, const QString& method, QVariantList args, const char* text) {
    const Failure f = failureOf(client, method, std::move(args));
    return !f.network && f.message.contains(QString::fromUtf8(text));
}

} // namespace

class TestRpcClient : public QObject {
    Q_OBJECT

private slots:
    void byReferenceArgumentsComeBackWithTheCallersTypes() {
        LoopbackServer server;
        RpcClient client;
        pointAt(client, server);

        QVariantList args = lockArgs(dateTimeOf(QDate(2000, 1, 1)));
        const QVariantMap answer = client.Invoke(QStringLiteral("VerificaBloqueio"), args).toMap();
        QCOMPARE(answer.value("ok"), QVariant(true));
        QCOMPARE(answer.value("payload"), QVariant(false));
        QCOMPARE(args[2].typeId(), QMetaType::QDateTime);
        QCOMPARE(args[2].toDateTime(), dateTimeOf(LoopbackServer::today()));
        // The other arguments are the caller's, untouched.
        QCOMPARE(args[3].toDateTime(), dateTimeOf(QDate(2025, 12, 10)));

        QVariantList byDate = lockArgs(QDate(2000, 1, 1));
        client.Invoke(QStringLiteral("VerificaBloqueio"), byDate);
        QCOMPARE(byDate[2].typeId(), QMetaType::QDate);
        QCOMPARE(byDate[2].toDate(), LoopbackServer::today());

        QVariantList run{B1,
                         QStringLiteral("1003"),
                         dateTimeOf(QDate(2026, 3, 1)),
                         dateTimeOf(QDate(2026, 3, 10)),
                         QString(),
                         B1};
        const QVariantMap calculated =
            client.Invoke(QStringLiteral("Confirma_Calculo"), run).toMap();
        QVERIFY2(calculated.value("ok").toBool(),
                 qPrintable(calculated.value("message").toString()));
        QCOMPARE(run[4].typeId(), QMetaType::QString);
        QVERIFY(!run[4].toString().isEmpty());
        QCOMPARE(run[4].toString().size(), 10);
    }

    void resultsArriveAsTheCallerReadsThem() {
        LoopbackServer server;
        RpcClient client;
        pointAt(client, server);
        QVariantList days{QStringLiteral("1002"), B1, dateTimeOf(QDate(2026, 3, 1)),
                          dateTimeOf(QDate(2026, 3, 3)), QStringLiteral("00002")};
        const QVariantMap answer = client.Invoke(QStringLiteral("GetEfetivos"), days).toMap();
        QVERIFY(answer.value("ok").toBool());
        const packet::Table table = packet::decode(answer.value("payload"));
        QCOMPARE(table.rows.size(), 3);
        const int dayColumn = packet::indexOf(table.fields, QStringLiteral("DTEFETCDRS"));
        QCOMPARE(table.rows[0][dayColumn].toDateTime(), dateTimeOf(QDate(2026, 3, 1)));

        QVariantList branch{B1};
        const QVariant number = client.Invoke(QStringLiteral("GetPrxRelApurFat"), branch);
        QCOMPARE(number.typeId(), QMetaType::QString);
        QCOMPARE(number.toString(), QStringLiteral("0001000001"));

        // A refusal is an envelope, not a failure of the call.
        QVariantList nf{QStringLiteral("1001"),        B1,
                        dateTimeOf(QDate(2026, 3, 1)), dateTimeOf(QDate(2026, 3, 2)),
                        QStringLiteral("00002"),       QStringLiteral("0")};
        const QVariantMap refused = client.Invoke(QStringLiteral("SetEfetivos"), nf).toMap();
        QCOMPARE(refused.value("ok"), QVariant(false));
        QCOMPARE(refused.value("message").toString(),
                 QStringLiteral("NF deve estar entre 01 e 99."));
    }

    void protocolErrorsRaiseAndKeepTheConnection() {
        LoopbackServer server;
        RpcClient client;
        pointAt(client, server);
        QVERIFY(refusal(client, "Nada", {}, "Método desconhecido"));
        QVERIFY(client.isOpen());
        QVERIFY(refusal(client, "GetCliente", {B1, 42}, "deve ser um texto"));
        QVERIFY(refusal(client, "GetPrxRelApurFat", {QStringLiteral("9999")},
                        "Acesso negado à filial 9999."));
        QVERIFY(client.isOpen());
        QVariantList ok{B1, QString()};
        QVERIFY(client.Invoke(QStringLiteral("GetCliente"), ok).toMap().value("ok").toBool());
        QCOMPARE(server.connectionCount(), 1);
    }

    // Requests far larger than what the sockets hold at once leave in many writes and are
    // read in many pieces; the one over the limit is refused before anything is sent.
    void requestsOfEverySizeTravelWhole_data() {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("a few kilobytes") << 4 * 1024 << QStringLiteral("Método desconhecido");
        QTest::newRow("megabytes") << 12 * 1024 * 1024 << QStringLiteral("Método desconhecido");
        QTest::newRow("over the limit")
            << 17 * 1024 * 1024 << QStringLiteral("excede o limite de 16 MiB");
    }

    void requestsOfEverySizeTravelWhole() {
        QFETCH(int, bytes);
        QFETCH(QString, refusal);
        LoopbackServer server;
        RpcClient client;
        pointAt(client, server);
        const Failure f = failureOf(client, QStringLiteral("Nada"), {QString(bytes, u'x')});
        QVERIFY2(!f.network && f.message.contains(refusal), qPrintable(f.message));
        QVariantList ok{B1, QString()};
        QVERIFY(client.Invoke(QStringLiteral("GetCliente"), ok).toMap().value("ok").toBool());
        QCOMPARE(server.connectionCount(), 1);
    }

    void aServerThatIsNotThereFailsTheConnect() {
        RpcClient client;
        pointAt(client, closedPort());
        QElapsedTimer timer;
        timer.start();
        QVERIFY(netFailure(client, "GetCliente", {B1, QString()},
                           "Não foi possível conectar ao servidor de aplicação em 127.0.0.1:"));
        QVERIFY(timer.elapsed() < 3000);
        QVERIFY(!client.isOpen());

        client.setEndpoint(QString(), 1);
        QVERIFY(netFailure(client, "GetCliente", {B1, QString()}, "não informado"));
        client.setEndpoint(QStringLiteral("127.0.0.1"), 70000);
        QVERIFY(netFailure(client, "GetCliente", {B1, QString()}, "Porta"));
    }

    void aServerThatDoesNotAnswerTimesOutAndTheNextCallReconnects() {
        FakeServer fake(FakeServer::Silent);
        RpcClient client;
        pointAt(client, fake.port());
        client.setTimeouts(2000, 300);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(netFailure(client, "GetCliente", {B1, QString()}, "não respondeu"));
        QVERIFY(timer.elapsed() >= 300);
        QVERIFY(timer.elapsed() < 3000);
        QVERIFY(!client.isOpen());
        QVERIFY(netFailure(client, "GetCliente", {B1, QString()}, ""));
        QCOMPARE(fake.connections(), 2);
    }

    // The repeat of an unanswered call goes with its key (end to end in the screens' tests);
    // once answered, the same call again is a new one and runs again.
    void anAnsweredCallRepeatedIsANewCall() {
        LoopbackServer server;
        RpcClient client;
        pointAt(client, server);
        for (int i = 0; i < 2; ++i) {
            QVariantList args{
                "1002",  B1, dateTimeOf(QDate(2026, 3, 1)), dateTimeOf(QDate(2026, 3, 15)),
                "00004", "5"};
            QVERIFY(
                client.Invoke(QStringLiteral("SetEfetivos"), args).toMap().value("ok").toBool());
        }
        server::Database db(server.databasePath(), server::Database::Mode::OpenExisting);
        QCOMPARE(db.scalar("SELECT count(DISTINCT DSCHAVE) FROM CHAVEGRAVACAO WHERE NMMETODO = "
                           "'SetEfetivos'")
                     .toInt(),
                 2);
    }

    void aConnectionLostDuringTheCallIsReported() {
        FakeServer fake(FakeServer::HangUp);
        RpcClient client;
        pointAt(client, fake.port());
        QVERIFY(netFailure(client, "GetCliente", {B1, QString()},
                           "A conexão com o servidor de aplicação foi perdida"));
        QVERIFY(netFailure(client, "GetCliente", {B1, QString()}, ""));
        QCOMPARE(fake.connections(), 2);
    }

    void anUnreadableAnswerIsAFailureOfTheConnection_data() {
        QTest::addColumn<int>("behaviour");
        QTest::newRow("not json") << int(FakeServer::Garbage);
        QTest::newRow("someone else's answer") << int(FakeServer::WrongId);
    }

    void anUnreadableAnswerIsAFailureOfTheConnection() {
        QFETCH(int, behaviour);
        FakeServer fake{FakeServer::Behaviour(behaviour)};
        RpcClient client;
        pointAt(client, fake.port());
        QVERIFY(netFailure(client, "GetCliente", {B1, QString()}, "ilegível"));
        QVERIFY(!client.isOpen());
    }

    void anErrorAboutTheConnectionDropsIt() {
        FakeServer fake(FakeServer::Drops);
        RpcClient client;
        pointAt(client, fake.port());
        QVERIFY(netFailure(client, "GetCliente", {B1, QString()}, "Requisição incompleta."));
        QVERIFY(!client.isOpen());
    }

    void aServerRestartedBetweenCallsGoesUnnoticed() {
        LoopbackServer server;
        RpcClient client;
        pointAt(client, server);
        QVariantList args{B1, QString()};
        QVERIFY(client.Invoke(QStringLiteral("GetCliente"), args).toMap().value("ok").toBool());
        server.stop();
        server.start();
        QVERIFY(client.Invoke(QStringLiteral("GetCliente"), args).toMap().value("ok").toBool());
    }

    void aServerDownFailsTheCallAndTheNextOneAfterItIsBackWorks() {
        LoopbackServer server;
        RpcClient client;
        pointAt(client, server);
        QVariantList args{B1, QString()};
        client.Invoke(QStringLiteral("GetCliente"), args);
        server.stop();
        QVERIFY(netFailure(client, "GetCliente", args, "Não foi possível conectar"));
        server.start();
        QVERIFY(client.Invoke(QStringLiteral("GetCliente"), args).toMap().value("ok").toBool());
    }
};

QTEST_GUILESS_MAIN(TestRpcClient)
#include "tst_rpc_client.moc"
