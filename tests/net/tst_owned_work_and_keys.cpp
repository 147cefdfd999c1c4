// Over the wire, on the real socket server: a work number stays its user's when the
// server starts again and the clerk's connection logs in anew, and no other user may list
// under it or release it; and a write sent again with its key, on another connection, is
// answered with the first outcome without running again.

#include "loopback_server.h"
#include "raw_client.h"

#include "framework/data/field_type.h"
#include "framework/net/jsonrpc.h"
#include "framework/net/rpc_client.h"
#include "framework/net/write_key.h"
#include "server/db/database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {

const QString B2 = QStringLiteral("0002");

QVariant call(RpcClient& client, const char* method, QVariantList args) {
    return client.Invoke(QString::fromLatin1(method), args);
}

bool ok(const QVariant& envelope) {
    return envelope.toMap().value(QStringLiteral("ok")).toBool();
}

QVariantMap branches(const QStringList& codes) {
    QVariantList rows;
    for (const QString& code : codes)
        rows.append(QVariant(QVariantList{code}));
    return {{QStringLiteral("fields"),
             QVariantList{QVariantMap{{"name", "CDFILIAL"}, {"type", "string"}, {"size", 4}}}},
            {QStringLiteral("rows"), rows}};
}

QVariantList listArgs(const QString& number) {
    return {B2, dateTimeOf(QDate(2026, 3, 1)), dateTimeOf(QDate(2026, 3, 15)), number,
            QStringLiteral("1004")};
}

QByteArray keyedRequest(int id, const char* method, const QJsonArray& params, const QString& key) {
    return QJsonDocument(QJsonObject{{"jsonrpc", "2.0"},
                                     {"id", id},
                                     {"method", method},
                                     {"params", params},
                                     {QLatin1String(jsonrpc::WriteKeyMember), key}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

class TestOwnedWorkAndKeys : public QObject {
    Q_OBJECT

private slots:
    void aWorkNumberStaysItsUsersAfterTheServerStartsAgain() {
        LoopbackServer server;
        RpcClient clerk;
        clerk.setEndpoint("127.0.0.1", server.port());
        clerk.setCredentials(LoopbackServer::login(), LoopbackServer::password());
        const QString number = call(clerk, "GetPrxRelApurFat", {B2}).toString();
        QVERIFY(ok(call(clerk, "GetFiltro", listArgs(number))));

        server.stop();
        server.start();
        // The same screen's next call logs in again and finds its number its own.
        QVERIFY(ok(call(clerk, "GetFiltro", listArgs(number))));

        RpcClient colleague;
        colleague.setEndpoint("127.0.0.1", server.port());
        colleague.setCredentials("campinas", "demo-campinas");
        const QString refusal = QStringLiteral("O número de trabalho %1 não foi obtido pelo "
                                               "usuário campinas; nada foi alterado.")
                                    .arg(number);
        const QVariant listed = call(colleague, "GetFiltro", listArgs(number));
        QCOMPARE(listed.toMap().value("message").toString(), refusal);
        const QVariant released = call(colleague, "DelTableRelApur", {branches({B2}), number});
        QCOMPARE(released.toMap().value("message").toString(), refusal);

        server::Database db(server.databasePath(), server::Database::Mode::OpenExisting);
        QVERIFY(
            db.scalar("SELECT count(*) FROM RELAPURFAT WHERE NRRELAPURFAT = ?", {number}).toInt() >
            0);
        // Each obtaining session is on record.
        QVERIFY(writekey::isWellFormed(
            db.scalar("SELECT DSSESSAO FROM RELAPURDONO WHERE NRRELAPURFAT = ?", {number})
                .toString()));
        QVERIFY(ok(call(clerk, "DelTableRelApur", {branches({B2}), number})));
        QCOMPARE(
            db.scalar("SELECT count(*) FROM RELAPURFAT WHERE NRRELAPURFAT = ?", {number}).toInt(),
            0);
    }

    void aWriteSentAgainWithItsKeyRunsOnce() {
        LoopbackServer server;
        const QString key = writekey::generate();
        const QJsonArray params{QStringLiteral("0001")};
        RawClient first(server.port(), RawClient::LoggedIn);
        first.sendLine(keyedRequest(1, "GetPrxRelApurFat", params, key));
        const QJsonObject answer = first.read();
        const QString number = answer.value("result").toObject().value("value").toString();
        QVERIFY(!number.isEmpty());

        // The answer was lost: the clerk's connection comes back and sends it again.
        RawClient again(server.port(), RawClient::LoggedIn);
        again.sendLine(keyedRequest(7, "GetPrxRelApurFat", params, key));
        const QJsonObject repeated = again.read();
        QCOMPARE(repeated.value("id").toInt(), 7);
        QCOMPARE(repeated.value("result"), answer.value("result"));
        // A new call gets the next number; the key for another call is refused.
        again.sendLine(keyedRequest(8, "GetPrxRelApurFat", params, writekey::generate()));
        QVERIFY(again.read().value("result").toObject().value("value").toString() != number);
        again.sendLine(keyedRequest(9, "GetPrxRelApurFat", QJsonArray{B2}, key));
        const QJsonObject misused = again.read();
        QCOMPARE(errorCode(misused), int(jsonrpc::MethodFailed));
        QVERIFY(misused.value("error").toObject().value("message").toString().contains(
            "já foi usada em outra chamada"));
    }
};

QTEST_GUILESS_MAIN(TestOwnedWorkAndKeys)
#include "tst_owned_work_and_keys.moc"
