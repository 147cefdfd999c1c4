// The filter end to end: a clerk types branch, client and period into the real screen,
// against the real server on a fresh demonstration database, and sees the services the
// database holds; the work table the server keeps for the screen lives until it closes.

#include "real_server_screen.h"

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/components/focus.h"

#include <QTest>

class TstEndToEndFilter : public QObject {
    Q_OBJECT
private slots:
    void theClerksFilterListsTheDatabasesServices();
};

void TstEndToEndFilter::theClerksFilterListsTheDatabasesServices() {
    RealServerScreen e;
    TfrmApurFatTR* s = e.open();
    QVERIFY(s);

    // The hospital's services of last month, as the database holds them.
    const QDate thisMonth(QDate::currentDate().year(), QDate::currentDate().month(), 1);
    const QDate from = thisMonth.addMonths(-1), to = thisMonth.addDays(-1);
    const QString registration =
        e.scalar("SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = '1002'").toString();
    const QStringList services = e.rows(
        "SELECT sc.CDSERVFILI, sf.NMSERVICO, sc.NRAGRUEFET FROM SERVCLIE sc JOIN SERVFILI sf "
        "ON sf.CDFILIAL = sc.CDFILIAL AND sf.CDSERVFILI = sc.CDSERVFILI WHERE sc.CDFILIAL = '0001' "
        "AND sc.CDCLIENTE = '1002' AND EXISTS (SELECT 1 FROM EFETCDRS e WHERE e.CDFILIAL = "
        "sc.CDFILIAL AND e.CDCLIENTE = sc.CDCLIENTE AND e.CDSERVFILI = sc.CDSERVFILI AND "
        "e.DTEFETCDRS BETWEEN ? AND ?) ORDER BY sc.CDSERVFILI",
        {from.toString(Qt::ISODate), to.toString(Qt::ISODate)});
    QVERIFY(services.size() >= 3);

    // The branch query on the suite's database, in the dialect of its driver: the lookup of
    // every branch (the parameter cleared), then a code that is not there.
    e.ui.picks = {1};
    s->btpFilial->Click();
    QCOMPARE(e.ui.lists.value(0).rows,
             (QList<QStringList>{{"0001", "Matriz São Paulo"}, {"0002", "Filial Campinas"}}));
    QCOMPARE(s->edtNmFilial->text(), QString("Filial Campinas"));
    e.type(s->medCdFilial, "9");
    QCOMPARE(e.ui.lastText(), QString("Filial não cadastrada."));
    e.ui.clear();

    // Typed as a clerk types them: a short branch code in lower case, the registration
    // number with its punctuation, the dates digit by digit.
    e.type(s->medCdFilial, "1");
    QCOMPARE(s->medCdFilial->Text(), QString("0001"));
    QCOMPARE(s->edtNmFilial->text(), QString("Matriz São Paulo"));
    const QString punctuated =
        QString("%1.%2.%3/%4-%5")
            .arg(registration.mid(0, 2), registration.mid(2, 3), registration.mid(5, 3),
                 registration.mid(8, 4), registration.mid(12, 2));
    e.type(s->medCdCliente, punctuated);
    QCOMPARE(s->edtNmCliente->text(), QString("Hospital Santa Clara S/A"));
    QCOMPARE(s->medCdCliente->displayText(), punctuated);
    e.type(s->depDtInicial, from.toString("ddMMyyyy"), Qt::Key_Return);
    e.type(s->depDtFinal, to.toString("ddMMyyyy"));
    QVERIFY(e.ui.messages.isEmpty());
    QCOMPARE(ActiveControl(s), s->pgcPadrao); // Tab goes on to the page control's tabs

    // The grid shows the database's services, the NF as stored.
    QAbstractItemModel* grid = s->dbgPadrao->model();
    QStringList shown;
    for (int r = 0; r < grid->rowCount(); ++r)
        shown << QStringList{grid->index(r, 0).data().toString(),
                             grid->index(r, 1).data().toString(),
                             grid->index(r, 2).data().toString()}
                     .join('|');
    QCOMPARE(shown, services);
    QVERIFY(s->sbtAlterar->isEnabled());
    QVERIFY(s->tshFormulario->Enabled());

    // The server keeps the listed services under the screen's work number until it closes.
    const QString workNumber = s->cdsNrPrx.FieldByName("APUFAT").AsString();
    QVERIFY(workNumber.startsWith("0001"));
    const QString kept =
        "SELECT CDSERVFILI, NMSERVICO, NRAGRUEFET FROM RELAPURFAT WHERE CDFILIAL = '0001' "
        "AND NRRELAPURFAT = ? AND CDCLIENTE = '1002' ORDER BY CDSERVFILI";
    QCOMPARE(e.rows(kept, {workNumber}), services);
    QVERIFY(e.closeByButton());
    QCOMPARE(e.rows(kept, {workNumber}), QStringList());
    QVERIFY(e.ui.messages.isEmpty());
}

QTEST_MAIN(TstEndToEndFilter)
#include "tst_end_to_end_filter.moc"
