// The module as the host meets it: a library loaded at run time whose entries and
// variables are found by name. This test does not link the module; it loads it.

#include "contracts/package_info.h"
#include "scripted_app_server.h"
#include "scripted_ui.h"

#include "framework/components/db_geral.h"
#include "framework/session.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {
const char* const kEntries[] = {"IniProc",    "CriaApurFatTR", "CriaApuracao",
                                "Initialize", "Finalize",      "GetPackageInfoTable"};
const char* const kVariables[] = {"frmApurFatTR",    "boStCriado",   "boPriVez",    "boApurac",
                                  "boChange",        "inCodiItem",   "stlCdFilial", "stlNrPrx",
                                  "frmGeraCalcApur", "dDataInicial", "boBloqApur",  "stNrApuracao",
                                  "boIdCriado"};

QString modulePath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath("Pkg_rqx52000.bpl");
}
} // namespace

class TstModuleEntry : public QObject {
    Q_OBJECT
private slots:
    void everyEntryAndVariableIsExportedByName();
    void loadingInitialisesTheUnitsAndUnloadingReleasesTheNumber();
    void loadBplOpensTheScreenOnceAndAMissingModuleIsAClearError();
};

void TstModuleEntry::everyEntryAndVariableIsExportedByName() {
    QLibrary module(modulePath());
    QVERIFY2(module.load(), qPrintable(module.errorString()));
    for (const char* name : kEntries)
        QVERIFY2(module.resolve(name), name);
    for (const char* name : kVariables)
        QVERIFY2(module.resolve(name), name);
    using InfoFn = const PackageInfoTable* (*)();
    const PackageInfoTable* info =
        reinterpret_cast<InfoFn>(module.resolve("GetPackageInfoTable"))();
    QCOMPARE(info->unitCount, 3);
    QCOMPARE(QString(info->units[0]), QString("Cli_rqx52000"));
    QCOMPARE(QString(info->units[1]), QString("Cli_rqx52100"));
    QCOMPARE(QString(info->units[2]), QString("Pkg_rqx52000"));
}

void TstModuleEntry::loadingInitialisesTheUnitsAndUnloadingReleasesTheNumber() {
    QLibrary module(modulePath());
    QVERIFY(module.load());
    auto* created = reinterpret_cast<bool*>(module.resolve("boStCriado"));
    auto* apurac = reinterpret_cast<bool*>(module.resolve("boApurac"));
    auto* item = reinterpret_cast<int*>(module.resolve("inCodiItem"));
    auto* number = reinterpret_cast<QString*>(module.resolve("stNrApuracao"));
    *created = true;
    *apurac = true;
    *item = 42;
    *number = "0000000123";
    reinterpret_cast<void (*)()>(module.resolve("Initialize"))();
    QVERIFY(!*created);
    QVERIFY(!*apurac);
    QCOMPARE(*item, 0);
    reinterpret_cast<void (*)()>(module.resolve("Finalize"))();
    QVERIFY(number->isEmpty());
}

void TstModuleEntry::loadBplOpensTheScreenOnceAndAMissingModuleIsAClearError() {
    ScriptedUi ui;
    ScriptedAppServer server;
    QTemporaryDir dir;
    QVERIFY(dtmDBGeral::Open("QSQLITE", dir.filePath("suite.db")));
    const HostSession saved = hostSession();
    hostSession().appServer = &server;
    hostSession().programFolder = QCoreApplication::applicationDirPath();
    hostSession().filiProcFat = "0001";
    hostSession().moduFili = true; // no branch query against the empty database

    LoadBPL("rqx52000");
    LoadBPL("rqx52000");
    QLibrary module(modulePath());
    QVERIFY(module.load());
    QWidget* screen = *reinterpret_cast<QWidget**>(module.resolve("frmApurFatTR"));
    QVERIFY(screen);
    QCOMPARE(screen->windowTitle(), QString("Cálculo de Apuração (Gestão Torvo)"));
    int screens = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        screens += w->objectName() == "frmApurFatTR" ? 1 : 0;
    QCOMPARE(screens, 1);

    try {
        LoadBPL("Rqx99999");
        QFAIL("a missing module loaded");
    } catch (const Exception& e) {
        QVERIFY2(e.message().contains("Rqx99999"), qPrintable(e.message()));
    }
    delete screen;
    hostSession() = saved;
    dtmDBGeral::Close();
}

QTEST_MAIN(TstModuleEntry)
#include "tst_module_entry.moc"
