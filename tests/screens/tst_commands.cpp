// The edit commands on the daily page: confirming sends the day's rows as one packet only
// when they add up, cancel and delete, the navigator's reload, and the state of commands,
// the other page, the filter and the navigator after each step.

#include "billing_world.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"
#include "framework/data/packet.h"
#include "framework/data/text_format.h"
#include "framework/ui/guard.h"

#include <QTest>

namespace {

const QString kSetRateio = QString::fromLatin1(ServerMethod::SetRateio);
const QString kSomaDif =
    "A soma das quantidades rateadas deve ser igual ao nº de comensais faturadas do dia.";

const QList<BillingWorld::Share> kTwoRows{{"0001", 4, "001", ""}, {"0002", 6, "002", ""}};

} // namespace

class TstCommands : public QObject {
    Q_OBJECT
private slots:
    void includeAndChangeOpenARowAndHoldEverythingElse();
    void confirmWithAnEmptyQuantityKeepsTheRowOpen();
    void confirmWithNothingPendingCallsNothing();
    void aSplitThatDoesNotAddUpIsNotSentAndCancelBringsTheRowsBack();
    void aSplitThatAddsUpIsSentAsOnePacket();
    void aFailedSaveLeavesTheRowsPending();
    void afterASavedConfirmThePageAndFilterWaitForTheNextChange();
    void confirmFromTheDayListOnlyEnablesTheNavigator();
    void cancelAnsweredNoChangesNothing();
    void deleteAnsweredNoStillReloads();
    void deletingTheOnlyRowLeavesAnEmptyDay();
    void aRefusedGridExitKeepsTheFocusInTheGrid_data();
    void aRefusedGridExitKeepsTheFocusInTheGrid();
    void theNavigatorReloadsTheDayListWhateverItsButton();
    void noPathLosesOrDoublesARow();
    void theBalanceLineFollowsTheRows_data();
    void theBalanceLineFollowsTheRows();
};

void TstCommands::includeAndChangeOpenARowAndHoldEverythingElse() {
    SplitDay f(kTwoRows);
    QCOMPARE(f.surroundings(), QString("111"));
    QVERIFY(f.click(f.s->sbtIncluir));
    QCOMPARE(f.s->cdsRateio.State(), dsInsert);
    QCOMPARE(f.s->dbgRateio->SelectedField(), &f.quantity());
    QCOMPARE(f.commands(), QString("0000010"));
    QCOMPARE(f.surroundings(), QString("000"));
    QVERIFY(f.click(f.s->sbtCancelar)); // answered No by default: the row stays open
    QCOMPARE(f.s->cdsRateio.State(), dsInsert);
    f.ui.answers = {mrYes};
    QVERIFY(f.click(f.s->sbtCancelar));
    QCOMPARE(f.s->cdsRateio.State(), dsBrowse);
    QCOMPARE(f.commands(), QString("1111101"));
    QCOMPARE(f.surroundings(), QString("111"));

    QVERIFY(f.click(f.s->sbtAlterar));
    QCOMPARE(f.s->cdsRateio.State(), dsEdit);
    QCOMPARE(f.commands(), QString("0000010"));
    QCOMPARE(f.surroundings(), QString("000"));
    // Each command asks about the lock, and so does the edit it starts.
    QCOMPARE(f.server.callsOf(ServerMethod::VerificaBloqueio).size(), 4);
}

void TstCommands::confirmWithAnEmptyQuantityKeepsTheRowOpen() {
    SplitDay f(kTwoRows);
    QVERIFY(f.click(f.s->sbtIncluir));
    QVERIFY(!f.click(f.s->sbtConfirmar));
    QCOMPARE(f.ui.texts(), QStringList{"Quantidade deve ser informada."});
    QCOMPARE(f.s->cdsRateio.State(), dsInsert);
    QVERIFY(f.server.callsOf(kSetRateio).isEmpty());
    QVERIFY(!f.s->dbnPadrao->isEnabled()); // the navigator step is skipped
}

void TstCommands::confirmWithNothingPendingCallsNothing() {
    SplitDay f(kTwoRows);
    f.s->Habilita_Pagina(false);
    QVERIFY(f.click(f.s->sbtConfirmar));
    QVERIFY(f.server.calls.isEmpty());
    QCOMPARE(f.commands(), QString("1111101"));
    QVERIFY(f.s->tshFolhaDados->Enabled());
}

void TstCommands::aSplitThatDoesNotAddUpIsNotSentAndCancelBringsTheRowsBack() {
    SplitDay f({{"0001", 4, "001", ""}, {"0002", 5, "002", ""}});
    f.s->cdsRateio.First();
    f.s->cdsRateio.Edit();
    f.quantity().SetAsFloat(3);
    QVERIFY(!f.click(f.s->sbtConfirmar));
    QCOMPARE(f.ui.texts(), QStringList{kSomaDif});
    QCOMPARE(f.ui.messages[0].type, mtInformation);
    QVERIFY(f.server.callsOf(kSetRateio).isEmpty());
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 1);
    QCOMPARE(f.commands(), QString("0000010")); // pending: confirm and cancel only
    QCOMPARE(f.surroundings(), QString("001")); // the refused confirmation left the navigator

    f.ui.answers = {mrYes};
    QVERIFY(f.click(f.s->sbtCancelar));
    QCOMPARE(f.ui.messages.last().text, QString("Deseja cancelar as alterações?"));
    QCOMPARE(f.rows(), (QStringList{"0001=4", "0002=5"}));
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 0);
    QCOMPARE(f.commands(), QString("1111101"));
    // Undoing is no state change: page and filter wait, as after a save, for the next one.
    QCOMPARE(f.surroundings(), QString("001"));
    f.s->cdsEfetivos.Next();
    QCOMPARE(f.surroundings(), QString("111"));
}

void TstCommands::aSplitThatAddsUpIsSentAsOnePacket() {
    SplitDay f(kTwoRows);
    f.s->cdsRateio.Last();
    f.s->cdsRateio.Edit();
    f.quantity().SetAsFloat(5);
    f.addRow(1, "3");
    QVERIFY(f.click(f.s->sbtConfirmar));
    const auto sends = f.server.callsOf(kSetRateio);
    QCOMPARE(sends.size(), 1);
    const packet::ChangeSet delta = packet::decodeDelta(sends[0].args[0]);
    QCOMPARE(delta.changes.size(), 2);
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 0);
    QCOMPARE(f.world.shares[BillingWorld::key("00010", QDate(2026, 11, 4))].size(), 3);
    QCOMPARE(f.commands(), QString("1111101"));
    QVERIFY(f.s->dbnPadrao->isEnabled());
    QCOMPARE(f.ui.busyKinds, QList<int>{1});
    QVERIFY(f.ui.messages.isEmpty());
}

void TstCommands::aFailedSaveLeavesTheRowsPending() {
    SplitDay f(kTwoRows);
    f.server.refuse(kSetRateio,
                    "Rateio 0002 do serviço 00010 em 04/11/2026 foi alterado por outro usuário.");
    f.s->cdsRateio.Edit();
    f.quantity().SetAsFloat(4);
    QVERIFY(f.click(f.s->sbtConfirmar));
    QCOMPARE(f.ui.texts().size(), 1);
    QCOMPARE(f.s->cdsRateio.ChangeCount(), 1);
    QVERIFY(!f.ui.busyVisible());
    // Still pending: confirm sends again, cancel undoes; nothing else until then.
    QCOMPARE(f.commands(), QString("0000010"));
    QVERIFY(!f.s->tshFolhaDados->Enabled());
}

void TstCommands::afterASavedConfirmThePageAndFilterWaitForTheNextChange() {
    SplitDay f(kTwoRows);
    f.s->cdsRateio.Edit();
    f.s->cdsRateio.FieldByName("DSOBSRATE").SetAsString("Ala leste");
    QVERIFY(f.click(f.s->sbtConfirmar));
    QCOMPARE(f.server.callsOf(kSetRateio).size(), 1);
    QCOMPARE(f.surroundings(), QString("001"));
    f.s->cdsEfetivos.Next(); // another day: its rows load, and the state change frees them
    QCOMPARE(f.surroundings(), QString("111"));
}

void TstCommands::confirmFromTheDayListOnlyEnablesTheNavigator() {
    SplitDay f(kTwoRows);
    f.s->cdsRateio.Edit();
    f.quantity().SetAsFloat(9); // 9 + 6 against 10
    f.s->cdsRateio.Post();
    f.s->dbnPadrao->setEnabled(false);
    f.s->dbgEfetivos->setFocus(); // the grid's exit refuses: the day does not add up
    QCOMPARE(ActiveControl(f.s), f.s->dbgRateio);
    f.s->cdsRateio.CancelUpdates();
    SetFocus(f.s->dbgEfetivos);
    f.ui.clear();
    f.server.calls.clear();
    QVERIFY(f.click(f.s->sbtConfirmar));
    QVERIFY(f.server.calls.isEmpty());
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(f.s->dbnPadrao->isEnabled());
}

void TstCommands::cancelAnsweredNoChangesNothing() {
    SplitDay f(kTwoRows);
    f.s->cdsRateio.Edit();
    f.quantity().SetAsFloat(1);
    f.s->cdsRateio.Post();
    const QString before = f.commands();
    f.s->dbnPadrao->setEnabled(false);
    f.ui.answers = {mrNo};
    QVERIFY(f.click(f.s->sbtCancelar));
    QCOMPARE(f.rows(), (QStringList{"0001=1", "0002=6"}));
    QCOMPARE(f.commands(), before);
    QVERIFY(f.s->dbnPadrao->isEnabled());
}

void TstCommands::deleteAnsweredNoStillReloads() {
    SplitDay f(kTwoRows);
    f.world.shares[BillingWorld::key("00010", QDate(2026, 11, 4))].append(
        {"0003", 1, "", "de outro usuário"});
    f.ui.answers = {mrNo};
    QVERIFY(f.click(f.s->sbtExcluir));
    QCOMPARE(f.ui.texts(), QStringList{"Confirma exclusão?"});
    QVERIFY(f.server.callsOf(kSetRateio).isEmpty());
    QCOMPARE(f.server.calls.last().method, QString("GetRateio"));
    QCOMPARE(f.rows().size(), 3);
}

void TstCommands::deletingTheOnlyRowLeavesAnEmptyDay() {
    SplitDay f({{"0001", 10, "001", ""}});
    f.ui.answers = {mrYes};
    QVERIFY(f.click(f.s->sbtExcluir));
    QCOMPARE(f.server.methods(), (QStringList{"VerificaBloqueio", "SetRateio", "GetRateio"}));
    QVERIFY(f.s->cdsRateio.IsEmpty());
    QCOMPARE(f.commands(), QString("1000001"));
    QCOMPARE(ActiveControl(f.s), f.s->dbgRateio);
    QVERIFY(f.s->lblSaldoRateio->text().isEmpty());
}

void TstCommands::aRefusedGridExitKeepsTheFocusInTheGrid_data() {
    QTest::addColumn<QString>("way");
    for (const char* way :
         {"the day list", "a tab", "the filter", "Ctrl+Tab", "the confirm button", "the menu"})
        QTest::newRow(way) << QString(way);
}

void TstCommands::aRefusedGridExitKeepsTheFocusInTheGrid() {
    QFETCH(QString, way);
    SplitDay f(kTwoRows);
    f.s->cdsRateio.Edit();
    f.quantity().SetAsFloat(9); // 9 + 6 against 10
    if (way == "the day list")
        QTest::mouseClick(
            f.s->dbgEfetivos->viewport(), Qt::LeftButton, {},
            f.s->dbgEfetivos->visualRect(f.s->dbgEfetivos->model()->index(2, 0)).center());
    else if (way == "a tab")
        f.clickTab(0);
    else if (way == "the filter")
        QTest::mouseClick(f.s->medCdCliente, Qt::LeftButton);
    else if (way == "Ctrl+Tab")
        QTest::keyClick(f.s->dbgRateio, Qt::Key_Tab, Qt::ControlModifier);
    else if (way == "the confirm button")
        QTest::mouseClick(f.s->sbtConfirmar, Qt::LeftButton);
    else
        f.s->mnuConfirmar->trigger();
    // The filter takes no click while a row is open: the grid is never left that way.
    QCOMPARE(f.ui.texts(), way == "the filter" ? QStringList() : QStringList{kSomaDif});
    QCOMPARE(ActiveControl(f.s), f.s->dbgRateio);
    QVERIFY(f.s->dbgRateio->hasFocus() ||
            f.s->dbgRateio->isAncestorOf(QApplication::focusWidget()));
    QCOMPARE(f.s->pgcPadrao->ActivePage(), f.s->tshFormulario);
    QCOMPARE(f.s->cdsEfetivos.RecNo(), 2);
    QVERIFY(f.server.callsOf(kSetRateio).isEmpty());
    QCOMPARE(f.s->cdsRateio.ChangeCount(), way == "the filter" ? 0 : 1);
}

void TstCommands::theNavigatorReloadsTheDayListWhateverItsButton() {
    SplitDay f(kTwoRows);
    f.s->cdsServEfet.Last();
    f.server.calls.clear();
    f.s->dbnPadrao->BtnClick(nbLast); // the cursor does not move
    QCOMPARE(f.server.methods(), (QStringList{"GetEfetivos", "GetRateio"}));
    QCOMPARE(f.server.calls[0].args[4], QVariant("00020"));
    QCOMPARE(f.commands(), QString("1000001"));
    f.s->mnuFolhaDadosClick(f.s->mnuFolhaDados);
    f.server.calls.clear();
    f.s->dbnPadrao->BtnClick(nbFirst);
    QVERIFY(f.server.calls.isEmpty()); // on the services page the navigator only moves
}

void TstCommands::noPathLosesOrDoublesARow() {
    SplitDay f({}, 10);
    const auto saved = [&] {
        return f.world.shares[BillingWorld::key("00010", QDate(2026, 11, 4))].size();
    };
    QVERIFY(f.click(f.s->sbtIncluir));
    f.quantity().SetAsFloat(3);
    f.s->cdsRateio.Post();
    QVERIFY(f.click(f.s->sbtIncluir));
    f.quantity().SetAsFloat(4);
    QVERIFY(!f.click(f.s->sbtConfirmar)); // 3 + 4 against 10: nothing sent
    QVERIFY(f.server.callsOf(kSetRateio).isEmpty());
    QVERIFY(f.s->cdsRateio.Locate("QTDERATEIO", 4.0));
    f.s->cdsRateio.Edit();
    f.quantity().SetAsFloat(7);
    QVERIFY(f.click(f.s->sbtConfirmar));
    const auto sends = f.server.callsOf(kSetRateio);
    QCOMPARE(sends.size(), 1);
    const packet::ChangeSet delta = packet::decodeDelta(sends[0].args[0]);
    QCOMPARE(delta.changes.size(), 2);
    QSet<QString> numbers;
    for (const packet::Change& c : delta.changes) {
        QCOMPARE(c.kind, packet::Change::Insert);
        numbers << c.newValues[packet::indexOf(delta.fields, "NRSEQITRAT")].toString();
    }
    QCOMPARE(numbers, (QSet<QString>{"0001", "0002"}));
    QCOMPARE(saved(), 2);

    f.ui.answers = {mrYes};
    QVERIFY(f.click(f.s->sbtExcluir)); // sent at once
    QCOMPARE(f.server.callsOf(kSetRateio).size(), 2);
    QCOMPARE(saved(), 1);
    QCOMPARE(f.rows().size(), 1);

    f.s->cdsRateio.Edit();
    f.quantity().SetAsFloat(2);
    f.s->cdsRateio.Post();
    f.ui.answers = {mrYes};
    QVERIFY(f.click(f.s->sbtCancelar));
    const BillingWorld::Share kept =
        f.world.shares[BillingWorld::key("00010", QDate(2026, 11, 4))].value(0);
    QCOMPARE(f.rows(), QStringList{kept.seq + "=" + QString::number(kept.quantity)});
    QCOMPARE(f.server.callsOf(kSetRateio).size(), 2);
}

void TstCommands::theBalanceLineFollowsTheRows_data() {
    QTest::addColumn<QList<double>>("rows");
    QTest::addColumn<QString>("line");
    QTest::newRow("no rows") << QList<double>{} << "";
    QTest::newRow("short") << QList<double>{3.333, 3.333, 3.334}
                           << "Rateado 9,990 de 10,000 — faltam 0,010";
    QTest::newRow("over") << QList<double>{8, 4} << "Rateado 12,000 de 10,000 — excedem 2,000";
    QTest::newRow("even") << QList<double>{2.5, 7.5} << "Rateado 10,000 de 10,000 — conferido";
}

void TstCommands::theBalanceLineFollowsTheRows() {
    QFETCH(QList<double>, rows);
    QFETCH(QString, line);
    QList<BillingWorld::Share> shares;
    for (double q : rows)
        shares.append({QString("%1").arg(shares.size() + 1, 4, 10, QChar('0')), q, "", ""});
    SplitDay f(shares);
    QCOMPARE(f.s->lblSaldoRateio->text(), line);
    // A new row counts as soon as its quantity is written, before it is posted.
    f.s->cdsRateio.Append();
    f.quantity().SetAsFloat(1);
    QVERIFY(f.s->lblSaldoRateio->text().contains("de 10,000 — "));
    f.s->cdsRateio.Cancel();
    QCOMPARE(f.s->lblSaldoRateio->text(), line);
    if (!rows.isEmpty()) {
        // The quantity being typed counts before it is written: 10 in the first row.
        QTest::mouseClick(
            f.s->dbgRateio->viewport(), Qt::LeftButton, {},
            f.s->dbgRateio->visualRect(f.s->dbgRateio->model()->index(0, 0)).center());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_0);
        QCOMPARE(f.s->cdsRateio.FieldByName("QTDERATEIO").AsFloat(), rows[0]);
        double split = 10;
        for (qsizetype i = 1; i < rows.size(); ++i)
            split += RoundDec(rows[i], 2);
        QVERIFY2(
            f.s->lblSaldoRateio->text().startsWith(
                QString("Rateado %1 de 10,000").arg(textformat::formatFloat("#,##0.000", split))),
            qPrintable(f.s->lblSaldoRateio->text()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(f.s->lblSaldoRateio->text(), line);
    }
    f.s->cdsEfetivos.First(); // a day without rows
    QCOMPARE(f.s->lblSaldoRateio->text(), QString());
    QVERIFY(f.server.callsOf(kSetRateio).isEmpty());
}

QTEST_MAIN(TstCommands)
#include "tst_commands.moc"
