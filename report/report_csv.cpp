#include "report/report_csv.h"

#include "report/report_amounts.h"
#include "report/report_model.h"

#include <QStringList>

namespace report {
namespace {

// A text cell. A spreadsheet runs a cell that starts with "=", "+", "-" or "@" as a
// formula, so such a text from the database is kept as text with a leading apostrophe.
QString textCell(const QString& text) {
    QString cell = text;
    if (!cell.isEmpty() && QStringLiteral("=+-@\t\r").contains(cell.front()))
        cell.prepend(QLatin1Char('\''));
    if (cell.contains(QLatin1Char(';')) || cell.contains(QLatin1Char('"')) ||
        cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'))) {
        cell.replace(QLatin1String("\""), QLatin1String("\"\""));
        cell = QLatin1Char('"') + cell + QLatin1Char('"');
    }
    return cell;
}

QString number(qint64 units, int decimals, int shownDecimals) {
    return unitsText(units, decimals, shownDecimals, false);
}

QString quantityCell(qint64 thousandths) {
    return number(thousandths, kQuantityDecimals, kQuantityDecimals);
}

QString moneyCell(qint64 cents) {
    return number(cents, kMoneyDecimals, kMoneyDecimals);
}

class CsvLines {
public:
    void add(const QStringList& cells) { m_lines << cells.join(QLatin1Char(';')); }
    void blank() { m_lines << QString(); }
    QByteArray bytes() const {
        return QByteArray("\xEF\xBB\xBF") +
               (m_lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    }

private:
    QStringList m_lines;
};

} // namespace

QByteArray reportCsv(const CalculationReport& report) {
    const ReportHeader& h = report.header;
    CsvLines csv;
    csv.add({QStringLiteral("Relatório de Apuração")});
    csv.add({QStringLiteral("Filial"), textCell(h.branchText())});
    csv.add({QStringLiteral("Cliente"), textCell(h.registrationText()), textCell(h.companyName)});
    csv.add({QStringLiteral("Período"), h.periodText()});
    csv.add({QStringLiteral("Apuração"), textCell(h.number)});
    csv.add(
        {QStringLiteral("Calculada em"), h.calculatedAtText(), textCell(h.processingBranchText())});
    csv.add({QStringLiteral("Situação"), h.stateText()});
    csv.blank();

    csv.add({QStringLiteral("NF"), QStringLiteral("Serviço"), QStringLiteral("Descrição"),
             QStringLiteral("Produto"), QStringLiteral("Quantidade"),
             QStringLiteral("Preço unitário (R$)"), QStringLiteral("Valor (R$)")});
    for (const NfSection& section : report.sections)
        for (const ReportLine& line : section.lines)
            csv.add({section.title(), textCell(line.service), textCell(line.serviceName),
                     textCell(line.product), quantityCell(line.quantity),
                     number(line.price, kPriceDecimals, kMoneyDecimals), moneyCell(line.amount)});
    csv.blank();

    for (const NfSection& section : report.sections)
        csv.add({QStringLiteral("Subtotal %1").arg(section.title()), QString(), QString(),
                 QString(), quantityCell(section.quantity), QString(), moneyCell(section.amount)});
    csv.add({QStringLiteral("Total geral"), QString(), QString(), QString(),
             quantityCell(report.quantity), QString(), moneyCell(report.amount)});
    return csv.bytes();
}

} // namespace report
