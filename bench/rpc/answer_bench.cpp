// The server's own share of a lock check, without the socket: one request line in, one answer
// line out, under a logged-in session, on a demo database on disk (SQLite) — what is left of
// the round trip once the loopback's cost is taken away. Run under `perf record -g` to see
// where a call's time goes.
//
//   bench_answer [--calls N]

#include "lock_check_load.h"

#include "server/auth/users.h"
#include "server/db/database.h"
#include "server/db/demo_data.h"
#include "server/rpc/dispatcher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace bench;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption callsOption("calls", "Calls measured.", "N", "20000");
    parser.addOption(callsOption);
    parser.process(app);
    const int calls = parser.value(callsOption).toInt();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("demo.db"));
    {
        server::Database db(path, server::Database::Mode::CreateIfMissing);
        server::loadDemoData(db, QDate::currentDate());
    }
    server::Database db(path, server::Database::Mode::OpenExisting);
    const std::optional<server::UserRecord> user = server::findUser(db, QStringLiteral("demo"));
    server::rpc::Peer peer{QStringLiteral("127.0.0.1"), server::Session{QStringLiteral("bench"),
                                                                        user->login,
                                                                        user->passwordVersion,
                                                                        QDeadlineTimer::Forever,
                                                                        std::nullopt,
                                                                        {}}};
    QByteArray line = lockCheckLine(lockCheckArgs());
    line.chop(1);
    auto call = [&] {
        const server::rpc::Answer reply = server::rpc::answer(line, db, peer);
        if (!reply.frame || !reply.frame->contains("\"result\"")) {
            std::fprintf(stderr, "the lock check failed: %s\n",
                         reply.frame ? reply.frame->constData() : "no answer");
            std::exit(1);
        }
    };
    for (int i = 0; i < 1000; ++i)
        call();
    std::vector<double> times;
    times.reserve(size_t(calls));
    for (int i = 0; i < calls; ++i)
        times.push_back(timedMicroseconds(call));
    const Stats s = statsOf(times);
    std::printf("the server's share of VerificaBloqueio, %d calls (µs): median %.1f, p90 %.1f, "
                "p99 %.1f, max %.1f\n",
                calls, s.median, s.p90, s.p99, s.max);
    return 0;
}
