// The cost of a server call as the clerk feels it. VerificaBloqueio runs on every key typed
// in the services grid, so its round trip through the client proxy to the server process,
// under a logged-in session, is measured side by side, in the same run, over plain TCP on
// loopback, over TLS, and against a bare TCP echo of the same bytes: the floor of a
// loopback round trip on this machine. Then calls per second with many clients at once.
//
//   bench_rpc [--calls N] [--clients N] [--seconds S] [--workers N] [--server PATH]

#include "echo_server.h"
#include "lock_check_load.h"

#include "framework/net/rpc_client.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace bench;

namespace {

// CPU time in µs: of the calling thread, and of a whole process (from /proc, in clock ticks).
double threadCpu() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

double processCpu(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The fields after the command's closing parenthesis: utime and stime are the 12th
    // and 13th of them.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) * 1e6 /
           double(sysconf(_SC_CLK_TCK));
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
    const QByteArray line = lockCheckLine(args);
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
    // Where a plain call's time goes: the CPU it costs this client and the server.
    double clientCpu = 0, serverCpu = 0, echoCpu = 0;
    constexpr int kBlock = 500;
    for (int done = 0; done < calls; done += kBlock) {
        echoCpu -= threadCpu();
        for (int i = 0; i < kBlock; ++i)
            echoTimes.push_back(timedMicroseconds(echoCall));
        echoCpu += threadCpu();
        clientCpu -= threadCpu();
        serverCpu -= processCpu(server.processId());
        for (int i = 0; i < kBlock; ++i)
            rpcTimes.push_back(timedMicroseconds(rpcCall));
        clientCpu += threadCpu();
        serverCpu += processCpu(server.processId());
        for (int i = 0; i < kBlock; ++i)
            tlsTimes.push_back(timedMicroseconds(tlsCall));
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
    std::printf("  CPU per plain call (µs): client %.1f, server %.1f; per echo: client %.1f\n",
                clientCpu / double(rpcTimes.size()), serverCpu / double(rpcTimes.size()),
                echoCpu / double(echoTimes.size()));
    std::printf(
        "  median ratio to the echo: plain %.2f, TLS %.2f (target: plain <= 3, p99 < 100)\n",
        rpc.median / bareEcho.median, tls.median / bareEcho.median);

    const int clients = parser.value(clientsOption).toInt();
    const double perSecond = throughput({port}, clients, parser.value(secondsOption).toInt());
    std::printf("throughput with %d clients: %.0f calls/s (target >= 30000)\n", clients, perSecond);

    for (QProcess* p : {&server, &tlsServer}) {
        p->kill();
        p->waitForFinished();
    }
    stopEchoServer(echo);
    return 0;
}
