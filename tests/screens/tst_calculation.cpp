// The calculation: the main screen's check that every day adds up, the dialog's proposal
// of the next period, its date checks and the run; verification and print.

#include "billing_world.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"
#include "screens/calculo/cli_rqx52100.h"
#include "screens/calculo/frm_gera_calc_apur.h"

#include "framework/components/focus.h"
#include "framework/forms/application.h"
#include "framework/ui/guard.h"

#include <QStatusBar>
#include <QTest>

struct Calculation {
    QDate from, to;
    QString locked, number;
};
Q_DECLARE_METATYPE(Calculation)

namespace {

const QString kGetDt = QString::fromLatin1(ServerMethod::GetDtApuracao);
const QString kConfirma = QString::fromLatin1(ServerMethod::Confirma_Calculo);
const QString kSoma = QString::fromLatin1(ServerMethod::SomaApurac);

// The services page loaded, the client's calculations answered as given.
struct CalculationScreen : BillingScreen {
    explicit CalculationScreen(const QList<Calculation>& calculations = {}) {
        QVERIFY(leaveFilter());
        QList<QVariantList> rows;
        for (const Calculation& c : calculations)
            rows.append({utcDay(c.from), utcDay(c.to), c.locked, c.number, "0001"});
        server.answer(kGetDt, packetFor(s->cdsDtApuracao, rows));
        ui.clear();
        server.calls.clear();
    }
    // A new dialog as CriaApuracao makes it, shown; the caller deletes it.
    TfrmGeraCalcApur* dialog() {
        Application().CreateForm(frmGeraCalcApur);
        frmGeraCalcApur->show();
        frmGeraCalcApur->activateWindow();
        if (!QTest::qWaitForWindowActive(frmGeraCalcApur))
            qWarning("the dialog did not become active");
        return frmGeraCalcApur;
    }
};

QDate dateOf(const TDateEditPlus* edit) {
    return edit->Date().date();
}

} // namespace

class TstCalculation : public QObject {
    Q_OBJECT
private slots:
    void theDialogProposesTheNextPeriod_data();
    void theDialogProposesTheNextPeriod();
    void theDatesAreCheckedInTwoBlocks_data();
    void theDatesAreCheckedInTwoBlocks();
    void aRunSendsItsSixArgumentsAndKeepsTheNumberItGetsBack();
    void aRefusedRunKeepsTheDialogOpenWithItsStatus();
    void theCalculationCommandOpensTheDialogOnlyWhenEveryDayAddsUp();
    void aFailedSumCheckFreesTheScreenAsARefusalDoes();
    void verifyReloadsTheDaysAndSwallowsAShownFailure();
    void printStartsTheReportModule();
};

void TstCalculation::theDialogProposesTheNextPeriod_data() {
    QTest::addColumn<QList<Calculation>>("calculations");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("bounded");
    QTest::addColumn<int>("reads"); // calls of GetDtApuracao
    QTest::newRow("no calculation: the processing date")
        << QList<Calculation>{} << QDate(2026, 11, 30) << QDate() << "" << false << 1;
    QTest::newRow("a locked one: after the row the scan rests on")
        << QList<Calculation>{{{2026, 8, 1}, {2026, 8, 31}, "S", "1"},
                              {{2026, 9, 1}, {2026, 9, 30}, "N", "2"},
                              {{2026, 10, 1}, {2026, 10, 31}, "N", "3"}}
        << QDate(2026, 10, 1) << QDate() << "" << true << 1;
    QTest::newRow("the last one locked")
        << QList<Calculation>{{{2026, 9, 1}, {2026, 9, 30}, "S", "4"}} << QDate(2026, 10, 1)
        << QDate() << "" << true << 1;
    QTest::newRow("one, open: held to its start")
        << QList<Calculation>{{{2026, 10, 1}, {2026, 10, 31}, "N", "7"}} << QDate(2026, 10, 1)
        << QDate(2026, 10, 31) << "7" << true << 2;
    QTest::newRow("two open: the last, unbounded")
        << QList<Calculation>{{{2026, 9, 1}, {2026, 9, 30}, "N", "8"},
                              {{2026, 10, 1}, {2026, 10, 31}, "N", "9"}}
        << QDate(2026, 10, 1) << QDate(2026, 10, 31) << "9" << false << 2;
}

void TstCalculation::theDialogProposesTheNextPeriod() {
    QFETCH(QList<Calculation>, calculations);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QString, number);
    QFETCH(bool, bounded);
    QFETCH(int, reads);
    CalculationScreen f(calculations);
    stNrApuracao = "stale";
    std::unique_ptr<TfrmGeraCalcApur> d(f.dialog());
    QCOMPARE(dateOf(d->depDataInicial), start);
    QCOMPARE(d->depDataFinal->Text().isEmpty(), !end.isValid());
    if (end.isValid())
        QCOMPARE(dateOf(d->depDataFinal), end);
    QCOMPARE(stNrApuracao, number);
    QCOMPARE(boBloqApur, bounded);
    if (bounded)
        QCOMPARE(dDataInicial.date(), start);
    const auto calls = f.server.callsOf(kGetDt);
    QCOMPARE(calls.size(), reads);
    QCOMPARE(calls[0].args, (QVariantList{"C-77", "0001"}));
    QVERIFY(f.ui.messages.isEmpty());
}

void TstCalculation::theDatesAreCheckedInTwoBlocks_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("start empty") << ""
                                 << "31102026"
                                 << "Data inic. apuração deve ser informada."
                                 << "depDataInicial";
    QTest::newRow("start impossible") << "31022026"
                                      << ""
                                      << "'31/02/2026' não é uma data válida."
                                      << "depDataInicial";
    QTest::newRow("start before the last one")
        << "30092026"
        << "31102026"
        << "Data inicial Apuração deve ser maior que a última  apurada."
        << "depDataInicial";
    QTest::newRow("end empty") << "01102026"
                               << ""
                               << "Data final apuração deve ser informada."
                               << "depDataFinal";
    QTest::newRow("start after end")
        << "02102026"
        << "01102026"
        << "Data Inicial deve ser menor ou igual a data final de apuração."
        << "depDataFinal";
    QTest::newRow("end impossible") << "01102026"
                                    << "31132026"
                                    << "'31/13/2026' não é uma data válida."
                                    << "depDataFinal";
    QTest::newRow("one day") << "01102026"
                             << "01102026"
                             << ""
                             << "";
}

void TstCalculation::theDatesAreCheckedInTwoBlocks() {
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    CalculationScreen f({{{2026, 10, 1}, {2026, 10, 31}, "N", "7"}});
    std::unique_ptr<TfrmGeraCalcApur> d(f.dialog());
    d->depDataInicial->SetText(start);
    d->depDataFinal->SetText(end);
    const bool ok = Guarded([&] { d->sbtConfirmaClick(d->sbtConfirma); });
    QCOMPARE(ok, message.isEmpty());
    if (!ok) {
        QCOMPARE(f.ui.texts(), QStringList{message});
        QCOMPARE(ActiveControl(d.get())->objectName(), focus);
        QVERIFY(!d->stbMensagens->isVisibleTo(d.get())); // stopped before the status bar
        QVERIFY(f.server.callsOf(kConfirma).isEmpty());
    } else {
        QCOMPARE(f.ui.texts(), QStringList{"A apuração foi realizada com sucesso."});
    }
}

void TstCalculation::aRunSendsItsSixArgumentsAndKeepsTheNumberItGetsBack() {
    CalculationScreen f;
    f.server.on(kConfirma, [](QVariantList& args) {
        args[4] = QStringLiteral("0000000042");
        return QVariant(ScriptedAppServer::ok());
    });
    std::unique_ptr<TfrmGeraCalcApur> d(f.dialog());
    d->depDataInicial->SetText("01112026");
    d->depDataFinal->SetText("30112026");
    QVERIFY(Guarded([&] { d->sbtConfirmaClick(d->sbtConfirma); }));
    QVERIFY(Guarded([&] { d->sbtConfirmaClick(d->sbtConfirma); }));
    const auto runs = f.server.callsOf(kConfirma);
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[0].args, (QVariantList{"0001", "C-77", utcDay(QDate(2026, 11, 1)),
                                         utcDay(QDate(2026, 11, 30)), QString(), "0001"}));
    QCOMPARE(runs[1].args[4], QVariant("0000000042")); // the second run recalculates that number
    QCOMPARE(stNrApuracao, QString("0000000042"));
    QCOMPARE(f.ui.texts(), (QStringList{"A apuração foi realizada com sucesso.",
                                        "A apuração foi realizada com sucesso."}));
    QCOMPARE(f.ui.messages[0].type, mtInformation);
    QVERIFY(d->stbMensagens->isVisibleTo(d.get()));
    QCOMPARE(d->stbMensagensPanel->text(), QString());
    QVERIFY(d->isVisible());
}

void TstCalculation::aRefusedRunKeepsTheDialogOpenWithItsStatus() {
    CalculationScreen f;
    const QString refusal =
        "O período de 01/11/2026 a 30/11/2026 coincide com a apuração 0000000003.";
    f.server.refuse(kConfirma, refusal);
    std::unique_ptr<TfrmGeraCalcApur> d(f.dialog());
    d->depDataInicial->SetText("01112026");
    d->depDataFinal->SetText("30112026");
    QVERIFY(!Guarded([&] { d->sbtConfirmaClick(d->sbtConfirma); }));
    QCOMPARE(f.ui.texts(), QStringList{refusal});
    QCOMPARE(d->stbMensagensPanel->text(), QString("Apurando Cliente ..."));
    QVERIFY(d->isVisible());
}

void TstCalculation::theCalculationCommandOpensTheDialogOnlyWhenEveryDayAddsUp() {
    CalculationScreen f;
    QList<bool> flagDuringCall;
    f.server.on(kSoma, [&](QVariantList&) {
        flagDuringCall << boApurac << f.s->cdsRateio.ControlsDisabled();
        return QVariant(ScriptedAppServer::ok(true));
    });
    QTest::mouseClick(f.s->sbtApurar, Qt::LeftButton);
    QCOMPARE(
        f.ui.texts(),
        QStringList{
            "Existem rateios com quantidades diferentes do total de comensais faturados do dia."});
    QVERIFY(f.ui.modalForms.isEmpty());
    QCOMPARE(flagDuringCall, (QList<bool>{true, true}));
    QVERIFY(!boApurac);
    QVERIFY(!f.s->cdsServEfet.ControlsDisabled() && !f.s->cdsEfetivos.ControlsDisabled() &&
            !f.s->cdsRateio.ControlsDisabled());
    QCOMPARE(f.server.callsOf(kSoma)[0].args[0],
             QVariant(f.s->cdsServEfet.Data())); // every service
    QCOMPARE(f.server.callsOf(kSoma)[0].args.mid(1),
             (QVariantList{utcDay(QDate(2026, 11, 1)), utcDay(QDate(2026, 11, 30))}));

    f.server.answer(kSoma, false);
    f.ui.clear();
    QTest::mouseClick(f.s->sbtApurar, Qt::LeftButton);
    QVERIFY(f.ui.messages.isEmpty());
    QCOMPARE(f.ui.modalForms, QList<QString>{"frmGeraCalcApur"});
    QVERIFY(!boApurac);
}

void TstCalculation::aFailedSumCheckFreesTheScreenAsARefusalDoes() {
    CalculationScreen f;
    f.clickTab(1);
    f.server.refuse(kSoma, "Período sem faturamento.");
    QVERIFY_THROWS_EXCEPTION(EAlreadyShown, f.s->Vd_SomaApurac());
    QVERIFY(!boApurac);
    QVERIFY(!f.s->cdsEfetivos.ControlsDisabled());
    QCOMPARE(ActiveControl(f.s), f.s->dbgRateio);
    QCOMPARE(f.s->dbgRateio->SelectedField(), &f.s->cdsRateio.FieldByName("QTDERATEIO"));
    // The row-leave checks run again: leaving a day that does not add up warns.
    f.ui.clear();
    f.s->cdsEfetivos.Next();
    f.s->cdsEfetivos.Next();
    QCOMPARE(f.ui.messages.size(), 1);
}

void TstCalculation::verifyReloadsTheDaysAndSwallowsAShownFailure() {
    CalculationScreen f;
    f.clickTab(1);
    f.world.days["00010"][0].check = "S";
    f.server.calls.clear();
    f.ui.busyKinds.clear();
    QTest::mouseClick(f.s->sbtVerificar, Qt::LeftButton);
    QCOMPARE(f.server.methods().first(), QString("GetEfetivos"));
    QCOMPARE(f.server.calls.first().args, (QVariantList{"C-77", "0001", utcDay(QDate(2026, 11, 1)),
                                                        utcDay(QDate(2026, 11, 30)), "00010"}));
    QCOMPARE(f.s->cdsEfetivos.FieldByName("IDCHECK").AsString(), QString("S"));
    QCOMPARE(f.ui.busyKinds, QList<int>{1});

    f.server.refuse(ServerMethod::GetEfetivos, "Servidor ocupado.");
    QTest::mouseClick(f.s->sbtVerificar, Qt::LeftButton);
    QCOMPARE(f.ui.texts(), QStringList{"Servidor ocupado."}); // once
    QCOMPARE(f.s->cdsEfetivos.RecordCount(), 3);
    QVERIFY(!f.ui.busyVisible());
}

void TstCalculation::printStartsTheReportModule() {
    CalculationScreen f;
    hostSession().programFolder = f.folder("sem-relatorio");
    f.s->sbtImprimir->setEnabled(true);
    QTest::mouseClick(f.s->sbtImprimir, Qt::LeftButton);
    QCOMPARE(f.ui.messages.size(), 1);
    QVERIFY(f.ui.lastText().startsWith("Módulo Rqx30700 não encontrado"));
    QVERIFY(f.server.calls.isEmpty());
}

QTEST_MAIN(TstCalculation)
#include "tst_calculation.moc"
