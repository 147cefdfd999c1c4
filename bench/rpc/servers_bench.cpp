// The lock check (the call on every key typed in the services grid) with the servers on one
// PostgreSQL database, beside one server on a SQLite file, in the same run: the round trip
// of one clerk, and the calls per second of many clerks on one server and spread over three.
// Clients, servers and the database share this machine's cores.
//
//   bench_servers --postgresql URI [--calls N] [--clients N] [--seconds S] [--workers N]
//
// URI names a database of a PostgreSQL server where the benchmark may make a schema of its
// own for the run (scripts/postgresql-cluster start DIR writes one to DIR/uri).

#include "lock_check_load.h"
#include "test_database.h"

#include "framework/net/rpc_client.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProcess>

#include <cstdio>
#include <memory>
#include <vector>

using namespace bench;

namespace {

void initDemo(const QString& server, const QString& database) {
    QProcess init;
    init.setProcessChannelMode(QProcess::ForwardedChannels);
    init.start(server, {QStringLiteral("--init-demo"), QStringLiteral("--db"), database});
    if (!init.waitForFinished(120000) || init.exitCode() != 0) {
        std::fprintf(stderr, "could not make the demo database %s\n", qPrintable(database));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption postgresOption("postgresql", "A PostgreSQL database to work in.",
                                            "URI");
    const QCommandLineOption callsOption("calls", "Round trips measured.", "N", "10000");
    const QCommandLineOption clientsOption("clients", "Concurrent clients.", "N", "32");
    const QCommandLineOption secondsOption("seconds", "Length of each throughput run.", "S", "5");
    const QCommandLineOption workersOption("workers", "Worker threads of each server.", "N", "2");
    const QCommandLineOption serverOption("server", "The server executable.", "PATH",
                                          QStringLiteral(APURFAT_SERVER));
    parser.addOptions(
        {postgresOption, callsOption, clientsOption, secondsOption, workersOption, serverOption});
    parser.process(app);
    if (!parser.isSet(postgresOption))
        parser.showHelp(2);
    const QString program = parser.value(serverOption);
    const int calls = parser.value(callsOption).toInt();
    const int clients = parser.value(clientsOption).toInt();
    const int seconds = parser.value(secondsOption).toInt();

    TestDatabase file(QStringLiteral("demo.db"), QString());
    TestDatabase shared(QString(), parser.value(postgresOption));
    initDemo(program, file.address());
    initDemo(program, shared.address());
    auto serve = [&](const QString& database) {
        return QStringList{QStringLiteral("--listen"),  QStringLiteral("127.0.0.1:0"),
                           QStringLiteral("--db"),      database,
                           QStringLiteral("--workers"), parser.value(workersOption)};
    };
    QProcess sqliteServer;
    const int sqlitePort = startServer(sqliteServer, program, serve(file.address()));
    std::vector<std::unique_ptr<QProcess>> postgresServers;
    QList<int> postgresPorts;
    for (int i = 0; i < 3; ++i) {
        postgresServers.push_back(std::make_unique<QProcess>());
        postgresPorts << startServer(*postgresServers.back(), program, serve(shared.address()));
    }

    RpcClient onFile, onShared;
    onFile.setEndpoint(QStringLiteral("127.0.0.1"), sqlitePort);
    onShared.setEndpoint(QStringLiteral("127.0.0.1"), postgresPorts.first());
    logInAsDemo(onFile);
    logInAsDemo(onShared);
    QVariantList args = lockCheckArgs();
    auto fileCall = [&] { onFile.Invoke(QStringLiteral("VerificaBloqueio"), args); };
    auto sharedCall = [&] { onShared.Invoke(QStringLiteral("VerificaBloqueio"), args); };
    for (int i = 0; i < 1000; ++i) {
        fileCall();
        sharedCall();
    }
    // Alternating blocks, so that a noisy moment of the machine weighs on both alike.
    std::vector<double> fileTimes, sharedTimes;
    constexpr int kBlock = 500;
    for (int done = 0; done < calls; done += kBlock) {
        for (int i = 0; i < kBlock; ++i)
            fileTimes.push_back(timedMicroseconds(fileCall));
        for (int i = 0; i < kBlock; ++i)
            sharedTimes.push_back(timedMicroseconds(sharedCall));
    }
    std::printf("VerificaBloqueio under a session, plain loopback, %d calls each (µs):\n",
                int(fileTimes.size()));
    std::printf("  %-36s %8s %8s %8s %8s\n", "", "median", "p90", "p99", "max");
    auto row = [](const char* name, const Stats& s) {
        std::printf("  %-36s %8.1f %8.1f %8.1f %8.1f\n", name, s.median, s.p90, s.p99, s.max);
    };
    row("one server, SQLite", statsOf(fileTimes));
    row("one of three servers, PostgreSQL", statsOf(sharedTimes));

    std::printf("throughput with %d clients (calls/s):\n", clients);
    std::printf("  %-36s %8.0f\n", "one server, SQLite",
                throughput({sqlitePort}, clients, seconds));
    std::printf("  %-36s %8.0f\n", "one server, PostgreSQL",
                throughput({postgresPorts.first()}, clients, seconds));
    std::printf("  %-36s %8.0f\n", "three servers, one PostgreSQL",
                throughput(postgresPorts, clients, seconds));

    sqliteServer.kill();
    sqliteServer.waitForFinished();
    for (auto& p : postgresServers) {
        p->kill();
        p->waitForFinished();
    }
    return 0;
}
