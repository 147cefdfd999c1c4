// The calculation end to end: the clerk is stopped while a day does not add up, fixes its
// split through the real grid, runs the calculation in the real dialog, and the database's
// results equal what the test computes from the billed days and their shares; a second
// run recalculates the same calculation in place.

#include "real_server_screen.h"

#include "screens/apuracao/cli_rqx52000.h"
#include "screens/apuracao/frm_apur_fat_tr.h"
#include "screens/calculo/cli_rqx52100.h"
#include "screens/calculo/frm_gera_calc_apur.h"

#include "framework/components/focus.h"
#include "framework/data/text_format.h"

#include <QApplication>
#include <QMap>
#include <QTest>

#include <cmath>
#include <tuple>

namespace {

const QString kCalcCanc =
    "Existem rateios com quantidades diferentes do total de comensais faturados do dia.";

double round(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// What the hospital's last month bills, computed from the days and their shares: per NF,
// service, product and price, the quantity and the amount to the cent.
QStringList expectedItems(const RealServerScreen& e, const QDate& from, const QDate& to) {
    using Key = std::tuple<QString, QString, QString, double>;
    QMap<Key, double> quantities;
    const QVariantList period{from.toString(Qt::ISODate), to.toString(Qt::ISODate)};
    for (const QString& row :
         e.rows("SELECT e.NRAGRUEFET, e.CDSERVFILI, e.CDPRODUTO, e.VRPRECEFET, e.QTCOMECDRS "
                "FROM EFETCDRS e WHERE e.CDFILIAL = '0001' AND e.CDCLIENTE = '1002' AND "
                "e.DTEFETCDRS BETWEEN ? AND ? AND NOT EXISTS (SELECT 1 FROM EFETRATCDRS r "
                "WHERE r.CDFILIAL = e.CDFILIAL AND r.CDCLIENTE = e.CDCLIENTE AND "
                "r.CDSERVFILI = e.CDSERVFILI AND r.DTRATCDRS = e.DTEFETCDRS)",
                period)) {
        const QStringList v = row.split('|');
        quantities[{v[0], v[1], v[2], v[3].toDouble()}] += v[4].toDouble();
    }
    for (const QString& row :
         e.rows("SELECT CASE WHEN r.NRAGREFRAT = '' THEN e.NRAGRUEFET ELSE r.NRAGREFRAT END, "
                "r.CDSERVFILI, r.CDPRODUTO, r.VRPRECRATE, r.QTDERATEIO FROM EFETRATCDRS r "
                "JOIN EFETCDRS e ON e.CDFILIAL = r.CDFILIAL AND e.CDCLIENTE = r.CDCLIENTE AND "
                "e.CDSERVFILI = r.CDSERVFILI AND e.DTEFETCDRS = r.DTRATCDRS WHERE "
                "r.CDFILIAL = '0001' AND r.CDCLIENTE = '1002' AND r.DTRATCDRS BETWEEN ? AND ?",
                period)) {
        const QStringList v = row.split('|');
        quantities[{v[0], v[1], v[2], v[3].toDouble()}] += v[4].toDouble();
    }
    QStringList out;
    for (auto it = quantities.cbegin(); it != quantities.cend(); ++it) {
        const auto& [nf, service, product, price] = it.key();
        const double quantity = round(it.value(), 3);
        out << QString("%1 %2 %3 %4 %5 %6")
                   .arg(nf, service, product)
                   .arg(price)
                   .arg(quantity)
                   .arg(round(quantity * price, 2));
    }
    out.sort();
    return out;
}

QStringList storedItems(const RealServerScreen& e, const QString& number) {
    QStringList out;
    for (const QString& row :
         e.rows("SELECT NRAGRUEFET, CDSERVFILI, CDPRODUTO, VRPRECO, QTFATURADA, VRFATURADO "
                "FROM ITAPURFAT WHERE CDFILIAL = '0001' AND NRAPURACFAT = ?",
                {number})) {
        const QStringList v = row.split('|');
        out << QString("%1 %2 %3 %4 %5 %6")
                   .arg(v[0], v[1], v[2])
                   .arg(v[3].toDouble())
                   .arg(v[4].toDouble())
                   .arg(v[5].toDouble());
    }
    out.sort();
    return out;
}

} // namespace

class TstEndToEndCalculation : public QObject {
    Q_OBJECT
private slots:
    void theClerksCalculationEqualsTheDaysAndShares();
};

void TstEndToEndCalculation::theClerksCalculationEqualsTheDaysAndShares() {
    RealServerScreen e;
    TfrmApurFatTR* s = e.open();
    QVERIFY(s);
    const QDate from = RealServerScreen::lastMonthFirst(), to = RealServerScreen::lastMonthLast();
    e.typeFilter("1", "1002", from, to);

    // A dinner split in thirds to the thousandth does not add up to the cent: refused.
    e.click(s->sbtApurar);
    QCOMPARE(e.ui.texts(), QStringList{kCalcCanc});
    QVERIFY(e.ui.modalForms.isEmpty());

    // The clerk fixes the third share of that day.
    const QDate thirds =
        QDate::fromString(e.scalar("SELECT DTRATCDRS FROM EFETRATCDRS WHERE CDCLIENTE = '1002' AND "
                                   "CDSERVFILI = '00003' AND "
                                   "DTRATCDRS BETWEEN ? AND ? LIMIT 1",
                                   {from.toString(Qt::ISODate), to.toString(Qt::ISODate)})
                              .toString(),
                          Qt::ISODate);
    QVERIFY(s->cdsServEfet.Locate("CDSERVFILI", "00003"));
    e.clickCell(s->dbgPadrao, s->cdsServEfet.RecNo() - 1, 0);
    QTest::mouseClick(s->pgcPadrao->tabBar(), Qt::LeftButton, {},
                      s->pgcPadrao->tabBar()->tabRect(1).center());
    int dayRow = -1;
    for (int r = 0; r < s->cdsEfetivos.DisplayRowCount(); ++r)
        s->cdsEfetivos.WithRow(r, [&] {
            if (s->cdsEfetivos.FieldByName("DTEFETCDRS").AsDateTime().date() == thirds)
                dayRow = r;
        });
    QVERIFY(dayRow >= 0);
    e.clickCell(s->dbgEfetivos, dayRow, 0);
    QCOMPARE(s->cdsEfetivos.FieldByName("DTEFETCDRS").AsDateTime().date(), thirds);
    QCOMPARE(s->cdsRateio.RecordCount(), 3);
    const double billed = s->cdsEfetivos.FieldByName("QTCOMECDRS").AsFloat();
    double others = 0;
    for (int r = 0; r < 2; ++r)
        s->cdsRateio.WithRow(
            r, [&] { others += round(s->cdsRateio.FieldByName("QTDERATEIO").AsFloat(), 2); });
    e.clickCell(s->dbgRateio, 2, 0);
    e.click(s->sbtAlterar);
    RealServerScreen::keys(textformat::floatToStr(round(billed - others, 2)));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    e.ui.clear();
    e.click(s->sbtConfirmar);
    QVERIFY2(e.ui.messages.isEmpty(), qPrintable(e.ui.texts().join('\n')));
    QVERIFY(s->lblSaldoRateio->text().endsWith("conferido"));

    // The dialog proposes the client's last calculation; the clerk asks for last month.
    int runs = 0;
    QString firstNumber;
    e.ui.onModal = [&](QWidget* form) {
        auto* d = static_cast<TfrmGeraCalcApur*>(form);
        d->show();
        d->activateWindow();
        if (!QTest::qWaitForWindowActive(d))
            qWarning("the dialog did not become active");
        e.type(d->depDataInicial, from.toString("ddMMyyyy"));
        e.type(d->depDataFinal, to.toString("ddMMyyyy"));
        for (; runs < 2; ++runs) {
            e.click(d->sbtConfirma);
            if (runs == 0)
                firstNumber = stNrApuracao;
        }
        d->Close();
        return int(mrOk);
    };
    const int calculationsBefore =
        e.scalar("SELECT count(*) FROM CTRLAPURFAT WHERE CDFILIAL = '0001' AND CDCLIENTE = '1002'")
            .toInt();
    e.click(s->sbtApurar);
    QCOMPARE(e.ui.modalForms, QList<QString>{"frmGeraCalcApur"});
    QCOMPARE(e.ui.texts(), (QStringList{"A apuração foi realizada com sucesso.",
                                        "A apuração foi realizada com sucesso."}));
    QVERIFY(!firstNumber.isEmpty());
    QCOMPARE(stNrApuracao, firstNumber); // the second run recalculated the same number

    QCOMPARE(
        e.scalar("SELECT count(*) FROM CTRLAPURFAT WHERE CDFILIAL = '0001' AND CDCLIENTE = '1002'")
            .toInt(),
        calculationsBefore + 1);
    QCOMPARE(
        e.rows("SELECT DTINIAPURAC, DTFIMAPURAC, IDBLOQUEADO, CDFILIPROC FROM CTRLAPURFAT WHERE "
               "CDFILIAL = '0001' AND NRAPURACFAT = ?",
               {firstNumber}),
        QStringList{
            QString("%1|%2|N|0001").arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate))});
    const QStringList expected = expectedItems(e, from, to);
    QVERIFY(expected.size() >= 4);
    QCOMPARE(storedItems(e, firstNumber), expected);
    QCOMPARE(
        e.scalar("SELECT count(*) FROM EFETCDRS WHERE CDFILIAL = '0001' AND CDCLIENTE = '1002' AND "
                 "DTEFETCDRS BETWEEN ? AND ? AND NRAPURACFAT IS DISTINCT FROM ?",
                 {from.toString(Qt::ISODate), to.toString(Qt::ISODate), firstNumber})
            .toInt(),
        0);

    // The verification shows the server's marks afresh.
    e.click(s->sbtVerificar);
    QCOMPARE(s->cdsEfetivos.FieldByName("NRAPURACFAT").AsString(), firstNumber);
}

QTEST_MAIN(TstEndToEndCalculation)
#include "tst_end_to_end_calculation.moc"
