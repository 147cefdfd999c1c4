// The report on A4 pages: every row whole on one page and inside the body, a section that
// goes on over a break repeats its titles, and no title, subtotal or grand total is left
// alone at the top or the foot of a page.

#include "report_payload.h"

#include "report/report_model.h"
#include "report/report_pages.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

using namespace report;

namespace {

// `lines` lines spread over NF 001, 002 … `sections` and the lines without NF.
CalculationReport reportOf(int lines, int sections) {
    QList<ItemRow> items;
    for (int i = 0; i < lines; ++i) {
        const int s = i % sections;
        const QString nf = s == sections - 1 && sections > 1
                               ? QString()
                               : QStringLiteral("%1").arg(s + 1, 3, 10, QLatin1Char('0'));
        items.append({nf, QStringLiteral("%1").arg(i % 7 + 1, 5, 10, QLatin1Char('0')), "Almoço",
                      "ALMO", 10.0 + i / 100.0, 3, (10.0 + i / 100.0) * 3});
    }
    return reportFromPayload(reportPayload(items));
}

} // namespace

class TestReportPages : public QObject {
    Q_OBJECT

private slots:
    void rowsNeverBreakAndTitlesNeverStrand_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("sections");
        QTest::addColumn<int>("minimumPages");
        QTest::newRow("one line") << 1 << 1 << 1;
        QTest::newRow("one page of sections") << 12 << 4 << 1;
        QTest::newRow("a long section") << 120 << 1 << 2;
        QTest::newRow("500 lines in 6 sections") << 500 << 6 << 8;
    }

    void rowsNeverBreakAndTitlesNeverStrand() {
        QFETCH(int, lines);
        QFETCH(int, sections);
        QFETCH(int, minimumPages);
        const CalculationReport report = reportOf(lines, sections);
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("r.pdf"));
        setUpReportPage(printer);
        const QRectF page(QPointF(0, 0),
                          printer.pageLayout().paintRectPixels(printer.resolution()).size());
        const ReportPageLayout layout(report, printer, page);
        QVERIFY(page.contains(layout.bodyArea()));
        QVERIFY(layout.pages().size() >= minimumPages);

        int nextSection = 0, nextLine = 0;
        for (int p = 0; p < layout.pages().size(); ++p) {
            const QList<PageRow>& rows = layout.pages()[p].rows;
            QVERIFY(!rows.isEmpty());
            qreal bottom = 0;
            for (int r = 0; r < rows.size(); ++r) {
                const PageRow& row = rows[r];
                QCOMPARE(row.top, bottom);
                bottom = row.top + row.height;
                QVERIFY2(bottom <= layout.bodyArea().height(),
                         qPrintable(QStringLiteral("page %1 row %2 overflows").arg(p + 1).arg(r)));
                switch (row.kind) {
                case PageRow::SectionTitle:
                    // A title, its column titles and at least one line share a page.
                    QVERIFY(r + 2 < rows.size());
                    QCOMPARE(rows[r + 1].kind, PageRow::ColumnTitles);
                    QCOMPARE(rows[r + 2].kind, PageRow::Line);
                    QCOMPARE(row.continued, nextLine > 0);
                    break;
                case PageRow::Line:
                    // Every line once, in order.
                    QCOMPARE(row.section, nextSection);
                    QCOMPARE(row.line, nextLine++);
                    break;
                case PageRow::Subtotal:
                    QVERIFY(r > 0 && rows[r - 1].kind == PageRow::Line);
                    QCOMPARE(nextLine, int(report.sections[nextSection].lines.size()));
                    ++nextSection;
                    nextLine = 0;
                    break;
                case PageRow::GrandTotal:
                    QCOMPARE(p, layout.pages().size() - 1);
                    QCOMPARE(r, rows.size() - 1);
                    QCOMPARE(rows[r - 1].kind, PageRow::Subtotal);
                    break;
                case PageRow::ColumnTitles:
                    QVERIFY(r > 0 && rows[r - 1].kind == PageRow::SectionTitle);
                    break;
                }
            }
            // A page that begins inside a section begins with its titles again.
            QCOMPARE(rows.first().kind, PageRow::SectionTitle);
        }
        QCOMPARE(nextSection, int(report.sections.size()));
    }
};

QTEST_MAIN(TestReportPages)
#include "tst_report_pages.moc"
