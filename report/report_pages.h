#pragma once

// The report on paper: A4 portrait pages, the calculation's header repeated at the top of
// every page, "Página i de n" at the foot, and the body laid out row by row so that no
// row is ever split between pages. A section that goes on over a page break repeats its
// title and column titles; its first line never stays alone under its title, its last
// line goes with its subtotal, and the last subtotal with the grand total.

#include <QList>
#include <QRectF>
#include <QString>
#include <QtGlobal>

class QPainter;
class QPaintDevice;
class QPrinter;

namespace report {

struct CalculationReport;

struct PageRow {
    enum Kind { SectionTitle, ColumnTitles, Line, Subtotal, GrandTotal };
    Kind kind;
    int section = -1; // index into the report's sections
    int line = -1;    // index into that section's lines (Line rows)
    bool continued = false;
    qreal top = 0; // within the page's body area
    qreal height = 0;
};

struct ReportPage {
    QList<PageRow> rows;
};

class ReportPageLayout {
public:
    // Lays the report out for `device`, whose paintable area is `page` (device units).
    ReportPageLayout(const CalculationReport& report, const QPaintDevice& device, QRectF page);

    const QList<ReportPage>& pages() const { return m_pages; }
    // The body area of every page: below the header, above the foot.
    QRectF bodyArea() const { return m_body; }

    void paintPage(QPainter& painter, int index) const;

private:
    void paginate();
    void paintHeader(QPainter& painter) const;
    void paintFooter(QPainter& painter, int index) const;
    void paintRow(QPainter& painter, const PageRow& row) const;
    qreal heightOf(PageRow::Kind kind) const;

    const CalculationReport& m_report;
    const QPaintDevice& m_device;
    QRectF m_page, m_body;
    qreal m_unit = 0; // one text line of the body font
    QList<ReportPage> m_pages;
};

// The clerk's message for an export file that cannot be written.
QString cannotWrite(const QString& path);

// A4 portrait with the report's margins.
void setUpReportPage(QPrinter& printer);

// Paints every page of the report on the printer (a PDF file or a real printer). Raises
// Exception when the printer cannot start.
void printReport(const CalculationReport& report, QPrinter& printer);

} // namespace report
