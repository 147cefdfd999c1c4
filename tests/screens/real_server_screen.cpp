#include "real_server_screen.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/db_geral.h"
#include "framework/components/focus.h"
#include "host/demo_environment.h"
#include "host/suite_database.h"
#include "server/auth/users.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

constexpr int kServerTimeoutMs = 30000;

QString serverExecutable() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/apurfat-server");
}

QSqlQuery run(const QString& connection, const QString& sql, const QVariantList& values) {
    QSqlQuery q(QSqlDatabase::database(connection));
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        qFatal("test query failed: %s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q;
}

} // namespace

RealServerScreen::RealServerScreen()
    : m_savedSession(hostSession()), m_connection(QStringLiteral("real-server-test")) {
    runServerCommand(serverExecutable(),
                     {QStringLiteral("--init-demo"), QStringLiteral("--db"), database.address()},
                     kServerTimeoutMs);
    server.start(serverExecutable(), database.address(), kServerTimeoutMs);
    openSuiteDatabase(database.onPostgres() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                      database.address());
    database.connect(m_connection);

    const QString registry =
        QDir(database.folder()).filePath(QStringLiteral("HKEY_LOCAL_MACHINE.ini"));
    writeProgramFolderToRegistry(registry, QCoreApplication::applicationDirPath());
    HostSession session;
    session.filiProc = QStringLiteral("0001");
    session.nomeFiliProc = suiteBranchName(session.filiProc);
    session.filiProcFat = session.filiProc;
    session.nomeFiliProcFat = session.nomeFiliProc;
    session.webUrl = server.host();
    session.webPort = server.port();
    session.login = QString::fromLatin1(server::DemoUserBothBranches.login);
    session.password = QString::fromLatin1(server::DemoUserBothBranches.password);
    session.programFolder = QCoreApplication::applicationDirPath();
    session.registryFile = registry;
    session.dataProc = suiteProcessingDate;
    hostSession() = session;
}

RealServerScreen::~RealServerScreen() {
    if (boStCriado && frmApurFatTR) {
        QPointer<TfrmApurFatTR> screen = frmApurFatTR;
        screen->Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QSqlDatabase::removeDatabase(m_connection);
    dtmDBGeral::Close();
    server.stop();
    hostSession() = m_savedSession;
}

void RealServerScreen::restartServer() {
    const int port = server.port();
    server.stop();
    server.start(serverExecutable(), database.address(), kServerTimeoutMs, port);
}

TfrmApurFatTR* RealServerScreen::open() {
    IniProc();
    s = frmApurFatTR;
    if (!s)
        return nullptr;
    s->activateWindow();
    if (!QTest::qWaitForWindowActive(s))
        qWarning("the screen did not become active");
    return s;
}

bool RealServerScreen::closeByButton() {
    QPointer<TfrmApurFatTR> screen = frmApurFatTR;
    click(screen->sbtFechar);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return screen.isNull();
}

QVariant RealServerScreen::scalar(const QString& sql, const QVariantList& values) const {
    QSqlQuery q = run(m_connection, sql, values);
    return q.next() ? q.value(0) : QVariant();
}

QStringList RealServerScreen::rows(const QString& sql, const QVariantList& values) const {
    QSqlQuery q = run(m_connection, sql, values);
    QStringList out;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i).toString();
        out << row.join(QLatin1Char('|'));
    }
    return out;
}

void RealServerScreen::type(QWidget* edit, const QString& keys, Qt::Key leave) {
    click(edit);
    if (auto* line = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
        line->selectAll();
        QTest::keyClick(line, Qt::Key_Delete);
        line->home(false);
    }
    RealServerScreen::keys(keys);
    QTest::keyClick(QApplication::focusWidget(), leave);
}

void RealServerScreen::keys(const QString& text) {
    for (const QChar c : text)
        QTest::keyClicks(QApplication::focusWidget(), QString(c));
}

void RealServerScreen::click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void RealServerScreen::clickCell(QAbstractItemView* grid, int row, int column) {
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

void RealServerScreen::typeFilter(const QString& branchKeys, const QString& client,
                                  const QDate& from, const QDate& to) {
    type(s->medCdFilial, branchKeys);
    type(s->medCdCliente,
         scalar(QStringLiteral("SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = ?"), {client})
             .toString());
    type(s->depDtInicial, from.toString(QStringLiteral("ddMMyyyy")));
    type(s->depDtFinal, to.toString(QStringLiteral("ddMMyyyy")));
}

QDate RealServerScreen::lastMonthFirst() {
    const QDate today = QDate::currentDate();
    return QDate(today.year(), today.month(), 1).addMonths(-1);
}

QDate RealServerScreen::lastMonthLast() {
    return lastMonthFirst().addMonths(1).addDays(-1);
}
