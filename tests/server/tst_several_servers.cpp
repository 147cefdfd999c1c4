// Several `apurfat-server` processes on one database, each with clerks of its own: what must
// hold for everyone holds whichever server a clerk went through: work numbers, saves, write
// keys, the owners of work numbers, sessions and the count of login attempts. Runs on SQLite
// (servers on one machine sharing a file) and on PostgreSQL (the installation this is for).

#include "error_of.h"
#include "fixture.h"
#include "tests/net/raw_client.h"

#include "framework/net/jsonrpc.h"
#include "framework/net/wire_codec.h"
#include "framework/net/write_key.h"
#include "host/server_process.h"
#include "server/auth/users.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSet>
#include <QTest>

#include <memory>

namespace {

const QDate Day(2026, 3, 2);
const QString Clerks[] = {QStringLiteral("ana"), QStringLiteral("bia")};
const QString Password = QStringLiteral("senha-de-teste");

QString serverExecutable() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/apurfat-server");
}

// The standard world with two clerks who may log in, and `count` servers on it.
struct Installation {
    explicit Installation(int count) {
        f.standardWorld();
        for (const QString& clerk : Clerks)
            server::addUser(f.db(), clerk, Password,
                            {{QStringLiteral("0001"), QStringLiteral("0002")}, {}, false});
        for (int i = 0; i < count; ++i) {
            servers.push_back(std::make_unique<ServerProcess>());
            servers.back()->start(serverExecutable(), f.address(), 30000);
        }
    }

    // A clerk logged in on server `index`.
    std::unique_ptr<RawClient> clerk(int index, const QString& login = Clerks[0]) {
        auto client = std::make_unique<RawClient>(quint16(servers.at(size_t(index))->port()));
        if (!client->logIn(login, Password).contains(QStringLiteral("result")))
            qFatal("%s could not log in", qPrintable(login));
        return client;
    }

    Fixture f;
    std::vector<std::unique_ptr<ServerProcess>> servers;
};

QByteArray request(const char* method, const QVariantList& args) {
    static int id = 0;
    QJsonArray params;
    for (const QVariant& a : args)
        params.append(wire::toJson(a));
    return RawClient::request(++id, method, QJsonDocument(params).toJson(QJsonDocument::Compact));
}

// Sends each clerk its request before reading any answer, so that the servers work on them
// at the same time; returns the answers' values in the clerks' order.
QList<QVariant> atOnce(const QList<std::pair<RawClient*, QByteArray>>& calls) {
    for (const auto& [client, line] : calls)
        client->sendLine(line);
    QList<QVariant> answers;
    for (const auto& [client, line] : calls) {
        const QJsonObject reply = client->read(30000);
        answers.append(reply.contains(QStringLiteral("result"))
                           ? wire::fromJson(reply.value("result").toObject().value("value"))
                           : QVariant(reply.value("error").toObject().value("message").toString()));
    }
    return answers;
}

// The same, carrying `key` as the host's connection does with every call.
QByteArray keyedRequest(const char* method, const QVariantList& args, const QString& key) {
    QJsonObject line = QJsonDocument::fromJson(request(method, args)).object();
    line.insert(QLatin1String(jsonrpc::WriteKeyMember), key);
    return QJsonDocument(line).toJson(QJsonDocument::Compact);
}

QVariant call(RawClient& client, const char* method, const QVariantList& args) {
    return atOnce({{&client, request(method, args)}}).first();
}

// The stored shares of the day, "sequence quantity".
QStringList shares(Fixture& f) {
    QStringList out;
    QSqlQuery q(f.db().connection());
    q.prepare("SELECT NRSEQITRAT, QTDERATEIO FROM EFETRATCDRS WHERE DTRATCDRS = ? ORDER BY 1");
    q.addBindValue(Day.toString(Qt::ISODate));
    q.exec();
    while (q.next())
        out << q.value(0).toString() + QLatin1Char(' ') + QString::number(q.value(1).toDouble());
    return out;
}

ShareRow share(const QString& sequence, double quantity) {
    ShareRow row;
    row.day = Day;
    row.sequence = sequence;
    row.quantity = quantity;
    return row;
}

} // namespace

class TestSeveralServers : public QObject {
    Q_OBJECT

private slots:
    void workNumbersAreNeverHandedOutTwice() {
        Installation site(2);
        std::vector<std::unique_ptr<RawClient>> clerks;
        for (int i = 0; i < 4; ++i)
            clerks.push_back(site.clerk(i % 2));
        QSet<QString> numbers;
        constexpr int kRounds = 25;
        for (int round = 0; round < kRounds; ++round) {
            QList<std::pair<RawClient*, QByteArray>> calls;
            for (auto& clerk : clerks)
                calls.append({clerk.get(), request("GetPrxRelApurFat", {QStringLiteral("0001")})});
            for (const QVariant& number : atOnce(calls)) {
                QVERIFY2(number.toString().startsWith(QStringLiteral("0001")),
                         qPrintable(number.toString()));
                numbers.insert(number.toString());
            }
        }
        QCOMPARE(numbers.size(), kRounds * 4);
    }

    // Both clerks loaded the day's share 0001 as 60; each saves a change of it, and a new
    // share 0003, through a server of their own at the same moment.
    void twoClerksSavingTheSameDayOnTwoServersOneGoesIn() {
        Installation site(2);
        site.f.addShare("0001", "C1", "00002", Day, "0001", 60);
        site.f.addShare("0001", "C1", "00002", Day, "0002", 40);
        auto ana = site.clerk(0, Clerks[0]);
        auto bia = site.clerk(1, Clerks[1]);
        for (int round = 0; round < 4; ++round) {
            const ShareRow loaded = share("0001", 60 + round);
            const QList<QVariant> answers =
                atOnce({{ana.get(),
                         request("SetRateio", {changePacket({updateOf(loaded, share("0001", 70)),
                                                             insertOf(share("0003", 1))})})},
                        {bia.get(),
                         request("SetRateio", {changePacket({updateOf(loaded, share("0001", 80)),
                                                             insertOf(share("0003", 2))})})}});
            QCOMPARE(int(ok(answers.at(0))) + int(ok(answers.at(1))), 1);
            const bool anaWon = ok(answers.at(0));
            const QString refusal = message(answers.at(anaWon ? 1 : 0));
            QVERIFY2(refusal.contains(QStringLiteral("foi alterado por outro usuário depois de "
                                                     "carregado. Nenhuma alteração foi gravada")),
                     qPrintable(refusal));
            // The winner's save whole, the loser's not at all; one record in the trail.
            QCOMPARE(shares(site.f), QStringList({anaWon ? "0001 70" : "0001 80", "0002 40",
                                                  anaWon ? "0003 1" : "0003 2"}));
            QCOMPARE(site.f.count("SELECT count(*) FROM AUDITORIA WHERE NMMETODO = 'SetRateio'"),
                     round + 1);
            QCOMPARE(
                site.f.value("SELECT NMLOGIN FROM AUDITORIA ORDER BY NRAUDITORIA DESC").toString(),
                anaWon ? Clerks[0] : Clerks[1]);
            // Back to the start for the next round, as the next day's work would be.
            site.f.db().exec("DELETE FROM EFETRATCDRS WHERE NRSEQITRAT = '0003'");
            site.f.db().exec("UPDATE EFETRATCDRS SET QTDERATEIO = ? WHERE NRSEQITRAT = '0001'",
                             {61.0 + round});
        }
    }

    void twoCalculationsOfTheSameClientAtOnceMakeOne() {
        Installation site(2);
        auto ana = site.clerk(0, Clerks[0]);
        auto bia = site.clerk(1, Clerks[1]);
        const QVariantList args{QStringLiteral("0001"),
                                QStringLiteral("C1"),
                                QDate(2026, 3, 1),
                                QDate(2026, 3, 31),
                                QString(),
                                QStringLiteral("0001")};
        const QList<QVariant> answers = atOnce({{ana.get(), request("Confirma_Calculo", args)},
                                                {bia.get(), request("Confirma_Calculo", args)}});
        QCOMPARE(int(ok(answers.at(0))) + int(ok(answers.at(1))), 1);
        const QString refusal = message(answers.at(ok(answers.at(0)) ? 1 : 0));
        QVERIFY2(refusal.contains(QStringLiteral("coincide com a apuração 0000000001")),
                 qPrintable(refusal));
        QCOMPARE(site.f.count("SELECT count(*) FROM CTRLAPURFAT"), 1);
        // March of both services billed once: 31 days of 10 at 6.50 and of 100 at 20.00.
        QCOMPARE(site.f.value("SELECT sum(QTFATURADA) FROM ITAPURFAT").toDouble(), 31 * 110.0);
        QCOMPARE(site.f.value("SELECT sum(VRFATURADO) FROM ITAPURFAT").toDouble(),
                 31 * (10 * 6.5 + 100 * 20.0));
        QCOMPARE(site.f.count("SELECT count(*) FROM EFETCDRS WHERE NRAPURACFAT = '0000000001'"),
                 62);
        QCOMPARE(site.f.count("SELECT count(*) FROM AUDITORIA WHERE NMMETODO = "
                              "'Confirma_Calculo'"),
                 1);
    }

    // A write's key is recorded with the write, so the key a clerk's screen sent to one server
    // is known to every other: a repeat there is answered with the first outcome, and two
    // servers given the same call at once store it once.
    void aWriteKeyHoldsOnEveryServer_data() {
        QTest::addColumn<bool>("together");
        QTest::newRow("repeated on the second after the first answered") << false;
        QTest::newRow("sent to both at the same moment") << true;
    }

    void aWriteKeyHoldsOnEveryServer() {
        QFETCH(bool, together);
        Installation site(2);
        auto onFirst = site.clerk(0);
        auto onSecond = site.clerk(1);
        const QByteArray save = keyedRequest(
            "SetRateio", {changePacket({insertOf(share("0003", 5))})}, writekey::generate());
        const QList<QVariant> answers =
            together ? atOnce({{onFirst.get(), save}, {onSecond.get(), save}})
                     : atOnce({{onFirst.get(), save}}) + atOnce({{onSecond.get(), save}});
        for (const QVariant& answer : answers)
            QVERIFY2(ok(answer), qPrintable(message(answer)));
        QCOMPARE(shares(site.f), QStringList{"0003 5"});
        QCOMPARE(site.f.count("SELECT count(*) FROM AUDITORIA WHERE NMMETODO = 'SetRateio'"), 1);
        QCOMPARE(site.f.count("SELECT count(*) FROM CHAVEGRAVACAO"), 1);
    }

    // The clerk's screen got its work number from one server and, after reconnecting, lists
    // and releases under it through another.
    void aWorkNumberIsItsOwnersOnEveryServer_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("its owner, logged in again") << Clerks[0] << true;
        QTest::newRow("another user") << Clerks[1] << false;
    }

    void aWorkNumberIsItsOwnersOnEveryServer() {
        QFETCH(QString, user);
        QFETCH(bool, allowed);
        Installation site(2);
        const QString number =
            call(*site.clerk(0, Clerks[0]), "GetPrxRelApurFat", {QStringLiteral("0001")})
                .toString();
        QVERIFY2(number.startsWith(QStringLiteral("0001")), qPrintable(number));
        auto onSecond = site.clerk(1, user);
        const QVariantList list{QStringLiteral("0001"), QDate(2026, 3, 1), QDate(2026, 3, 31),
                                number, QStringLiteral("C1")};
        const QVariant listed = call(*onSecond, "GetFiltro", list);
        QCOMPARE(ok(listed), allowed);
        const QString listRows =
            QStringLiteral("SELECT count(*) FROM RELAPURFAT WHERE NRRELAPURFAT = ?");
        QCOMPARE(site.f.count(listRows, {number}) > 0, allowed);
        if (!allowed)
            QCOMPARE(message(listed), QStringLiteral("O número de trabalho %1 não foi obtido pelo "
                                                     "usuário %2; nada foi alterado.")
                                          .arg(number, user));
        QCOMPARE(ok(call(*onSecond, "DelTableRelApur", {branchList({"0001"}), number})), allowed);
        QCOMPARE(site.f.count(listRows, {number}), 0);
    }

    // Seven wrong passwords for one login at once, four through one server and three through
    // the other. Five are free; the sixth waits a second and the seventh two more, as they
    // would on one server. Counted by each server alone, none would wait.
    void guessesSpreadOverTwoServersAreSlowedAsOne() {
        Installation site(2);
        std::vector<std::unique_ptr<RawClient>> guessers;
        for (int i = 0; i < 7; ++i)
            guessers.push_back(
                std::make_unique<RawClient>(quint16(site.servers.at(size_t(i % 2))->port())));
        QElapsedTimer clock;
        clock.start();
        for (auto& guesser : guessers)
            guesser->sendLine(RawClient::loginRequest(Clerks[0], QStringLiteral("chute")));
        for (auto& guesser : guessers)
            QCOMPARE(errorCode(guesser->read(60000)), int(jsonrpc::LoginFailed));
        QVERIFY2(clock.elapsed() >= 3000 - 100, qPrintable(QString::number(clock.elapsed())));
        // The right password next waits its turn as well (four seconds after the seventh's),
        // whichever server it is sent to.
        QVERIFY(site.clerk(1, Clerks[0]));
        QVERIFY2(clock.elapsed() >= 7000 - 100, qPrintable(QString::number(clock.elapsed())));
    }

    // A session belongs to its server's connection; what ends it is kept in the database,
    // so the operator's command ends it on every server.
    void endingAUserEndsItsSessionsOnEveryServer() {
        Installation site(2);
        auto onFirst = site.clerk(0);
        auto onSecond = site.clerk(1);
        const QVariantList lookup{QStringLiteral("0001"), QString()};
        QVERIFY(ok(call(*onFirst, "GetCliente", lookup)));
        QVERIFY(ok(call(*onSecond, "GetCliente", lookup)));

        QProcess command;
        command.start(serverExecutable(), {"user", "disable", Clerks[0], "--db", site.f.address()});
        QVERIFY(command.waitForFinished(30000));
        QCOMPARE(command.exitCode(), 0);
        for (RawClient* client : {onFirst.get(), onSecond.get()})
            QCOMPARE(call(*client, "GetCliente", lookup).toString(),
                     QStringLiteral("O usuário ana foi desativado."));
        // Nor can it log in again anywhere.
        for (int i = 0; i < 2; ++i)
            QVERIFY(!RawClient(quint16(site.servers.at(size_t(i))->port()))
                         .logIn(Clerks[0], Password)
                         .contains(QStringLiteral("result")));
    }
};

QTEST_GUILESS_MAIN(TestSeveralServers)
#include "tst_several_servers.moc"
