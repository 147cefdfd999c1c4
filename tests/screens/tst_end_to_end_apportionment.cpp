// The apportionment end to end: a clerk splits a day through the real screen's grid and
// command bar against the real server, and after every confirmation the database holds
// exactly the rows the grid shows; a deletion is gone at once; and two clerks on the same
// day cannot overwrite each other.

#include "apportionment_steps.h"
#include "real_server_screen.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"
#include "framework/data/text_format.h"
#include "framework/ui/guard.h"

#include <QApplication>
#include <QTest>

class TstEndToEndApportionment : public QObject {
    Q_OBJECT
private slots:
    void theClerksSplitIsStoredAsTheGridShowsIt();
    void twoClerksOnOneDayCannotOverwriteEachOther();
};

void TstEndToEndApportionment::theClerksSplitIsStoredAsTheGridShowsIt() {
    RealServerScreen e;
    TfrmApurFatTR* s = e.open();
    QVERIFY(s);
    openDailyPage(e, "00004"); // supper: no day of it is split yet
    const QDate day = s->cdsEfetivos.FieldByName("DTEFETCDRS").AsDateTime().date();
    const double billed = s->cdsEfetivos.FieldByName("QTCOMECDRS").AsFloat();
    QVERIFY(s->cdsRateio.IsEmpty());

    // Two shares through the include button; the first confirmation does not add up.
    e.click(s->sbtIncluir);
    QCOMPARE(ActiveControl(s), s->dbgRateio);
    typeShare("40", "1", "Ala norte");
    e.click(s->sbtConfirmar);
    QCOMPARE(
        e.ui.texts(),
        QStringList{
            "A soma das quantidades rateadas deve ser igual ao nº de comensais faturadas do dia."});
    QCOMPARE(storedRows(e, "00004", day), QStringList());
    QVERIFY(s->lblSaldoRateio->text().contains("faltam"));

    // With a share pending only confirm and cancel are offered: the grid appends the next.
    QVERIFY(!s->sbtIncluir->isEnabled());
    QTest::keyClick(s->dbgRateio, Qt::Key_Down);
    QCOMPARE(s->cdsRateio.State(), dsInsert);
    e.clickCell(s->dbgRateio, s->cdsRateio.DisplayRowCount() - 1, 0);
    typeShare(textformat::floatToStr(billed - 40), "2", "Ala sul");
    e.ui.clear();
    e.click(s->sbtConfirmar);
    QVERIFY2(e.ui.messages.isEmpty(), qPrintable(e.ui.texts().join('\n')));
    QCOMPARE(s->cdsRateio.ChangeCount(), 0);
    QCOMPARE(gridRows(s).size(), 2);
    QCOMPARE(storedRows(e, "00004", day), gridRows(s));
    QVERIFY(s->lblSaldoRateio->text().endsWith("conferido"));

    // A change: the first share moves ten diners to the second.
    e.clickCell(s->dbgRateio, 0, 0);
    e.click(s->sbtAlterar);
    QCOMPARE(s->cdsRateio.State(), dsEdit);
    const double first = s->cdsRateio.FieldByName("QTDERATEIO").AsFloat();
    RealServerScreen::keys(textformat::floatToStr(first - 10));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(s->dbgRateio, first < 41 ? Qt::Key_Down : Qt::Key_Up);
    e.click(s->sbtAlterar);
    RealServerScreen::keys(
        textformat::floatToStr(s->cdsRateio.FieldByName("QTDERATEIO").AsFloat() + 10));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    e.click(s->sbtConfirmar);
    QVERIFY2(e.ui.messages.isEmpty(), qPrintable(e.ui.texts().join('\n')));
    QCOMPARE(storedRows(e, "00004", day), gridRows(s));

    // A deletion is sent at once.
    e.ui.answers = {mrYes};
    e.click(s->sbtExcluir);
    QCOMPARE(e.ui.texts(), QStringList{"Confirma exclusão?"});
    QCOMPARE(gridRows(s).size(), 1);
    QCOMPARE(storedRows(e, "00004", day), gridRows(s));
    QVERIFY(s->lblSaldoRateio->text().contains("faltam"));
}

void TstEndToEndApportionment::twoClerksOnOneDayCannotOverwriteEachOther() {
    RealServerScreen e;
    TfrmApurFatTR* first = e.open();
    QVERIFY(first);
    // The day the demonstration split in halves.
    const QDate day = QDate::fromString(e.scalar("SELECT min(DTRATCDRS) FROM EFETRATCDRS WHERE "
                                                 "CDCLIENTE = '1002' AND CDSERVFILI = '00002'")
                                            .toString(),
                                        Qt::ISODate);
    openDailyPage(e, "00002");
    QVERIFY(first->cdsEfetivos.Locate("DTEFETCDRS", QDateTime(day, QTime(0, 0), Qt::UTC)));
    QCOMPARE(first->cdsRateio.RecordCount(), 2);

    // The second clerk's screen, on its own connection.
    QPointer<TfrmApurFatTR> other = new TfrmApurFatTR;
    TfrmApurFatTR& second = *other;
    second.RunCreate();
    second.show();
    second.medCdFilial->SetText("0001");
    second.medCdCliente->SetText(first->medCdCliente->Text());
    second.depDtInicial->SetDate(first->depDtInicial->Date());
    second.depDtFinal->SetDate(first->depDtFinal->Date());
    QVERIFY(Guarded([&] { second.panFiltroExit(second.panFiltro); }));
    QVERIFY(second.cdsServEfet.Locate("CDSERVFILI", "00002"));
    second.mnuFormularioClick(second.mnuFormulario);
    QVERIFY(second.cdsEfetivos.Locate("DTEFETCDRS", QDateTime(day, QTime(0, 0), Qt::UTC)));
    QCOMPARE(second.cdsRateio.RecordCount(), 2);

    // Each moves one diner between the halves, the first clerk first.
    const auto moveOne = [](TfrmApurFatTR& s, int from) {
        s.cdsRateio.First();
        for (int step : {from == 0 ? -1 : 1, from == 0 ? 1 : -1}) {
            s.cdsRateio.Edit();
            TField& q = s.cdsRateio.FieldByName("QTDERATEIO");
            q.SetAsFloat(q.AsFloat() + step);
            s.cdsRateio.Post();
            s.cdsRateio.Next();
        }
        return Guarded([&] { s.Confirma_Rateio(); });
    };
    QVERIFY(moveOne(*first, 0));
    QVERIFY(e.ui.messages.isEmpty());
    const QStringList saved = storedRows(e, "00002", day);
    QCOMPARE(saved, gridRows(first));

    QVERIFY(moveOne(second, 1));
    QCOMPARE(e.ui.messages.size(), 1);
    QVERIFY2(e.ui.lastText().contains("foi alterado por outro usuário"),
             qPrintable(e.ui.lastText()));
    QCOMPARE(storedRows(e, "00002", day), saved);
    QVERIFY(second.cdsRateio.ChangeCount() > 0); // pending until the clerk cancels
    e.ui.answers = {mrYes};
    second.sbtCancelarClick(second.sbtCancelar);
    QCOMPARE(second.cdsRateio.ChangeCount(), 0);
    second.OnCloseQuery = nullptr;
    second.Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(other.isNull());
}

QTEST_MAIN(TstEndToEndApportionment)
#include "tst_end_to_end_apportionment.moc"
