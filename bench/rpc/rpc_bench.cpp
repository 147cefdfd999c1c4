// The cost of a server call as the clerk feels it. VerificaBloqueio runs on every key typed
// in the services grid, so its round trip through the client proxy to the server process,
// under a logged-in session, is measured side by side, in the same run, over plain TCP on
// loopback, over TLS, and against a bare TCP echo of the same bytes: the floor of a
// loopback round trip on this machine. Then calls per second with many clients at once.
//
//   bench_rpc [--calls N] [--clients N] [--seconds S] [--workers N] [--server PATH]

#include "echo_server.h"

#include "framework/data/field_type.h"
#include "framework/net/jsonrpc.h"
#include "framework/net/rpc_client.h"
#include "framework/net/wire_codec.h"
#include "framework/net/write_key.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <latch>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

QVariantList lockCheckArgs() {
    const QDate today = QDate::currentDate();
    return {QStringLiteral("1001"),         QStringLiteral("0001"),         dateTimeOf(today),
            dateTimeOf(today.addDays(-20)), dateTimeOf(today.addDays(-20)), false,
            QStringLiteral("00002")};
}

// The line the client proxy sends for the call, byte for byte, its key included.
QByteArray requestLine(const QVariantList& args) {
    QJsonArray params;
    for (const QVariant& a : args)
        params.append(wire::toJson(a));
    return QJsonDocument(QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                                     {QStringLiteral("id"), 12345},
                                     {QLatin1String(jsonrpc::WriteKeyMember), writekey::generate()},
                                     {QStringLiteral("method"), QStringLiteral("VerificaBloqueio")},
                                     {QStringLiteral("params"), params}})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

struct Stats {
    double median, p90, p99, max;
};

Stats statsOf(std::vector<double> us) {
    std::sort(us.begin(), us.end());
    auto at = [&](double q) { return us[std::min(us.size() - 1, size_t(q * double(us.size())))]; };
    return {at(0.5), at(0.9), at(0.99), us.back()};
}

template <typename Call> double timed(Call&& call) {
    const auto start = Clock::now();
    call();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// The demo's user, made by --init-demo.
void logInAsDemo(RpcClient& client) {
    client.setCredentials(QStringLiteral("demo"), QStringLiteral("demo-apuracao"));
}

int startServer(QProcess& server, const QString& program, const QStringList& arguments) {
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(program, arguments);
    while (server.waitForReadyRead(10000) || server.canReadLine()) {
        while (server.canReadLine()) {
            const QByteArray line = server.readLine().trimmed();
            if (line.startsWith("listening "))
                return line.mid(line.lastIndexOf(':') + 1).toInt();
        }
    }
    std::fprintf(stderr, "the server did not start\n");
    std::exit(1);
}

double throughput(int port, int clients, int seconds) {
    std::latch ready(clients + 1);
    // Logins one at a time: the server counts logins of one user that arrive together as
    // guesses and slows them down, which is not what is measured here.
    std::mutex loggingIn;
    std::atomic<bool> stop{false};
    std::atomic<long> calls{0};
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back(QThread::create([&] {
            RpcClient client;
            client.setEndpoint(QStringLiteral("127.0.0.1"), port);
            logInAsDemo(client);
            {
                const std::lock_guard turn(loggingIn);
                client.open();
            }
            QVariantList args = lockCheckArgs();
            ready.arrive_and_wait();
            long done = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                client.Invoke(QStringLiteral("VerificaBloqueio"), args);
                ++done;
            }
            calls += done;
        }));
        threads.back()->start();
    }
    ready.arrive_and_wait();
    const auto start = Clock::now();
    QThread::sleep(seconds);
    stop = true;
    for (auto& t : threads)
        t->wait();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    return double(calls.load()) / elapsed;
}

} // namespace

int main(int argc, char* argv[]) {
    // The echo server forks, so it starts before Qt has any thread.
    const EchoServer echo = startEchoServer();
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption callsOption("calls", "Round trips measured.", "N", "10000");
    const QCommandLineOption clientsOption("clients", "Concurrent clients.", "N", "32");
    const QCommandLineOption secondsOption("seconds", "Length of the throughput run.", "S", "5");
    const QCommandLineOption workersOption("workers", "Server worker threads.", "N", "2");
    const QCommandLineOption serverOption("server", "The server executable.", "PATH",
                                          QStringLiteral(APURFAT_SERVER));
    parser.addOptions({callsOption, clientsOption, secondsOption, workersOption, serverOption});
    parser.process(app);
    const int calls = parser.value(callsOption).toInt();

    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("demo.db"));
    const QString workers = parser.value(workersOption);
    QProcess certificates;
    certificates.start(QStringLiteral("bash"),
                       {QStringLiteral(SOURCE_DIR "/scripts/make-certificates"), dir.path()});
    if (!certificates.waitForFinished(30000) || certificates.exitCode() != 0) {
        std::fprintf(stderr, "could not make the test certificates (openssl)\n");
        return 1;
    }
    QProcess server, tlsServer;
    const int port = startServer(server, parser.value(serverOption),
                                 {QStringLiteral("--init-demo"), QStringLiteral("--listen"),
                                  QStringLiteral("127.0.0.1:0"), QStringLiteral("--db"), db,
                                  QStringLiteral("--workers"), workers});
    const int tlsPort =
        startServer(tlsServer, parser.value(serverOption),
                    {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                     QStringLiteral("--db"), db, QStringLiteral("--workers"), workers,
                     QStringLiteral("--cert"), dir.filePath(QStringLiteral("server.pem")),
                     QStringLiteral("--key"), dir.filePath(QStringLiteral("server.key"))});

    RpcClient client, tlsClient;
    client.setEndpoint(QStringLiteral("127.0.0.1"), port);
    logInAsDemo(client);
    tlsClient.setEndpoint(QStringLiteral("127.0.0.1"), tlsPort);
    tlsClient.setTls({dir.filePath(QStringLiteral("ca.pem")), QString()});
    logInAsDemo(tlsClient);
    EchoClient bare(echo.port);
    QVariantList args = lockCheckArgs();
    const QByteArray line = requestLine(args);
    auto rpcCall = [&] { client.Invoke(QStringLiteral("VerificaBloqueio"), args); };
    auto tlsCall = [&] { tlsClient.Invoke(QStringLiteral("VerificaBloqueio"), args); };
    auto echoCall = [&] { bare.roundTrip(line.constData(), size_t(line.size())); };
    for (int i = 0; i < 1000; ++i) {
        rpcCall();
        tlsCall();
        echoCall();
    }
    // Alternating blocks, so that a noisy moment of the machine weighs on all alike.
    std::vector<double> rpcTimes, tlsTimes, echoTimes;
    constexpr int kBlock = 500;
    for (int done = 0; done < calls; done += kBlock) {
        for (int i = 0; i < kBlock; ++i)
            echoTimes.push_back(timed(echoCall));
        for (int i = 0; i < kBlock; ++i)
            rpcTimes.push_back(timed(rpcCall));
        for (int i = 0; i < kBlock; ++i)
            tlsTimes.push_back(timed(tlsCall));
    }
    const Stats rpc = statsOf(rpcTimes), tls = statsOf(tlsTimes), bareEcho = statsOf(echoTimes);
    std::printf("round trip of %d calls each, %lld-byte request (µs):\n", int(rpcTimes.size()),
                static_cast<long long>(line.size()));
    std::printf("  %-40s %8s %8s %8s %8s\n", "", "median", "p90", "p99", "max");
    auto row = [](const char* name, const Stats& s) {
        std::printf("  %-40s %8.1f %8.1f %8.1f %8.1f\n", name, s.median, s.p90, s.p99, s.max);
    };
    row("bare TCP echo", bareEcho);
    row("VerificaBloqueio, session, plain loopback", rpc);
    row("VerificaBloqueio, session, TLS", tls);
    std::printf(
        "  median ratio to the echo: plain %.2f, TLS %.2f (target: plain <= 3, p99 < 100)\n",
        rpc.median / bareEcho.median, tls.median / bareEcho.median);

    const int clients = parser.value(clientsOption).toInt();
    const double perSecond = throughput(port, clients, parser.value(secondsOption).toInt());
    std::printf("throughput with %d clients: %.0f calls/s (target >= 30000)\n", clients, perSecond);

    for (QProcess* p : {&server, &tlsServer}) {
        p->kill();
        p->waitForFinished();
    }
    stopEchoServer(echo);
    return 0;
}
