// The data-aware grid driven by keys and clicks: editing through the data set, append and
// its abort, the untouched insert dropped on exit, the screen's key hooks, column exits,
// deletion, and the cell-drawing hook.

#include "contracts/host_framework.h"
#include "framework/components/db_grid.h"
#include "framework/components/focus.h"
#include "framework/forms/form.h"
#include "scripted_ui.h"

#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

namespace {

QVariantMap rowsPacket(const QList<QPair<double, QString>>& rows) {
    QVariantList list;
    for (const auto& [qty, nf] : rows)
        list << QVariant(QVariantList{qty, nf, QString()});
    return {{"fields", QVariantList{QVariantMap{{"name", "QTDERATEIO"}, {"type", "float"}},
                                    QVariantMap{{"name", "NRAGREFRAT"}, {"type", "string"}, {"size", 3}},
                                    QVariantMap{{"name", "DSOBSRATE"}, {"type", "string"}, {"size", 100}}}},
            {"rows", list}};
}

// Types into whatever holds the focus, as a user's keys go: the grid, then its cell editor.
void type(const QString& text) {
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

struct GridScreen {
    TForm form;
    TClientDataSet ds{"cdsRateio"};
    TDataSource src{"dtsRateio", &ds};
    TDBGrid* grid;
    QLineEdit* other;

    explicit GridScreen(const QList<QPair<double, QString>>& rows = {{4, "001"}, {5, "002"}}) {
        ds.AddField("QTDERATEIO", ftFloat).SetDisplayLabel("Qtde. Rateada").SetDisplayFormat("#,##0.000");
        ds.AddField("NRAGREFRAT", ftString, 3).SetDisplayLabel("NF").SetEditMask("999;0;");
        ds.AddField("DSOBSRATE", ftString, 100);
        ds.SetData(rowsPacket(rows));
        auto* layout = new QVBoxLayout(&form);
        grid = new TDBGrid(&form);
        grid->setObjectName("dbgRateio");
        grid->SetDataSource(&src);
        grid->AddColumn("QTDERATEIO").SetTitleAlignment(taRightJustify).SetWidth(94);
        grid->AddColumn("NRAGREFRAT").SetTitleAlignment(taCenter).SetWidth(29);
        grid->AddColumn("DSOBSRATE").SetTitle("Observação").SetWidth(200);
        other = new QLineEdit(&form);
        layout->addWidget(grid);
        layout->addWidget(other);
        form.resize(500, 300);
        form.show();
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form))
            qFatal("window not active");
        grid->setFocus();
    }

    QString qtyText() const { return ds.FieldByName("QTDERATEIO").DisplayText(); }
    QPoint cellCentre(int row, int col) const {
        return grid->visualRect(grid->model()->index(row, col)).center();
    }
};

} // namespace

class TstDbGrid : public QObject {
    Q_OBJECT
private slots:
    void showsTheFieldsDisplayTextsAndTitles();
    void typingEditsTheRowAndEnterWritesTheField();
    void aRefusedEditDropsTheKey();
    void aTextThatDoesNotConvertKeepsTheCellOpen();
    void downOnTheLastRowAppendsUnlessTheDataSetAborts();
    void leavingTheGridDropsAnUntouchedInsertAndKeepsATouchedOne();
    void theScreensKeyHandlersSeeKeysFirstAndMaySwallowThem();
    void clickingARowMovesTheCursorUnlessTheDataSetRefuses();
    void columnExitSeesTheColumnBeingLeftAndMayRefuse();
    void ctrlDeleteDeletesOnlyAfterConfirmation();
    void aFieldsFocusRequestSelectsItsColumn();
    void theDrawHookPaintsOverTheCellWithTheBrush();
};

void TstDbGrid::showsTheFieldsDisplayTextsAndTitles() {
    GridScreen s({{1234.5, "001"}});
    QCOMPARE(s.grid->model()->data(s.grid->model()->index(0, 0)).toString(), QString("1.234,500"));
    QCOMPARE(s.grid->model()->headerData(0, Qt::Horizontal).toString(), QString("Qtde. Rateada"));
    QCOMPARE(s.grid->model()->headerData(2, Qt::Horizontal).toString(), QString("Observação"));
    QCOMPARE(s.grid->model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::AlignHCenter | Qt::AlignVCenter);
    QCOMPARE(s.grid->columnWidth(0), 94);
    s.ds.Close();
    QCOMPARE(s.grid->model()->rowCount(), 0);
}

void TstDbGrid::typingEditsTheRowAndEnterWritesTheField() {
    GridScreen s;
    type("7,5");
    QCOMPARE(s.ds.State(), dsEdit);
    QCOMPARE(s.ds.FieldByName("QTDERATEIO").AsFloat(), 4.0); // not written while typing
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
    s.ds.BeforeEdit = [](TClientDataSet&) { MensErro("Operação não permitida. Período de faturamento bloqueado.", true); };
    QTest::keyClick(s.grid, Qt::Key_9);
    QCOMPARE(s.ds.State(), dsBrowse);
    QVERIFY(!s.grid->EditorMode());
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(s.ds.FieldByName("QTDERATEIO").AsFloat(), 4.0);
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
    QVERIFY(s.grid->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == s.grid);
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
        if (g.SelectedField()->FieldName() == "NRAGREFRAT" && g.DataSet()->FieldByName("NRAGREFRAT").AsString() == "100")
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
    s.grid->OnDrawColumnCell = [&](TDBGrid& g, const QRect& rect, int, TColumn& column, TGridDrawState) {
        ++calls;
        if (column.FieldName() != "NRAGREFRAT")
            return;
        QVERIFY(g.Canvas());
        g.Canvas()->FillRect(rect);
        g.Canvas()->BrushCopy(QRect(rect.left() + 8, rect.top(), 6, rect.height()), icon,
                              QRect(0, 0, 6, 6), colorFromValue(0x8080));
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

QTEST_MAIN(TstDbGrid)
#include "tst_db_grid.moc"
