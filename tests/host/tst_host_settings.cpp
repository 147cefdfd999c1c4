// Where a host session comes from: the settings file (defaults, a written file, bad
// values) and the command line.

#include "contracts/host_framework.h"
#include "host/command_line.h"
#include "host/host_settings.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath("apurfat-host.ini");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(text);
    return path;
}

template <typename Fn> QString errorOf(Fn fn) {
    try {
        fn();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

} // namespace

class TstHostSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void withoutAFileEveryValueIsItsDefault();
    void aNamedFileMustExist();
    void aWrittenFileIsRead();
    void emptyValuesTakeTheirDefaults();
    void moduFiliTakesYesAndNoSpellings_data();
    void moduFiliTakesYesAndNoSpellings();
    void badValuesAreRefusedByName_data();
    void badValuesAreRefusedByName();
    void commandLineNamesTheSessionsSource();
    void commandLineRefusesBadUsage_data();
    void commandLineRefusesBadUsage();
};

void TstHostSettings::withoutAFileEveryValueIsItsDefault() {
    QTemporaryDir dir;
    const HostSettings s = readHostSettings(dir.filePath("none.ini"), false);
    QCOMPARE(s.filiProc, QString());
    QCOMPARE(s.filiProcFat, QString());
    QVERIFY(!s.moduFili);
    QCOMPARE(s.webUrl, QStringLiteral("127.0.0.1"));
    QCOMPARE(s.webPort, 52000);
    QCOMPARE(s.programFolder, QString());
    QCOMPARE(s.registryFile, defaultRegistryFile());
    QVERIFY(s.registryFile.endsWith("/HKEY_LOCAL_MACHINE.ini"));
    QCOMPARE(s.databaseDriver, QStringLiteral("QSQLITE"));
    QCOMPARE(s.databaseName, QString());
}

void TstHostSettings::aNamedFileMustExist() {
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.ini");
    const QString error = errorOf([&] { readHostSettings(missing, true); });
    QVERIFY2(error.contains(missing) && error.contains("não existe"), qPrintable(error));
}

void TstHostSettings::aWrittenFileIsRead() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "[Login]\n"
                                        "FiliProc=1\n"
                                        "NomeFiliProc=Restaurante Sabor, Centro\n"
                                        "FiliProcFat=ab\n"
                                        "NomeFiliProcFat=Cozinha São João\n"
                                        "ModuFili=true\n"
                                        "[Servidor]\n"
                                        "WebURL=apl.corvana.local\n"
                                        "WebPort=6120\n"
                                        "[Programa]\n"
                                        "PastaProgramas=bin\n"
                                        "ArquivoRegistro=/etc/corvana/HKLM.ini\n"
                                        "[BancoDados]\n"
                                        "Nome=dados/suite.sqlite\n");
    const HostSettings s = readHostSettings(path, true);
    // Codes come upper case and four wide, as the screens compare them.
    QCOMPARE(s.filiProc, QStringLiteral("0001"));
    QCOMPARE(s.filiProcFat, QStringLiteral("00AB"));
    QCOMPARE(s.nomeFiliProc, QStringLiteral("Restaurante Sabor, Centro"));
    QCOMPARE(s.nomeFiliProcFat, QStringLiteral("Cozinha São João"));
    QVERIFY(s.moduFili);
    QCOMPARE(s.webUrl, QStringLiteral("apl.corvana.local"));
    QCOMPARE(s.webPort, 6120);
    // Relative paths are the settings file's neighbours.
    QCOMPARE(s.programFolder, dir.filePath("bin"));
    QCOMPARE(s.registryFile, QStringLiteral("/etc/corvana/HKLM.ini"));
    QCOMPARE(s.databaseName, dir.filePath("dados/suite.sqlite"));
}

void TstHostSettings::emptyValuesTakeTheirDefaults() {
    QTemporaryDir dir;
    const QString path = writeFile(dir, "[Login]\nFiliProc=\nModuFili=\n"
                                        "[Servidor]\nWebURL=  \nWebPort=\n"
                                        "[Programa]\nArquivoRegistro=\n");
    const HostSettings s = readHostSettings(path, true);
    QCOMPARE(s.filiProc, QString());
    QVERIFY(!s.moduFili);
    QCOMPARE(s.webUrl, QStringLiteral("127.0.0.1"));
    QCOMPARE(s.webPort, 52000);
    QCOMPARE(s.registryFile, defaultRegistryFile());
}

void TstHostSettings::moduFiliTakesYesAndNoSpellings_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("expected");
    QTest::newRow("true") << QByteArray("true") << true;
    QTest::newRow("Sim") << QByteArray("Sim") << true;
    QTest::newRow("FALSE") << QByteArray("FALSE") << false;
    QTest::newRow("não") << QByteArray("não") << false;
}

void TstHostSettings::moduFiliTakesYesAndNoSpellings() {
    QFETCH(QByteArray, value);
    QFETCH(bool, expected);
    QTemporaryDir dir;
    const QString path = writeFile(dir, "[Login]\nModuFili=" + value + "\n");
    QCOMPARE(readHostSettings(path, true).moduFili, expected);
}

void TstHostSettings::badValuesAreRefusedByName_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("named");
    QTest::newRow("port not a number") << QByteArray("[Servidor]\nWebPort=abc\n") << "WebPort";
    QTest::newRow("port zero") << QByteArray("[Servidor]\nWebPort=0\n") << "WebPort";
    QTest::newRow("port too high") << QByteArray("[Servidor]\nWebPort=70000\n") << "WebPort";
    QTest::newRow("modufili maybe") << QByteArray("[Login]\nModuFili=talvez\n") << "ModuFili";
    QTest::newRow("code too long") << QByteArray("[Login]\nFiliProc=12345\n") << "FiliProc";
    QTest::newRow("code with a dash") << QByteArray("[Login]\nFiliProcFat=0-1\n") << "FiliProcFat";
}

void TstHostSettings::badValuesAreRefusedByName() {
    QFETCH(QByteArray, text);
    QFETCH(QString, named);
    QTemporaryDir dir;
    const QString path = writeFile(dir, text);
    const QString error = errorOf([&] { readHostSettings(path, true); });
    const QString value = QString::fromUtf8(text.mid(text.indexOf('=') + 1).trimmed());
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY2(error.contains(named), qPrintable(error));
    QVERIFY2(error.contains("\"" + value + "\""), qPrintable(error));
}

void TstHostSettings::commandLineNamesTheSessionsSource() {
    HostOptions o = parseHostOptions({"apurfat-host", "--settings", "/etc/corvana/host.ini"});
    QCOMPARE(o.settingsFile, QStringLiteral("/etc/corvana/host.ini"));
    QVERIFY(!o.demo);

    o = parseHostOptions({"apurfat-host", "--demo", "--demo-dir", "/tmp/d", "--server", "/x/s"});
    QVERIFY(o.demo);
    QCOMPARE(o.demoFolder, QStringLiteral("/tmp/d"));
    QCOMPARE(o.serverExecutable, QStringLiteral("/x/s"));
    QCOMPARE(o.settingsFile, QString());
}

void TstHostSettings::commandLineRefusesBadUsage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unknown option") << QStringList{"apurfat-host", "--dmeo"} << "dmeo";
    QTest::newRow("missing value") << QStringList{"apurfat-host", "--settings"} << "inválida";
    QTest::newRow("stray argument") << QStringList{"apurfat-host", "demo"} << "demo";
    QTest::newRow("demo with settings")
        << QStringList{"apurfat-host", "--demo", "--settings", "x.ini"} << "juntos";
    QTest::newRow("demo folder without demo")
        << QStringList{"apurfat-host", "--demo-dir", "/tmp/d"} << "--demo";
}

void TstHostSettings::commandLineRefusesBadUsage() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const QString error = errorOf([&] { parseHostOptions(arguments); });
    QVERIFY2(error.contains(expected), qPrintable(error));
}

QTEST_GUILESS_MAIN(TstHostSettings)
#include "tst_host_settings.moc"
