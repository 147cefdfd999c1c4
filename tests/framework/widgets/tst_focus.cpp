// Enter and exit events on Qt's focus: the order, refusal, what a refused click does not
// do, and what is not a move at all.

#include "contracts/host_framework.h"
#include "framework/components/date_edit.h"
#include "framework/components/edit.h"
#include "framework/components/focus.h"
#include "framework/components/page_control.h"
#include "framework/forms/form.h"
#include "framework/ui/guard.h"
#include "scripted_ui.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A form with two panels: panA (edits a1, a2), panB (edit b1, a button, a table, a tab bar).
struct Screen {
    TForm form;
    QWidget* panA;
    QWidget* panB;
    QLineEdit *a1, *a2, *b1;
    QPushButton* button;
    QTableWidget* table;
    QTabBar* tabs;
    QStringList log;
    bool buttonFired = false;

    Screen() {
        form.setObjectName("frmTest");
        auto* layout = new QVBoxLayout(&form);
        panA = new QWidget(&form);
        panB = new QWidget(&form);
        layout->addWidget(panA);
        layout->addWidget(panB);
        auto* la = new QVBoxLayout(panA);
        auto* lb = new QVBoxLayout(panB);
        a1 = new QLineEdit(panA);
        a2 = new QLineEdit(panA);
        la->addWidget(a1);
        la->addWidget(a2);
        b1 = new QLineEdit(panB);
        button = new QPushButton("OK", panB);
        table = new QTableWidget(3, 2, panB);
        tabs = new QTabBar(panB);
        tabs->addTab("Um");
        tabs->addTab("Dois");
        tabs->setFocusPolicy(Qt::StrongFocus);
        for (QWidget* w : {static_cast<QWidget*>(b1), static_cast<QWidget*>(button),
                           static_cast<QWidget*>(table), static_cast<QWidget*>(tabs)})
            lb->addWidget(w);
        QObject::connect(button, &QPushButton::clicked, [this] { buttonFired = true; });
        const QList<QPair<QWidget*, QString>> named{
            {panA, "panA"}, {panB, "panB"},   {a1, "a1"},     {a2, "a2"},
            {b1, "b1"},     {table, "table"}, {tabs, "tabs"}, {button, "button"}};
        for (const auto& [w, name] : named) {
            w->setObjectName(name);
            if (w != panA && w != panB)
                markControl(w);
            ControlEvents::of(w).OnEnter = [this, name = name] { log << name + ".enter"; };
            ControlEvents::of(w).OnExit = [this, name = name] { log << name + ".exit"; };
        }
        form.resize(400, 500);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        a1->setFocus();
        log.clear();
    }

    // Makes `panel`'s exit refuse, after putting the focus on `keep` when given.
    void refuseExitOf(QWidget* panel, QWidget* keep) {
        ControlEvents::of(panel).OnExit = [this, panel, keep] {
            log << panel->objectName() + ".exit";
            if (keep)
                SetFocus(keep);
            MensErro("Filial deve ser informada.", true);
        };
    }
};

} // namespace

class TstFocus : public QObject {
    Q_OBJECT
private slots:
    void exitsRunInnermostFirstAndEntersOutermostFirst();
    void aRefusedExitKeepsTheFocusWhereTheValidatorPutIt();
    void aRefusedExitWithoutAFocusMoveReturnsToTheControlLeft();
    void aRefusedClickDoesNotActOnTheClickedWidget();
    void codeMovesRunTheEventsAtOnce();
    void anotherWindowTakingTheFocusIsNotAMove();
    void aThrowingEnterHandlerIsShownOnceAndNeverEscapes();
    void aFocusInsideACompositeControlIsTheControls();
    void enterInAnEditMovesOnAsTabDoes();
    void tabWalksContainerByContainerWithThePageControlBeforeItsPage();
    void whileTheHandlersRunTheActiveControlIsTheTarget_data();
    void whileTheHandlersRunTheActiveControlIsTheTarget();
    void aRefusedExitLeavesTheActiveControlWhereTheRefusalPutIt_data();
    void aRefusedExitLeavesTheActiveControlWhereTheRefusalPutIt();
    void theWindowComingBackAfterARefusalIsNoMove_data();
    void theWindowComingBackAfterARefusalIsNoMove();
};

void TstFocus::exitsRunInnermostFirstAndEntersOutermostFirst() {
    Screen s;
    QCOMPARE(ActiveControl(&s.form), s.a1);
    s.a2->setFocus();
    QCOMPARE(s.log, (QStringList{"a1.exit", "a2.enter"}));
    s.log.clear();
    s.b1->setFocus();
    QCOMPARE(s.log, (QStringList{"a2.exit", "panA.exit", "panB.enter", "b1.enter"}));
    QCOMPARE(ActiveControl(&s.form), s.b1);
    s.log.clear();
    QTest::keyClick(s.b1, Qt::Key_Tab);
    QCOMPARE(s.log, (QStringList{"b1.exit", "button.enter"}));
}

void TstFocus::aRefusedExitKeepsTheFocusWhereTheValidatorPutIt() {
    ScriptedUi ui;
    Screen s;
    s.a2->setFocus();
    s.refuseExitOf(s.panA, s.a1);
    s.log.clear();
    s.b1->setFocus();
    QCOMPARE(s.log, (QStringList{"a2.exit", "panA.exit", "a1.enter"}));
    QCOMPARE(QApplication::focusWidget(), s.a1);
    QCOMPARE(ActiveControl(&s.form), s.a1);
    // The validator's message was shown once, by MensErro; the guard added nothing.
    QCOMPARE(ui.texts(), QStringList{"Filial deve ser informada."});
}

void TstFocus::aRefusedExitWithoutAFocusMoveReturnsToTheControlLeft() {
    ScriptedUi ui;
    Screen s;
    s.a2->setFocus();
    s.refuseExitOf(s.panA, nullptr);
    s.log.clear();
    QTest::keyClick(s.a2, Qt::Key_Tab); // towards b1
    QCOMPARE(QApplication::focusWidget(), s.a2);
    QCOMPARE(ActiveControl(&s.form), s.a2);
    QCOMPARE(s.log, (QStringList{"a2.exit", "panA.exit"}));
    QCOMPARE(ui.messages.size(), 1);
}

void TstFocus::aRefusedClickDoesNotActOnTheClickedWidget() {
    ScriptedUi ui;
    Screen s;
    s.refuseExitOf(s.panA, s.a1);
    s.table->setCurrentCell(0, 0);
    const QPoint row2 = s.table->visualRect(s.table->model()->index(2, 1)).center();
    QTest::mouseClick(s.table->viewport(), Qt::LeftButton, {}, row2);
    QCOMPARE(s.table->currentRow(), 0);
    QCOMPARE(QApplication::focusWidget(), s.a1);

    QTest::mouseClick(s.button, Qt::LeftButton);
    QVERIFY(!s.buttonFired);

    QTest::mouseClick(s.tabs, Qt::LeftButton, {}, s.tabs->tabRect(1).center());
    QCOMPARE(s.tabs->currentIndex(), 0);
    QCOMPARE(ui.messages.size(), 3);

    // Once the exit passes, the same click acts.
    ControlEvents::of(s.panA).OnExit = nullptr;
    QTest::mouseClick(s.table->viewport(), Qt::LeftButton, {}, row2);
    QCOMPARE(s.table->currentRow(), 2);
}

void TstFocus::codeMovesRunTheEventsAtOnce() {
    Screen s;
    SetFocus(s.b1);
    QCOMPARE(s.log, (QStringList{"a1.exit", "panA.exit", "panB.enter", "b1.enter"}));
    QCOMPARE(QApplication::focusWidget(), s.b1);
    s.log.clear();
    // A refusing exit raises to the code that moved the focus.
    ControlEvents::of(s.b1).OnExit = [] { throw Exception("não"); };
    QVERIFY_THROWS_EXCEPTION(Exception, SetFocus(s.a1));
    QCOMPARE(ActiveControl(&s.form), s.b1);
    // A disabled control is left alone.
    s.a2->setEnabled(false);
    SetFocus(s.a2);
    QCOMPARE(ActiveControl(&s.form), s.b1);
    // The active control is no move, and no event runs; but Qt's focus, gone astray (a
    // focused child went away), comes back to it, so that the next keys reach it.
    s.log.clear();
    s.b1->clearFocus();
    SetFocus(s.b1);
    QCOMPARE(QApplication::focusWidget(), s.b1);
    QVERIFY(s.log.isEmpty());
}

void TstFocus::anotherWindowTakingTheFocusIsNotAMove() {
    Screen s;
    QDialog dialog(&s.form);
    auto* edit = new QLineEdit(&dialog);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus();
    QVERIFY(s.log.isEmpty());
    dialog.close();
    s.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.form));
    QTRY_COMPARE(QApplication::focusWidget(), s.a1);
    QVERIFY(s.log.isEmpty());
    QCOMPARE(ActiveControl(&s.form), s.a1);
}

void TstFocus::aThrowingEnterHandlerIsShownOnceAndNeverEscapes() {
    ScriptedUi ui;
    Screen s;
    ControlEvents::of(s.b1).OnEnter = [] { throw std::runtime_error("boom"); };
    s.b1->setFocus();
    QCOMPARE(ui.messages.size(), 1);
    QVERIFY(ui.lastText().contains("boom"));
    QCOMPARE(QApplication::focusWidget(), s.b1);
    QCOMPARE(ActiveControl(&s.form), s.b1);
}

void TstFocus::aFocusInsideACompositeControlIsTheControls() {
    Screen s;
    auto* composite = new QWidget(s.panB);
    composite->setObjectName("composite");
    auto* inner = new QLineEdit(composite);
    composite->setFocusProxy(inner);
    markControl(composite);
    s.panB->layout()->addWidget(composite);
    composite->show();
    ControlEvents::of(composite).OnEnter = [&] { s.log << "composite.enter"; };
    ControlEvents::of(composite).OnExit = [&] { s.log << "composite.exit"; };
    inner->setFocus();
    QCOMPARE(ActiveControl(&s.form), composite);
    QCOMPARE(s.log.last(), QString("composite.enter"));
    s.log.clear();
    composite->setFocus(); // the same control: nothing happens
    QVERIFY(s.log.isEmpty());
}

void TstFocus::enterInAnEditMovesOnAsTabDoes() {
    ScriptedUi ui;
    TForm form;
    auto* code = new TEdit(&form);
    auto* date = new TDateEditPlus(&form);
    auto* name = new TEdit(&form);
    auto* layout = new QVBoxLayout(&form);
    for (QWidget* w :
         {static_cast<QWidget*>(code), static_cast<QWidget*>(date), static_cast<QWidget*>(name)})
        layout->addWidget(w);
    QStringList exits;
    ControlEvents::of(code).OnExit = [&] { exits << "code"; };
    ControlEvents::of(date).OnExit = [&] { exits << "date"; };
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    SetFocus(code);
    QTest::keyClick(code, Qt::Key_Return);
    QCOMPARE(ActiveControl(&form), date);
    QTest::keyClick(date->lineEdit(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(ActiveControl(&form), name);
    QCOMPARE(exits, (QStringList{"code", "date"}));
    // With a modifier Enter is the edit's own key.
    QTest::keyClick(name, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(ActiveControl(&form), name);
}

void TstFocus::tabWalksContainerByContainerWithThePageControlBeforeItsPage() {
    ScriptedUi ui;
    TForm form;
    auto* layout = new QVBoxLayout(&form);
    // Built as a base form and a screen build theirs: the page control first, then the
    // screen's panel above it, then the controls of the screen's page.
    auto* pages = new TPageControl(&form);
    auto* first = new TTabSheet(pages, "Um");
    auto* second = new TTabSheet(pages, "Dois");
    auto* onFirst = new TEdit(first);
    auto* panel = new QWidget(&form);
    auto* code = new TEdit(panel);
    auto* ok = new QPushButton("OK", panel);
    auto* name = new TEdit(panel);
    auto* panelLayout = new QHBoxLayout(panel);
    for (QWidget* w :
         {static_cast<QWidget*>(code), static_cast<QWidget*>(ok), static_cast<QWidget*>(name)})
        panelLayout->addWidget(w);
    auto* grid = new TEdit(second);
    auto* date = new TDateEditPlus(second);
    auto* disabled = new TEdit(second);
    disabled->setEnabled(false);
    auto* secondLayout = new QVBoxLayout(second);
    for (QWidget* w : {static_cast<QWidget*>(grid), static_cast<QWidget*>(date),
                       static_cast<QWidget*>(disabled)})
        secondLayout->addWidget(w);
    QWidget::setTabOrder(code, name); // the button after the name
    layout->addWidget(panel);
    layout->addWidget(pages);
    const QList<QPair<QWidget*, QString>> named{
        {pages, "pages"}, {onFirst, "onFirst"}, {grid, "grid"}, {date, "date"},
        {code, "code"},   {ok, "ok"},           {name, "name"}};
    const auto focused = [&] {
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
            for (const auto& [widget, label] : named)
                if (w == widget)
                    return label;
        return QString();
    };
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    pages->SetActivePage(second);
    SetFocus(code);
    const auto walk = [&](Qt::Key key) {
        QStringList seen;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
            seen << focused();
        }
        return seen;
    };
    // The hidden page's and the disabled controls are passed over; the date edit's own
    // line edit is the date edit's stop, not one of its own.
    QCOMPARE(walk(Qt::Key_Tab), (QStringList{"name", "ok", "pages", "grid", "date", "code"}));
    QCOMPARE(walk(Qt::Key_Backtab), (QStringList{"date", "grid", "pages", "ok", "name", "code"}));
    SetFocus(code);
    pages->SetActivePage(first);
    QCOMPARE(walk(Qt::Key_Tab), (QStringList{"name", "ok", "pages", "onFirst", "code", "name"}));
}

namespace {

// Moves the focus from a2 to b1 the way `how` says.
void moveToB1(Screen& s, const QString& how) {
    if (how == "user")
        s.b1->setFocus(Qt::TabFocusReason);
    else if (how == "click")
        QTest::mouseClick(s.b1, Qt::LeftButton);
    else
        Guarded([&] { SetFocus(s.b1); });
}

} // namespace

void TstFocus::whileTheHandlersRunTheActiveControlIsTheTarget_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("the user's focus") << "user";
    QTest::newRow("a click") << "click";
    QTest::newRow("code") << "code";
}

void TstFocus::whileTheHandlersRunTheActiveControlIsTheTarget() {
    QFETCH(QString, how);
    Screen s;
    s.a2->setFocus();
    QStringList seen;
    const auto record = [&](QWidget* w, const QString& event) {
        return [&s, &seen, w, event] {
            QWidget* active = ActiveControl(&s.form);
            seen << w->objectName() + "." + event + ":" + (active ? active->objectName() : "-");
            QCOMPARE(s.form.ActiveControl(), active);
        };
    };
    for (QWidget* w : {static_cast<QWidget*>(s.a2), s.panA, s.panB, static_cast<QWidget*>(s.b1)}) {
        ControlEvents::of(w).OnExit = record(w, "exit");
        ControlEvents::of(w).OnEnter = record(w, "enter");
    }
    moveToB1(s, how);
    QCOMPARE(seen, (QStringList{"a2.exit:b1", "panA.exit:b1", "panB.enter:b1", "b1.enter:b1"}));
    QCOMPARE(ActiveControl(&s.form), s.b1);
}

void TstFocus::aRefusedExitLeavesTheActiveControlWhereTheRefusalPutIt_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("validatorFocuses");
    QTest::addColumn<QString>("activeAfter");
    for (const char* how : {"user", "click", "code"}) {
        QTest::addRow("%s, the validator focuses a1", how) << QString(how) << true << "a1";
        QTest::addRow("%s, the validator leaves the focus", how) << QString(how) << false << "a2";
    }
}

void TstFocus::aRefusedExitLeavesTheActiveControlWhereTheRefusalPutIt() {
    QFETCH(QString, how);
    QFETCH(bool, validatorFocuses);
    QFETCH(QString, activeAfter);
    ScriptedUi ui;
    Screen s;
    s.a2->setFocus();
    QString activeWhileRefusing;
    ControlEvents::of(s.panA).OnExit = [&] {
        activeWhileRefusing = ActiveControl(&s.form)->objectName();
        if (validatorFocuses)
            SetFocus(s.a1);
        MensErro("Filial deve ser informada.", true);
    };
    moveToB1(s, how);
    QCOMPARE(activeWhileRefusing, QString("b1"));
    QCOMPARE(ActiveControl(&s.form)->objectName(), activeAfter);
    QCOMPARE(s.form.ActiveControl()->objectName(), activeAfter);
    QCOMPARE(QApplication::focusWidget()->objectName(), activeAfter);
    QCOMPARE(ui.messages.size(), 1);
}

void TstFocus::theWindowComingBackAfterARefusalIsNoMove_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("validatorFocuses");
    for (const char* how : {"user", "click"}) {
        QTest::addRow("%s, the validator focuses a1", how) << QString(how) << true;
        QTest::addRow("%s, the validator leaves the focus", how) << QString(how) << false;
    }
}

void TstFocus::theWindowComingBackAfterARefusalIsNoMove() {
    // With a window manager the refusal's message box is still the active window when the
    // refusal is settled, and the screen's window is activated again only afterwards.
    QFETCH(QString, how);
    QFETCH(bool, validatorFocuses);
    ScriptedUi ui;
    Screen s;
    s.a2->setFocus();
    QWidget box;
    box.setWindowTitle("Informação");
    auto* ok = new QPushButton("OK", &box);
    int exits = 0;
    ControlEvents::of(s.panA).OnExit = [&] {
        ++exits;
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        ok->setFocus();
        if (validatorFocuses)
            SetFocus(s.a1);
        MensErro("Filial deve ser informada.", true);
    };
    moveToB1(s, how);
    QWidget* kept = validatorFocuses ? s.a1 : s.a2;
    QCOMPARE(ActiveControl(&s.form), kept);
    box.hide();
    s.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.form));
    QTRY_COMPARE(QApplication::focusWidget(), kept);
    QCOMPARE(exits, 1);
    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ActiveControl(&s.form), kept);
    QVERIFY(!s.log.contains("b1.enter"));
    // The user's next move is a move again.
    ControlEvents::of(s.panA).OnExit = [&] { ++exits; };
    moveToB1(s, how);
    QCOMPARE(exits, 2);
    QCOMPARE(ActiveControl(&s.form), s.b1);
}

QTEST_MAIN(TstFocus)
#include "tst_focus.moc"
