#include "apportionment_steps.h"

#include "real_server_screen.h"

#include "screens/apuracao/frm_apur_fat_tr.h"

#include <QApplication>
#include <QTest>

QStringList gridRows(TfrmApurFatTR* s) {
    QStringList out;
    for (int r = 0; r < s->cdsRateio.DisplayRowCount(); ++r)
        s->cdsRateio.WithRow(r, [&] {
            out << QString("%1 %2 %3 %4")
                       .arg(s->cdsRateio.FieldByName("NRSEQITRAT").AsString(),
                            s->cdsRateio.FieldByName("NRAGREFRAT").AsString())
                       .arg(s->cdsRateio.FieldByName("QTDERATEIO").AsFloat())
                       .arg(s->cdsRateio.FieldByName("DSOBSRATE").AsString());
        });
    out.sort();
    return out;
}

QStringList storedRows(const RealServerScreen& e, const QString& service, const QDate& day) {
    QStringList out;
    for (const QString& row :
         e.rows("SELECT NRSEQITRAT, NRAGREFRAT, QTDERATEIO, DSOBSRATE FROM EFETRATCDRS "
                "WHERE CDFILIAL = '0001' AND CDCLIENTE = '1002' AND CDSERVFILI = ? AND "
                "DTRATCDRS = ? ORDER BY NRSEQITRAT",
                {service, day.toString(Qt::ISODate)})) {
        const QStringList v = row.split('|');
        out << QString("%1 %2 %3 %4").arg(v[0], v[1]).arg(v[2].toDouble()).arg(v[3]);
    }
    out.sort();
    return out;
}

void openDailyPage(RealServerScreen& e, const QString& service) {
    TfrmApurFatTR* s = e.s;
    e.typeFilter("1", "1002", RealServerScreen::lastMonthFirst(),
                 RealServerScreen::lastMonthLast());
    QVERIFY(s->cdsServEfet.Locate("CDSERVFILI", service));
    e.clickCell(s->dbgPadrao, s->cdsServEfet.RecNo() - 1, 0);
    QTest::mouseClick(s->pgcPadrao->tabBar(), Qt::LeftButton, {},
                      s->pgcPadrao->tabBar()->tabRect(1).center());
    QCOMPARE(s->pgcPadrao->ActivePage(), s->tshFormulario);
}

void typeShare(const QString& quantity, const QString& nf, const QString& note) {
    const QStringList cells{quantity, nf, note};
    for (int i = 0; i < cells.size(); ++i) {
        RealServerScreen::keys(cells[i]);
        QTest::keyClick(QApplication::focusWidget(),
                        i + 1 < cells.size() ? Qt::Key_Tab : Qt::Key_Return);
    }
}
