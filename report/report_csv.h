#pragma once

// The report as a CSV file for a spreadsheet: ";"-separated, numbers with a decimal comma
// and no thousands point, UTF-8 with a byte-order mark, CRLF line ends. First the
// calculation's identity as "name;value" lines, then the table of lines, then the NF
// subtotals and the grand total, each block after an empty line.

#include <QByteArray>

namespace report {

struct CalculationReport;

QByteArray reportCsv(const CalculationReport& report);

} // namespace report
