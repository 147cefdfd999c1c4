#include "host/demo_environment.h"

#include "contracts/host_framework.h"
#include "framework/components/db_geral.h"
#include "framework/session.h"
#include "host/server_login.h"
#include "host/suite_database.h"
#include "server/auth/users.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>

DemoEnvironment::DemoEnvironment(DemoSetup setup) : m_setup(std::move(setup)) {}

DemoEnvironment::~DemoEnvironment() {
    m_server.stop();
    dtmDBGeral::Close();
}

QString DemoEnvironment::databaseFile() const {
    return QDir(m_setup.folder).filePath(QStringLiteral("apurfat-demo.sqlite"));
}

QString DemoEnvironment::registryFile() const {
    return QDir(m_setup.folder).filePath(QStringLiteral("HKEY_LOCAL_MACHINE.ini"));
}

void DemoEnvironment::start(HostSession& session) {
    if (!QDir().mkpath(m_setup.folder))
        throw Exception(QStringLiteral("Não foi possível criar a pasta da demonstração %1.")
                            .arg(m_setup.folder));
    const bool kept = !createDatabaseOnce();
    writeProgramFolderToRegistry(registryFile(), m_setup.programFolder);
    // A database kept from an earlier version of the demo may be what the server refuses,
    // or may have nobody to log in as: starting afresh is the way out.
    const auto orStartAfresh = [&](const auto& step) {
        try {
            step();
        } catch (const Exception& e) {
            if (!kept)
                throw;
            throw Exception(QStringLiteral("%1\n\nPara recomeçar a demonstração com os dados "
                                           "originais, apague a pasta %2.")
                                .arg(e.message(), QDir::toNativeSeparators(m_setup.folder)));
        }
    };
    orStartAfresh(
        [&] { m_server.start(m_setup.serverExecutable, databaseFile(), m_setup.timeoutMs); });
    // The clerk's work goes on if the server dies: the next call reconnects to the new one.
    m_server.keepRunning();
    openSuiteDatabase(QStringLiteral("QSQLITE"), databaseFile());

    session.webUrl = m_server.host();
    session.webPort = m_server.port();
    // The demo's server runs on this machine: plain TCP on the loopback address.
    session.tlsCaFile.clear();
    session.tlsFingerprint.clear();
    // The demo user with rights on both demo branches, made by the server's --init-demo.
    session.login = QString::fromLatin1(server::DemoUserBothBranches.login);
    session.password = QString::fromLatin1(server::DemoUserBothBranches.password);
    orStartAfresh([&] { logInToServer(session, m_setup.timeoutMs); });
    session.programFolder = m_setup.programFolder;
    session.registryFile = registryFile();
    session.dataProc = suiteProcessingDate;
}

namespace {

const QStringList& sqliteCompanions() {
    static const QStringList suffixes{QStringLiteral("-wal"), QStringLiteral("-shm"),
                                      QStringLiteral("-journal")};
    return suffixes;
}

void removeWithCompanions(const QString& file) {
    QFile::remove(file);
    for (const QString& suffix : sqliteCompanions())
        QFile::remove(file + suffix);
}

// Opens and closes the file once: SQLite folds a write-ahead log left beside it back
// into the file on the last close, so the file alone holds the whole database.
void foldWriteAheadLog(const QString& file) {
    const QString connection = QStringLiteral("apurfat-demo-build");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        if (db.open())
            QSqlQuery(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"), db);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace

bool DemoEnvironment::createDatabaseOnce() {
    const QString target = databaseFile();
    if (QFile::exists(target))
        return false;
    // Built under another name and renamed when complete: an interrupted first start
    // must not leave a half-made database that later starts take for the demo's.
    const QString building = target + QStringLiteral(".building");
    removeWithCompanions(building);
    runServerCommand(m_setup.serverExecutable,
                     {QStringLiteral("--init-demo"), QStringLiteral("--db"), building},
                     m_setup.timeoutMs);
    foldWriteAheadLog(building);
    removeWithCompanions(target);
    if (!QFile::rename(building, target))
        throw Exception(
            QStringLiteral("Não foi possível preparar o banco de demonstração %1.").arg(target));
    return true;
}

QString defaultDemoFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("demo"));
}

void writeProgramFolderToRegistry(const QString& registryFile, const QString& programFolder) {
    // Written by hand in the registry file's literal layout: QSettings' own writer would
    // escape the key's backslashes in the section name and double any in the value.
    QString folder = QDir::toNativeSeparators(programFolder);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    const QString text =
        QStringLiteral("; HKEY_LOCAL_MACHINE of the demo, written by apurfat-host\n"
                       "[%1]\n%2=%3\n")
            .arg(QString::fromLatin1(ProgramFolderRegistryKey),
                 QString::fromLatin1(ProgramFolderRegistryValue), folder);
    QSaveFile file(registryFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text.toUtf8()) < 0 ||
        !file.commit())
        throw Exception(QStringLiteral("Não foi possível gravar o registro %1: %2")
                            .arg(registryFile, file.errorString()));
}
