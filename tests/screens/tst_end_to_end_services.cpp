// The services' NF end to end: typed into the real grid, it is stored on the contract and
// on the period's billed days, and nowhere else.

#include "real_server_screen.h"

#include "screens/apuracao/frm_apur_fat_tr.h"

#include <QTest>

class TstEndToEndServices : public QObject {
    Q_OBJECT
private slots:
    void anNfTypedInTheGridIsStoredOnTheContractAndThePeriodsDays();
};

void TstEndToEndServices::anNfTypedInTheGridIsStoredOnTheContractAndThePeriodsDays() {
    RealServerScreen e;
    TfrmApurFatTR* s = e.open();
    QVERIFY(s);
    const QDate from = RealServerScreen::lastMonthFirst(), to = RealServerScreen::lastMonthLast();
    e.typeFilter("1", "1002", from, to);
    QVERIFY(e.ui.messages.isEmpty());
    // Supper ("Ceia", 00004) has no NF yet.
    QVERIFY(s->cdsServEfet.Locate("CDSERVFILI", "00004"));
    const int row = s->cdsServEfet.RecNo() - 1;
    QCOMPARE(s->cdsServEfet.FieldByName("NRAGRUEFET").AsString(), QString());
    const QString daysOutside =
        "SELECT count(*) FROM EFETCDRS WHERE CDFILIAL = '0001' AND CDCLIENTE = '1002' "
        "AND CDSERVFILI = '00004' AND NRAGRUEFET = '' AND DTEFETCDRS NOT BETWEEN ? AND ?";
    const int untouched =
        e.scalar(daysOutside, {from.toString(Qt::ISODate), to.toString(Qt::ISODate)}).toInt();
    QVERIFY(untouched > 0);

    e.clickCell(s->dbgPadrao, row, 2);
    QTest::keyClick(s->dbgPadrao->viewport(), Qt::Key_7);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(s->dbgPadrao, Qt::Key_Up); // leaving the row posts it
    QVERIFY(e.ui.messages.isEmpty());
    QCOMPARE(s->cdsServEfet.State(), dsBrowse);

    QCOMPARE(
        e.scalar("SELECT NRAGRUEFET FROM SERVCLIE WHERE CDFILIAL = '0001' AND CDCLIENTE = '1002' "
                 "AND CDSERVFILI = '00004'")
            .toString(),
        QString("007"));
    QCOMPARE(e.rows("SELECT DISTINCT NRAGRUEFET FROM EFETCDRS WHERE CDFILIAL = '0001' AND "
                    "CDCLIENTE = '1002' "
                    "AND CDSERVFILI = '00004' AND DTEFETCDRS BETWEEN ? AND ?",
                    {from.toString(Qt::ISODate), to.toString(Qt::ISODate)}),
             QStringList{"007"});
    QCOMPARE(e.scalar(daysOutside, {from.toString(Qt::ISODate), to.toString(Qt::ISODate)}).toInt(),
             untouched);
}

QTEST_MAIN(TstEndToEndServices)
#include "tst_end_to_end_services.moc"
