// The registry's read side on hand-written files: the key the screen reads, values with
// and without a trailing backslash, an empty value, missing keys, values and files, case,
// and the current user's file.

#include "framework/components/registry.h"
#include "framework/session.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kKey = "SOFTWARE\\CORVANA\\Sistemas Integrados Corvana\\WebSrv";

void writeRaw(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

} // namespace

class TstRegistry : public QObject {
    Q_OBJECT
private slots:
    void init();
    void theProgramFolderReadsAsWritten_data();
    void theProgramFolderReadsAsWritten();
    void aFileWrittenByQSettingsReadsToo();
    void missingKeysValuesAndFiles();
    void eachRootKeyHasItsFile();

private:
    QTemporaryDir m_dir;
    QString m_file;
    int m_cases = 0;
};

void TstRegistry::init() {
    // A file per case: QSettings caches what it read by file name.
    m_file = m_dir.filePath(QString("registry%1.ini").arg(++m_cases));
    hostSession().registryFile = m_file;
}

void TstRegistry::theProgramFolderReadsAsWritten_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("value");
    QTest::newRow("trailing slash") << QByteArray("ExeFileDir=/opt/suite/") << "/opt/suite/";
    QTest::newRow("no trailing") << QByteArray("exefiledir=/opt/suite") << "/opt/suite";
    QTest::newRow("windows, trailing \\")
        << QByteArray("ExeFileDir=C:\\Corvana\\Suite\\") << "C:\\Corvana\\Suite\\";
    QTest::newRow("quoted, CRLF") << QByteArray("ExeFileDir = \"C:\\Suíte\\\"\r") << "C:\\Suíte\\";
    QTest::newRow("empty") << QByteArray("ExeFileDir=") << "";
}

void TstRegistry::theProgramFolderReadsAsWritten() {
    QFETCH(QByteArray, line);
    QFETCH(QString, value);
    // A trailing backslash must not join the next line, as it would in QSettings' INI.
    writeRaw(m_file, "; registro da suíte\n[OUTRA\\CHAVE]\nExeFileDir=/errado/\n"
                     "[SOFTWARE\\CORVANA\\Sistemas Integrados Corvana\\WebSrv]\n" +
                         line + "\nPorta=8080\n");
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    QVERIFY(reg.OpenKeyReadOnly("\\software\\corvana\\SISTEMAS INTEGRADOS CORVANA\\websrv\\"));
    QVERIFY(reg.ValueExists("ExeFileDir"));
    QCOMPARE(reg.ReadString("EXEFILEDIR"), value);
    QCOMPARE(reg.ReadString("Porta"), QString("8080"));
    reg.CloseKey();
    QCOMPARE(reg.ReadString("ExeFileDir"), QString());
}

void TstRegistry::aFileWrittenByQSettingsReadsToo() {
    {
        QSettings writer(m_file, QSettings::IniFormat);
        writer.beginGroup(kKey);
        writer.setValue("ExeFileDir", "/opt/suíte, demo/");
    }
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    QVERIFY(reg.OpenKeyReadOnly(kKey));
    QCOMPARE(reg.ReadString("ExeFileDir"), QString("/opt/suíte, demo/"));
}

void TstRegistry::missingKeysValuesAndFiles() {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    QVERIFY(!reg.OpenKeyReadOnly(kKey)); // no file yet
    writeRaw(m_file, "[SOFTWARE\\CORVANA]\nOutro=1\n[" + kKey.toUtf8() + "]\n");
    QVERIFY(!reg.OpenKeyReadOnly(kKey)); // a key without values
    QCOMPARE(reg.ReadString("ExeFileDir"), QString());
    QVERIFY(reg.OpenKeyReadOnly("SOFTWARE\\CORVANA"));
    QVERIFY(!reg.ValueExists("ExeFileDir"));
    QCOMPARE(reg.ReadString("ExeFileDir"), QString());
    hostSession().registryFile.clear();
    QVERIFY(!reg.OpenKeyReadOnly("SOFTWARE\\CORVANA"));
}

void TstRegistry::eachRootKeyHasItsFile() {
    const QString userFile = m_file.chopped(4) + "-user.ini";
    QCOMPARE(TRegistry::fileOf(HKEY_CURRENT_USER), userFile);
    writeRaw(m_file, "[" + kKey.toUtf8() + "]\nExeFileDir=/maquina/\n");
    writeRaw(userFile, "[" + kKey.toUtf8() + "]\nExeFileDir=/usuario/\n");
    TRegistry reg;
    QVERIFY(reg.OpenKeyReadOnly(kKey)); // the current user's, as on Windows
    QCOMPARE(reg.ReadString("ExeFileDir"), QString("/usuario/"));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    QVERIFY(reg.OpenKeyReadOnly(kKey));
    QCOMPARE(reg.ReadString("ExeFileDir"), QString("/maquina/"));
}

QTEST_GUILESS_MAIN(TstRegistry)
#include "tst_registry.moc"
