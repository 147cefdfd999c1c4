// Walks the daily page of the real screen day by day with the Down key, against the real
// application server over loopback: each move runs the check of the day left and loads
// the apportionment of the day reached from the server. Reports the time per move.
//
//   build-release/bin/bench_day_walk [days]
//
// The database is a fresh demonstration database with one service of one client given
// `days` consecutive billed days (1,000 by default), each split in three shares that add up.

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"

#include "contracts/host_framework.h"
#include "framework/components/db_geral.h"
#include "framework/components/focus.h"
#include "framework/session.h"
#include "host/server_process.h"
#include "host/suite_database.h"
#include "server/auth/users.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Answers every dialog at once: a benchmark never waits on a modal.
class QuietUi : public UiServices {
public:
    int messages = 0;
    int MessageDlg(const QString& text, TMsgDlgType, TMsgDlgButtons, int,
                   TMsgDlgButtons = 0) override {
        ++messages;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return mrOk;
    }
    int PickFromList(const LookupList&) override { return -1; }
    void ShowBusy(QWidget*, int) override {}
    void HideBusy() override {}
    int RunModal(QWidget*) override { return mrCancel; }
};

void exec(QSqlQuery& q, const QString& sql, const QVariantList& values = {}) {
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

// `days` billed days of the hospital's supper (0001/1002/00004) before the demonstration's
// own, each with three shares.
QDate addDays(const QString& file, int days) {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-setup");
    db.setDatabaseName(file);
    if (!db.open())
        qFatal("open %s", qPrintable(file));
    QSqlQuery q(db);
    exec(q, "SELECT min(DTEFETCDRS) FROM EFETCDRS");
    q.next();
    const QDate first = QDate::fromString(q.value(0).toString(), Qt::ISODate).addDays(-days);
    db.transaction();
    for (int i = 0; i < days; ++i) {
        const QString day = first.addDays(i).toString(Qt::ISODate);
        exec(q,
             "INSERT INTO EFETCDRS (CDFILIAL, CDCLIENTE, CDSERVFILI, DTEFETCDRS, QTCOMECDRS, "
             "QTPREVCDRS, "
             "NRAGRUEFET, VRPRECEFET, CDPRODUTO) VALUES ('0001', '1002', '00004', ?, 120, 120, '', "
             "9.6, 'CEIA')",
             {day});
        for (const auto& [seq, quantity] :
             {std::pair{"0001", 60.0}, std::pair{"0002", 40.0}, std::pair{"0003", 20.0}})
            exec(q,
                 "INSERT INTO EFETRATCDRS (CDFILIAL, CDCLIENTE, CDSERVFILI, DTRATCDRS, NRSEQITRAT, "
                 "QTDERATEIO, "
                 "CDPRODUTO, NRAGREFRAT, DSOBSRATE, VRPRECRATE) VALUES ('0001', '1002', '00004', "
                 "?, ?, ?, "
                 "'CEIA', '001', 'Plantão', 9.6)",
                 {day, QString(seq), quantity});
    }
    db.commit();
    db.close();
    return first;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5))];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int days = argc > 1 ? std::max(2, std::atoi(argv[1])) : 1000;
    QuietUi ui;
    SetUi(&ui);

    QTemporaryDir dir;
    const QString file = dir.filePath("bench.sqlite");
    const QString serverExe = QCoreApplication::applicationDirPath() + "/apurfat-server";
    runServerCommand(serverExe, {"--init-demo", "--db", file}, 60000);
    const QDate first = addDays(file, days);
    ServerProcess server;
    server.start(serverExe, file, 60000);
    openSuiteDatabase("QSQLITE", file);

    HostSession& session = hostSession();
    session.filiProc = session.filiProcFat = "0001";
    session.webUrl = server.host();
    session.webPort = server.port();
    session.login = QString::fromLatin1(server::DemoUserBothBranches.login);
    session.password = QString::fromLatin1(server::DemoUserBothBranches.password);
    session.registryFile = dir.filePath("registry.ini");
    session.dataProc = suiteProcessingDate;

    IniProc();
    TfrmApurFatTR* s = frmApurFatTR;
    s->activateWindow();
    if (!QTest::qWaitForWindowActive(s))
        qFatal("the screen did not become active");
    s->medCdFilial->SetText("0001");
    QSqlQuery registration("SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = '1002'",
                           dtmDBGeral::Database());
    s->medCdCliente->SetText(registration.next() ? registration.value(0).toString() : QString());
    s->depDtInicial->SetDate(QDateTime(first, QTime(0, 0), Qt::UTC));
    s->depDtFinal->SetDate(QDateTime(first.addDays(days - 1), QTime(0, 0), Qt::UTC));
    SetFocus(s->dbgPadrao);
    if (!s->cdsServEfet.Locate("CDSERVFILI", "00004"))
        qFatal("the service list did not load");
    s->mnuFormularioClick(s->mnuFormulario);
    SetFocus(s->dbgEfetivos);
    if (s->cdsEfetivos.RecordCount() != days)
        qFatal("expected %d days, got %d", days, s->cdsEfetivos.RecordCount());

    std::vector<double> moves;
    moves.reserve(size_t(days));
    QElapsedTimer timer;
    for (int i = 1; i < days; ++i) {
        timer.start();
        QTest::keyClick(s->dbgEfetivos, Qt::Key_Down);
        moves.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    if (s->cdsEfetivos.RecNo() != days || s->cdsRateio.RecordCount() != 3 || ui.messages != 0)
        qFatal("the walk did not reach the last day with its three shares");
    std::printf("day walk: %d moves, median %.3f ms, p90 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                int(moves.size()), percentile(moves, 0.5), percentile(moves, 0.9),
                percentile(moves, 0.99), *std::max_element(moves.begin(), moves.end()));
    s->OnCloseQuery = nullptr;
    s->Close();
    SetUi(nullptr);
    return 0;
}
