// The page control: a tab change by the user runs the changing check (which may refuse)
// and then the change event; a page selected from code runs neither; disabled pages.

#include "contracts/host_framework.h"
#include "framework/components/edit.h"
#include "framework/components/focus.h"
#include "framework/components/page_control.h"
#include "framework/forms/form.h"
#include "scripted_ui.h"

#include <QAccessible>
#include <QLineEdit>
#include <QTabBar>
#include <QTest>
#include <QVBoxLayout>

namespace {

struct Pages {
    TPageControl control;
    TTabSheet* services = new TTabSheet(&control, "Serviços");
    TTabSheet* daily = new TTabSheet(&control, "Efetivos");
    TTabSheet* third = new TTabSheet(&control, "&Outros");
    QLineEdit* editOnServices = new QLineEdit(services);
    QStringList log;
    bool allow = true;

    Pages() {
        (new QVBoxLayout(services))->addWidget(editOnServices);
        control.OnChanging = [this](bool& allowChange) {
            log << "changing from " + control.ActivePage()->Caption();
            allowChange = allow;
        };
        control.OnChange = [this] { log << "change to " + control.ActivePage()->Caption(); };
        control.resize(400, 300);
        control.show();
        control.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&control));
    }

    void clickTab(int index) {
        QTest::mouseClick(control.tabBar(), Qt::LeftButton, {},
                          control.tabBar()->tabRect(index).center());
    }
};

} // namespace

class TstPageControl : public QObject {
    Q_OBJECT
private slots:
    void aClickRunsChangingBeforeAndChangeAfterButCodeRunsNeither();
    void changingRefusesByFlagOrByThrowing();
    void keyboardChangesAreUserChanges();
    void disabledPagesCannotBeChosenAndStayPutWhenActive();
    void choosingAPageFromCodeFirstLeavesTheControlOnTheOldOne();
    void aScreenReaderHearsEachTabsOwnState();
};

void TstPageControl::aClickRunsChangingBeforeAndChangeAfterButCodeRunsNeither() {
    Pages p;
    p.editOnServices->setFocus();
    p.clickTab(1);
    QCOMPARE(p.control.ActivePage(), p.daily);
    QCOMPARE(p.log, (QStringList{"changing from Serviços", "change to Efetivos"}));
    // The tab bar took the focus, so the control left had its exit first.
    QVERIFY(p.control.tabBar()->hasFocus());
    p.log.clear();
    p.clickTab(1); // the active tab: no change at all
    p.control.SetActivePage(p.third);
    p.control.SetActivePage(p.services);
    QCOMPARE(p.control.ActivePage(), p.services);
    QCOMPARE(p.log, QStringList());
}

void TstPageControl::changingRefusesByFlagOrByThrowing() {
    ScriptedUi ui;
    Pages p;
    p.allow = false;
    p.clickTab(2);
    QCOMPARE(p.control.ActivePage(), p.services);
    QCOMPARE(p.log, QStringList{"changing from Serviços"});

    p.control.OnChanging = [](bool&) { throw Exception("A soma não confere."); };
    p.clickTab(1);
    p.control.OnChanging = [](bool&) { Abort(); };
    p.clickTab(1);
    QCOMPARE(p.control.ActivePage(), p.services);
    QCOMPARE(ui.texts(), QStringList{"A soma não confere."}); // once; the abort is silent
}

void TstPageControl::keyboardChangesAreUserChanges() {
    Pages p;
    QTest::keyClick(p.control.tabBar(), Qt::Key_Right);
    QCOMPARE(p.control.ActivePage(), p.daily);
    p.control.SetActivePage(p.third);
    QTest::keyClick(&p.control, Qt::Key_PageDown, Qt::ControlModifier); // goes round
    QCOMPARE(p.control.ActivePage(), p.services);
    QTest::keyClick(p.editOnServices, Qt::Key_Tab, Qt::ControlModifier); // from inside a page
    QCOMPARE(p.control.ActivePage(), p.daily);
    QTest::keyClick(&p.control, Qt::Key_O, Qt::AltModifier); // the tab's mnemonic
    QCOMPARE(p.control.ActivePage(), p.third);
    QCOMPARE(p.log.filter("change to"), (QStringList{"change to Efetivos", "change to Serviços",
                                                     "change to Efetivos", "change to &Outros"}));

    p.allow = false;
    p.control.SetActivePage(p.services);
    p.log.clear();
    QTest::keyClick(p.control.tabBar(), Qt::Key_Right);
    QTest::keyClick(&p.control, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(&p.control, Qt::Key_O, Qt::AltModifier);
    QCOMPARE(p.control.ActivePage(), p.services);
    QCOMPARE(p.log.size(), 3);
}

void TstPageControl::disabledPagesCannotBeChosenAndStayPutWhenActive() {
    Pages p;
    int qtChanges = 0;
    QObject::connect(&p.control, &QTabWidget::currentChanged, [&] { ++qtChanges; });
    p.daily->SetEnabled(false);
    QVERIFY(!p.daily->Enabled());
    p.clickTab(1);
    QCOMPARE(p.control.ActivePage(), p.services);
    QCOMPARE(p.log, QStringList());                     // not even asked
    QTest::keyClick(p.control.tabBar(), Qt::Key_Right); // skips the disabled page
    QCOMPARE(p.control.ActivePage(), p.third);

    // Qt would move off a tab being disabled; the desktop's active page stays active.
    p.control.SetActivePage(p.services);
    qtChanges = 0;
    p.services->SetEnabled(false);
    QCOMPARE(p.control.ActivePage(), p.services);
    QCOMPARE(p.control.tabBar()->currentIndex(), 0);
    QCOMPARE(qtChanges, 0);
    QVERIFY(!p.editOnServices->isEnabled());
    p.services->SetEnabled(true);
    QVERIFY(p.editOnServices->isEnabled());
}

void TstPageControl::choosingAPageFromCodeFirstLeavesTheControlOnTheOldOne() {
    ScriptedUi ui;
    TForm form;
    auto* pages = new TPageControl(&form);
    auto* services = new TTabSheet(pages, "Serviços");
    auto* daily = new TTabSheet(pages, "Efetivos");
    auto* edit = new TEdit(services);
    (new QVBoxLayout(&form))->addWidget(pages);
    (new QVBoxLayout(services))->addWidget(edit);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    SetFocus(edit);
    bool refuse = true;
    ControlEvents::of(edit).OnExit = [&] {
        if (refuse)
            throw Exception("Quantidade deve ser informada.");
    };
    // The exit refuses: the page stays and the refusal reaches the caller.
    QVERIFY_THROWS_EXCEPTION(Exception, pages->SetActivePage(daily));
    QCOMPARE(pages->ActivePage(), services);
    QCOMPARE(ActiveControl(&form), edit);
    // Accepted: the focus rests on the page control, never on a control of a hidden page
    // nor wherever Qt would send it next.
    refuse = false;
    pages->SetActivePage(daily);
    QCOMPARE(pages->ActivePage(), daily);
    QCOMPARE(ActiveControl(&form), pages);
    QVERIFY(ui.messages.isEmpty());
}

void TstPageControl::aScreenReaderHearsEachTabsOwnState() {
    Pages p;
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(p.control.tabBar());
    QVERIFY(bar);
    QCOMPARE(bar->role(), QAccessible::PageTabList);
    const auto tab = [&](int index) { return bar->child(index); };
    QCOMPARE(tab(1)->role(), QAccessible::PageTab);
    QCOMPARE(tab(2)->text(QAccessible::Name), QString("Outros"));
    QCOMPARE(bar->indexOfChild(tab(2)), 2);

    // A disabled page's tab says so, like the page itself.
    p.daily->SetEnabled(false);
    QVERIFY(tab(1)->state().disabled);
    QVERIFY(!tab(0)->state().disabled);
    QVERIFY(!tab(2)->state().disabled);
    p.daily->SetEnabled(true);
    QVERIFY(!tab(1)->state().disabled);

    // The current tab is selected; it is focused only while the tab bar has the focus.
    p.editOnServices->setFocus();
    QVERIFY(tab(0)->state().selected);
    QVERIFY(!tab(0)->state().focused);
    QCOMPARE(bar->focusChild(), nullptr);
    p.control.tabBar()->setFocus();
    QVERIFY(tab(0)->state().focused);
    QVERIFY(!tab(1)->state().focused);
    QCOMPARE(bar->focusChild(), tab(0));

    // Pressing a tab through the screen reader is the user's choice: the check runs.
    tab(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(p.control.ActivePage(), p.daily);
    QCOMPARE(p.log, (QStringList{"changing from Serviços", "change to Efetivos"}));
}

QTEST_MAIN(TstPageControl)
#include "tst_page_control.moc"
