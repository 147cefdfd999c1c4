// Sessions on the real socket server: no call without a login, what a login answers, the
// end of a session (expiry, a disabled user, a new password), branch rights and the audit
// trail over the wire, a work number that stays its user's across a restart, the slow-down
// of a login under guessing, in a row or all at once, that leaves every other login and call
// alone, and logins refused before any use.

#include "loopback_server.h"
#include "raw_client.h"

#include "framework/data/field_type.h"
#include "framework/net/jsonrpc.h"
#include "framework/net/rpc_client.h"
#include "server/audit/audit_trail.h"
#include "server/auth/users.h"
#include "server/db/database.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <tuple>
#include <vector>

namespace {

const QByteArray Lookup0001 = RawClient::request(1, "GetCliente", R"(["0001",""])");
const QByteArray Lookup0002 = RawClient::request(2, "GetCliente", R"(["0002",""])");

QString errorMessage(const QJsonObject& reply) {
    return reply.value("error").toObject().value("message").toString();
}

QJsonObject envelope(const QJsonObject& reply) {
    return reply.value("result").toObject().value("value").toObject();
}

QJsonObject call(RawClient& client, const QByteArray& request) {
    client.sendLine(request);
    return client.read();
}

// Changes a user on the server's database, as the operator's command line does.
template <typename Fn> void onServerDatabase(const LoopbackServer& server, Fn fn) {
    server::Database db(server.databasePath(), server::Database::Mode::OpenExisting);
    fn(db);
}

QString failureOf(RpcClient& client) {
    QVariantList args{QStringLiteral("0001"), QString()};
    try {
        client.Invoke(QStringLiteral("GetCliente"), args);
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

} // namespace

class TestSessions : public QObject {
    Q_OBJECT

private slots:
    void nothingIsAnsweredBeforeALoginAndALoginTellsTheBranches() {
        LoopbackServer server;
        RawClient client(server.port());
        QJsonObject reply = call(client, Lookup0001);
        QCOMPARE(errorCode(reply), int(jsonrpc::NoSession));
        QVERIFY(errorMessage(reply).contains("entre com usuário e senha"));
        // A method that does not exist says nothing more to a stranger.
        QCOMPARE(errorCode(call(client, RawClient::request(3, "ApagaTudo", "[]"))),
                 int(jsonrpc::NoSession));

        for (const auto& [login, password] :
             {std::pair{"demo", "senha-errada"}, std::pair{"ninguem", "demo-apuracao"}}) {
            reply = client.logIn(login, password);
            QCOMPARE(errorCode(reply), int(jsonrpc::LoginFailed));
            QCOMPARE(errorMessage(reply), QStringLiteral("Usuário ou senha inválidos."));
            QCOMPARE(errorCode(call(client, Lookup0001)), int(jsonrpc::NoSession));
        }

        reply = client.logIn("demo", "demo-apuracao");
        const QJsonObject values = reply.value("result").toObject().value("value").toObject();
        QCOMPARE(values.value("FiliProc").toString(), QStringLiteral("0001"));
        QCOMPARE(values.value("NomeFiliProc").toString(), QStringLiteral("Matriz São Paulo"));
        QCOMPARE(values.value("FiliProcFat").toString(), QStringLiteral("0001"));
        QCOMPARE(values.value("ModuFili").toBool(), false);
        QCOMPARE(values.value("Filiais").toArray().size(), 2);
        QVERIFY(envelope(call(client, Lookup0001)).value("ok").toBool());
        QVERIFY(envelope(call(client, Lookup0002)).value("ok").toBool());
    }

    void aBoundUserWorksOnItsBranchOnly() {
        LoopbackServer server;
        RawClient client(server.port());
        const QJsonObject values = client.logIn("campinas", "demo-campinas")
                                       .value("result")
                                       .toObject()
                                       .value("value")
                                       .toObject();
        QCOMPARE(values.value("FiliProc").toString(), QStringLiteral("0002"));
        QCOMPARE(values.value("NomeFiliProc").toString(), QStringLiteral("Filial Campinas"));
        QCOMPARE(values.value("ModuFili").toBool(), true);
        QCOMPARE(values.value("Filiais").toArray().size(), 1);
        QVERIFY(envelope(call(client, Lookup0002)).value("ok").toBool());
        const QJsonObject refused = envelope(call(client, Lookup0001));
        QCOMPARE(refused.value("ok").toBool(), false);
        QCOMPARE(refused.value("message").toString(),
                 QStringLiteral("Acesso negado à filial 0001."));
    }

    void writesOverTheWireAreAuditedWithTheirAddressAndRefusalsAreNot() {
        LoopbackServer server;
        RawClient client(server.port());
        client.logIn("campinas", "demo-campinas");
        const char* elsewhere = R"(["1001","0001","2026-03-02","2026-03-03","00002","5"])";
        QCOMPARE(envelope(call(client, RawClient::request(4, "SetEfetivos", elsewhere)))
                     .value("ok")
                     .toBool(),
                 false);
        const char* own = R"(["1004","0002","2026-03-02","2026-03-03","00002","5"])";
        QVERIFY(
            envelope(call(client, RawClient::request(5, "SetEfetivos", own))).value("ok").toBool());
        onServerDatabase(server, [](server::Database& db) {
            const QDateTime since(QDate(2000, 1, 1), QTime(0, 0));
            QVERIFY(server::auditEntries(db, "0001", since).isEmpty());
            const auto trail = server::auditEntries(db, "0002", since);
            QCOMPARE(trail.size(), 1);
            QCOMPARE(trail[0].login, QStringLiteral("campinas"));
            QCOMPARE(trail[0].address, QStringLiteral("127.0.0.1"));
            QCOMPARE(trail[0].method, QStringLiteral("SetEfetivos"));
        });
    }

    void anExpiredSessionIsRefusedAndTheClientLogsInAgain() {
        LoopbackServer server([](server::rpc::ServerOptions& o) { o.sessionLifetimeMs = 400; });
        RawClient raw(server.port(), RawClient::LoggedIn);
        RpcClient client;
        client.setEndpoint("127.0.0.1", server.port());
        client.setCredentials(LoopbackServer::login(), LoopbackServer::password());
        QCOMPARE(failureOf(client), QString());
        QTest::qWait(500);

        QJsonObject reply = call(raw, Lookup0001);
        QCOMPARE(errorCode(reply), int(jsonrpc::SessionEnded));
        QCOMPARE(errorMessage(reply), QStringLiteral("A sessão expirou."));
        QCOMPARE(errorCode(call(raw, Lookup0001)), int(jsonrpc::NoSession));

        const QString ended = failureOf(client);
        QVERIFY2(ended.contains("A sessão com o servidor de aplicação foi encerrada: A sessão "
                                "expirou."),
                 qPrintable(ended));
        QVERIFY(!client.isOpen());
        QCOMPARE(failureOf(client), QString());
    }

    void branchesChangedElsewhereTakeHoldOnTheNextCallOfAnOpenSession() {
        LoopbackServer server;
        RpcClient client;
        client.setEndpoint("127.0.0.1", server.port());
        client.setCredentials(LoopbackServer::login(), LoopbackServer::password());
        auto lookupIn = [&](const QString& branch) {
            QVariantList args{branch, QString()};
            return client.Invoke(QStringLiteral("GetCliente"), args).toMap();
        };
        QVERIFY(lookupIn("0001").value("ok").toBool());
        // The operator's tool is another connection, as another server process would be.
        onServerDatabase(server, [](server::Database& db) {
            server::setUserBranches(db, "demo", {{"0002"}, QString(), false});
        });
        QCOMPARE(lookupIn("0001").value("message").toString(),
                 QStringLiteral("Acesso negado à filial 0001."));
        QVERIFY(lookupIn("0002").value("ok").toBool());
        onServerDatabase(server, [](server::Database& db) {
            server::setUserBranches(db, "demo", {{"0001", "0002"}, "0001", false});
        });
        QVERIFY(lookupIn("0001").value("ok").toBool());
        QVERIFY(client.isOpen());
    }

    void aDisabledUserOrANewPasswordEndsTheSessions() {
        LoopbackServer server;
        RpcClient client;
        client.setEndpoint("127.0.0.1", server.port());
        client.setCredentials(LoopbackServer::login(), LoopbackServer::password());
        QCOMPARE(failureOf(client), QString());

        onServerDatabase(server,
                         [](server::Database& db) { server::setUserActive(db, "demo", false); });
        QVERIFY(failureOf(client).contains("O usuário demo foi desativado."));
        // The new login the next call makes is refused, and says why.
        try {
            QVariantList args{QStringLiteral("0001"), QString()};
            client.Invoke(QStringLiteral("GetCliente"), args);
            QFAIL("a disabled user logged in");
        } catch (const ELoginRefused& e) {
            QCOMPARE(e.message(), QStringLiteral("O usuário demo está desativado."));
        }

        onServerDatabase(server,
                         [](server::Database& db) { server::setUserActive(db, "demo", true); });
        QCOMPARE(failureOf(client), QString());
        onServerDatabase(server, [](server::Database& db) {
            server::changePassword(db, "demo", "senha-nova-da-demo");
        });
        QVERIFY(failureOf(client).contains("A senha do usuário demo foi alterada."));
        QVERIFY(failureOf(client).contains("Usuário ou senha inválidos."));
        client.setCredentials("demo", "senha-nova-da-demo");
        QCOMPARE(failureOf(client), QString());
    }

    void aWorkNumberStaysItsUsersAfterTheServerStartsAgain() {
        LoopbackServer server;
        RpcClient clerk, colleague;
        for (auto [client, login, password] :
             {std::tuple{&clerk, LoopbackServer::login(), LoopbackServer::password()},
              std::tuple{&colleague, QStringLiteral("campinas"),
                         QStringLiteral("demo-campinas")}}) {
            client->setEndpoint("127.0.0.1", server.port());
            client->setCredentials(login, password);
        }
        QVariantList obtain{QStringLiteral("0002")};
        const QString number = clerk.Invoke("GetPrxRelApurFat", obtain).toString();
        QVariantList list{QStringLiteral("0002"), dateTimeOf(QDate(2026, 3, 1)),
                          dateTimeOf(QDate(2026, 3, 15)), number, QStringLiteral("1004")};
        server.stop();
        server.start();
        // The same screen's next call logs in again and finds its number its own.
        QVERIFY(clerk.Invoke("GetFiltro", list).toMap().value("ok").toBool());
        QCOMPARE(colleague.Invoke("GetFiltro", list).toMap().value("message").toString(),
                 QStringLiteral("O número de trabalho %1 não foi obtido pelo usuário campinas; "
                                "nada foi alterado.")
                     .arg(number));
    }

    void guessingSlowsThatLoginDownAndNoOneElse() {
        constexpr int kDelayMs = 3000;
        // One worker: everything below shares the thread the slowed login is waiting on.
        LoopbackServer server([](server::rpc::ServerOptions& o) {
            o.workers = 1;
            o.loginThrottle.firstDelayMs = kDelayMs;
        });
        RawClient working(server.port(), RawClient::LoggedIn);
        RawClient guesser(server.port());
        // The sixth attempt, even with the right password, waits its turn: a delay after the
        // fifth arrived, however long the fifth's check took.
        QElapsedTimer slowed;
        for (int i = 0; i < 5; ++i) {
            slowed.start();
            QCOMPARE(errorCode(guesser.logIn("demo", "chute")), int(jsonrpc::LoginFailed));
        }
        guesser.sendLine(RawClient::loginRequest("demo", "demo-apuracao", 7));
        // Not read yet: meanwhile another login and other calls go through at once.
        QElapsedTimer others;
        others.start();
        RawClient colleague(server.port());
        QVERIFY(colleague.logIn("campinas", "demo-campinas").contains("result"));
        QVERIFY(envelope(call(working, Lookup0001)).value("ok").toBool());
        QVERIFY2(others.elapsed() < kDelayMs / 2, qPrintable(QString::number(others.elapsed())));

        QVERIFY(!guesser.read(10000).isEmpty());
        QVERIFY2(slowed.elapsed() >= kDelayMs - 100, qPrintable(QString::number(slowed.elapsed())));
    }

    void guessesAllAtOnceAreSlowedLikeTheSameGuessesInARow() {
        // Two free attempts, then one every 1.5 s: the waits dwarf the password checks even
        // on a busy machine, where a check may take most of a second.
        constexpr int kGuesses = 6;
        constexpr qint64 kSpacingMs = 1500;
        LoopbackServer server([](server::rpc::ServerOptions& o) {
            o.loginThrottle = {2, kSpacingMs, kSpacingMs, 15 * 60 * 1000};
        });
        QElapsedTimer clock;
        RawClient oneByOne(server.port());
        clock.start();
        for (int i = 0; i < kGuesses; ++i)
            QCOMPARE(errorCode(oneByOne.logIn("visitante", "chute")), int(jsonrpc::LoginFailed));
        const qint64 inARow = clock.elapsed();

        // The same guesses at another login, sent at once on as many connections.
        std::vector<std::unique_ptr<RawClient>> burst;
        for (int i = 0; i < kGuesses; ++i)
            burst.push_back(std::make_unique<RawClient>(server.port()));
        clock.restart();
        for (auto& guesser : burst)
            guesser->sendLine(RawClient::loginRequest("campinas", "chute"));
        QElapsedTimer colleague;
        colleague.start();
        RawClient other(server.port());
        QVERIFY(other.logIn("demo", "demo-apuracao").contains("result"));
        const qint64 otherLogin = colleague.elapsed();
        for (auto& guesser : burst)
            QCOMPARE(errorCode(guesser->read(60000)), int(jsonrpc::LoginFailed));
        const qint64 atOnce = clock.elapsed();

        // Both are mostly the four waits; the password checks are a small part of either.
        const QString figures = QStringLiteral("in a row %1 ms, at once %2 ms, other login %3 ms")
                                    .arg(inARow)
                                    .arg(atOnce)
                                    .arg(otherLogin);
        qInfo("%s", qPrintable(figures));
        QVERIFY2(inARow >= (kGuesses - 2) * kSpacingMs - 100, qPrintable(figures));
        const double ratio = double(atOnce) / double(inARow);
        QVERIFY2(ratio > 0.6 && ratio < 1.6, qPrintable(figures));
        QVERIFY2(otherLogin < inARow / 2, qPrintable(figures));
    }

    void loginsTooLongOrNotTextAreRefusedBeforeAnyUse_data() {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("two million characters") << QString(2'000'000, u'a') << "chute"
                                                << "o usuário passa de 40 caracteres";
        QTest::newRow("a long password")
            << "demo" << QString(100'000, u'x') << "a senha passa de 1024 caracteres";
        QTest::newRow("a nul in the login") << QStringLiteral("demo") + QChar(0) << "chute"
                                            << "o usuário contém o caractere nulo";
        QTest::newRow("a line break in the login") << "demo\nlogin accepted for root"
                                                   << "chute"
                                                   << "o usuário contém o caractere de "
                                                      "controle U+000A";
    }

    void loginsTooLongOrNotTextAreRefusedBeforeAnyUse() {
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QString, refusal);
        // No attempt is free: one that reached the throttle would slow the next login down.
        LoopbackServer server([](server::rpc::ServerOptions& o) {
            o.loginThrottle = {0, 30000, 30000, 15 * 60 * 1000};
        });
        // Whatever the server logs of them stays short.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("[\\s\\S]{200}")));
        RawClient client(server.port());
        for (int i = 0; i < 3; ++i) {
            const QJsonObject reply = client.logIn(login, password);
            QCOMPARE(errorCode(reply), int(jsonrpc::InvalidParams));
            QVERIFY2(errorMessage(reply).contains(refusal), qPrintable(errorMessage(reply)));
        }
        QVERIFY(client.logIn("demo", "demo-apuracao").contains("result"));
    }
};

QTEST_GUILESS_MAIN(TestSessions)
#include "tst_sessions.moc"
