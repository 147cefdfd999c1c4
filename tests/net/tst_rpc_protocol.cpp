// The wire protocol over loopback, from the outside, on logged-in connections: bad input of
// every kind, ordering, the frame limit, silent and slow clients, and connections by the
// thousand.

#include "loopback_server.h"
#include "raw_client.h"

#include "framework/net/jsonrpc.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QMutex>
#include <QTest>

#include <memory>
#include <vector>

namespace {

const QByteArray Lookup = RawClient::request(1, "GetCliente", R"(["0001",""])");

// The methods the server answers, in order, from its per-request debug lines.
class MethodLog {
public:
    MethodLog() {
        s_current = this;
        QLoggingCategory::setFilterRules(QStringLiteral("apurfat.server.methods.debug=true"));
        m_previous = qInstallMessageHandler(&MethodLog::handle);
    }
    ~MethodLog() {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
        s_current = nullptr;
    }
    int count(const QString& method) const {
        QMutexLocker lock(&m_mutex);
        return int(m_methods.count(method));
    }
    qsizetype size() const {
        QMutexLocker lock(&m_mutex);
        return m_methods.size();
    }
    // The most calls of `other` answered in a row from `from` on and before the last call
    // of `method`, or to the end when `method` never came.
    int longestRun(qsizetype from, const QString& method, const QString& other) const {
        QMutexLocker lock(&m_mutex);
        const qsizetype last = m_methods.lastIndexOf(method);
        int longest = 0, run = 0;
        for (qsizetype i = from; i < (last < from ? m_methods.size() : last); ++i) {
            run = m_methods.at(i) == other ? run + 1 : 0;
            longest = qMax(longest, run);
        }
        return longest;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtDebugMsg && qstrcmp(context.category, "apurfat.server.methods") == 0) {
            QMutexLocker lock(&s_current->m_mutex);
            s_current->m_methods.append(text.section(QLatin1Char(' '), 0, 0));
        }
    }

    static inline MethodLog* s_current = nullptr;
    QtMessageHandler m_previous;
    mutable QMutex m_mutex;
    QStringList m_methods;
};

bool answersLookup(RawClient& client, int id = 1) {
    client.sendLine(RawClient::request(id, "GetCliente", R"(["0001",""])"));
    const QJsonObject reply = client.read();
    return reply.value("id").toInt() == id &&
           reply.value("result").toObject().value("value").toObject().value("ok").toBool();
}

} // namespace

class TestRpcProtocol : public QObject {
    Q_OBJECT

private slots:
    void badInputGetsAnErrorAndTheConnectionGoesOn_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("hasId");
        QTest::newRow("malformed")
            << QByteArray("{\"jsonrpc\":\"2.0\",") << int(jsonrpc::ParseError) << false;
        QTest::newRow("garbage") << QByteArray("GET / HTTP/1.1") << int(jsonrpc::ParseError)
                                 << false;
        QTest::newRow("bad utf-8")
            << QByteArray("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"\xff\xfe\"}")
            << int(jsonrpc::ParseError) << false;
        QTest::newRow("deep nesting")
            << QByteArray(200000, '[') << int(jsonrpc::ParseError) << false;
        QTest::newRow("number") << QByteArray("5") << int(jsonrpc::InvalidRequest) << false;
        QTest::newRow("text") << QByteArray("\"texto\"") << int(jsonrpc::InvalidRequest) << false;
        QTest::newRow("null") << QByteArray("null") << int(jsonrpc::InvalidRequest) << false;
        QTest::newRow("batch") << QByteArray("[" + Lookup + "]") << int(jsonrpc::InvalidRequest)
                               << false;
        QTest::newRow("no version")
            << QByteArray(R"({"id":1,"method":"GetCliente","params":["0001",""]})")
            << int(jsonrpc::InvalidRequest) << true;
        QTest::newRow("old version")
            << QByteArray(R"({"jsonrpc":"1.0","id":1,"method":"GetCliente","params":["0001",""]})")
            << int(jsonrpc::InvalidRequest) << true;
        QTest::newRow("method not text")
            << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":5,"params":[]})")
            << int(jsonrpc::InvalidRequest) << true;
        QTest::newRow("object id")
            << QByteArray(
                   R"({"jsonrpc":"2.0","id":{"a":1},"method":"GetCliente","params":["0001",""]})")
            << int(jsonrpc::InvalidRequest) << false;
        QTest::newRow("params scalar") << RawClient::request(1, "GetCliente", "\"0001\"")
                                       << int(jsonrpc::InvalidRequest) << true;
        QTest::newRow("named params")
            << RawClient::request(1, "GetCliente", R"({"CdFilial":"0001"})")
            << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("unknown method")
            << RawClient::request(1, "ApagaTudo", "[]") << int(jsonrpc::MethodNotFound) << true;
        QTest::newRow("no params")
            << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"GetCliente"})")
            << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("missing param") << RawClient::request(1, "GetCliente", R"(["0001"])")
                                       << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("extra param") << RawClient::request(1, "GetCliente", R"(["0001","",""])")
                                     << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("number for text") << RawClient::request(1, "GetCliente", R"(["0001",5])")
                                         << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("null for text") << RawClient::request(1, "GetCliente", R"([null,""])")
                                       << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("impossible date")
            << RawClient::request(1, "GetRateio", R"(["1001","0001","2026-02-30","00002"])")
            << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("date in words")
            << RawClient::request(1, "GetRateio", R"(["1001","0001","ontem","00002"])")
            << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("text for flag")
            << RawClient::request(
                   1, "VerificaBloqueio",
                   R"(["1001","0001","2026-03-15","2026-03-02","2026-03-02","sim","00002"])")
            << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("text for packet") << RawClient::request(1, "SetRateio", R"(["linhas"])")
                                         << int(jsonrpc::InvalidParams) << true;
        // Text that is not text, raw or escaped.
        static const char rawNul[] = R"({"jsonrpc":"2.0","id":1,"method":"GetCliente",)"
                                     "\"params\":[\"0001\",\"11\0\"]}";
        QTest::newRow("raw nul in a string")
            << QByteArray(rawNul, sizeof rawNul - 1) << int(jsonrpc::ParseError) << false;
        QTest::newRow("raw control in a string")
            << RawClient::request(1, "GetCliente", "[\"0001\",\"11\x01\"]")
            << int(jsonrpc::ParseError) << false;
        QTest::newRow("escaped nul in a parameter")
            << RawClient::request(1, "GetCliente", R"(["0001","11\u0000"])")
            << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("half a surrogate pair in a parameter")
            << RawClient::request(1, "GetCliente", R"(["0001","11\ud800"])")
            << int(jsonrpc::InvalidParams) << true;
        QTest::newRow("control in the method")
            << RawClient::request(1, "GetCliente\\u001b", R"(["0001",""])")
            << int(jsonrpc::InvalidRequest) << true;
        QTest::newRow("a key that is not 128 bits")
            << QByteArray(R"({"jsonrpc":"2.0","id":1,"key":"abc","method":"SetRateio",)"
                          R"("params":[null]})")
            << int(jsonrpc::InvalidRequest) << true;
        QTest::newRow("work number of no branch")
            << RawClient::request(1, "GetPrxRelApurFat", R"(["9999"])")
            << int(jsonrpc::MethodFailed) << true;
    }

    void badInputGetsAnErrorAndTheConnectionGoesOn() {
        QFETCH(QByteArray, line);
        QFETCH(int, code);
        QFETCH(bool, hasId);
        LoopbackServer server;
        RawClient client(server.port(), RawClient::LoggedIn);
        client.sendLine(line);
        const QJsonObject reply = client.read();
        QCOMPARE(errorCode(reply), code);
        QCOMPARE(reply.value("jsonrpc").toString(), QStringLiteral("2.0"));
        QCOMPARE(reply.value("id"), hasId ? QJsonValue(1) : QJsonValue(QJsonValue::Null));
        QVERIFY(!reply.value("error").toObject().value("message").toString().isEmpty());
        QVERIFY(!reply.contains("result"));
        QVERIFY(answersLookup(client, 2));
    }

    void aRefusedRuleAnswersWithAnEnvelope() {
        LoopbackServer server;
        RawClient client(server.port(), RawClient::LoggedIn);
        client.sendLine(RawClient::request(
            3, "SetEfetivos", R"(["1001","0001","2026-03-01","2026-03-10","00002","100"])"));
        const QJsonObject value =
            client.read().value("result").toObject().value("value").toObject();
        QCOMPARE(value.value("ok"), QJsonValue(false));
        QCOMPARE(value.value("message").toString(), QStringLiteral("NF deve estar entre 01 e 99."));
        QVERIFY(value.value("payload").isNull());
    }

    void notificationsAndBlankLinesGetNoAnswer() {
        LoopbackServer server;
        RawClient client(server.port(), RawClient::LoggedIn);
        client.sendLine(R"({"jsonrpc":"2.0","method":"GetCliente","params":["0001",""]})");
        client.sendLine(R"({"jsonrpc":"2.0","method":"Nada","params":[]})");
        client.sendLine("   ");
        client.sendLine("\r");
        QVERIFY(answersLookup(client, 7));
        QVERIFY(client.read(300).isEmpty());
    }

    void requestsOfAConnectionAreAnsweredInOrder() {
        LoopbackServer server;
        RawClient client(server.port(), RawClient::LoggedIn);
        QByteArray burst;
        constexpr int kRequests = 300;
        for (int id = 1; id <= kRequests; ++id) {
            const char* call = id % 3 == 0 ? "GetPrxRelApurFat"
                                           : (id % 3 == 1 ? "GetCliente" : "VerificaBloqueio");
            const char* params =
                id % 3 == 0
                    ? R"(["0001"])"
                    : (id % 3 == 1
                           ? R"(["0001",""])"
                           : R"(["1001","0001","2026-03-15","2026-03-02","2026-03-02",false,"00002"])");
            burst += RawClient::request(id, call, params) + '\n';
        }
        client.send(burst);
        for (int id = 1; id <= kRequests; ++id) {
            const QJsonObject reply = client.read();
            QCOMPARE(reply.value("id").toInt(), id);
            QVERIFY(reply.contains("result"));
        }
    }

    void aFrameOverTheLimitIsRefusedAndTheConnectionClosed() {
        LoopbackServer server;
        RawClient client(server.port(), RawClient::LoggedIn);
        RawClient other(server.port(), RawClient::LoggedIn);
        const QByteArray chunk(1024 * 1024, ' ');
        client.send("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"GetCliente\",\"params\":[\"");
        for (qsizetype sent = 0; sent <= jsonrpc::FrameLimit; sent += chunk.size())
            client.send(chunk);
        const QJsonObject reply = client.read(10000);
        QCOMPARE(errorCode(reply), int(jsonrpc::InvalidRequest));
        QVERIFY(reply.value("error").toObject().value("message").toString().contains("16 MiB"));
        QVERIFY(client.closedByServer());
        QVERIFY(answersLookup(other));
        // Just under the limit is a frame like any other.
        RawClient large(server.port(), RawClient::LoggedIn);
        QByteArray padded = RawClient::request(1, "GetCliente", R"(["0001",""])");
        padded.insert(padded.size() - 1,
                      QByteArray(",\"pad\":\"") +
                          QByteArray(jsonrpc::FrameLimit - padded.size() - 20, 'x') + '"');
        QVERIFY(padded.size() <= jsonrpc::FrameLimit);
        large.sendLine(padded);
        QVERIFY(large.read(10000).contains("result"));
    }

    void aHalfFrameThenSilenceTimesOut() {
        LoopbackServer server(2, 300);
        RawClient idle(server.port(), RawClient::LoggedIn);
        RawClient half(server.port());
        half.send("{\"jsonrpc\":\"2.0\",\"id\":1,\"meth");
        QElapsedTimer timer;
        timer.start();
        const QJsonObject reply = half.read(5000);
        QCOMPARE(errorCode(reply), int(jsonrpc::InvalidRequest));
        QVERIFY(timer.elapsed() >= 250);
        QVERIFY(half.closedByServer());
        // A connection idle between calls is not a half frame: it stays.
        QTest::qWait(400);
        QVERIFY(answersLookup(idle));
    }

    void silentAndSlowClientsDoNotBlockOthers() {
        // The server logs each call it answers; the order of those lines shows whether the
        // other client's calls were answered in between the burst or only after it.
        MethodLog log;
        // One worker: every connection shares its thread.
        LoopbackServer server(1);
        RawClient silent(server.port());
        silent.send("{\"jsonrpc\":\"2.0\",\"id\":1,");
        // A burst that takes the worker seconds to answer, and nothing read for now.
        RawClient slow(server.port(), RawClient::LoggedIn);
        constexpr int kFlood = 1500;
        QByteArray flood;
        for (int id = 1; id <= kFlood; ++id)
            flood += RawClient::request(id, "GetEfetivos",
                                        R"(["1002","0001","2025-12-01","2026-03-15","00002"])") +
                     '\n';
        slow.socket().write(flood);
        slow.socket().flush();
        QTRY_VERIFY(log.count("GetEfetivos") > 0);

        RawClient other(server.port(), RawClient::LoggedIn);
        const qsizetype arrived = log.size();
        for (int id = 1; id <= 20; ++id)
            QVERIFY(answersLookup(other, id));
        // From the moment the other client came, the burst got slices, not the worker.
        const int run = log.longestRun(arrived, "GetCliente", "GetEfetivos");
        QVERIFY2(run < 50, qPrintable(QString::number(run)));
        QVERIFY(log.count("GetEfetivos") < kFlood);

        // The slow client then gets every answer, in order.
        for (int id = 1; id <= kFlood; ++id) {
            if (slow.socket().bytesToWrite() > 0)
                slow.socket().waitForBytesWritten(0);
            QCOMPARE(slow.read(10000).value("id").toInt(), id);
        }
    }

    void thousandsOfConnectionsOpenedAndDropped() {
        LoopbackServer server;
        constexpr int kBatches = 12, kPerBatch = 250;
        for (int batch = 0; batch < kBatches; ++batch) {
            std::vector<std::unique_ptr<QTcpSocket>> sockets;
            for (int i = 0; i < kPerBatch; ++i) {
                auto s = std::make_unique<QTcpSocket>();
                s->connectToHost(QStringLiteral("127.0.0.1"), server.port());
                sockets.push_back(std::move(s));
            }
            for (size_t i = 0; i < sockets.size(); ++i) {
                QTcpSocket& s = *sockets[i];
                QVERIFY(s.waitForConnected(5000));
                if (i % 3 == 1)
                    s.write("{\"jsonrpc\":\"2.0\",\"id\":");
                else if (i % 3 == 2)
                    s.write(Lookup + '\n');
                s.flush();
            }
            for (auto& s : sockets)
                s->abort();
        }
        // Generous: under the sanitizers on a busy machine the teardown takes its time.
        QTRY_COMPARE_WITH_TIMEOUT(server.connectionCount(), 0, 60000);
        RawClient client(server.port(), RawClient::LoggedIn);
        QVERIFY(answersLookup(client));
    }

    void connectionsBeyondTheLimitAreTurnedAway() {
        LoopbackServer server(2, 30000, 3);
        std::vector<std::unique_ptr<RawClient>> clients;
        for (int i = 0; i < 3; ++i) {
            clients.push_back(std::make_unique<RawClient>(server.port(), RawClient::LoggedIn));
            QVERIFY(answersLookup(*clients.back()));
        }
        RawClient extra(server.port());
        QVERIFY(extra.closedByServer());
        clients.pop_back();
        QTRY_COMPARE(server.connectionCount(), 2);
        RawClient again(server.port(), RawClient::LoggedIn);
        QVERIFY(answersLookup(again));
    }
};

QTEST_GUILESS_MAIN(TestRpcProtocol)
#include "tst_rpc_protocol.moc"
