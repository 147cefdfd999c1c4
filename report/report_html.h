#pragma once

// The report as the screen shows it: the same header, NF sections, subtotals and grand
// total as on paper, as rich text for a read-only text view.

#include <QString>

namespace report {

struct CalculationReport;

QString reportHtml(const CalculationReport& report);

} // namespace report
