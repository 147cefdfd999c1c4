#include "host/command_line.h"

#include "apurfat_version.h"
#include "contracts/host_framework.h"

#include <QCommandLineParser>

#include <cstdio>

HostOptions parseHostOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Aplicação hospedeira dos módulos dos Sistemas Integrados Corvana."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Mostra esta ajuda."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Mostra a versão do programa."));
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Arquivo de configuração da sessão (login, servidor, banco de dados)."),
        QStringLiteral("arquivo"));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Demonstração: banco de demonstração e servidor de aplicação locais."));
    const QCommandLineOption demoFolder(
        QStringLiteral("demo-dir"),
        QStringLiteral("Pasta dos dados da demonstração (padrão: pasta de dados do usuário)."),
        QStringLiteral("pasta"));
    const QCommandLineOption server(
        QStringLiteral("server"),
        QStringLiteral("Executável do servidor de aplicação usado na demonstração."),
        QStringLiteral("arquivo"));
    parser.addOptions({help, version, settings, demo, demoFolder, server});

    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            throw Exception(QStringLiteral("Opção desconhecida: %1.").arg(unknown.constFirst()));
        QString detail = parser.errorText();
        if (detail.endsWith(QLatin1Char('.')))
            detail.chop(1);
        throw Exception(QStringLiteral("Linha de comando inválida (%1).").arg(detail));
    }
    if (!parser.positionalArguments().isEmpty())
        throw Exception(QStringLiteral("Argumento não reconhecido: %1")
                            .arg(parser.positionalArguments().constFirst()));

    HostOptions options;
    if (parser.isSet(help)) {
        // Qt's own headings are in English and it names no program before the application
        // exists.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("apurfat-host"))
            .replace(QStringLiteral("Usage:"), QStringLiteral("Uso:"))
            .replace(QStringLiteral("[options]"), QStringLiteral("[opções]"))
            .replace(QStringLiteral("Options:"), QStringLiteral("Opções:"));
        std::fputs(qPrintable(text), stdout);
        options.answered = true;
        return options;
    }
    if (parser.isSet(version)) {
        std::fputs("apurfat-host " APURFAT_VERSION "\n", stdout);
        options.answered = true;
        return options;
    }
    options.settingsFile = parser.value(settings);
    options.demo = parser.isSet(demo);
    options.demoFolder = parser.value(demoFolder);
    options.serverExecutable = parser.value(server);
    if (options.demo && parser.isSet(settings))
        throw Exception(QStringLiteral(
            "--settings e --demo não podem ser usados juntos: a demonstração monta a "
            "sua própria sessão."));
    if (!options.demo && (parser.isSet(demoFolder) || parser.isSet(server)))
        throw Exception(QStringLiteral("--demo-dir e --server só valem com --demo."));
    return options;
}
