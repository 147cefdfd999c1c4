// apurfat-server: the stand-in application server "Rqx52000.rdmApurFatTR".
//
//   apurfat-server --init --db DB                   the schema only, for the suite's data
//   apurfat-server --init-demo --db DB              schema, demonstration data and users
//   apurfat-server --listen [HOST:]PORT [--cert FILE --key FILE] --db DB
//                                                   serve (port 0: any free port); without
//                                                   a certificate only on 127.0.0.1 or ::1
//   apurfat-server lock|unlock NRAPURACFAT --branch CODE --db DB
//   apurfat-server user …  /  audit …  /  backup …  (see cli/commands.h)
//   apurfat-server --version
//
// DB is a SQLite file, or a PostgreSQL database as postgresql://[user@]host[:port]/name,
// which any number of servers may share (the password from PGPASSWORD or ~/.pgpass).
// --init or --init-demo and --listen may be given together. With --listen the server prints
// "listening HOST:PORT" on standard output once it accepts connections.

#include "apurfat_version.h"
#include "contracts/host_framework.h"
#include "server/audit/audit_trail.h"
#include "server/auth/caller.h"
#include "server/auth/users.h"
#include "server/cli/commands.h"
#include "server/cli/console.h"
#include "server/db/database.h"
#include "server/db/demo_data.h"
#include "server/db/schema.h"
#include "server/methods/methods.h"
#include "server/methods/write_scopes.h"
#include "server/rpc/rpc_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QLoggingCategory>
#include <QThread>

using server::cli::print;
using server::cli::UsageError;

namespace {

// "HOST:PORT" or "PORT".
bool parseEndpoint(const QString& text, server::rpc::ServerOptions& options) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    const QString host = colon < 0 ? QStringLiteral("127.0.0.1") : text.left(colon);
    bool ok = false;
    const int port = text.mid(colon + 1).toInt(&ok);
    if (!ok || port < 0 || port > 65535 || !options.address.setAddress(host))
        return false;
    options.port = quint16(port);
    return true;
}

void initSchema(const QString& address) {
    server::Database db(address, server::Database::Mode::CreateIfMissing);
    print(stdout, db.versionFound() > 0
                      ? QStringLiteral("O banco %1 já existe; o esquema está em dia (versão %2).")
                            .arg(db.name())
                            .arg(server::currentSchemaVersion())
                      : QStringLiteral("Banco %1 criado, sem dados.").arg(db.name()));
}

void initDemo(const QString& address) {
    server::Database db(address, server::Database::Mode::CreateIfMissing);
    if (server::hasData(db)) {
        print(stdout, QStringLiteral("O banco %1 já tem dados; nada foi alterado.").arg(db.name()));
        return;
    }
    server::loadDemoData(db, QDate::currentDate());
    print(stdout, QStringLiteral("Banco de demonstração criado em %1 (usuários %2 e %3).")
                      .arg(db.name(), QLatin1String(server::DemoUserBothBranches.login),
                           QLatin1String(server::DemoUserBoundToOneBranch.login)));
}

int lockCommand(const QString& command, const QString& number, const QString& branch,
                const QString& address) {
    server::Database db(address, server::Database::Mode::OpenExisting);
    const bool lock = command == QLatin1String("lock");
    bool changed = false;
    server::retryingConflicts(db, [&] {
        server::runAudited(
            db,
            server::Caller::withEveryBranch(server::cli::operatorName(),
                                            QStringLiteral("linha de comando")),
            command, [&] { return server::calculationLockScope(branch, number); },
            [&] {
                changed = server::setCalculationLocked(db, branch, number, lock);
                return QVariant();
            });
    });
    print(stdout,
          QStringLiteral("Apuração %1 da filial %2 %3.")
              .arg(number, branch,
                   changed ? (lock ? QStringLiteral("bloqueada") : QStringLiteral("desbloqueada"))
                           : (lock ? QStringLiteral("já estava bloqueada")
                                   : QStringLiteral("já estava desbloqueada"))));
    return 0;
}

std::optional<QString> valueOf(const QCommandLineParser& parser, const QCommandLineOption& o) {
    return parser.isSet(o) ? std::optional<QString>(parser.value(o)) : std::nullopt;
}

} // namespace

int main(int argc, char* argv[]) {
    // GLib's main loop, which Qt would use if present, wakes itself with a write to an event
    // descriptor whenever a socket's notifier is switched, three extra system calls on every
    // request; the server needs nothing of GLib, and Qt's own loop does without them.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("apurfat-server"));
    QCoreApplication::setApplicationVersion(QStringLiteral(APURFAT_VERSION));
    server::cli::setUpLogFormat();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Servidor de aplicação Rqx52000.rdmApurFatTR (apuração de faturamento)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dbOption(
        QStringLiteral("db"),
        QStringLiteral("O banco: um arquivo SQLite, ou um banco PostgreSQL "
                       "postgresql://[usuario@]servidor[:porta]/banco (senha em PGPASSWORD ou "
                       "~/.pgpass)."),
        QStringLiteral("DB"));
    const QCommandLineOption initOption(
        QStringLiteral("init"), QStringLiteral("Cria o esquema, sem dados (um banco existente "
                                               "só tem o esquema posto em dia)."));
    const QCommandLineOption initDemoOption(QStringLiteral("init-demo"),
                                            QStringLiteral("Cria o esquema, os dados e os "
                                                           "usuários de demonstração (um banco "
                                                           "com dados não é alterado)."));
    const QCommandLineOption listenOption(QStringLiteral("listen"),
                                          QStringLiteral("Atende em HOST:PORTA (porta 0: "
                                                         "qualquer porta livre)."),
                                          QStringLiteral("HOST:PORT"));
    const QCommandLineOption certOption(QStringLiteral("cert"),
                                        QStringLiteral("Certificado TLS do servidor (PEM)."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption keyOption(QStringLiteral("key"),
                                       QStringLiteral("Chave privada do certificado (PEM)."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption sessionOption(QStringLiteral("session-minutes"),
                                           QStringLiteral("Duração de uma sessão."),
                                           QStringLiteral("N"), QStringLiteral("480"));
    const QCommandLineOption branchOption(
        QStringLiteral("branch"), QStringLiteral("Filial da apuração (lock/unlock, audit)."),
        QStringLiteral("CODE"));
    const QCommandLineOption branchesOption(
        QStringLiteral("branches"),
        QStringLiteral("Filiais do usuário, a de processamento primeiro (user)."),
        QStringLiteral("A,B"));
    const QCommandLineOption billingOption(
        QStringLiteral("billing"), QStringLiteral("Filial de faturamento do usuário (user)."),
        QStringLiteral("CODE"));
    const QCommandLineOption boundOption(
        QStringLiteral("bound"), QStringLiteral("O usuário fica vinculado à sua filial (user)."));
    const QCommandLineOption sinceOption(QStringLiteral("since"),
                                         QStringLiteral("Primeiro dia listado (audit)."),
                                         QStringLiteral("AAAA-MM-DD"));
    const QCommandLineOption toOption(
        QStringLiteral("to"), QStringLiteral("Arquivo ou pasta da cópia de segurança (backup)."),
        QStringLiteral("ARQUIVO"));
    const QCommandLineOption workersOption(
        QStringLiteral("workers"), QStringLiteral("Número de threads de atendimento."),
        QStringLiteral("N"), QString::number(qBound(2, QThread::idealThreadCount(), 8)));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Registra cada requisição."));
    parser.addOptions({dbOption, initOption, initDemoOption, listenOption, certOption, keyOption,
                       sessionOption, branchOption, branchesOption, billingOption, boundOption,
                       sinceOption, toOption, workersOption, verboseOption});
    parser.addPositionalArgument(QStringLiteral("comando"),
                                 QStringLiteral("lock|unlock NRAPURACFAT (com --branch), "
                                                "user add|passwd|disable|enable|branches LOGIN, "
                                                "audit (com --branch), backup (com --to)"));
    parser.process(app);

    if (parser.isSet(verboseOption))
        QLoggingCategory::setFilterRules(QStringLiteral("apurfat.server*.debug=true"));

    const QString path = parser.value(dbOption);
    const QStringList positional = parser.positionalArguments();
    if (path.isEmpty()) {
        print(stderr, QStringLiteral("Informe o banco com --db (um arquivo SQLite ou "
                                     "postgresql://servidor/banco)."));
        return UsageError;
    }
    try {
        if (!positional.isEmpty()) {
            const QString command = positional.first();
            server::cli::CommandArgs args{positional.mid(1),
                                          path,
                                          valueOf(parser, branchesOption),
                                          valueOf(parser, billingOption),
                                          valueOf(parser, branchOption),
                                          valueOf(parser, sinceOption),
                                          parser.isSet(boundOption),
                                          valueOf(parser, toOption)};
            if (command == QLatin1String("user"))
                return server::cli::userCommand(args);
            if (command == QLatin1String("audit"))
                return server::cli::auditCommand(args);
            if (command == QLatin1String("backup"))
                return server::cli::backupCommand(args);
            if ((command != QLatin1String("lock") && command != QLatin1String("unlock")) ||
                positional.size() != 2 || !parser.isSet(branchOption)) {
                print(stderr, QStringLiteral("Uso: apurfat-server lock|unlock NRAPURACFAT "
                                             "--branch CODE --db DB"));
                return UsageError;
            }
            return lockCommand(command, positional.at(1), parser.value(branchOption), path);
        }
        if (!parser.isSet(initOption) && !parser.isSet(initDemoOption) &&
            !parser.isSet(listenOption)) {
            parser.showHelp(UsageError);
        }
        if (parser.isSet(initOption) && parser.isSet(initDemoOption)) {
            print(stderr, QStringLiteral("Use --init ou --init-demo, não os dois."));
            return UsageError;
        }
        if (parser.isSet(initDemoOption))
            initDemo(path);
        else if (parser.isSet(initOption))
            initSchema(path);
        if (!parser.isSet(listenOption))
            return 0;

        server::rpc::ServerOptions options;
        options.databasePath = path;
        options.certificateFile = parser.value(certOption);
        options.keyFile = parser.value(keyOption);
        bool workersOk = false, minutesOk = false;
        options.workers = parser.value(workersOption).toInt(&workersOk);
        const int minutes = parser.value(sessionOption).toInt(&minutesOk);
        options.sessionLifetimeMs = qint64(minutes) * 60 * 1000;
        if (!parseEndpoint(parser.value(listenOption), options) || !workersOk ||
            options.workers < 1 || !minutesOk || minutes < 1) {
            print(stderr, QStringLiteral("Endereço, número de threads ou duração da sessão "
                                         "inválidos."));
            return UsageError;
        }
        server::rpc::RpcServer rpc(options);
        rpc.start();
        print(stdout, QStringLiteral("listening %1:%2")
                          .arg(rpc.serverAddress().toString())
                          .arg(rpc.serverPort()));
        return app.exec();
    } catch (const Exception& e) {
        print(stderr, e.message());
        return 1;
    }
}
