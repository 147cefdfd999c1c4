#include "host/host_startup.h"

#include "framework/components/db_geral.h"
#include "framework/session.h"
#include "framework/ui/guard.h"
#include "host/command_line.h"
#include "host/demo_environment.h"
#include "host/host_settings.h"
#include "host/main_window.h"
#include "host/server_login.h"
#include "host/suite_database.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <memory>

namespace {

constexpr int LoginTimeoutMs = 10000;

void startLogin(const HostOptions& options) {
    const bool named = !options.settingsFile.isEmpty();
    const HostSettings settings =
        readHostSettings(named ? options.settingsFile : defaultSettingsFile(), named);
    HostSession& session = hostSession();
    applyToSession(settings, session);
    session.dataProc = suiteProcessingDate;
    // Unattended runs keep the password in the settings file; a clerk types it.
    if (session.password.isEmpty())
        logInInteractively(session, LoginTimeoutMs);
    else
        logInToServer(session, LoginTimeoutMs);
    if (settings.databaseName.isEmpty()) {
        qWarning("no suite database in the settings: branch queries and DataProc will fail");
        return;
    }
    openSuiteDatabase(settings.databaseDriver, settings.databaseName);
}

std::unique_ptr<DemoEnvironment> startDemo(const HostOptions& options) {
    const QString programFolder = QCoreApplication::applicationDirPath();
    DemoSetup setup;
    setup.folder = options.demoFolder.isEmpty() ? defaultDemoFolder() : options.demoFolder;
    setup.serverExecutable = options.serverExecutable.isEmpty()
                                 ? QDir(programFolder).filePath(QStringLiteral("apurfat-server"))
                                 : options.serverExecutable;
    setup.programFolder = programFolder;
    auto demo = std::make_unique<DemoEnvironment>(setup);
    demo->start(hostSession());
    return demo;
}

// Closes the shared connection after everything that might still use it is gone.
struct SuiteDatabaseCloser {
    ~SuiteDatabaseCloser() { dtmDBGeral::Close(); }
};

} // namespace

int runHost(const HostOptions& options) {
    const SuiteDatabaseCloser closer;
    std::unique_ptr<DemoEnvironment> demo;
    const bool started = Guarded([&] {
        if (options.demo)
            demo = startDemo(options);
        else
            startLogin(options);
    });
    if (!started)
        return 1;

    MainWindow window;
    if (demo)
        window.reportRestarts(demo->server());
    window.show();
    if (options.demo)
        QTimer::singleShot(0, &window, [&window] { window.openApuracao(); });
    return QApplication::exec();
}
