#include "host/main_window.h"

#include "contracts/host_framework.h"
#include "framework/forms/application.h"
#include "framework/session.h"
#include "framework/ui/guard.h"
#include "host/server_process.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTime>

#include <algorithm>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), m_mdiArea(new QMdiArea(this)) {
    setObjectName(QStringLiteral("frmPrincipal"));
    setWindowTitle(QString::fromUtf8(Title));
    m_mdiArea->setObjectName(QStringLiteral("mdiPrincipal"));
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    buildMenus();
    showLogin();
    resize(1024, 680);
    Application().SetMainForm(this);
    Application().SetMdiArea(m_mdiArea);
}

void MainWindow::openApuracao() {
    m_apuracao->trigger();
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Arquivo"));
    QAction* quit = file->addAction(QStringLiteral("&Sair"));
    quit->setObjectName(QStringLiteral("actSair"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, guard([this](bool) { close(); }));

    // M is the screens' maintenance menu ("&Manutenção"), shown in this same window.
    QMenu* modules = menuBar()->addMenu(QStringLiteral("Mó&dulos"));
    m_apuracao = modules->addAction(QStringLiteral("Cálculo de Apuração (Gestão Torvo)"));
    m_apuracao->setObjectName(QStringLiteral("actCalculoApuracao"));
    connect(m_apuracao, &QAction::triggered, this,
            guard([](bool) { LoadBPL(QStringLiteral("rqx52000")); }));

    QMenu* windows = menuBar()->addMenu(QStringLiteral("&Janela"));
    QAction* cascade = windows->addAction(QStringLiteral("Em &cascata"));
    connect(cascade, &QAction::triggered, this,
            guard([this](bool) { m_mdiArea->cascadeSubWindows(); }));
    QAction* tile = windows->addAction(QStringLiteral("&Lado a lado"));
    connect(tile, &QAction::triggered, this, guard([this](bool) { m_mdiArea->tileSubWindows(); }));
}

void MainWindow::showLogin() {
    const HostSession& session = hostSession();
    const auto branchText = [](const QString& code, const QString& name) {
        if (code.isEmpty())
            return QStringLiteral("não definida");
        return name.isEmpty() ? code : QStringLiteral("%1 - %2").arg(code, name);
    };
    const QStringList parts{
        QStringLiteral("Usuário: %1")
            .arg(session.login.isEmpty() ? QStringLiteral("não definido") : session.login),
        QStringLiteral("Filial: %1").arg(branchText(session.filiProc, session.nomeFiliProc)),
        QStringLiteral("Faturamento: %1")
            .arg(branchText(session.filiProcFat, session.nomeFiliProcFat)),
        QStringLiteral("Servidor: %1:%2").arg(session.webUrl).arg(session.webPort)};
    auto* login = new QLabel(parts.join(QStringLiteral("    ")), this);
    login->setObjectName(QStringLiteral("lblLogin"));
    statusBar()->addWidget(login);
}

void MainWindow::reportRestarts(const ServerProcess& server) {
    if (!m_serverNotice) {
        m_serverNotice = new QLabel(this);
        m_serverNotice->setObjectName(QStringLiteral("lblAvisoServidor"));
        statusBar()->addWidget(m_serverNotice);
    }
    const auto at = [] { return QTime::currentTime().toString(QStringLiteral("HH:mm")); };
    connect(&server, &ServerProcess::restarted, this,
            guard([this, &server, at](const QString& how) {
                m_serverNotice->setText(QStringLiteral("O servidor de aplicação %1 às %2 e foi "
                                                       "reiniciado na porta %3.")
                                            .arg(how, at())
                                            .arg(server.port()));
            }));
    connect(&server, &ServerProcess::restartFailed, this,
            guard([this, at](const QString& how, const QString& reason) {
                m_serverNotice->setText(QStringLiteral("O servidor de aplicação %1 às %2 e não "
                                                       "pôde ser reiniciado: %3")
                                            .arg(how, at(), reason));
            }));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    Guarded([&] {
        m_mdiArea->closeAllSubWindows();
        const QList<QMdiSubWindow*> open = m_mdiArea->subWindowList();
        const bool refused =
            std::any_of(open.begin(), open.end(), [](QMdiSubWindow* w) { return w->isVisible(); });
        event->setAccepted(!refused);
    });
}
