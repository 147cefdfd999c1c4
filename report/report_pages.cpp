#include "report/report_pages.h"

#include "contracts/host_framework.h"
#include "report/report_amounts.h"
#include "report/report_model.h"

#include <QDateTime>
#include <QDir>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

namespace report {
namespace {

QFont reportFont(qreal points, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    // Unshaped, "fi" stays two glyphs instead of one ligature, so that the PDF's text reads
    // back (and is found by a search) as written.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

const QFont& bodyFont() {
    static const QFont font = reportFont(8.5);
    return font;
}

const QFont& boldFont() {
    static const QFont font = reportFont(8.5, true);
    return font;
}

const QFont& titleFont() {
    static const QFont font = reportFont(13, true);
    return font;
}

// The body's columns as fractions of the page width.
struct Column {
    qreal left, right;
    Qt::Alignment alignment;
};
const Column kService{0.0, 0.40, Qt::AlignLeft};
const Column kProduct{0.41, 0.52, Qt::AlignLeft};
const Column kQuantity{0.52, 0.66, Qt::AlignRight};
const Column kPrice{0.66, 0.82, Qt::AlignRight};
const Column kAmount{0.82, 1.0, Qt::AlignRight};

// Rows of the header block, each one text line high.
constexpr int kHeaderLines = 5;

} // namespace

ReportPageLayout::ReportPageLayout(const CalculationReport& report, const QPaintDevice& device,
                                   QRectF page)
    : m_report(report), m_device(device), m_page(page) {
    const QFontMetricsF body(bodyFont(), &device);
    const QFontMetricsF title(titleFont(), &device);
    m_unit = body.height();
    const qreal headerHeight = title.height() + (kHeaderLines - 1) * m_unit * 1.25 + m_unit;
    const qreal footerHeight = m_unit * 2;
    m_body = QRectF(m_page.left(), m_page.top() + headerHeight, m_page.width(),
                    m_page.height() - headerHeight - footerHeight);
    paginate();
}

qreal ReportPageLayout::heightOf(PageRow::Kind kind) const {
    switch (kind) {
    case PageRow::SectionTitle:
        return m_unit * 1.9;
    case PageRow::ColumnTitles:
        return m_unit * 1.4;
    case PageRow::Line:
        return m_unit * 1.3;
    case PageRow::Subtotal:
        return m_unit * 1.6;
    case PageRow::GrandTotal:
        return m_unit * 2.4;
    }
    return m_unit;
}

void ReportPageLayout::paginate() {
    m_pages = {ReportPage{}};
    qreal y = 0;
    const auto fits = [&](qreal height) { return y + height <= m_body.height(); };
    const auto place = [&](PageRow row) {
        row.top = y;
        row.height = heightOf(row.kind);
        y += row.height;
        m_pages.last().rows.append(row);
    };
    const auto newPage = [&] {
        m_pages.append(ReportPage{});
        y = 0;
    };
    const qreal titles = heightOf(PageRow::SectionTitle) + heightOf(PageRow::ColumnTitles);

    const int sectionCount = int(m_report.sections.size());
    for (int s = 0; s < sectionCount; ++s) {
        const int lineCount = int(m_report.sections.at(s).lines.size());
        const bool lastSection = s == sectionCount - 1;
        // What must stay with line i: the subtotal after the last line, and the grand
        // total after the last subtotal.
        const auto tail = [&](int i) {
            qreal h = heightOf(PageRow::Line);
            if (i == lineCount - 1) {
                h += heightOf(PageRow::Subtotal);
                if (lastSection)
                    h += heightOf(PageRow::GrandTotal);
            }
            return h;
        };
        if (!fits(titles + tail(0)) && !m_pages.last().rows.isEmpty())
            newPage();
        place({PageRow::SectionTitle, s});
        place({PageRow::ColumnTitles, s});
        for (int i = 0; i < lineCount; ++i) {
            if (!fits(tail(i))) {
                newPage();
                place({PageRow::SectionTitle, s, -1, true});
                place({PageRow::ColumnTitles, s});
            }
            place({PageRow::Line, s, i});
        }
        place({PageRow::Subtotal, s});
    }
    place({PageRow::GrandTotal});
}

void ReportPageLayout::paintPage(QPainter& painter, int index) const {
    painter.save();
    paintHeader(painter);
    painter.translate(m_body.topLeft());
    for (const PageRow& row : m_pages.at(index).rows)
        paintRow(painter, row);
    painter.restore();
    paintFooter(painter, index);
}

namespace {

void drawIn(QPainter& painter, const QFont& font, const QRectF& area, const Column& column,
            const QString& text) {
    const QRectF cell(area.left() + column.left * area.width(), area.top(),
                      (column.right - column.left) * area.width(), area.height());
    painter.setFont(font);
    const QString shown =
        QFontMetricsF(font, painter.device()).elidedText(text, Qt::ElideRight, cell.width());
    painter.drawText(cell, column.alignment | Qt::AlignVCenter, shown);
}

void drawSideBySide(QPainter& painter, const QFont& font, const QRectF& line, const QString& left,
                    const QString& right) {
    painter.setFont(font);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, left);
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, right);
}

} // namespace

void ReportPageLayout::paintHeader(QPainter& painter) const {
    const ReportHeader& h = m_report.header;
    const qreal titleHeight = QFontMetricsF(titleFont(), &m_device).height();
    QRectF line(m_page.left(), m_page.top(), m_page.width(), titleHeight);
    drawSideBySide(painter, titleFont(), line, QStringLiteral("Relatório de Apuração"), QString());
    painter.setFont(boldFont());
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Apuração %1").arg(h.number));

    const QStringList left{
        QStringLiteral("Filial: %1").arg(h.branchText()),
        QStringLiteral("Cliente: %1 - %2").arg(h.registrationText(), h.companyName),
        QStringLiteral("Calculada em %1 pela filial %2")
            .arg(h.calculatedAtText(), h.processingBranchText())};
    const QStringList right{QStringLiteral("Período: %1").arg(h.periodText()),
                            QStringLiteral("Situação: %1").arg(h.stateText()), QString()};
    line.translate(0, titleHeight);
    line.setHeight(m_unit * 1.25);
    for (qsizetype i = 0; i < left.size(); ++i) {
        drawSideBySide(painter, bodyFont(), line, left.at(i), right.at(i));
        line.translate(0, line.height());
    }
    const qreal rule = line.top() + m_unit * 0.4;
    painter.setPen(QPen(Qt::black, m_unit * 0.08));
    painter.drawLine(QPointF(m_page.left(), rule), QPointF(m_page.right(), rule));
}

void ReportPageLayout::paintFooter(QPainter& painter, int index) const {
    const QRectF foot(m_page.left(), m_page.bottom() - m_unit * 1.4, m_page.width(), m_unit * 1.4);
    painter.setPen(QPen(Qt::black, m_unit * 0.05));
    painter.drawLine(foot.topLeft(), foot.topRight());
    drawSideBySide(
        painter, bodyFont(), foot,
        QStringLiteral("Emitido em %1")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm"))),
        QStringLiteral("Página %1 de %2").arg(index + 1).arg(m_pages.size()));
}

void ReportPageLayout::paintRow(QPainter& painter, const PageRow& row) const {
    const QRectF area(0, row.top, m_body.width(), row.height);
    const NfSection* section = row.section >= 0 ? &m_report.sections.at(row.section) : nullptr;
    painter.setPen(QPen(Qt::black, m_unit * 0.05));
    switch (row.kind) {
    case PageRow::SectionTitle: {
        const QString title = row.continued
                                  ? QStringLiteral("%1 (continuação)").arg(section->title())
                                  : section->title();
        painter.fillRect(area.adjusted(0, m_unit * 0.4, 0, 0), QColor(230, 230, 230));
        drawIn(painter, boldFont(), area.adjusted(m_unit * 0.3, m_unit * 0.4, 0, 0),
               {0.0, 1.0, Qt::AlignLeft}, title);
        return;
    }
    case PageRow::ColumnTitles:
        drawIn(painter, boldFont(), area, kService, QStringLiteral("Serviço"));
        drawIn(painter, boldFont(), area, kProduct, QStringLiteral("Produto"));
        drawIn(painter, boldFont(), area, kQuantity, QStringLiteral("Quantidade"));
        drawIn(painter, boldFont(), area, kPrice, QStringLiteral("Preço unitário"));
        drawIn(painter, boldFont(), area, kAmount, QStringLiteral("Valor"));
        painter.drawLine(area.bottomLeft(), area.bottomRight());
        return;
    case PageRow::Line: {
        const ReportLine& line = section->lines.at(row.line);
        drawIn(painter, bodyFont(), area, kService, line.serviceText());
        drawIn(painter, bodyFont(), area, kProduct, line.product);
        drawIn(painter, bodyFont(), area, kQuantity, quantityText(line.quantity));
        drawIn(painter, bodyFont(), area, kPrice, priceText(line.price));
        drawIn(painter, bodyFont(), area, kAmount, moneyText(line.amount));
        return;
    }
    case PageRow::Subtotal:
        painter.drawLine(area.topLeft(), area.topRight());
        drawIn(painter, boldFont(), area, kService,
               QStringLiteral("Subtotal %1").arg(section->title()));
        drawIn(painter, boldFont(), area, kQuantity, quantityText(section->quantity));
        drawIn(painter, boldFont(), area, kAmount, moneyText(section->amount));
        return;
    case PageRow::GrandTotal: {
        const QRectF text = area.adjusted(0, m_unit * 0.6, 0, 0);
        painter.setPen(QPen(Qt::black, m_unit * 0.1));
        painter.drawLine(text.topLeft(), text.topRight());
        drawIn(painter, boldFont(), text, kService, QStringLiteral("Total geral"));
        drawIn(painter, boldFont(), text, kQuantity, quantityText(m_report.quantity));
        drawIn(painter, boldFont(), text, kAmount, moneyText(m_report.amount));
        return;
    }
    }
}

QString cannotWrite(const QString& path) {
    return QStringLiteral("Não foi possível gravar o arquivo %1. Verifique se a pasta existe e "
                          "permite gravação.")
        .arg(QDir::toNativeSeparators(path));
}

void setUpReportPage(QPrinter& printer) {
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter));
}

void printReport(const CalculationReport& report, QPrinter& printer) {
    printer.setDocName(QStringLiteral("Relatório de Apuração %1 - %2")
                           .arg(report.header.number, report.header.companyName));
    printer.setCreator(QStringLiteral("Sistemas Integrados Corvana"));
    QPainter painter;
    if (!painter.begin(&printer))
        throw Exception(printer.outputFileName().isEmpty()
                            ? QStringLiteral("Não foi possível iniciar a impressão.")
                            : cannotWrite(printer.outputFileName()));
    const QRectF page(QPointF(0, 0),
                      printer.pageLayout().paintRectPixels(printer.resolution()).size());
    const ReportPageLayout layout(report, printer, page);
    for (int i = 0; i < layout.pages().size(); ++i) {
        if (i > 0)
            printer.newPage();
        layout.paintPage(painter, i);
    }
    painter.end();
}

} // namespace report
