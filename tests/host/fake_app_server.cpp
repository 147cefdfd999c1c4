// A stand-in for apurfat-server in the host's tests: the same command line (--init-demo,
// --listen, --db), a database with only the branch table, a login that accepts the demo
// user only and answers with the lowest branch of the table, and the misbehaviours the
// host must survive, chosen by FAKE_SERVER_MODE:
//   fail-init    --init-demo fails with a message on stderr
//   exit         --listen fails at once with a message on stderr
//   silent       --listen never says where it listens
//   chatty       --listen writes another line before the listening line
//   ignore-term  --listen ignores SIGTERM

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>
#include <cstdio>

namespace {

bool createDatabase(const QString& path) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(path);
    if (!db.open())
        return false;
    QSqlQuery q(db);
    return q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) &&
           q.exec(QStringLiteral(
               "CREATE TABLE FILIAL (CDFILIAL TEXT PRIMARY KEY, NMFILIAL TEXT, DTPROC TEXT)")) &&
           q.exec(QStringLiteral("INSERT INTO FILIAL VALUES "
                                 "('0002', 'Filial Norte', '2026-02-10'), "
                                 "('0001', 'Restaurante Central', '2026-03-31')"));
}

// The answer to a login line: the demo user gets the lowest branch of the table.
QByteArray answerLogin(const QByteArray& line) {
    const QJsonObject request = QJsonDocument::fromJson(line).object();
    const QJsonArray params = request.value(QStringLiteral("params")).toArray();
    QJsonObject reply{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                      {QStringLiteral("id"), request.value(QStringLiteral("id"))}};
    if (params != QJsonArray{QStringLiteral("demo"), QStringLiteral("demo-apuracao")}) {
        reply.insert(QStringLiteral("error"),
                     QJsonObject{{QStringLiteral("code"), -32001},
                                 {QStringLiteral("message"), QStringLiteral("Usuário ou senha "
                                                                            "inválidos.")}});
    } else {
        QSqlQuery q(QStringLiteral("SELECT CDFILIAL, NMFILIAL FROM FILIAL ORDER BY CDFILIAL "
                                   "LIMIT 1"));
        q.next();
        const QString code = q.value(0).toString(), name = q.value(1).toString();
        const QJsonObject values{{QStringLiteral("FiliProc"), code},
                                 {QStringLiteral("NomeFiliProc"), name},
                                 {QStringLiteral("FiliProcFat"), code},
                                 {QStringLiteral("NomeFiliProcFat"), name},
                                 {QStringLiteral("ModuFili"), false}};
        reply.insert(QStringLiteral("result"),
                     QJsonObject{{QStringLiteral("value"), values},
                                 {QStringLiteral("byref"), QJsonObject()}});
    }
    return QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = qEnvironmentVariable("FAKE_SERVER_MODE");
    const int dbAt = args.indexOf(QStringLiteral("--db"));
    if (dbAt < 0 || dbAt + 1 >= args.size())
        return 64;
    const QString database = args.at(dbAt + 1);

    if (args.contains(QStringLiteral("--init-demo"))) {
        if (mode == QLatin1String("fail-init")) {
            std::fputs("disco cheio\n", stderr);
            return 3;
        }
        return createDatabase(database) ? 0 : 1;
    }
    if (!args.contains(QStringLiteral("--listen")))
        return 64;
    if (mode == QLatin1String("exit")) {
        std::fputs("banco inacessível\n", stderr);
        return 2;
    }
    if (mode == QLatin1String("ignore-term"))
        std::signal(SIGTERM, SIG_IGN);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(database);
    if (!db.open())
        return 1;
    // "--listen 127.0.0.1:PORT": the port the host asks for (0: any free one).
    const int listenAt = args.indexOf(QStringLiteral("--listen"));
    const quint16 port =
        listenAt + 1 < args.size() ? quint16(args.at(listenAt + 1).section(':', -1).toUInt()) : 0;
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, port))
        return 1;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
        QTcpSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            while (socket->canReadLine())
                socket->write(answerLogin(socket->readLine()));
        });
    });
    if (mode != QLatin1String("silent")) {
        if (mode == QLatin1String("chatty"))
            std::printf("abrindo %s\n", qPrintable(database));
        std::printf("listening 127.0.0.1:%d\n", int(server.serverPort()));
        std::fflush(stdout);
    }
    return app.exec();
}
