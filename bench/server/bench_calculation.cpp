// The billing calculation against the real server over loopback: Confirma_Calculo for one
// client with five services over a year, every day split in three shares; then the same
// with the database also holding 10 and 100 times as many other clients' days, which the
// indexes must keep out of the way. The first run makes the calculation, which stamps every
// day; the runs after it recalculate it in place, so the median is a recalculation's time
// and the first run's is shown beside it. SomaApurac and GetEfetivos are timed alongside. On a
// SQLite file, and also on PostgreSQL when a database is given.
//
//   build-release/bin/bench_calculation [--runs N] [--scales 1,10,100] [--postgresql URI]
//
// URI names a database of a PostgreSQL server where the benchmark may make a schema of its
// own per scale (scripts/postgresql-cluster start DIR writes one to DIR/uri).

#include "test_database.h"

#include "framework/data/packet.h"
#include "framework/net/database_uri.h"
#include "framework/net/rpc_client.h"
#include "server/auth/users.h"
#include "server/db/database.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char* const kServices[] = {"00001", "00002", "00003", "00004", "00005"};
const QDate kFrom(2025, 1, 1), kTo(2025, 12, 31);

QDateTime day(const QDate& d) {
    return QDateTime(d, QTime(0, 0), Qt::UTC);
}

// The target client "C0000" with the five services billed every day of the year and every
// day split 50 % / 30 % / 20 %, and `others` more clients copied from it.
void fill(const QString& database, int others) {
    server::Database db(database, server::Database::Mode::CreateIfMissing);
    server::Transaction tx(db);
    db.exec(
        "INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROC) VALUES ('0001', 'Matriz', '2026-01-31'), "
        "('0002', 'Filial', '2026-01-31')");
    server::addDemoUsers(db);
    for (const char* s : kServices)
        db.exec("INSERT INTO SERVFILI (CDFILIAL, CDSERVFILI, NMSERVICO, CDPRODUTO) VALUES ('0001', "
                "?, ?, ?)",
                {QString(s), QString("Serviço ") + s, QString("P") + s});
    const QString target = QStringLiteral("C0000");
    db.exec("INSERT INTO CLIENTE (CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE, NMRAZSOCCLIE) VALUES "
            "(?, 'J', '10000000000000', 'Cliente C0000')",
            {target});
    for (const char* s : kServices) {
        const QString service(s);
        db.exec("INSERT INTO SERVCLIE (CDFILIAL, CDCLIENTE, CDSERVFILI, NRAGRUEFET, VRPRECEFET) "
                "VALUES ('0001', ?, ?, '001', 12.34)",
                {target, service});
        for (QDate d = kFrom; d <= kTo; d = d.addDays(1)) {
            const QString iso = d.toString(Qt::ISODate);
            db.exec(
                "INSERT INTO EFETCDRS (CDFILIAL, CDCLIENTE, CDSERVFILI, DTEFETCDRS, QTCOMECDRS, "
                "QTPREVCDRS, NRAGRUEFET, VRPRECEFET, CDPRODUTO) VALUES ('0001', ?, ?, ?, 100, "
                "100, '001', 12.34, ?)",
                {target, service, iso, "P" + service});
            int seq = 0;
            for (const auto& [quantity, nf] :
                 {std::pair{50.0, "001"}, std::pair{30.0, "002"}, std::pair{20.0, "003"}})
                db.exec("INSERT INTO EFETRATCDRS (CDFILIAL, CDCLIENTE, CDSERVFILI, DTRATCDRS, "
                        "NRSEQITRAT, QTDERATEIO, CDPRODUTO, NRAGREFRAT, DSOBSRATE, VRPRECRATE) "
                        "VALUES ('0001', ?, ?, ?, ?, ?, ?, ?, '', 12.34)",
                        {target, service, iso, QString("%1").arg(++seq, 4, 10, QChar('0')),
                         quantity, "P" + service, QString(nf)});
        }
    }
    for (int c = 1; c <= others; ++c) {
        const QString client = QString("C%1").arg(c, 4, 10, QChar('0'));
        db.exec("INSERT INTO CLIENTE (CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE, NMRAZSOCCLIE) VALUES "
                "(?, 'J', ?, ?)",
                {client, QString::number(10000000000000LL + c), "Cliente " + client});
        for (const char* table : {"SERVCLIE", "EFETCDRS", "EFETRATCDRS"}) {
            const QString columns =
                db.select(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(QLatin1String(table)))
                    .columnNames()
                    .join(QStringLiteral(", "));
            QString copied = columns;
            copied.replace(QStringLiteral("CDCLIENTE"), QStringLiteral("?"));
            db.exec(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %1 WHERE CDCLIENTE = ?")
                        .arg(QLatin1String(table), columns, copied),
                    {client, target});
        }
    }
    tx.commit();
    // The planner of a server database learns the tables' sizes as it would on its own after
    // a load this big.
    if (isPostgresUri(database))
        db.execOnce("ANALYZE");
}

int startServer(QProcess& server, const QString& database) {
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QCoreApplication::applicationDirPath() + "/apurfat-server",
                 {"--listen", "127.0.0.1:0", "--db", database});
    while (server.waitForReadyRead(30000) || server.canReadLine())
        while (server.canReadLine()) {
            const QByteArray line = server.readLine().trimmed();
            if (line.startsWith("listening "))
                return line.mid(line.lastIndexOf(':') + 1).toInt();
        }
    qFatal("the server did not start");
}

double median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

template <typename Call> double timedMs(Call&& call) {
    QElapsedTimer t;
    t.start();
    call();
    return double(t.nsecsElapsed()) / 1e6;
}

QVariant checked(const QVariant& result) {
    const QVariantMap envelope = result.toMap();
    if (!envelope.value("ok").toBool())
        qFatal("%s", qPrintable(envelope.value("message").toString()));
    return envelope.value("payload");
}

struct Figures {
    double calculation, first, sum, days;
};

Figures measure(int scale, int runs, const QString& postgres) {
    TestDatabase database(QStringLiteral("bench.sqlite"), postgres);
    QElapsedTimer filling;
    filling.start();
    fill(database.address(), scale - 1);
    std::fprintf(stderr, "scale %d: database filled in %.1f s\n", scale,
                 filling.elapsed() / 1000.0);
    QProcess server;
    RpcClient client;
    client.setEndpoint("127.0.0.1", startServer(server, database.address()));
    client.setCredentials(server::DemoUserBothBranches.login,
                          server::DemoUserBothBranches.password);
    client.setTimeouts(5000, 600000);
    {
        // The session opens on the first call: not a cost of the calculation.
        QVariantList args{"C0000", "0001"};
        checked(client.Invoke("GetDtApuracao", args));
    }

    QString number;
    std::vector<double> calculations, sums, days;
    packet::Table services{{{"CDSERVFILI", ftString, 5, {}},
                            {"CDFILIAL", ftString, 4, {}},
                            {"NMSERVICO", ftString, 40, {}},
                            {"NRAGRUEFET", ftString, 3, {}},
                            {"CDCLIENTE", ftString, 21, {}}},
                           {}};
    for (const char* s : kServices)
        services.rows.append({QString(s), "0001", "Serviço", "001", "C0000"});
    for (int i = 0; i < runs; ++i) {
        calculations.push_back(timedMs([&] {
            QVariantList args{"0001", "C0000", day(kFrom), day(kTo), number, "0001"};
            checked(client.Invoke("Confirma_Calculo", args));
            number = args.at(4).toString(); // later runs recalculate in place
        }));
        sums.push_back(timedMs([&] {
            QVariantList args{packet::make(services), day(kFrom), day(kTo)};
            if (checked(client.Invoke("SomaApurac", args)).toBool())
                qFatal("every day adds up");
        }));
        days.push_back(timedMs([&] {
            QVariantList args{"C0000", "0001", day(kFrom), day(kTo), "00003"};
            if (packet::decode(checked(client.Invoke("GetEfetivos", args))).rows.size() != 365)
                qFatal("expected 365 days");
        }));
    }
    server.kill();
    server.waitForFinished();
    return {median(calculations), calculations.front(), median(sums), median(days)};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption("runs", "Runs per figure (the median is reported).", "N",
                                        "7");
    const QCommandLineOption scalesOption("scales", "Database sizes, in clients.", "LIST",
                                          "1,10,100");
    const QCommandLineOption postgresOption("postgresql", "Also on this PostgreSQL database.",
                                            "URI");
    parser.addOptions({runsOption, scalesOption, postgresOption});
    parser.process(app);

    std::printf("one client, 5 services, a year, 3 shares a day; median of %d runs (ms)\n",
                parser.value(runsOption).toInt());
    std::printf("  %-10s %-10s %18s %12s %12s %12s\n", "database", "clients", "Confirma_Calculo",
                "(first)", "SomaApurac", "GetEfetivos");
    QStringList backends{QString()};
    if (parser.isSet(postgresOption))
        backends << parser.value(postgresOption);
    for (const QString& postgres : backends) {
        double base = 0;
        for (const QString& scale : parser.value(scalesOption).split(',')) {
            const Figures f = measure(scale.toInt(), parser.value(runsOption).toInt(), postgres);
            if (base == 0)
                base = f.calculation;
            std::printf("  %-10s %-10d %18.1f %12.1f %12.1f %12.1f   (%.2f× the first scale)\n",
                        postgres.isEmpty() ? "SQLite" : "PostgreSQL", scale.toInt(), f.calculation,
                        f.first, f.sum, f.days, f.calculation / base);
            std::fflush(stdout);
        }
    }
    return 0;
}
