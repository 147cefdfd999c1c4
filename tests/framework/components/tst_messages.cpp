// Message tables: keys without regard to case, a missing key, and what ShowMsg shows and
// returns.

#include "framework/components/messages.h"
#include "scripted_ui.h"

#include <QTest>

class TstMessages : public QObject {
    Q_OBJECT
private slots:
    void keysMatchWithoutRegardToCase();
    void aMissingKeyGivesAnEmptyText();
    void showMsgShowsTheTextAndReturnsTheModalResult();
};

namespace {

const TMessages kTable(QStringList{
    "Filial_Emp|Filial deve ser informada.",
    "Soma_Dif|A soma das quantidades rateadas deve ser igual ao nº de comensais faturadas do dia.",
    "DataFinal<DataInicial|Data Inicial deve ser menor ou igual a data final de apuração.",
    "Excl|Confirma exclusão?",
    "Barra|um|dois",
    "Excl|repetida",
});

} // namespace

void TstMessages::keysMatchWithoutRegardToCase() {
    QCOMPARE(kTable.Msg("soma_dif"),
             QString("A soma das quantidades rateadas deve ser igual ao nº de comensais "
                     "faturadas do dia."));
    QCOMPARE(kTable.Msg("FILIAL_EMP"), QString("Filial deve ser informada."));
    QCOMPARE(kTable.Msg("datafinal<datainicial"),
             QString("Data Inicial deve ser menor ou igual a data final de apuração."));
    QCOMPARE(kTable.Msg("Barra"), QString("um|dois"));           // the text may hold a bar
    QCOMPARE(kTable.Msg("excl"), QString("Confirma exclusão?")); // the first line wins
}

void TstMessages::aMissingKeyGivesAnEmptyText() {
    QTest::ignoreMessage(QtWarningMsg, "message table has no key Canc");
    QCOMPARE(kTable.Msg("Canc"), QString());
    QTest::ignoreMessage(QtWarningMsg, "message table has no key Filial");
    QCOMPARE(kTable.Msg("Filial"), QString()); // a prefix is not a key
}

void TstMessages::showMsgShowsTheTextAndReturnsTheModalResult() {
    ScriptedUi ui;
    ui.answers = {mrYes, mrNo};
    QCOMPARE(kTable.ShowMsg("excl", mtConfirmation, mbYes | mbNo, 0), int(mrYes));
    QCOMPARE(kTable.ShowMsg("Excl", mtConfirmation, mbYes | mbNo, 0), int(mrNo));
    QCOMPARE(kTable.ShowMsg("filial_emp", mtInformation, mbOK, 0), int(mrOk));
    QCOMPARE(ui.messages.size(), 3);
    QCOMPARE(ui.messages.at(0).text, QString("Confirma exclusão?"));
    QCOMPARE(ui.messages.at(0).type, mtConfirmation);
    QCOMPARE(ui.messages.at(0).buttons, int(mbYes | mbNo));
    QCOMPARE(ui.messages.at(2).type, mtInformation);
}

QTEST_GUILESS_MAIN(TstMessages)
#include "tst_messages.moc"
