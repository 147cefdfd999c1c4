// apurfat-server: the stand-in application server "Rqx52000.rdmApurFatTR".
//
//   apurfat-server --init-demo --db PATH            schema and demonstration data
//   apurfat-server --listen [HOST:]PORT --db PATH   serve (port 0: any free port)
//   apurfat-server lock|unlock NRAPURACFAT --branch CODE --db PATH
//
// --init-demo and --listen may be given together. With --listen the server prints
// "listening HOST:PORT" on standard output once it accepts connections.

#include "contracts/host_framework.h"
#include "server/db/database.h"
#include "server/db/demo_data.h"
#include "server/methods/methods.h"
#include "server/rpc/rpc_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QLoggingCategory>
#include <QThread>

#include <cstdio>

namespace {

constexpr int kUsageError = 2;

void print(FILE* stream, const QString& text) {
    std::fputs(qPrintable(text + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

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

int initDemo(const QString& path) {
    server::Database db(path, server::Database::Mode::CreateIfMissing);
    if (server::hasData(db)) {
        print(stdout, QStringLiteral("O banco %1 já tem dados; nada foi alterado.").arg(path));
        return 0;
    }
    server::loadDemoData(db, QDate::currentDate());
    print(stdout, QStringLiteral("Banco de demonstração criado em %1.").arg(path));
    return 0;
}

int lockCommand(const QString& command, const QString& number, const QString& branch,
                const QString& path) {
    server::Database db(path, server::Database::Mode::OpenExisting);
    const bool lock = command == QLatin1String("lock");
    const bool changed = server::setCalculationLocked(db, branch, number, lock);
    print(stdout,
          QStringLiteral("Apuração %1 da filial %2 %3.")
              .arg(number, branch,
                   changed ? (lock ? QStringLiteral("bloqueada") : QStringLiteral("desbloqueada"))
                           : (lock ? QStringLiteral("já estava bloqueada")
                                   : QStringLiteral("já estava desbloqueada"))));
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("apurfat-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Servidor de aplicação Rqx52000.rdmApurFatTR (apuração de faturamento)."));
    parser.addHelpOption();
    const QCommandLineOption dbOption(QStringLiteral("db"), QStringLiteral("Arquivo do banco."),
                                      QStringLiteral("PATH"));
    const QCommandLineOption initOption(QStringLiteral("init-demo"),
                                        QStringLiteral("Cria o esquema e os dados de "
                                                       "demonstração (um banco com dados não é "
                                                       "alterado)."));
    const QCommandLineOption listenOption(QStringLiteral("listen"),
                                          QStringLiteral("Atende em HOST:PORTA (porta 0: "
                                                         "qualquer porta livre)."),
                                          QStringLiteral("HOST:PORT"));
    const QCommandLineOption branchOption(QStringLiteral("branch"),
                                          QStringLiteral("Filial da apuração (lock/unlock)."),
                                          QStringLiteral("CODE"));
    const QCommandLineOption workersOption(
        QStringLiteral("workers"), QStringLiteral("Número de threads de atendimento."),
        QStringLiteral("N"), QString::number(qBound(2, QThread::idealThreadCount(), 8)));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Registra cada requisição."));
    parser.addOptions(
        {dbOption, initOption, listenOption, branchOption, workersOption, verboseOption});
    parser.addPositionalArgument(QStringLiteral("comando"),
                                 QStringLiteral("lock|unlock NRAPURACFAT (com --branch)"));
    parser.process(app);

    if (parser.isSet(verboseOption))
        QLoggingCategory::setFilterRules(QStringLiteral("apurfat.server*.debug=true"));

    const QString path = parser.value(dbOption);
    const QStringList positional = parser.positionalArguments();
    if (path.isEmpty()) {
        print(stderr, QStringLiteral("Informe o banco com --db PATH."));
        return kUsageError;
    }
    try {
        if (!positional.isEmpty()) {
            const QString command = positional.first();
            if ((command != QLatin1String("lock") && command != QLatin1String("unlock")) ||
                positional.size() != 2 || !parser.isSet(branchOption)) {
                print(stderr, QStringLiteral("Uso: apurfat-server lock|unlock NRAPURACFAT "
                                             "--branch CODE --db PATH"));
                return kUsageError;
            }
            return lockCommand(command, positional.at(1), parser.value(branchOption), path);
        }
        if (!parser.isSet(initOption) && !parser.isSet(listenOption)) {
            parser.showHelp(kUsageError);
        }
        if (parser.isSet(initOption)) {
            if (const int status = initDemo(path); status != 0 || !parser.isSet(listenOption))
                return status;
        }

        server::rpc::ServerOptions options;
        options.databasePath = path;
        bool workersOk = false;
        options.workers = parser.value(workersOption).toInt(&workersOk);
        if (!parseEndpoint(parser.value(listenOption), options) || !workersOk ||
            options.workers < 1) {
            print(stderr, QStringLiteral("Endereço ou número de threads inválido."));
            return kUsageError;
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
