#include "screens/apuracao/apportionment_balance.h"

#include "contracts/host_framework.h"
#include "framework/data/text_format.h"

#include <cmath>

namespace {

// Whole cents: a sum of rounded shares never drifts from what the clerk reads.
long long cents(double value) {
    return std::llround(RoundDec(value, 2) * 100);
}

QString quantity(long long cents) {
    return textformat::formatFloat(QStringLiteral("#,##0.000"), double(cents) / 100);
}

} // namespace

Balance apportionmentBalance(double billed, const QList<double>& shares) {
    if (shares.isEmpty())
        return {};
    long long split = 0;
    for (double share : shares)
        split += cents(share);
    const long long day = cents(billed);
    const QString head = QStringLiteral("Rateado %1 de %2 — ").arg(quantity(split), quantity(day));
    if (split < day)
        return {BalanceState::Short, head + QStringLiteral("faltam %1").arg(quantity(day - split))};
    if (split > day)
        return {BalanceState::Over, head + QStringLiteral("excedem %1").arg(quantity(split - day))};
    return {BalanceState::Even, head + QStringLiteral("conferido")};
}
