#include "report/report_html.h"

#include "report/report_amounts.h"
#include "report/report_model.h"

#include <QStringList>

namespace report {
namespace {

QString esc(const QString& text) { return text.toHtmlEscaped(); }

QString cell(const QString& text, bool right = false, bool bold = false) {
    QString content = esc(text);
    if (bold)
        content = QStringLiteral("<b>%1</b>").arg(content);
    return right ? QStringLiteral("<td align=\"right\">%1</td>").arg(content)
                 : QStringLiteral("<td>%1</td>").arg(content);
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
    QString rows = QStringLiteral("<tr bgcolor=\"#e6e6e6\">") +
                   cell(QStringLiteral("Serviço"), false, true) +
                   cell(QStringLiteral("Produto"), false, true) +
                   cell(QStringLiteral("Quantidade"), true, true) +
                   cell(QStringLiteral("Preço unitário"), true, true) +
                   cell(QStringLiteral("Valor"), true, true) + QStringLiteral("</tr>");
    for (const ReportLine& line : section.lines)
        rows += QStringLiteral("<tr>") + cell(line.serviceText()) + cell(line.product) +
                cell(quantityText(line.quantity), true) + cell(priceText(line.price), true) +
                cell(moneyText(line.amount), true) + QStringLiteral("</tr>");
    rows += QStringLiteral("<tr>") + cell(QStringLiteral("Subtotal %1").arg(section.title()), false, true) +
            cell(QString()) + cell(quantityText(section.quantity), true, true) + cell(QString()) +
            cell(moneyText(section.amount), true, true) + QStringLiteral("</tr>");
    return QStringLiteral("<h3>%1</h3><table width=\"100%\" cellspacing=\"0\" "
                          "cellpadding=\"3\">%2</table>")
        .arg(esc(section.title()), rows);
}

} // namespace

QString reportHtml(const CalculationReport& report) {
    QString html = headerHtml(report.header);
    for (const NfSection& section : report.sections)
        html += sectionHtml(section);
    html += QStringLiteral("<hr/><table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\"><tr>"
                           "%1%2%3</tr></table>")
                .arg(cell(QStringLiteral("Total geral"), false, true),
                     cell(quantityText(report.quantity), true, true),
                     cell(moneyText(report.amount), true, true));
    return html;
}

} // namespace report
