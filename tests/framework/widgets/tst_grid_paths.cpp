// Every way of leaving a typed cell, walked one after the other on one grid: after each
// step the rows, the state and the grid's current row must still agree with the data set,
// and no row may have been lost or doubled.

#include "contracts/host_framework.h"
#include "grid_fixture.h"
#include "scripted_ui.h"

#include <QTest>

#include <functional>

namespace {

// The quantities of the rows as the grid shows them, the row being inserted included.
QString rowsOf(const GridScreen& s) {
    QStringList out;
    for (int r = 0; r < s.ds.DisplayRowCount(); ++r)
        s.ds.WithRow(r, [&] { out << s.ds.FieldByName("QTDERATEIO").AsString(); });
    return out.join('|');
}

void clickRow(GridScreen& s, int row) {
    QTest::mouseClick(s.grid->viewport(), Qt::LeftButton, {}, s.cellCentre(row, 0));
}

} // namespace

class TstGridPaths : public QObject {
    Q_OBJECT
private slots:
    void noPathLosesOrDoublesARow();
};

void TstGridPaths::noPathLosesOrDoublesARow() {
    ScriptedUi ui;
    GridScreen s({{1, "001"}, {2, "002"}});
    struct Step {
        const char* what;
        std::function<void()> act;
        QString rows;
        TDataSetState state;
        int current;
    };
    const QList<Step> walk{
        {"type, Down", [] { type("7"), press(Qt::Key_Down); }, "7|2", dsBrowse, 1},
        {"type, Up", [] { type("8"), press(Qt::Key_Up); }, "7|8", dsBrowse, 0},
        {"type, Tab", [] { type("3"), press(Qt::Key_Tab); }, "3|8", dsEdit, 0},
        {"type, Enter", [] { type("12"), press(Qt::Key_Return); }, "3|8", dsEdit, 0},
        {"Escape", [] { press(Qt::Key_Escape); }, "7|8", dsBrowse, 0},
        {"Shift+Tab", [] { press(Qt::Key_Tab, Qt::ShiftModifier); }, "7|8", dsBrowse, 0},
        {"Insert", [] { press(Qt::Key_Insert); }, "|7|8", dsInsert, 0},
        {"type, Down", [] { type("5"), press(Qt::Key_Down); }, "5|7|8", dsBrowse, 1},
        {"Down to the last row", [] { press(Qt::Key_Down); }, "5|7|8", dsBrowse, 2},
        {"Down past the last row", [] { press(Qt::Key_Down); }, "5|7|8|", dsInsert, 3},
        {"Down on the untouched new row", [] { press(Qt::Key_Down); }, "5|7|8|", dsInsert, 3},
        {"Up from the untouched new row", [] { press(Qt::Key_Up); }, "5|7|8", dsBrowse, 2},
        {"Down, type, Insert", [] { press(Qt::Key_Down), type("6"), press(Qt::Key_Insert); },
         "5|7|8||6", dsInsert, 3},
        {"Escape the untouched insert", [] { press(Qt::Key_Escape); }, "5|7|8|6", dsBrowse, 3},
        {"type, click another row", [&s] { type("4"), clickRow(s, 0); }, "5|7|8|4", dsBrowse, 0},
        {"type, Escape twice", [] { type("1"), press(Qt::Key_Escape), press(Qt::Key_Escape); },
         "5|7|8|4", dsBrowse, 0},
        {"type, click elsewhere", [&s] { type("9"), QTest::mouseClick(s.other, Qt::LeftButton); },
         "9|7|8|4", dsEdit, 0},
        {"back, Escape", [&s] { s.grid->setFocus(), press(Qt::Key_Escape); }, "5|7|8|4", dsBrowse,
         0},
        {"Insert, click elsewhere",
         [&s] { press(Qt::Key_Insert), QTest::mouseClick(s.other, Qt::LeftButton); }, "5|7|8|4",
         dsBrowse, 0},
        {"back, Insert, type, click elsewhere",
         [&s] {
             s.grid->setFocus(), press(Qt::Key_Insert), type("2"),
                 QTest::mouseClick(s.other, Qt::LeftButton);
         },
         "2|5|7|8|4", dsInsert, 0},
        {"back, Down", [&s] { s.grid->setFocus(), press(Qt::Key_Down); }, "2|5|7|8|4", dsBrowse, 1},
    };
    for (const Step& step : walk) {
        step.act();
        const QByteArray what = step.what;
        QVERIFY2(rowsOf(s) == step.rows, what + ": " + rowsOf(s).toUtf8());
        QVERIFY2(s.ds.State() == step.state, what);
        QVERIFY2(s.ds.CurrentRow() == step.current, what);
        QVERIFY2(s.grid->model()->rowCount() == s.ds.DisplayRowCount(), what);
        QVERIFY2(s.grid->currentIndex().row() == s.ds.CurrentRow(), what);
        QVERIFY2(s.ds.RecordCount() == s.ds.DisplayRowCount() - (s.ds.State() == dsInsert ? 1 : 0),
                 what);
        QVERIFY2(ui.messages.isEmpty(), what + ": " + ui.lastText().toUtf8());
    }
}

QTEST_MAIN(TstGridPaths)
#include "tst_grid_paths.moc"
