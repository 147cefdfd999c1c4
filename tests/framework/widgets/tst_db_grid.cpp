// The data-aware grid driven by keys and clicks: editing through the data set, append and
// its abort, the untouched insert dropped on exit, the screen's key hooks, column exits,
// deletion, and the cell-drawing hook.

#include "contracts/host_framework.h"
#include "framework/components/focus.h"
#include "grid_fixture.h"
#include "scripted_ui.h"

#include <QAccessible>
#include <QPainter>
#include <QTest>

class TstDbGrid : public QObject {
    Q_OBJECT
private slots:
    void showsTheFieldsDisplayTextsAndTitles();
    void typingEditsTheRowAndEnterWritesTheField();
    void aRefusedEditDropsTheKey();
    void openingACellOnlyShowsItsEditor_data();
    void openingACellOnlyShowsItsEditor();
    void keysTypedRightAfterAClickReachTheCell_data();
    void keysTypedRightAfterAClickReachTheCell();
    void aReloadUnderAnOpenCellKeepsTheFocusInTheGrid();
    void oneMoveKeyInAnOpenCellPostsAndMoves_data();
    void oneMoveKeyInAnOpenCellPostsAndMoves();
    void escapeTakesTheCellBackThenCancelsTheRow_data();
    void escapeTakesTheCellBackThenCancelsTheRow();
    void quantitiesReadAndTypeTheBrazilianWay_data();
    void quantitiesReadAndTypeTheBrazilianWay();
    void aStatusCellReadsItsMeaningNotItsLetter();
    void aTextThatDoesNotConvertKeepsTheCellOpen();
    void downOnTheLastRowAppendsUnlessTheDataSetAborts();
    void leavingTheGridDropsAnUntouchedInsertAndKeepsATouchedOne();
    void theScreensKeyHandlersSeeKeysFirstAndMaySwallowThem();
    void clickingARowMovesTheCursorUnlessTheDataSetRefuses();
    void columnExitSeesTheColumnBeingLeftAndMayRefuse();
    void tabWalksTheCellsAndLeavesAtEitherEnd();
    void ctrlDeleteDeletesOnlyAfterConfirmation();
    void aFieldsFocusRequestSelectsItsColumn();
    void theDrawHookPaintsOverTheCellWithTheBrush();
    void designedWidthsGrowWithAWiderFont();
};

void TstDbGrid::showsTheFieldsDisplayTextsAndTitles() {
    GridScreen s({{1234.5, "001"}});
    QCOMPARE(s.grid->model()->data(s.grid->model()->index(0, 0)).toString(), QString("1.234,500"));
    QCOMPARE(s.grid->model()->headerData(0, Qt::Horizontal).toString(), QString("Qtde. Rateada"));
    QCOMPARE(s.grid->model()->headerData(2, Qt::Horizontal).toString(), QString("Observação"));
    QCOMPARE(s.grid->model()
                 ->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole)
                 .value<Qt::Alignment>(),
             Qt::AlignHCenter | Qt::AlignVCenter);
    s.ds.Close();
    QCOMPARE(s.grid->model()->rowCount(), 0);
}

void TstDbGrid::typingEditsTheRowAndEnterWritesTheField() {
    GridScreen s;
    QStringList typed;
    s.grid->OnEditorChange = [&](TDBGrid&, TColumn& column, const QString& value) {
        typed << column.FieldName() + "=" + value;
    };
    type("7,5");
    QCOMPARE(s.ds.State(), dsEdit);
    QCOMPARE(s.ds.FieldByName("QTDERATEIO").AsFloat(), 4.0); // not written while typing
    // …but each change is told as it happens, the row already open for it.
    QCOMPARE(typed, (QStringList{"QTDERATEIO=7", "QTDERATEIO=7,", "QTDERATEIO=7,5"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(s.ds.FieldByName("QTDERATEIO").AsFloat(), 7.5);
    QCOMPARE(s.ds.State(), dsEdit);
    // Moving to another row posts it.
    QTest::keyClick(s.grid, Qt::Key_Down);
    QCOMPARE(s.ds.State(), dsBrowse);
    QCOMPARE(s.ds.RecNo(), 2);
    QCOMPARE(s.ds.ChangeCount(), 1);
}

void TstDbGrid::aRefusedEditDropsTheKey() {
    ScriptedUi ui;
    GridScreen s;
    s.ds.BeforeEdit = [](TClientDataSet&) {
        MensErro("Operação não permitida. Período de faturamento bloqueado.", true);
    };
    QTest::keyClick(s.grid, Qt::Key_9);
    QCOMPARE(s.ds.State(), dsBrowse);
    QVERIFY(s.editor());
    QCOMPARE(s.editor()->text(), QString("4")); // the key is gone, the cell reads as before
    QCOMPARE(ui.messages.size(), 1);
    type("8");
    QCOMPARE(ui.messages.size(), 2); // every change asks again
    QCOMPARE(s.editor()->text(), QString("4"));
    // Leaving the cell writes nothing: the row was never opened.
    s.other->setFocus();
    QCOMPARE(s.ds.State(), dsBrowse);
    QCOMPARE(s.qty(), 4.0);
    QCOMPARE(s.ds.ChangeCount(), 0);
}

namespace {

void openCell(GridScreen& s, const QString& how) {
    QApplication::processEvents(); // a user's click comes after the last focus change settled
    if (how == "Enter")
        press(Qt::Key_Return);
    else if (how == "F2")
        press(Qt::Key_F2);
    else if (how == "double click") {
        // What a widget receives of a real double click.
        const QPoint at = s.cellCentre(0, 0);
        QTest::mousePress(s.grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(s.grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mousePress(s.grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(s.grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(s.grid->viewport(), Qt::LeftButton, {}, at);
    } else // a click on the cell that is already current opens it
        QTest::mouseClick(s.grid->viewport(), Qt::LeftButton, {}, s.cellCentre(0, 0));
    QVERIFY(s.editor());
}

double qtyAt(const GridScreen& s, int row) {
    double qty = 0;
    s.ds.WithRow(row, [&] { qty = s.ds.FieldByName("QTDERATEIO").AsFloat(); });
    return qty;
}

} // namespace

void TstDbGrid::openingACellOnlyShowsItsEditor_data() {
    QTest::addColumn<QString>("how");
    for (const char* how : {"Enter", "F2", "click on the current cell", "double click"})
        QTest::newRow(how) << QString(how);
}

void TstDbGrid::openingACellOnlyShowsItsEditor() {
    QFETCH(QString, how);
    ScriptedUi ui;
    GridScreen s;
    int beforeEdit = 0, beforePost = 0, stateChanges = 0;
    s.ds.BeforeEdit = [&](TClientDataSet&) { ++beforeEdit; };
    s.ds.BeforePost = [&](TClientDataSet&) { ++beforePost; };
    s.src.OnStateChange = [&](TDataSource&) { ++stateChanges; };
    openCell(s, how);
    QCOMPARE(s.ds.State(), dsBrowse);
    QCOMPARE(beforeEdit, 0);
    QCOMPARE(stateChanges, 0);
    // Leaving the grid with the cell unchanged posts nothing.
    s.other->setFocus();
    QVERIFY(!s.grid->EditorMode());
    QCOMPARE(s.ds.State(), dsBrowse);
    QCOMPARE(beforePost, 0);
    QCOMPARE(s.ds.ChangeCount(), 0);

    // The first key that changes the text opens the row, once.
    s.grid->setFocus();
    openCell(s, how);
    type("7");
    QCOMPARE(s.ds.State(), dsEdit);
    QCOMPARE(beforeEdit, 1);
    type("5");
    QCOMPARE(beforeEdit, 1);
    QCOMPARE(s.editor()->text(), QString("75"));
    press(Qt::Key_Return);
    QCOMPARE(s.qty(), 75.0);
    QVERIFY(ui.messages.isEmpty());
}

void TstDbGrid::keysTypedRightAfterAClickReachTheCell_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    // The current cell, where Qt would wait for a double click, and another one.
    QTest::newRow("the current cell") << 0 << 0 << "5"
                                      << "5";
    QTest::newRow("a cell of another row") << 1 << 0 << "52"
                                           << "52";
    QTest::newRow("another column") << 0 << 2 << "Ala"
                                    << "Ala";
}

void TstDbGrid::keysTypedRightAfterAClickReachTheCell() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    ScriptedUi ui;
    GridScreen s;
    QApplication::processEvents();
    // No event is processed between the click and the keys: the clerk types at once.
    QTest::mouseClick(s.grid->viewport(), Qt::LeftButton, {}, s.cellCentre(row, column));
    type(typed);
    press(Qt::Key_Return);
    QCOMPARE(s.ds.RecNo(), row + 1);
    QCOMPARE(s.ds.FieldByName(s.grid->Column(column).FieldName()).AsString(), stored);
    QVERIFY(ui.messages.isEmpty());
}

void TstDbGrid::aReloadUnderAnOpenCellKeepsTheFocusInTheGrid() {
    GridScreen s;
    const QVariant stored = s.ds.Data();
    press(Qt::Key_F2);
    QVERIFY(s.editor());
    s.ds.SetData(stored); // the day's rows loaded again, the cell open on the old ones
    QVERIFY(!s.grid->EditorMode());
    QCOMPARE(QApplication::focusWidget(), s.grid);
    type("9");
    press(Qt::Key_Return);
    QCOMPARE(s.qty(), 9.0);
}

void TstDbGrid::oneMoveKeyInAnOpenCellPostsAndMoves_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("fromRow");
    QTest::addColumn<int>("recNo");
    QTest::addColumn<int>("state");
    QTest::newRow("Up") << Qt::Key_Up << 2 << 2 << int(dsBrowse);
    QTest::newRow("Down") << Qt::Key_Down << 2 << 4 << int(dsBrowse);
    QTest::newRow("Page Up") << Qt::Key_PageUp << 2 << 1 << int(dsBrowse);
    QTest::newRow("Page Down") << Qt::Key_PageDown << 2 << 5 << int(dsBrowse);
    // On the last row: the row is posted, then Down appends as the grid always does.
    QTest::newRow("Down on the last row") << Qt::Key_Down << 4 << 6 << int(dsInsert);
}

void TstDbGrid::oneMoveKeyInAnOpenCellPostsAndMoves() {
    QFETCH(Qt::Key, key);
    QFETCH(int, fromRow);
    QFETCH(int, recNo);
    QFETCH(int, state);
    GridScreen s({{1, "001"}, {2, "002"}, {3, "003"}, {4, "004"}, {5, "005"}});
    int posts = 0;
    s.ds.AfterPost = [&](TClientDataSet&) { ++posts; };
    s.ds.SetRecNo(fromRow + 1);
    type("7");
    QCOMPARE(s.ds.State(), dsEdit);
    press(key);
    QCOMPARE(posts, 1);
    QCOMPARE(qtyAt(s, fromRow), 7.0);
    QCOMPARE(s.ds.RecNo(), recNo);
    QCOMPARE(int(s.ds.State()), state);
    QCOMPARE(s.ds.ChangeCount(), 1);
    QCOMPARE(s.ds.RecordCount(), 5);
    QCOMPARE(s.grid->currentIndex().row(), recNo - 1);
    QVERIFY(!s.grid->EditorMode());
}

void TstDbGrid::escapeTakesTheCellBackThenCancelsTheRow_data() {
    QTest::addColumn<QString>("prepare");
    QTest::addColumn<int>("stateAfterFirst");
    QTest::addColumn<int>("stateAfterSecond");
    QTest::addColumn<int>("rows");
    // A changed cell: the first Esc restores it, the second cancels the row.
    QTest::newRow("typed into a row") << "type" << int(dsEdit) << int(dsBrowse) << 2;
    QTest::newRow("typed into a new row") << "insert,type" << int(dsInsert) << int(dsBrowse) << 2;
    // An unchanged cell: one Esc cancels the row.
    QTest::newRow("row opened by a command") << "edit,open" << int(dsBrowse) << int(dsBrowse) << 2;
    QTest::newRow("untouched new row") << "insert,open" << int(dsBrowse) << int(dsBrowse) << 2;
    QTest::newRow("nothing open") << "open" << int(dsBrowse) << int(dsBrowse) << 2;
}

void TstDbGrid::escapeTakesTheCellBackThenCancelsTheRow() {
    QFETCH(QString, prepare);
    QFETCH(int, stateAfterFirst);
    QFETCH(int, stateAfterSecond);
    QFETCH(int, rows);
    ScriptedUi ui;
    GridScreen s;
    for (const QString& step : prepare.split(',')) {
        if (step == "type")
            type("9");
        else if (step == "insert")
            press(Qt::Key_Insert);
        else if (step == "edit")
            s.ds.Edit();
        else if (step == "open")
            press(Qt::Key_F2);
    }
    QVERIFY(s.editor());
    const double before = s.qty();
    press(Qt::Key_Escape);
    QVERIFY(!s.grid->EditorMode());
    QCOMPARE(int(s.ds.State()), stateAfterFirst);
    QCOMPARE(s.qty(),
             stateAfterFirst == dsBrowse ? 4.0 : before); // nothing typed reached the field
    QCOMPARE(s.grid->model()->data(s.grid->currentIndex()).toString(), s.qtyText());
    press(Qt::Key_Escape);
    QCOMPARE(int(s.ds.State()), stateAfterSecond);
    QCOMPARE(s.grid->model()->rowCount(), rows);
    QCOMPARE(s.ds.ChangeCount(), 0);
    QCOMPARE(s.qty(), 4.0);
    QVERIFY(ui.messages.isEmpty());
}

void TstDbGrid::quantitiesReadAndTypeTheBrazilianWay_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("edited");
    QTest::newRow("decimal comma") << "2,5" << 2.5 << "2,500"
                                   << "2,5";
    QTest::newRow("decimal point") << "2.5" << 2.5 << "2,500"
                                   << "2,5";
    QTest::newRow("thousands point, decimal comma") << "1.234,5" << 1234.5 << "1.234,500"
                                                    << "1234,5";
    QTest::newRow("no thousands point") << "1234,5" << 1234.5 << "1.234,500"
                                        << "1234,5";
    QTest::newRow("whole number") << "10" << 10.0 << "10,000"
                                  << "10";
}

void TstDbGrid::quantitiesReadAndTypeTheBrazilianWay() {
    QFETCH(QString, typed);
    QFETCH(double, value);
    QFETCH(QString, shown);
    QFETCH(QString, edited);
    ScriptedUi ui;
    GridScreen s;
    type(typed);
    press(Qt::Key_Return);
    QVERIFY(ui.messages.isEmpty());
    QCOMPARE(s.qty(), value);
    QCOMPARE(s.grid->model()->data(s.grid->model()->index(0, 0)).toString(), shown);
    // Opening the cell again shows the value to edit with a decimal comma.
    press(Qt::Key_F2);
    QCOMPARE(s.editor()->text(), edited);
}

void TstDbGrid::aStatusCellReadsItsMeaningNotItsLetter() {
    GridScreen s({{1, "S"}, {2, "N"}, {3, ""}});
    s.ds.FieldByName("NRAGREFRAT").SetEditMask(QString());
    s.grid->OnAccessibleText = [](TDBGrid& g, TColumn& column, QString& text) {
        if (column.FieldName() != "NRAGREFRAT")
            return;
        const QString status = g.DataSet()->FieldByName("NRAGREFRAT").AsString();
        text = status == "S" ? "Com divergência" : status == "N" ? "Verificado" : QString();
    };
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(s.grid);
    QVERIFY(view && view->tableInterface());
    const auto spoken = [&](int row, int col) {
        QAccessibleInterface* cell = view->tableInterface()->cellAt(row, col);
        return cell ? cell->text(QAccessible::Name) : QString("<no cell>");
    };
    QCOMPARE(spoken(0, 1), QString("Com divergência"));
    QCOMPARE(spoken(1, 1), QString("Verificado"));
    QCOMPARE(spoken(0, 0), QString("1,000")); // other columns read their display text
    // The letter stays the display text; the cursor did not move to read the rows.
    QCOMPARE(s.grid->model()->data(s.grid->model()->index(1, 1)).toString(), QString("N"));
    QCOMPARE(s.ds.RecNo(), 1);
}

void TstDbGrid::aTextThatDoesNotConvertKeepsTheCellOpen() {
    ScriptedUi ui;
    GridScreen s;
    type("abc");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(ui.messages.size(), 1);
    QVERIFY(ui.lastText().contains("abc"));
    QVERIFY(s.grid->EditorMode());
    // Leaving the grid is refused for the same reason; the cell stays open.
    s.other->setFocus();
    QVERIFY(s.grid->isAncestorOf(QApplication::focusWidget()) ||
            QApplication::focusWidget() == s.grid);
    QCOMPARE(ActiveControl(&s.form), s.grid);
    QCOMPARE(s.ds.State(), dsEdit);
}

void TstDbGrid::downOnTheLastRowAppendsUnlessTheDataSetAborts() {
    ScriptedUi ui;
    GridScreen s;
    QTest::keyClick(s.grid, Qt::Key_Down);
    QCOMPARE(s.ds.RecNo(), 2);
    QTest::keyClick(s.grid, Qt::Key_Down);
    QCOMPARE(s.ds.State(), dsInsert);
    QCOMPARE(s.grid->model()->rowCount(), 3);
    QCOMPARE(s.grid->currentIndex().row(), 2);
    // Up on the untouched new row drops it.
    QTest::keyClick(s.grid, Qt::Key_Up);
    QCOMPARE(s.ds.State(), dsBrowse);
    QCOMPARE(s.grid->model()->rowCount(), 2);

    s.ds.BeforeInsert = [](TClientDataSet&) { Abort(); };
    QTest::keyClick(s.grid, Qt::Key_Down);
    QCOMPARE(s.ds.State(), dsBrowse);
    QCOMPARE(s.grid->model()->rowCount(), 2);
    QVERIFY(ui.messages.isEmpty());
}

void TstDbGrid::leavingTheGridDropsAnUntouchedInsertAndKeepsATouchedOne() {
    GridScreen s;
    QTest::keyClick(s.grid, Qt::Key_Insert);
    QCOMPARE(s.ds.State(), dsInsert);
    s.other->setFocus();
    QCOMPARE(s.ds.State(), dsBrowse);
    QCOMPARE(s.ds.RecordCount(), 2);

    s.grid->setFocus();
    QTest::keyClick(s.grid, Qt::Key_Insert);
    type("3");
    s.other->setFocus(); // the typed value is written on the way out
    QCOMPARE(s.ds.State(), dsInsert);
    QCOMPARE(s.ds.FieldByName("QTDERATEIO").AsFloat(), 3.0);
    s.ds.Post();
    QCOMPARE(s.ds.RecordCount(), 3);
}

void TstDbGrid::theScreensKeyHandlersSeeKeysFirstAndMaySwallowThem() {
    GridScreen s;
    QList<int> downs;
    QString pressed;
    s.grid->OnKeyDown = [&](TDBGrid&, int& key, TShiftState shift) {
        downs << key;
        if (key == vk::Down || (key == vk::Delete && (shift & ssCtrl)))
            key = 0;
    };
    s.grid->OnKeyPress = [&](TDBGrid&, QChar& c) {
        pressed += c;
        if (c == QLatin1Char('x'))
            c = QChar();
    };
    QTest::keyClick(s.grid, Qt::Key_Down);
    QTest::keyClick(s.grid, Qt::Key_Down);
    QCOMPARE(s.ds.RecNo(), 1);
    QTest::keyClick(s.grid, Qt::Key_X);
    QCOMPARE(s.ds.State(), dsBrowse);
    QTest::keyClick(s.grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(s.ds.RecordCount(), 2);
    // Keys typed into the open cell reach the handlers too.
    QTest::keyClick(s.grid, Qt::Key_8);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_X);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(pressed, QString("x8x") + QChar(13));
    QCOMPARE(s.ds.FieldByName("QTDERATEIO").AsFloat(), 8.0);
    QCOMPARE(downs.first(), vk::Down);
}

void TstDbGrid::clickingARowMovesTheCursorUnlessTheDataSetRefuses() {
    ScriptedUi ui;
    GridScreen s({{1, "001"}, {2, "002"}, {3, "003"}});
    int scrolls = 0;
    s.ds.AfterScroll = [&](TClientDataSet&) { ++scrolls; };
    QTest::mouseClick(s.grid->viewport(), Qt::LeftButton, {}, s.cellCentre(2, 0));
    QCOMPARE(s.ds.RecNo(), 3);
    QCOMPARE(scrolls, 1);
    s.ds.BeforeScroll = [](TClientDataSet&) { throw Exception("Não pode sair do dia."); };
    QTest::mouseClick(s.grid->viewport(), Qt::LeftButton, {}, s.cellCentre(0, 0));
    QCOMPARE(s.ds.RecNo(), 3);
    QCOMPARE(s.grid->currentIndex().row(), 2);
    QCOMPARE(ui.texts(), QStringList{"Não pode sair do dia."});
}

void TstDbGrid::columnExitSeesTheColumnBeingLeftAndMayRefuse() {
    ScriptedUi ui;
    GridScreen s;
    QStringList left;
    s.grid->OnColExit = [&](TDBGrid& g) {
        left << g.SelectedField()->FieldName();
        if (g.SelectedField()->FieldName() == "NRAGREFRAT" &&
            g.DataSet()->FieldByName("NRAGREFRAT").AsString() == "100")
            MensErro("NF deve estar entre 01 e 99.", true);
    };
    QTest::keyClick(s.grid, Qt::Key_Tab);
    QCOMPARE(s.grid->SelectedField()->FieldName(), QString("NRAGREFRAT"));
    type("100");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(left, (QStringList{"QTDERATEIO", "NRAGREFRAT"}));
    QCOMPARE(s.grid->SelectedField()->FieldName(), QString("NRAGREFRAT"));
    QCOMPARE(ui.texts(), QStringList{"NF deve estar entre 01 e 99."});
    // Tab on the last column goes to the first column of the next row.
    s.grid->OnColExit = nullptr;
    s.ds.Cancel();
    s.grid->SetSelectedIndex(2);
    QTest::keyClick(s.grid, Qt::Key_Tab);
    QCOMPARE(s.grid->SelectedIndex(), 0);
    QCOMPARE(s.ds.RecNo(), 2);
}

void TstDbGrid::tabWalksTheCellsAndLeavesAtEitherEnd() {
    ScriptedUi ui;
    GridScreen s;
    int exits = 0;
    ControlEvents::of(s.grid).OnExit = [&] { ++exits; };
    const auto inGrid = [&] {
        QWidget* f = QApplication::focusWidget();
        return f == s.grid || s.grid->isAncestorOf(f);
    };
    // Shift+Tab in the first cell leaves the grid, and the exit runs.
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), s.other);
    QCOMPARE(exits, 1);

    // Tab in the last cell appends a row; in the last cell of that row, untouched, it
    // leaves, and the untouched row is dropped on the way out.
    s.grid->setFocus();
    s.ds.Last();
    s.grid->SetSelectedIndex(2);
    press(Qt::Key_Tab);
    QVERIFY(inGrid());
    QCOMPARE(s.ds.State(), dsInsert);
    QCOMPARE(s.grid->currentIndex(), s.grid->model()->index(2, 0));
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    QCOMPARE(s.grid->SelectedIndex(), 2);
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), s.other);
    QCOMPARE(exits, 2);
    QCOMPARE(s.ds.State(), dsBrowse);
    QCOMPARE(s.grid->model()->rowCount(), 2);

    // A row whose checks fail stays open: no new row, no exit.
    s.grid->setFocus();
    s.ds.BeforePost = [](TClientDataSet& ds) {
        if (ds.FieldByName("DSOBSRATE").AsString().isEmpty())
            MensErro("Observação deve ser informada.", true);
    };
    s.ds.Last();
    s.grid->SetSelectedIndex(0);
    type("9");
    s.grid->SetSelectedIndex(2);
    press(Qt::Key_Tab);
    QVERIFY(inGrid());
    QCOMPARE(s.ds.State(), dsEdit);
    QCOMPARE(ui.texts(), QStringList{"Observação deve ser informada."});
    s.ds.BeforePost = nullptr;

    // A data set that takes no new rows: Tab in the last cell posts the row and leaves.
    s.ds.BeforeInsert = [](TClientDataSet&) { Abort(); };
    press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), s.other);
    QCOMPARE(s.ds.State(), dsBrowse);
    QCOMPARE(s.ds.RecordCount(), 2);
    QCOMPARE(s.qty(), 9.0);

    // An empty grid has no cell to walk: both keys leave it.
    QVariantMap empty = s.ds.Data().toMap();
    empty["rows"] = QVariantList();
    s.ds.SetData(empty);
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Tab, Qt::KeyboardModifiers()},
          std::pair{Qt::Key_Backtab, Qt::KeyboardModifiers(Qt::ShiftModifier)}}) {
        s.grid->setFocus();
        press(key, modifiers);
        QCOMPARE(QApplication::focusWidget(), s.other);
    }
    QCOMPARE(s.ds.State(), dsBrowse);
    QCOMPARE(ui.messages.size(), 1);
}

void TstDbGrid::ctrlDeleteDeletesOnlyAfterConfirmation() {
    ScriptedUi ui;
    GridScreen s;
    ui.answers = {mrCancel, mrOk};
    QTest::keyClick(s.grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(s.ds.RecordCount(), 2);
    QTest::keyClick(s.grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(s.ds.RecordCount(), 1);
    QCOMPARE(ui.texts(), (QStringList{"Excluir registro?", "Excluir registro?"}));
    QCOMPARE(ui.messages[0].type, mtConfirmation);
}

void TstDbGrid::aFieldsFocusRequestSelectsItsColumn() {
    GridScreen s;
    s.other->setFocus();
    s.ds.FieldByName("DSOBSRATE").FocusControl();
    QCOMPARE(s.grid->SelectedIndex(), 2);
    QCOMPARE(ActiveControl(&s.form), s.grid);
    QCOMPARE(s.grid->currentIndex().column(), 2);
}

void TstDbGrid::theDrawHookPaintsOverTheCellWithTheBrush() {
    GridScreen s;
    QPixmap icon(6, 6);
    icon.fill(QColor(128, 128, 0));
    {
        QPainter p(&icon);
        p.fillRect(2, 2, 2, 2, Qt::blue);
    }
    int calls = 0;
    s.grid->OnDrawColumnCell = [&](TDBGrid& g, const QRect& rect, int, TColumn& column,
                                   TGridDrawState) {
        ++calls;
        if (column.FieldName() != "NRAGREFRAT")
            return;
        QVERIFY(g.Canvas());
        g.Canvas()->FillRect(rect);
        g.Canvas()->BrushCopy(QRect(rect.left() + 8, rect.top(), 6, rect.height()), icon,
                              QRect(0, 0, 6, rect.height()), colorFromValue(0x8080));
    };
    s.other->setFocus();
    const QImage shot = s.grid->viewport()->grab().toImage();
    QVERIFY(calls > 0);
    const QRect cell = s.grid->visualRect(s.grid->model()->index(1, 1));
    const QColor base = s.grid->palette().color(QPalette::Base);
    // The icon's inner square is blue; its olive background took the cell's colour; the
    // NF text the grid drew is gone.
    QCOMPARE(shot.pixelColor(cell.left() + 8 + 3, cell.top() + 3), QColor(Qt::blue));
    QCOMPARE(shot.pixelColor(cell.left() + 8 + 0, cell.top() + 0), base);
    for (int x = cell.left() + 16; x < cell.right(); ++x)
        for (int y = cell.top() + 1; y < cell.bottom(); ++y)
            QCOMPARE(shot.pixelColor(x, y), base);
}

void TstDbGrid::designedWidthsGrowWithAWiderFont() {
    GridScreen s({{1234.5, "001"}});
    s.grid->Column(0).SetWidth(94);
    s.grid->Column(1).SetWidth(29);
    for (const int points : {6, 9, 16}) {
        QFont font = s.grid->font();
        font.setPointSize(points);
        s.grid->setFont(font);
        const QFontMetrics metrics(font);
        const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
        // Never narrower than designed; in a wider font the three digits of an NF still
        // fit beside the cell's margins, and the columns keep their proportions.
        QVERIFY(s.grid->columnWidth(1) >= 29);
        QVERIFY2(s.grid->columnWidth(1) >= metrics.horizontalAdvance("001") + 6 || digit <= 6,
                 qPrintable(QString("%1 pt: %2 px").arg(points).arg(s.grid->columnWidth(1))));
        QVERIFY(qAbs(s.grid->columnWidth(0) * 29.0 / 94 - s.grid->columnWidth(1)) <= 1);
    }
}

QTEST_MAIN(TstDbGrid)
#include "tst_db_grid.moc"
