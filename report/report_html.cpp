#include "report/report_html.h"

#include "report/report_amounts.h"
#include "report/report_model.h"

#include <QStringList>

namespace report {
namespace {

QString esc(const QString& text) {
    return text.toHtmlEscaped();
}

QString cell(const QString& text, bool right = false, bool bold = false, int width = 0) {
    QString content = esc(text);
    if (bold)
        content = QStringLiteral("<b>%1</b>").arg(content);
    QString attributes;
    if (right)
        attributes += QStringLiteral(" align=\"right\"");
    if (width > 0)
        attributes += QStringLiteral(" width=\"%1%\"").arg(width);
    return QStringLiteral("<td%1>%2</td>").arg(attributes, content);
}

// Every table of lines gives its first row these column widths (percent), so that the
// grand total stands under the columns it adds up.
constexpr int kWidths[] = {36, 12, 16, 18, 18};

// A row of five cells: text, bold, right-aligned from the third on.
QString row(const QStringList& texts, bool bold, bool sized = false) {
    QString cells;
    for (int i = 0; i < 5; ++i)
        cells += cell(texts.value(i), i >= 2, bold, sized ? kWidths[i] : 0);
    return QStringLiteral("<tr>%1</tr>").arg(cells);
}

QString linesTable(const QString& rows) {
    return QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\">%1</table>")
        .arg(rows);
}

QString headerHtml(const ReportHeader& h) {
    const QStringList rows{
        QStringLiteral("<tr><td><b>Filial:</b> %1</td><td align=\"right\"><b>Período:</b> "
                       "%2</td></tr>")
            .arg(esc(h.branchText()), esc(h.periodText())),
        QStringLiteral("<tr><td><b>Cliente:</b> %1 - %2</td><td align=\"right\"><b>Situação:"
                       "</b> %3</td></tr>")
            .arg(esc(h.registrationText()), esc(h.companyName), esc(h.stateText())),
        QStringLiteral("<tr><td colspan=\"2\">Calculada em %1 pela filial %2</td></tr>")
            .arg(esc(h.calculatedAtText()), esc(h.processingBranchText()))};
    return QStringLiteral("<h2>Relatório de Apuração %1</h2>"
                          "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">%2</table>"
                          "<hr/>")
        .arg(esc(h.number), rows.join(QString()));
}

QString sectionHtml(const NfSection& section) {
    QString rows =
        row({QStringLiteral("Serviço"), QStringLiteral("Produto"), QStringLiteral("Quantidade"),
             QStringLiteral("Preço unitário"), QStringLiteral("Valor")},
            true, true)
            .replace(QLatin1String("<tr>"), QLatin1String("<tr bgcolor=\"#e6e6e6\">"));
    for (const ReportLine& line : section.lines)
        rows += row({line.serviceText(), line.product, quantityText(line.quantity),
                     priceText(line.price), moneyText(line.amount)},
                    false);
    rows += row({QStringLiteral("Subtotal %1").arg(section.title()), QString(),
                 quantityText(section.quantity), QString(), moneyText(section.amount)},
                true);
    return QStringLiteral("<h3>%1</h3>").arg(esc(section.title())) + linesTable(rows);
}

} // namespace

QString reportHtml(const CalculationReport& report) {
    QString html = headerHtml(report.header);
    for (const NfSection& section : report.sections)
        html += sectionHtml(section);
    html += QStringLiteral("<hr/>") +
            linesTable(row({QStringLiteral("Total geral"), QString(), quantityText(report.quantity),
                            QString(), moneyText(report.amount)},
                           true, true));
    return html;
}

} // namespace report
