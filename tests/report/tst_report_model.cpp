// The report's figures: stored values become whole units once and are summed only as
// such, shown the pt-BR way, grouped by NF with the lines without NF last, and filed as a
// CSV a spreadsheet reads back to the same numbers.

#include "report_payload.h"

#include "contracts/host_framework.h"
#include "report/report_amounts.h"
#include "report/report_csv.h"
#include "report/report_model.h"

#include <QTest>

using namespace report;

namespace {

const QList<ItemRow> kItems{
    {"", "00001", "Desjejum", "DESJ", 3.333, 31.5, 104.99},
    {"002", "00002", "Almoço", "ALMO", 20.0, 4, 80},
    {"001", "00002", "Almoço", "ALMO", 20.0, 27.5, 550},
    {"001", "00003", "Jantar", "JANT", 18.5, 31.5, 582.75},
};

} // namespace

class TestReportModel : public QObject {
    Q_OBJECT

private slots:
    void amountsReadTheBrazilianWay_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("quantity") << "quantity" << 1234.5 << "1.234,500";
        QTest::newRow("small quantity") << "quantity" << 0.004 << "0,004";
        QTest::newRow("million") << "money" << 1234567.89 << "R$ 1.234.567,89";
        QTest::newRow("cents only") << "money" << 0.07 << "R$ 0,07";
        QTest::newRow("stored just below a cent") << "money" << 66.659999999 << "R$ 66,66";
        QTest::newRow("negative") << "money" << -1.5 << "-R$ 1,50";
        QTest::newRow("whole price") << "price" << 20.0 << "R$ 20,00";
        QTest::newRow("price beyond cents") << "price" << 3.333 << "R$ 3,333";
    }

    void amountsReadTheBrazilianWay() {
        QFETCH(QString, kind);
        QFETCH(double, stored);
        QFETCH(QString, text);
        if (kind == "quantity")
            QCOMPARE(quantityText(toUnits(stored, kQuantityDecimals)), text);
        else if (kind == "money")
            QCOMPARE(moneyText(toUnits(stored, kMoneyDecimals)), text);
        else
            QCOMPARE(priceText(toUnits(stored, kPriceDecimals)), text);
    }

    void tenThousandLinesOfTenCentsSumToTheCent() {
        // Summed as doubles, 0.1 ten thousand times is 1000.0000000001588; in cents it is
        // exactly 100000.
        QList<ItemRow> items;
        for (int i = 0; i < 10000; ++i)
            items.append({"001", QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')), "S", "P",
                          0.1, 1, 0.1});
        const CalculationReport r = reportFromPayload(reportPayload(items));
        QCOMPARE(r.amount, qint64(100000));
        QCOMPARE(moneyText(r.amount), QStringLiteral("R$ 1.000,00"));
        QCOMPARE(r.sections.first().amount, r.amount);
    }

    void linesAreGroupedByNfWithTheLinesWithoutNfLast() {
        const CalculationReport r = reportFromPayload(reportPayload(kItems));
        QCOMPARE(r.header.branchText(), QStringLiteral("0001 - Matriz São Paulo"));
        QCOMPARE(r.header.registrationText(), QStringLiteral("11.222.333/0001-81"));
        QCOMPARE(r.header.periodText(), QStringLiteral("01/03/2026 a 31/03/2026"));
        QCOMPARE(r.header.calculatedAtText(), QStringLiteral("10/03/2026 14:05"));
        QCOMPARE(r.header.processingBranchText(), QStringLiteral("0002 - Filial Campinas"));
        QCOMPARE(r.header.stateText(), QStringLiteral("Aberta"));

        QStringList titles;
        for (const NfSection& s : r.sections)
            titles << s.title();
        QCOMPARE(titles, QStringList({"NF 001", "NF 002", "Sem NF"}));
        QCOMPARE(r.sections[0].lines.size(), 2);
        QCOMPARE(r.sections[0].lines[1].serviceText(), QStringLiteral("00003 - Jantar"));
        QCOMPARE(r.sections[0].amount, qint64(113275));
        QCOMPARE(r.sections[0].quantity, qint64(59000));
        QCOMPARE(r.sections[2].lines[0].price, qint64(33330));
        QCOMPARE(r.amount, qint64(131774));
        QCOMPARE(r.lineCount(), 4);
    }

    void nothingToReportIsAnErrorInWords_data() {
        QTest::addColumn<QVariant>("payload");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no lines") << QVariant(reportPayload({})) << "não tem itens calculados";
        QTest::newRow("not a map") << QVariant(QStringLiteral("x")) << "ilegível";
        QVariantMap noHeader = reportPayload(kItems);
        noHeader.remove("header");
        QTest::newRow("no header") << QVariant(noHeader) << "ilegível";
        QVariantMap broken = reportPayload(kItems);
        broken["items"] = QVariantMap{{"fields", 3}};
        QTest::newRow("broken lines") << QVariant(broken) << "ilegível";
    }

    void nothingToReportIsAnErrorInWords() {
        QFETCH(QVariant, payload);
        QFETCH(QString, expected);
        QString error;
        try {
            reportFromPayload(payload);
        } catch (const Exception& e) {
            error = e.message();
        }
        QVERIFY2(error.contains(expected), qPrintable(error));
    }

    void theCsvReadsBackToTheSameNumbers() {
        const CalculationReport r = reportFromPayload(reportPayload(kItems));
        const QByteArray csv = reportCsv(r);
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(csv.mid(3)).split("\r\n");
        QCOMPARE(lines.at(1), QStringLiteral("Filial;0001 - Matriz São Paulo"));
        QCOMPARE(lines.at(2), QStringLiteral("Cliente;11.222.333/0001-81;Beta Indústria"));
        const int table = int(lines.indexOf(
            "NF;Serviço;Descrição;Produto;Quantidade;Preço unitário (R$);Valor (R$)"));
        QVERIFY(table > 0);
        QCOMPARE(lines.mid(table + 1, 5),
                 QStringList({"NF 001;00002;Almoço;ALMO;27,500;20,00;550,00",
                              "NF 001;00003;Jantar;JANT;31,500;18,50;582,75",
                              "NF 002;00002;Almoço;ALMO;4,000;20,00;80,00",
                              "Sem NF;00001;Desjejum;DESJ;31,500;3,333;104,99", ""}));
        QCOMPARE(
            lines.mid(table + 6, 4),
            QStringList({"Subtotal NF 001;;;;59,000;;1132,75", "Subtotal NF 002;;;;4,000;;80,00",
                         "Subtotal Sem NF;;;;31,500;;104,99", "Total geral;;;;94,500;;1317,74"}));
    }

    void csvCellsFromTheDatabaseStayText() {
        // A name that a spreadsheet would run as a formula, or that would break the columns.
        const CalculationReport r = reportFromPayload(
            reportPayload({{"001", "00001", "=HYPERLINK(\"x\";\"y\")", "-P", 1, 1, 1},
                           {"001", "00002", "Café; pão", "P", 1, 1, 1}}));
        const QString csv = QString::fromUtf8(reportCsv(r));
        QVERIFY2(csv.contains("NF 001;00001;\"'=HYPERLINK(\"\"x\"\";\"\"y\"\")\";'-P;1,000"),
                 qPrintable(csv));
        QVERIFY(csv.contains("NF 001;00002;\"Café; pão\";P;"));
    }
};

QTEST_GUILESS_MAIN(TestReportModel)
#include "tst_report_model.moc"
