// Every menu level a clerk reaches with Alt in the host's window, with a maintenance
// screen open inside it: no two entries of one level may answer the same mnemonic, or
// Alt+letter would only cycle between them.

#include "framework/forms/application.h"
#include "framework/forms/frm_padrao.h"
#include "host/main_window.h"

#include <QAction>
#include <QMap>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {

struct Level {
    QString name;
    QList<QAction*> actions;
};

void addMenus(const QList<QAction*>& actions, QList<Level>& out) {
    for (QAction* a : actions) {
        if (QMenu* menu = a->menu()) {
            out.append({a->text(), menu->actions()});
            addMenus(menu->actions(), out);
        }
    }
}

// The window's two menu bars answer Alt together: they are one level.
QList<Level> levelsOf(MainWindow& window, TfrmPadrao& form) {
    QList<Level> out{{"barra de menus", window.menuBar()->actions() + form.mnuMenu->actions()}};
    addMenus(out.first().actions, out);
    return out;
}

} // namespace

class TstMenuMnemonics : public QObject {
    Q_OBJECT
private slots:
    void noTwoEntriesOfALevelShareAMnemonic_data();
    void noTwoEntriesOfALevelShareAMnemonic();
};

void TstMenuMnemonics::noTwoEntriesOfALevelShareAMnemonic_data() {
    QTest::addColumn<bool>("screenItems");
    QTest::newRow("the standard form") << false;
    QTest::newRow("with the billing screen's items") << true;
}

void TstMenuMnemonics::noTwoEntriesOfALevelShareAMnemonic() {
    QFETCH(bool, screenItems);
    MainWindow window;
    TfrmPadrao* form = nullptr;
    Application().CreateForm(form);
    form->SetFormStyle(fsMDIChild);
    if (screenItems) {
        // What the billing screen puts on the standard form's maintenance menu.
        form->mnuFolhaDados->setText("&Serviços");
        form->mnuFormulario->setText("&Efetivos");
        form->mnuManutencao->addSeparator();
        form->mnuManutencao->addAction(new QAction("Apuração &Faturamento", form));
    }
    window.show();
    form->Show();
    QCOMPARE(window.mdiArea()->subWindowList().size(), 1);

    const QList<Level> levels = levelsOf(window, *form);
    QVERIFY(levels.size() >= 4); // the bar, Arquivo, Módulos, Janela, Manutenção
    QStringList clashes;
    int mnemonics = 0;
    for (const Level& level : levels) {
        QMap<QString, QString> seen;
        for (QAction* a : level.actions) {
            const QString key = QKeySequence::mnemonic(a->text()).toString();
            if (a->isSeparator() || key.isEmpty())
                continue;
            ++mnemonics;
            if (seen.contains(key))
                clashes << QString("%1: %2 e %3 (%4)").arg(level.name, seen[key], a->text(), key);
            seen.insert(key, a->text());
        }
    }
    QVERIFY(mnemonics >= 15);
    QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join("; ")));
}

QTEST_MAIN(TstMenuMnemonics)
#include "tst_menu_mnemonics.moc"
