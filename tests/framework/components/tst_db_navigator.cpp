// The data navigator and the data text over a data source: button states that follow the
// data set, a click that moves and then tells, a refused move, and the text of the
// current row.

#include "contracts/host_framework.h"
#include "framework/components/db_grid.h"
#include "framework/components/db_navigator.h"
#include "framework/components/db_text.h"
#include "framework/components/speed_button.h"
#include "framework/data/datasource.h"
#include "framework/forms/form.h"
#include "scripted_ui.h"

#include <QTest>

namespace {

struct Services {
    TClientDataSet ds{"cdsServEfet"};
    TDataSource source{"dtsPadrao", &ds};
    TDBNavigator nav;
    TDBText text;

    Services() {
        ds.AddField("NMSERVICO", ftString, 40);
        ds.AddField("QTCOMECDRS", ftFloat).SetDisplayFormat("#,##0.000");
        nav.SetDataSource(&source);
        text.SetDataSource(&source);
    }

    void fill(int rows) {
        ds.CreateDataSet();
        for (int i = 1; i <= rows; ++i) {
            ds.Append();
            ds.FieldByName("NMSERVICO").SetAsString(QString("Almoço %1").arg(i));
            ds.FieldByName("QTCOMECDRS").SetAsFloat(1000.5 * i);
            ds.Post();
        }
        ds.First();
    }

    // First, prior, next, last: 1 enabled, 0 disabled.
    QString states() const {
        QString out;
        for (TNavigateBtn b : {nbFirst, nbPrior, nbNext, nbLast})
            out += nav.Button(b)->isEnabled() ? '1' : '0';
        return out;
    }
};

} // namespace

class TstDBNavigator : public QObject {
    Q_OBJECT
private slots:
    void buttonStatesFollowTheDataSet();
    void aClickMovesThenRunsOnClickUnlessTheMoveIsRefused();
    void theDataTextShowsTheCurrentRowsDisplayText();
    void aRowReachedByAClickIsNotTheEndSoLastStillClicks();
};

void TstDBNavigator::buttonStatesFollowTheDataSet() {
    Services s;
    QCOMPARE(s.states(), QString("0000")); // inactive
    s.fill(0);
    QCOMPARE(s.states(), QString("0000")); // empty
    s.ds.Close();
    s.fill(3);
    QCOMPARE(s.states(), QString("0011"));
    s.ds.Next();
    QCOMPARE(s.states(), QString("1111"));
    s.nav.setEnabled(false);
    s.ds.Last();
    s.nav.setEnabled(true);
    QCOMPARE(s.states(), QString("1100")); // followed the data while disabled
    s.ds.Delete();
    s.ds.Delete();
    // As on the desktop, a delete leaves neither end reached, even on the only row; Next
    // then finds the end.
    QCOMPARE(s.states(), QString("1111"));
    s.ds.Next();
    QCOMPARE(s.states(), QString("1100"));
    s.ds.Prior();
    QCOMPARE(s.states(), QString("0011"));
    s.source.SetEnabled(false);
    s.ds.Append();
    QCOMPARE(s.states(), QString("0000")); // a disabled source reports inactive
    s.source.SetEnabled(true);
    QCOMPARE(s.states(), QString("1100")); // an appended row stands at the end
    s.ds.Post();
    QCOMPARE(s.states(), QString("1111"));
}

void TstDBNavigator::aRowReachedByAClickIsNotTheEndSoLastStillClicks() {
    ScriptedUi ui;
    Services s;
    s.fill(3);
    TForm form;
    auto* grid = new TDBGrid(&form);
    grid->SetDataSource(&s.source);
    grid->AddColumn("NMSERVICO");
    grid->resize(300, 200);
    form.resize(300, 200);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QStringList clicks;
    s.nav.OnClick = [&](TDBNavigator&, TNavigateBtn button) {
        clicks << QString("%1@%2").arg(int(button)).arg(s.ds.RecNo());
    };
    const QPoint lastRow = grid->visualRect(grid->model()->index(2, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, lastRow);
    QCOMPARE(s.ds.RecNo(), 3);
    QVERIFY(!s.ds.Eof());
    QCOMPARE(s.states(), QString("1111"));
    s.nav.Button(nbLast)->click(); // the cursor does not move, the screen still hears it
    QCOMPARE(clicks, QStringList{"3@3"});
    QVERIFY(s.ds.Eof());
    QCOMPARE(s.states(), QString("1100"));
    QVERIFY(ui.messages.isEmpty());
}

void TstDBNavigator::aClickMovesThenRunsOnClickUnlessTheMoveIsRefused() {
    ScriptedUi ui;
    Services s;
    s.fill(3);
    QStringList log;
    s.nav.OnClick = [&](TDBNavigator&, TNavigateBtn button) {
        log << QString("%1@%2").arg(int(button)).arg(s.ds.RecNo());
    };
    for (TNavigateBtn b : {nbNext, nbLast, nbPrior, nbFirst})
        s.nav.Button(b)->click();
    QCOMPARE(log, (QStringList{"2@2", "3@3", "1@2", "0@1"}));

    log.clear();
    s.ds.BeforeScroll = [](TClientDataSet&) { Abort(); };
    s.nav.Button(nbNext)->click();
    s.ds.BeforeScroll = [](TClientDataSet&) { throw Exception("Rateio não confere."); };
    s.nav.Button(nbLast)->click();
    QCOMPARE(s.ds.RecNo(), 1);
    QCOMPARE(log, QStringList());
    QCOMPARE(ui.texts(), QStringList{"Rateio não confere."}); // the abort stays silent
    QCOMPARE(s.nav.Button(nbNext)->focusPolicy(), Qt::NoFocus);
    QCOMPARE(s.nav.Button(nbLast)->Hint(), QString("Último"));
}

void TstDBNavigator::theDataTextShowsTheCurrentRowsDisplayText() {
    Services s;
    s.text.SetDataField("NMSERVICO");
    QCOMPARE(s.text.text(), QString());
    s.fill(2);
    QCOMPARE(s.text.text(), QString("Almoço 1"));
    s.ds.Next();
    QCOMPARE(s.text.text(), QString("Almoço 2"));
    s.ds.Edit();
    s.ds.FieldByName("NMSERVICO").SetAsString("<b>Jantar</b>");
    QCOMPARE(s.text.text(), QString("<b>Jantar</b>"));
    QCOMPARE(s.text.textFormat(), Qt::PlainText);
    s.ds.Cancel();
    QCOMPARE(s.text.text(), QString("Almoço 2"));
    s.text.SetDataField("QTCOMECDRS");
    QCOMPARE(s.text.text(), QString("2.001,000"));
    s.ds.Close();
    QCOMPARE(s.text.text(), QString());
}

QTEST_MAIN(TstDBNavigator)
#include "tst_db_navigator.moc"
