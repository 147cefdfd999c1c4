// The services page: the NF of a service checked, posted and saved; the lock check before
// every key; no service is ever added; and moving between services on the daily page.

#include "billing_world.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"

#include <QTest>

namespace {

const QString kSetEfetivos = QString::fromLatin1(ServerMethod::SetEfetivos);
const QString kCheck = QString::fromLatin1(ServerMethod::VerificaBloqueio);
const QString kNfMaior = "NF deve estar entre 01 e 99.";
const QString kLocked = "Operação não permitida. Período de faturamento bloqueado.";
const QString kSomaDif =
    "A soma das quantidades rateadas deve ser igual ao nº de comensais faturadas do dia.";

struct ServicesPage : BillingScreen {
    ServicesPage() { QVERIFY(leaveFilter()); }
    TField& nf() { return s->cdsServEfet.FieldByName("NRAGRUEFET"); }
    // Types `text` as the service's NF and posts it; false when the post was refused.
    bool postNf(const QString& text) {
        s->cdsServEfet.Edit();
        nf().SetAsString(text);
        try {
            s->cdsServEfet.Post();
            return true;
        } catch (const EAlreadyShown&) {
            return false;
        } catch (const EConvertError& e) {
            ui.MessageDlg(e.message(), mtError, mbOK, 0);
            return false;
        }
    }
};

} // namespace

class TstServices : public QObject {
    Q_OBJECT
private slots:
    void theNfIsLeftFilledCheckedAndSaved_data();
    void theNfIsLeftFilledCheckedAndSaved();
    void leavingTheNfColumnChecksOnlyAnEditedRow();
    void aFailedSaveKeepsTheLocalNumber();
    void noServiceIsEverAddedOrRemoved();
    void everyKeyTypedAsksWhetherThePeriodIsLocked();
    void aMarkedFieldTakesOnlyNavigationKeys_data();
    void aMarkedFieldTakesOnlyNavigationKeys();
    void movingToAnotherServiceOnTheDailyPage();
    void movingBetweenServicesOnTheServicesPageCallsNothing();
};

void TstServices::theNfIsLeftFilledCheckedAndSaved_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("5") << "5"
                       << "005" << true;
    QTest::newRow("99") << "99"
                        << "099" << true;
    QTest::newRow("blank, no range check") << ""
                                           << "" << true;
    QTest::newRow("0") << "0"
                       << "000" << false;
    QTest::newRow("00") << "00"
                        << "000" << false;
    QTest::newRow("000") << "000"
                         << "000" << false;
    QTest::newRow("100") << "100"
                         << "100" << false;
    QTest::newRow("999") << "999"
                         << "999" << false;
}

void TstServices::theNfIsLeftFilledCheckedAndSaved() {
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(bool, accepted);
    ServicesPage f;
    f.s->cdsServEfet.Next(); // Almoço
    QCOMPARE(f.postNf(typed), accepted);
    QCOMPARE(f.nf().AsString(), stored);
    const auto saves = f.server.callsOf(kSetEfetivos);
    if (accepted) {
        QCOMPARE(f.s->cdsServEfet.State(), dsBrowse);
        QCOMPARE(saves.size(), 1);
        QCOMPARE(saves[0].args, (QVariantList{"C-77", "0001", utcDay(QDate(2026, 11, 1)),
                                              utcDay(QDate(2026, 11, 30)), "00020", stored}));
        QCOMPARE(f.s->cdsServEfet.ChangeCount(), 0);
        QCOMPARE(f.ui.busyKinds.last(), 1);
        QVERIFY(f.ui.messages.isEmpty());
    } else {
        QCOMPARE(f.s->cdsServEfet.State(), dsEdit);
        QVERIFY(saves.isEmpty());
        QCOMPARE(f.ui.texts(), QStringList{kNfMaior});
        QCOMPARE(ActiveControl(f.s), f.s->dbgPadrao);
        QCOMPARE(f.s->dbgPadrao->SelectedField(), &f.nf());
    }
}

void TstServices::leavingTheNfColumnChecksOnlyAnEditedRow() {
    ServicesPage f;
    f.nf(); // browse: nothing to check, whatever the field holds
    f.s->dbgPadrao->SetSelectedIndex(2);
    f.s->dbgPadraoColExit(f.s->dbgPadrao);
    QVERIFY(f.ui.messages.isEmpty());
    f.s->cdsServEfet.Edit();
    f.nf().SetAsString("100");
    QVERIFY_THROWS_EXCEPTION(EAlreadyShown, f.s->dbgPadraoColExit(f.s->dbgPadrao));
    QCOMPARE(f.ui.texts(), QStringList{kNfMaior});
    f.nf().SetAsString("7");
    f.s->dbgPadraoColExit(f.s->dbgPadrao);
    QCOMPARE(f.nf().AsString(), QString("007"));
    QCOMPARE(f.s->cdsServEfet.State(), dsEdit);
}

void TstServices::aFailedSaveKeepsTheLocalNumber() {
    ServicesPage f;
    f.server.refuse(kSetEfetivos, "Período bloqueado para o serviço 00010.");
    QVERIFY(f.postNf("12"));
    QCOMPARE(f.ui.texts(), QStringList{"Período bloqueado para o serviço 00010."});
    QCOMPARE(f.nf().AsString(), QString("012"));
    QCOMPARE(f.s->cdsServEfet.State(), dsBrowse);
    QCOMPARE(f.s->cdsServEfet.ChangeCount(), 1);
    QVERIFY(!f.ui.busyVisible());
    QCOMPARE(f.ui.busyShows, f.ui.busyHides);
}

void TstServices::noServiceIsEverAddedOrRemoved() {
    ServicesPage f;
    QVERIFY_THROWS_EXCEPTION(EAbort, f.s->cdsServEfet.Insert());
    QVERIFY_THROWS_EXCEPTION(EAbort, f.s->cdsServEfet.Append());
    QVERIFY_THROWS_EXCEPTION(EAbort, f.s->cdsServEfet.Delete());
    SetFocus(f.s->dbgPadrao);
    f.s->cdsServEfet.Last();
    f.ui.defaultAnswer = mrOk;                     // a question, if one came, would be answered yes
    QTest::keyClick(f.s->dbgPadrao, Qt::Key_Down); // the grid's append past the last row
    QTest::keyClick(f.s->dbgPadrao, Qt::Key_Insert);
    QTest::keyClick(f.s->dbgPadrao, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(f.s->cdsServEfet.RecordCount(), 2);
    QCOMPARE(f.s->cdsServEfet.State(), dsBrowse);
    QCOMPARE(f.s->cdsServEfet.ChangeCount(), 0);
    // Tab in the last cell finds no new row to go to and leaves the grid (for the filter,
    // the next stop round the form).
    f.s->dbgPadrao->SetSelectedIndex(2);
    QTest::keyClick(f.s->dbgPadrao, Qt::Key_Tab);
    QCOMPARE(ActiveControl(f.s), f.s->medCdFilial);
    QVERIFY(f.ui.messages.isEmpty());
}

void TstServices::everyKeyTypedAsksWhetherThePeriodIsLocked() {
    ServicesPage f;
    SetFocus(f.s->dbgPadrao);
    f.s->dbgPadrao->SetSelectedIndex(2);
    const auto checks = [&] { return f.server.callsOf(kCheck).size(); };
    QTest::keyClick(f.s->dbgPadrao, Qt::Key_Return);
    QCOMPARE(checks(), 1);
    QCOMPARE(f.server.callsOf(kCheck).last().args[5], QVariant(true)); // the whole period
    QTest::keyClick(f.s->dbgPadrao, Qt::Key_Escape);

    f.world.locked = true;
    QTest::keyClick(f.s->dbgPadrao, Qt::Key_7);
    QCOMPARE(checks(), 3);
    QCOMPARE(f.ui.texts(), QStringList{kLocked});
    QCOMPARE(f.s->cdsServEfet.State(), dsBrowse);
    QCOMPARE(f.nf().AsString(), QString("001"));
}

void TstServices::aMarkedFieldTakesOnlyNavigationKeys_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("kept");
    QTest::newRow("a digit") << int('5') << false;
    QTest::newRow("a letter") << int('a') << false;
    QTest::newRow("Tab") << 9 << true;
    QTest::newRow("Enter") << 13 << true;
    QTest::newRow("37") << 37 << true;
    QTest::newRow("40") << 40 << true;
    QTest::newRow("41") << 41 << false;
}

void TstServices::aMarkedFieldTakesOnlyNavigationKeys() {
    QFETCH(int, code);
    QFETCH(bool, kept);
    ServicesPage f;
    f.s->dbgPadrao->SetSelectedIndex(2);
    QChar key(code);
    f.s->dbgPadraoKeyPress(f.s->dbgPadrao, key);
    QCOMPARE(key, QChar(code)); // no field carries a mark of its own
    f.nf().SetTag(3);
    f.s->dbgPadraoKeyPress(f.s->dbgPadrao, key);
    QCOMPARE(key.isNull(), !kept);
    f.nf().SetTag(2);
    key = QChar(code);
    f.s->dbgPadraoKeyPress(f.s->dbgPadrao, key);
    QCOMPARE(key, QChar(code));
}

void TstServices::movingToAnotherServiceOnTheDailyPage() {
    ServicesPage f;
    f.clickTab(1);
    f.s->cdsEfetivos.Next(); // 04/11, split 50 + 30 against 82
    f.s->cdsRateio.Edit();
    f.s->cdsRateio.FieldByName("DSOBSRATE").SetAsString("não salvo");
    f.s->cdsRateio.Post();
    f.server.calls.clear();
    f.ui.clear();
    // Typed rows that cannot be sent keep the service where it is.
    QVERIFY_THROWS_EXCEPTION(EAbort, f.s->cdsServEfet.Next());
    QCOMPARE(f.ui.texts(), QStringList{kSomaDif});
    QVERIFY(f.server.calls.isEmpty());
    QCOMPARE(f.s->cdsServEfet.RecNo(), 1);
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 1);

    f.s->cdsRateio.CancelUpdates();
    f.ui.clear();
    f.s->cdsServEfet.Next();
    // The warning, the day's saved rows back, then the new service's days and first day.
    QCOMPARE(f.ui.texts(), QStringList{kSomaDif});
    QCOMPARE(f.server.methods(), (QStringList{"GetRateio", "GetEfetivos", "GetRateio"}));
    QCOMPARE(f.server.calls[0].args[2], QVariant(utcDay(QDate(2026, 11, 4))));
    QCOMPARE(f.server.calls[0].args[3], QVariant("00010"));
    QCOMPARE(f.server.calls[1].args[4], QVariant("00020"));
    QCOMPARE(f.s->cdsEfetivos.FieldByName("CDSERVFILI").AsString(), QString("00020"));
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 0);
    QVERIFY(f.s->cdsRateio.IsEmpty());
    QCOMPARE(f.commands().left(5), QString("10000"));
    QCOMPARE(f.commands().right(1), QString("1"));

    // While the calculation's check runs, leaving a service checks nothing.
    boApurac = true;
    f.ui.clear();
    f.server.calls.clear();
    f.s->cdsServEfet.Prior();
    boApurac = false;
    QVERIFY(f.ui.messages.isEmpty());
    QCOMPARE(f.server.methods(), (QStringList{"GetEfetivos", "GetRateio"}));
}

void TstServices::movingBetweenServicesOnTheServicesPageCallsNothing() {
    ServicesPage f;
    f.server.calls.clear();
    f.s->cdsServEfet.Next();
    f.s->cdsServEfet.First();
    QVERIFY(f.server.calls.isEmpty());
    QVERIFY(f.ui.messages.isEmpty());
}

QTEST_MAIN(TstServices)
#include "tst_services.moc"
