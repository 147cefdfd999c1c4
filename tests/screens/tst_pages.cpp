// The two pages and the seven command slots: every moment that sets the commands, what
// entering the daily page loads, and how pages and filter follow the service list.

#include "billing_world.h"

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"

#include <QTest>

namespace {

const QString kGetEfetivos = QString::fromLatin1(ServerMethod::GetEfetivos);
const QString kGetRateio = QString::fromLatin1(ServerMethod::GetRateio);
const QString kSomaDif =
    "A soma das quantidades rateadas deve ser igual ao nº de comensais faturadas do dia.";

using Scenario = std::function<void(BillingScreen&)>;

void leave(BillingScreen& f) {
    QVERIFY(f.leaveFilter());
}

void toDailyPage(BillingScreen& f) {
    leave(f);
    f.clickTab(1);
}

// The daily page on a first day split in full.
void withRows(BillingScreen& f) {
    f.world.shares[BillingWorld::key("00010", QDate(2026, 11, 3))] = {{"0001", 80, "001", ""}};
    toDailyPage(f);
}

// The moments of the screen that set the seven command slots, by name.
const QHash<QString, Scenario>& scenarios() {
    static const QHash<QString, Scenario> all{
        {"filter entered",
         [](BillingScreen& f) {
             leave(f);
             SetFocus(f.s->medCdFilial);
         }},
        {"services page chosen",
         [](BillingScreen& f) {
             toDailyPage(f);
             f.clickTab(0);
         }},
        {"daily page, day without apportionment", toDailyPage},
        {"daily page, day with apportionment", withRows},
        {"services loaded", leave},
        {"state rule on the daily page, no apportionment",
         [](BillingScreen& f) {
             toDailyPage(f);
             f.s->dtsPadraoStateChange(nullptr);
         }},
        {"apportionment state rule, grid active and empty",
         [](BillingScreen& f) {
             toDailyPage(f);
             SetFocus(f.s->dbgRateio);
             f.s->cdsRateio.Insert();
             f.s->cdsRateio.Cancel();
         }},
        {"cancel on the daily page, no rows",
         [](BillingScreen& f) {
             toDailyPage(f);
             f.ui.answers = {mrYes};
             f.s->sbtCancelarClick(f.s->sbtCancelar);
         }},
        {"cancel on the daily page, rows",
         [](BillingScreen& f) {
             withRows(f);
             f.ui.answers = {mrYes};
             f.s->sbtCancelarClick(f.s->sbtCancelar);
         }},
        {"navigator click, no rows",
         [](BillingScreen& f) {
             toDailyPage(f);
             f.s->dbnPadrao->BtnClick(nbFirst);
         }},
        {"navigator click, rows",
         [](BillingScreen& f) {
             withRows(f);
             f.s->dbnPadrao->BtnClick(nbFirst);
         }},
        {"confirmation saved",
         [](BillingScreen& f) {
             withRows(f);
             SetFocus(f.s->dbgRateio);
             f.s->cdsRateio.Edit();
             f.s->cdsRateio.FieldByName("DSOBSRATE").SetAsString("Ala sul");
             f.s->sbtConfirmarClick(f.s->sbtConfirmar);
         }},
        {"confirmation failed",
         [](BillingScreen& f) {
             withRows(f);
             f.server.refuse(ServerMethod::SetRateio, "Falha ao gravar.");
             SetFocus(f.s->dbgRateio);
             f.s->cdsRateio.Edit();
             f.s->cdsRateio.FieldByName("DSOBSRATE").SetAsString("Ala sul");
             f.s->sbtConfirmarClick(f.s->sbtConfirmar);
         }},
    };
    return all;
}

} // namespace

class TstPages : public QObject {
    Q_OBJECT
private slots:
    void everyMomentSetsTheCommandSlots_data();
    void everyMomentSetsTheCommandSlots();
    void enteringTheDailyPageLoadsTheDaysAndTheApportionment();
    void aServiceWithoutDaysStillAsksForAnApportionment();
    void theMenuChoosesPagesWithoutTheLeavingCheck();
    void anOpenEmptyServiceListDisablesBothPages();
    void whileAServiceIsEditedTheFilterAndTheDailyPageWait();
    void habilitaPaginaKeepsTheActivePage_data();
    void habilitaPaginaKeepsTheActivePage();
    void theCalculationMenuItemStartsNothing();
};

void TstPages::everyMomentSetsTheCommandSlots_data() {
    QTest::addColumn<QString>("moment");
    QTest::addColumn<QString>(
        "commands"); // include, change, delete, 4, 5, confirm/cancel, calculation
    QTest::newRow("entering the filter panel") << "filter entered"
                                               << "0000000";
    QTest::newRow("services page became active") << "services page chosen"
                                                 << "0101101";
    QTest::newRow("daily page became active, empty") << "daily page, day without apportionment"
                                                     << "1000001";
    QTest::newRow("daily page became active, rows") << "daily page, day with apportionment"
                                                    << "1111101";
    QTest::newRow("state rule, services page with rows") << "services loaded"
                                                         << "0101101";
    QTest::newRow("state rule, daily page, empty")
        << "state rule on the daily page, no apportionment"
        << "1001101";
    QTest::newRow("apportionment rule, grid active, empty")
        << "apportionment state rule, grid active and empty"
        << "1000001";
    QTest::newRow("cancel on the daily page, empty") << "cancel on the daily page, no rows"
                                                     << "1000001";
    QTest::newRow("cancel on the daily page, rows") << "cancel on the daily page, rows"
                                                    << "1111101";
    QTest::newRow("navigator click, empty") << "navigator click, no rows"
                                            << "1000001";
    QTest::newRow("navigator click, rows") << "navigator click, rows"
                                           << "1111101";
    QTest::newRow("confirming, saved") << "confirmation saved"
                                       << "1111101";
    // Rows the server refused stay pending: confirm sends again, cancel undoes them.
    QTest::newRow("confirming, save failed") << "confirmation failed"
                                             << "0000010";
}

void TstPages::everyMomentSetsTheCommandSlots() {
    QFETCH(QString, moment);
    QFETCH(QString, commands);
    BillingScreen f;
    scenarios().value(moment)(f);
    QCOMPARE(f.commands(), commands);
}

void TstPages::enteringTheDailyPageLoadsTheDaysAndTheApportionment() {
    BillingScreen f;
    QVERIFY(f.leaveFilter());
    f.s->cdsServEfet.Next(); // Almoço
    f.server.calls.clear();
    f.clickTab(1);
    QCOMPARE(f.s->pgcPadrao->ActivePage(), f.s->tshFormulario);
    QVERIFY(f.s->mnuFormulario->isChecked());
    QVERIFY(!f.s->mnuFolhaDados->isChecked());
    const QStringList methods = f.server.methods();
    QCOMPARE(methods.first(), kGetEfetivos);
    QCOMPARE(methods.last(), kGetRateio);
    QCOMPARE(f.server.calls.first().args, (QVariantList{"C-77", "0001", utcDay(QDate(2026, 11, 1)),
                                                        utcDay(QDate(2026, 11, 30)), "00020"}));
    QCOMPARE(f.server.calls.last().args,
             (QVariantList{"C-77", "0001", utcDay(QDate(2026, 11, 3)), "00020"}));
    QCOMPARE(f.s->cdsEfetivos.RecordCount(), 2);
    QVERIFY(f.ui.messages.isEmpty());
}

void TstPages::aServiceWithoutDaysStillAsksForAnApportionment() {
    BillingScreen f;
    f.world.days.remove("00010");
    QVERIFY(f.leaveFilter());
    f.clickTab(1);
    QVERIFY(f.s->cdsEfetivos.IsEmpty());
    QCOMPARE(f.server.calls.last().method, kGetRateio);
    QCOMPARE(f.server.calls.last().args,
             (QVariantList{QString(), QString(),
                           QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC), QString()}));
    QCOMPARE(f.commands(), QString("1000001"));
}

void TstPages::theMenuChoosesPagesWithoutTheLeavingCheck() {
    BillingScreen f;
    // The second day of Desjejum is split 50 + 30 against 82 billed.
    QVERIFY(f.leaveFilter());
    f.s->mnuFormularioClick(f.s->mnuFormulario);
    QCOMPARE(f.s->pgcPadrao->ActivePage(), f.s->tshFormulario);
    f.s->cdsEfetivos.Next();
    f.s->mnuFolhaDadosClick(f.s->mnuFolhaDados);
    QCOMPARE(f.s->pgcPadrao->ActivePage(), f.s->tshFolhaDados);
    QVERIFY(f.ui.messages.isEmpty());
    QCOMPARE(f.commands(), QString("0101101"));

    // By the tab, leaving warns, and the page changes all the same.
    f.clickTab(1);
    f.s->cdsEfetivos.Next();
    f.clickTab(0);
    QCOMPARE(f.ui.texts(), QStringList{kSomaDif});
    QCOMPARE(f.ui.messages[0].type, mtInformation);
    QCOMPARE(f.s->pgcPadrao->ActivePage(), f.s->tshFolhaDados);
}

void TstPages::anOpenEmptyServiceListDisablesBothPages() {
    BillingScreen f;
    f.world.services.clear();
    QVERIFY(f.leaveFilter());
    QVERIFY(f.s->cdsServEfet.Active());
    QCOMPARE(f.commands(), QString("0000000"));
    QVERIFY(!f.s->tshFolhaDados->Enabled());
    QVERIFY(!f.s->mnuFolhaDados->isEnabled());
    QVERIFY(!f.s->tshFormulario->Enabled());
    QVERIFY(!f.s->mnuFormulario->isEnabled());
    QCOMPARE(f.s->pgcPadrao->ActivePage(), f.s->tshFolhaDados);
}

void TstPages::whileAServiceIsEditedTheFilterAndTheDailyPageWait() {
    BillingScreen f;
    QVERIFY(f.leaveFilter());
    QVERIFY(f.s->tshFormulario->Enabled());
    f.s->cdsServEfet.Edit();
    QCOMPARE(f.commands(), QString("0000010"));
    for (QWidget* w :
         {static_cast<QWidget*>(f.s->medCdFilial), static_cast<QWidget*>(f.s->medCdCliente),
          static_cast<QWidget*>(f.s->depDtInicial), static_cast<QWidget*>(f.s->btpCliente)})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(!f.s->tshFormulario->Enabled());
    QVERIFY(!f.s->mnuFormulario->isEnabled());
    f.s->cdsServEfet.Cancel();
    QCOMPARE(f.commands(), QString("0101101"));
    QVERIFY(f.s->medCdCliente->isEnabled());
    QVERIFY(f.s->depDtInicial->isEnabled());
    QVERIFY(!f.s->edtNmCliente->isEnabled()); // the names stay display-only
    QVERIFY(f.s->tshFormulario->Enabled());
}

void TstPages::habilitaPaginaKeepsTheActivePage_data() {
    QTest::addColumn<bool>("daily");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<bool>("servicesEnabled");
    QTest::addColumn<bool>("dailyEnabled");
    QTest::newRow("services active, flag off") << false << false << true << false;
    QTest::newRow("services active, flag on") << false << true << true << true;
    QTest::newRow("daily active, flag off") << true << false << false << true;
    QTest::newRow("daily active, flag on") << true << true << true << true;
}

void TstPages::habilitaPaginaKeepsTheActivePage() {
    QFETCH(bool, daily);
    QFETCH(bool, flag);
    QFETCH(bool, servicesEnabled);
    QFETCH(bool, dailyEnabled);
    BillingScreen f;
    QVERIFY(f.leaveFilter());
    if (daily)
        f.clickTab(1);
    f.s->Habilita_Pagina(flag);
    QCOMPARE(f.s->tshFolhaDados->Enabled(), servicesEnabled);
    QCOMPARE(f.s->mnuFolhaDados->isEnabled(), servicesEnabled);
    QCOMPARE(f.s->tshFormulario->Enabled(), dailyEnabled);
    QCOMPARE(f.s->mnuFormulario->isEnabled(), dailyEnabled);
}

void TstPages::theCalculationMenuItemStartsNothing() {
    BillingScreen f;
    QVERIFY(f.leaveFilter());
    QVERIFY(f.s->mnuApurac->isEnabled());
    f.server.calls.clear();
    QTest::keyClick(f.s->dbgPadrao, Qt::Key_B, Qt::ControlModifier);
    f.s->mnuApurac->trigger();
    QVERIFY(f.server.calls.isEmpty());
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(f.ui.modalForms.isEmpty());
}

QTEST_MAIN(TstPages)
#include "tst_pages.moc"
