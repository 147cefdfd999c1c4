// The host's main window and application: the module's menu entry (a missing or broken
// module is a clear message, never a crash), the login in the status bar, closing with
// open screens, and the application's last line of defence against escaped exceptions.

#include "contracts/host_framework.h"
#include "framework/forms/application.h"
#include "framework/session.h"
#include "host/host_application.h"
#include "host/main_window.h"
#include "host/server_process.h"
#include "scripted_ui.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A screen that may refuse to close, as one with unsaved work does.
class StubbornScreen : public QWidget {
public:
    bool mayClose = false;

protected:
    void closeEvent(QCloseEvent* event) override { event->setAccepted(mayClose); }
};

// An object whose event handler throws what it is told to.
class ThrowingObject : public QObject {
public:
    std::function<void()> thrower;

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            thrower();
        return QObject::event(e);
    }
};

QAction* moduleEntry(MainWindow& window) {
    return window.findChild<QAction*>(QStringLiteral("actCalculoApuracao"));
}

} // namespace

class TstMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { hostSession() = HostSession(); }

    void windowIsTheHostsMdiFrameWithTheModuleEntry();
    void missingModuleIsAClearMessage();
    void unloadableModuleIsAClearMessage();
    void moduleWithoutItsEntryIsAClearMessage();
    void statusBarShowsTheLogin();
    void statusBarTellsWhenTheServerIsStartedAgain();
    void aScreenThatRefusesToCloseKeepsTheHostOpen();
    void escapedExceptionsAreShownOnceAndGoNoFurther();
};

void TstMainWindow::windowIsTheHostsMdiFrameWithTheModuleEntry() {
    MainWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Sistemas Integrados Corvana"));
    QCOMPARE(Application().MainForm(), &window);
    QCOMPARE(Application().MdiArea(), window.mdiArea());
    QCOMPARE(window.centralWidget(), window.mdiArea());

    QAction* entry = moduleEntry(window);
    QVERIFY(entry);
    QCOMPARE(entry->text(), QStringLiteral("Cálculo de Apuração (Gestão Torvo)"));
    const auto menus = window.menuBar()->findChildren<QMenu*>();
    const auto modules = std::find_if(menus.begin(), menus.end(), [](QMenu* m) {
        return m->title() == QStringLiteral("Mó&dulos");
    });
    QVERIFY(modules != menus.end());
    QVERIFY((*modules)->actions().contains(entry));
}

void TstMainWindow::missingModuleIsAClearMessage() {
    QTemporaryDir emptyFolder;
    hostSession().programFolder = emptyFolder.path();
    MainWindow window;
    window.show();
    ScriptedUi ui;

    moduleEntry(window)->trigger();

    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.first().type, mtError);
    QVERIFY2(ui.lastText().contains("rqx52000") && ui.lastText().contains("não encontrado"),
             qPrintable(ui.lastText()));
    QVERIFY(window.isVisible());
    QCOMPARE(window.mdiArea()->subWindowList().size(), 0);

    // The demo's way in takes the same path.
    window.openApuracao();
    QCOMPARE(ui.messages.size(), 2);
}

void TstMainWindow::unloadableModuleIsAClearMessage() {
    QTemporaryDir folder;
    QFile garbage(folder.filePath("Pkg_rqx52000.bpl"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a shared library");
    garbage.close();
    hostSession().programFolder = folder.path();
    MainWindow window;
    ScriptedUi ui;

    moduleEntry(window)->trigger();

    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.first().type, mtError);
    QVERIFY2(ui.lastText().contains("rqx52000") && ui.lastText().contains(garbage.fileName()),
             qPrintable(ui.lastText()));
}

void TstMainWindow::moduleWithoutItsEntryIsAClearMessage() {
    hostSession().programFolder = QStringLiteral(MODULE_WITHOUT_ENTRY_DIR);
    MainWindow window;
    ScriptedUi ui;

    moduleEntry(window)->trigger();

    QCOMPARE(ui.messages.size(), 1);
    QCOMPARE(ui.messages.first().type, mtError);
    QVERIFY2(ui.lastText().contains("rqx52000") && ui.lastText().contains("IniProc"),
             qPrintable(ui.lastText()));
}

void TstMainWindow::statusBarShowsTheLogin() {
    HostSession& session = hostSession();
    session.login = "maria";
    session.filiProc = "0001";
    session.nomeFiliProc = "Restaurante Central";
    session.webUrl = "127.0.0.1";
    session.webPort = 4321;
    MainWindow window;
    const QLabel* login = window.findChild<QLabel*>(QStringLiteral("lblLogin"));
    QVERIFY(login);
    QVERIFY2(login->text().contains("Usuário: maria"), qPrintable(login->text()));
    QVERIFY2(login->text().contains("Filial: 0001 - Restaurante Central"),
             qPrintable(login->text()));
    QVERIFY2(login->text().contains("Faturamento: não definida"), qPrintable(login->text()));
    QVERIFY2(login->text().contains("Servidor: 127.0.0.1:4321"), qPrintable(login->text()));
}

void TstMainWindow::statusBarTellsWhenTheServerIsStartedAgain() {
    MainWindow window;
    ServerProcess server;
    window.reportRestarts(server);
    auto* notice = window.findChild<QLabel*>(QStringLiteral("lblAvisoServidor"));
    QVERIFY(notice);
    QCOMPARE(notice->text(), QString());

    emit server.restarted(QStringLiteral("terminou de forma anormal"));
    QVERIFY2(notice->text().startsWith("O servidor de aplicação terminou de forma anormal às ") &&
                 notice->text().contains(" e foi reiniciado na porta "),
             qPrintable(notice->text()));
    emit server.restartFailed(QStringLiteral("terminou com o código 1"),
                              QStringLiteral("porta ocupada"));
    QVERIFY2(notice->text().startsWith("O servidor de aplicação terminou com o código 1 às ") &&
                 notice->text().endsWith(" e não pôde ser reiniciado: porta ocupada"),
             qPrintable(notice->text()));
}

void TstMainWindow::aScreenThatRefusesToCloseKeepsTheHostOpen() {
    MainWindow window;
    window.show();
    auto* screen = new StubbornScreen;
    QMdiSubWindow* sub = window.mdiArea()->addSubWindow(screen);
    sub->show();

    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QVERIFY(sub->isVisible());

    screen->mayClose = true;
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
}

void TstMainWindow::escapedExceptionsAreShownOnceAndGoNoFurther() {
    ScriptedUi ui;
    ThrowingObject target;

    target.thrower = [] { throw Exception("Falha inesperada no módulo."); };
    QEvent direct(QEvent::User);
    QVERIFY(!QCoreApplication::sendEvent(&target, &direct));
    QCOMPARE(ui.texts(), QStringList{"Falha inesperada no módulo."});

    // Through the event loop as well.
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QCOMPARE(ui.messages.size(), 2);

    // Already shown, or a silent abort: nothing more to show.
    ui.clear();
    target.thrower = [] { throw EAlreadyShown("mostrada"); };
    QCoreApplication::sendEvent(&target, &direct);
    target.thrower = [] { Abort(); };
    QCoreApplication::sendEvent(&target, &direct);
    QCOMPARE(ui.messages.size(), 0);
}

int main(int argc, char** argv) {
    HostApplication app(argc, argv);
    TstMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_main_window.moc"
