#include "screen_fixture.h"

#include "framework/components/db_geral.h"
#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTest>

namespace {
void exec(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        qFatal("fixture SQL failed: %s", qPrintable(sql));
}
} // namespace

ScreenFixture::ScreenFixture() : m_savedSession(hostSession()) {
    const QString db = dir.filePath(QStringLiteral("suite.db"));
    QString error;
    if (!dtmDBGeral::Open(QStringLiteral("QSQLITE"), db, &error))
        qFatal("suite database: %s", qPrintable(error));
    QSqlQuery q(dtmDBGeral::Database());
    exec(q, QStringLiteral(
                "CREATE TABLE FILIAL (CDFILIAL TEXT PRIMARY KEY, NMFILIAL TEXT, DTPROC TEXT)"));
    exec(q, QStringLiteral("INSERT INTO FILIAL VALUES ('0001', 'Filial Centro', '2026-11-30'), "
                           "('0002', 'Filial Norte', NULL)"));

    HostSession& s = hostSession();
    s.filiProc = QStringLiteral("0001");
    s.nomeFiliProc = QStringLiteral("Centro (sessão)");
    s.filiProcFat = QStringLiteral("0002");
    s.nomeFiliProcFat = QStringLiteral("Norte (sessão)");
    s.moduFili = false;
    s.webUrl = QStringLiteral("apurfat.local");
    s.webPort = 5123;
    s.registryFile = dir.filePath(QStringLiteral("registry.ini"));
    s.dataProc = [](const QString& branch) {
        return branch == QLatin1String("0001")
                   ? QDateTime(QDate(2026, 11, 30), QTime(0, 0), Qt::UTC)
                   : QDateTime();
    };
    s.appServer = &server;
    setProgramFolderValue(QString());
}

ScreenFixture::~ScreenFixture() {
    if (boStCriado && frmApurFatTR) {
        // Whatever a case left open, the next case starts from a new screen.
        frmApurFatTR->OnCloseQuery = nullptr;
        server.answer(QString::fromLatin1(ServerMethod::DelTableRelApur), QVariant());
        close();
    }
    dtmDBGeral::Close();
    hostSession() = m_savedSession;
}

void ScreenFixture::setProgramFolderValue(const QString& value) {
    QFile file(hostSession().registryFile);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (!value.isNull())
        file.write(QStringLiteral(
                       "[SOFTWARE\\CORVANA\\Sistemas Integrados Corvana\\WebSrv]\nExeFileDir=%1\n")
                       .arg(value)
                       .toUtf8());
}

QString ScreenFixture::folder(const QString& name) const {
    QDir(dir.path()).mkpath(name);
    return dir.filePath(name);
}

void ScreenFixture::installReportPackage(const QString& folder) {
    QFile file(QDir(folder).filePath(QStringLiteral("Pkg_Rqx30700.bpl")));
    file.open(QIODevice::WriteOnly);
    file.write("package");
}

TfrmApurFatTR* ScreenFixture::open() {
    IniProc();
    if (!frmApurFatTR)
        return nullptr;
    frmApurFatTR->activateWindow();
    if (!QTest::qWaitForWindowActive(frmApurFatTR))
        qWarning("the screen did not become active");
    return frmApurFatTR;
}

bool ScreenFixture::close() {
    QPointer<TfrmApurFatTR> screen = frmApurFatTR;
    if (!screen)
        return true;
    screen->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return screen.isNull();
}
