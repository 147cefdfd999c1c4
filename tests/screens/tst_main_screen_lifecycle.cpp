// The main screen from the host's first call to its close: single instance, the registry
// and the print button, the connection, the initial branch, first activation, and the
// close-time release of the work tables.

#include "screen_fixture.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"
#include "framework/data/packet.h"

#include <QDir>
#include <QTest>

namespace {
const QString kDelTable = QString::fromLatin1(ServerMethod::DelTableRelApur);
}

class TstMainScreenLifecycle : public QObject {
    Q_OBJECT
private slots:
    void theScreenIsCreatedOnceAndAgainAfterItCloses();
    void theRegistrysProgramFolderDecidesThePrintButton_data();
    void theRegistrysProgramFolderDecidesThePrintButton();
    void creationConnectsUnderTheBusyAnimationWithTheSessionsAddress();
    void theInitialBranchIsTheBillingBranchWithItsNameFromTheDatabase();
    void withoutABillingBranchTheProcessingBranchAndItsOwnNameAreShown();
    void aLoginBoundToOneBranchKeepsTheBranchControlsDisabled();
    void theFirstActivationFocusesTheBranchOnce();
    void closingReleasesTheWorkTablesAndDisconnects();
    void aFailedReleaseKeepsTheScreenOpenCreatedAndConnected();
    void theDailyPageStartsDisabled();
};

void TstMainScreenLifecycle::theScreenIsCreatedOnceAndAgainAfterItCloses() {
    ScreenFixture f;
    QVERIFY(!boStCriado);
    IniProc();
    TfrmApurFatTR* first = frmApurFatTR;
    QVERIFY(first);
    QVERIFY(boStCriado);
    QVERIFY(first->isVisible());
    CriaApurFatTR();
    QCOMPARE(frmApurFatTR, first);
    QCOMPARE(QApplication::topLevelWidgets().count(first), 1);
    QCOMPARE(f.server.callsOf("GetPrxRelApurFat").size(), 0);

    QVERIFY(f.close());
    QVERIFY(!boStCriado);
    QCOMPARE(frmApurFatTR, nullptr);
    IniProc();
    QVERIFY(frmApurFatTR);
    QVERIFY(boStCriado);
    QVERIFY(frmApurFatTR->isVisible());
}

void TstMainScreenLifecycle::theRegistrysProgramFolderDecidesThePrintButton_data() {
    QTest::addColumn<QString>("value"); // "<dir>" stands for the package's folder
    QTest::addColumn<bool>("packageInCwd");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("folder without the trailing separator") << "<dir>" << false << true;
    QTest::newRow("folder with a trailing backslash") << "<dir>\\" << false << true;
    QTest::newRow("folder with a trailing slash") << "<dir>/" << false << true;
    QTest::newRow("folder without the package") << "<other>" << false << false;
    QTest::newRow("empty value, package not here") << "" << false << false;
    QTest::newRow("empty value tests the bare name") << "" << true << true;
    QTest::newRow("no key") << QString() << false << false;
}

void TstMainScreenLifecycle::theRegistrysProgramFolderDecidesThePrintButton() {
    QFETCH(QString, value);
    QFETCH(bool, packageInCwd);
    QFETCH(bool, enabled);
    ScreenFixture f;
    const QString suite = f.folder("suite");
    f.installReportPackage(suite);
    const QString other = f.folder("other");
    if (!value.isNull())
        value.replace("<dir>", suite).replace("<other>", other);
    f.setProgramFolderValue(value);
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(f.folder("cwd"));
    if (packageInCwd)
        f.installReportPackage(QDir::currentPath());
    f.open();
    QDir::setCurrent(cwd);
    QCOMPARE(frmApurFatTR->sbtImprimir->isEnabled(), enabled);
    QVERIFY(f.ui.messages.isEmpty());
}

void TstMainScreenLifecycle::creationConnectsUnderTheBusyAnimationWithTheSessionsAddress() {
    ScreenFixture f;
    f.open();
    QVERIFY(frmApurFatTR->netApurFatTR.Connected());
    QCOMPARE(frmApurFatTR->netApurFatTR.Host(), QString("apurfat.local"));
    QCOMPARE(frmApurFatTR->netApurFatTR.Port, 5123);
    QCOMPARE(frmApurFatTR->netApurFatTR.ServerName, QString("Rqx52000.rdmApurFatTR"));
    QVERIFY(!frmApurFatTR->netApurFatTR.ThrowException);
    QCOMPARE(f.ui.busyKinds, QList<int>{0});
    QCOMPARE(f.ui.busyHides, 1);
    QVERIFY(!f.ui.busyVisible());
}

void TstMainScreenLifecycle::theInitialBranchIsTheBillingBranchWithItsNameFromTheDatabase() {
    ScreenFixture f;
    f.open();
    QCOMPARE(frmApurFatTR->medCdFilial->Text(), QString("0002"));
    QCOMPARE(frmApurFatTR->edtNmFilial->text(), QString("Filial Norte"));
    QVERIFY(frmApurFatTR->medCdFilial->isEnabled());
    QVERIFY(frmApurFatTR->btpFilial->isEnabled());
    QVERIFY(frmApurFatTR->lblFilial->isEnabled());

    // A billing branch the database does not know shows no name.
    f.close();
    hostSession().filiProcFat = "0009";
    f.open();
    QCOMPARE(frmApurFatTR->medCdFilial->Text(), QString("0009"));
    QCOMPARE(frmApurFatTR->edtNmFilial->text(), QString());
}

void TstMainScreenLifecycle::withoutABillingBranchTheProcessingBranchAndItsOwnNameAreShown() {
    ScreenFixture f;
    hostSession().filiProcFat.clear();
    hostSession().nomeFiliProcFat.clear();
    f.open();
    QCOMPARE(frmApurFatTR->medCdFilial->Text(), QString("0001"));
    // The name read from the database is the shown branch's, not an empty one.
    QCOMPARE(frmApurFatTR->edtNmFilial->text(), QString("Filial Centro"));
}

void TstMainScreenLifecycle::aLoginBoundToOneBranchKeepsTheBranchControlsDisabled() {
    ScreenFixture f;
    hostSession().moduFili = true;
    f.open();
    QVERIFY(!frmApurFatTR->medCdFilial->isEnabled());
    QVERIFY(!frmApurFatTR->btpFilial->isEnabled());
    QVERIFY(!frmApurFatTR->lblFilial->isEnabled());
    QCOMPARE(frmApurFatTR->medCdFilial->Text(), QString("0002"));
    // The name is the session's: the database is not asked.
    QCOMPARE(frmApurFatTR->edtNmFilial->text(), QString("Norte (sessão)"));
    QVERIFY(!frmApurFatTR->qryFilial.Active());
}

void TstMainScreenLifecycle::theFirstActivationFocusesTheBranchOnce() {
    ScreenFixture f;
    f.open();
    QVERIFY(!boPriVez);
    QCOMPARE(ActiveControl(frmApurFatTR), frmApurFatTR->medCdFilial);
    QCOMPARE(frmApurFatTR->WindowState(), wsMaximized);
    SetFocus(frmApurFatTR->medCdCliente);
    frmApurFatTR->FormActivate(frmApurFatTR);
    QCOMPARE(ActiveControl(frmApurFatTR), frmApurFatTR->medCdCliente);
    f.close();

    hostSession().moduFili = true;
    f.open();
    QVERIFY(boPriVez);
    QVERIFY(ActiveControl(frmApurFatTR) != frmApurFatTR->medCdFilial);
}

void TstMainScreenLifecycle::closingReleasesTheWorkTablesAndDisconnects() {
    ScreenFixture f;
    f.open();
    f.server.calls.clear();
    QVERIFY(f.close());
    const auto calls = f.server.callsOf(kDelTable);
    QCOMPARE(calls.size(), 1);
    // Never loaded: the closed branch table gives no packet, and there is no work number.
    QVERIFY(calls[0].args[0].isNull());
    QCOMPARE(calls[0].args[1], QVariant(QString()));
    QVERIFY(!boStCriado);

    // Branches used during the screen's life go with their newest work number.
    f.open();
    TfrmApurFatTR* s = frmApurFatTR;
    s->CriaDataSet(s->cdsCdFilial);
    s->CriaDataSet(s->cdsNrPrx);
    for (const char* branch : {"0001", "0002"}) {
        s->cdsCdFilial.Append();
        s->cdsCdFilial.FieldByName("CDFILIAL").SetAsString(branch);
        s->cdsCdFilial.Post();
    }
    for (const char* number : {"17", "18"}) {
        s->cdsNrPrx.Append();
        s->cdsNrPrx.FieldByName("APUFAT").SetAsString(number);
        s->cdsNrPrx.Post();
    }
    QVERIFY(f.close());
    const auto last = f.server.callsOf(kDelTable).last();
    QCOMPARE(packet::decode(last.args[0]).rows, (QList<QVariantList>{{"0001"}, {"0002"}}));
    QCOMPARE(last.args[1], QVariant(QString("18")));
}

void TstMainScreenLifecycle::aFailedReleaseKeepsTheScreenOpenCreatedAndConnected() {
    ScreenFixture f;
    f.open();
    f.server.refuse(kDelTable, "Não foi possível liberar as tabelas de trabalho.");
    QVERIFY(!f.close());
    QVERIFY(frmApurFatTR);
    QVERIFY(frmApurFatTR->isVisible());
    QVERIFY(boStCriado);
    QVERIFY(frmApurFatTR->netApurFatTR.Connected());
    QCOMPARE(f.ui.texts(), QStringList{"Não foi possível liberar as tabelas de trabalho."});
    f.server.answer(kDelTable, QVariant());
    QVERIFY(f.close());
}

void TstMainScreenLifecycle::theDailyPageStartsDisabled() {
    ScreenFixture f;
    f.open();
    QVERIFY(!frmApurFatTR->tshFormulario->Enabled());
    QVERIFY(!frmApurFatTR->mnuFormulario->isEnabled());
    QVERIFY(!frmApurFatTR->mnuFormulario->isChecked());
    QVERIFY(frmApurFatTR->mnuFolhaDados->isChecked());
    QCOMPARE(frmApurFatTR->pgcPadrao->ActivePage(), frmApurFatTR->tshFolhaDados);
    QVERIFY(stlCdFilial && stlCdFilial->isEmpty());
    QVERIFY(stlNrPrx && stlNrPrx->isEmpty());
}

QTEST_MAIN(TstMainScreenLifecycle)
#include "tst_main_screen_lifecycle.moc"
