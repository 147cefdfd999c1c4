#pragma once

// Fixed-point amounts of the report and their pt-BR texts. The server keeps quantities to
// the thousandth and amounts to the cent; the report turns each stored value into whole
// units of that precision once, on arrival, and sums and shows only those, so that no sum
// of doubles can drift a displayed cent.

#include <QString>
#include <QtGlobal>

namespace report {

// Decimals of each kind of value.
inline constexpr int kQuantityDecimals = 3;
inline constexpr int kMoneyDecimals = 2;
// A unit price may carry more than cents (3,333 a meal); four decimals keep every price
// the clerk can type.
inline constexpr int kPriceDecimals = 4;

// The value in whole units of 10^-decimals, rounded half away from zero.
qint64 toUnits(double value, int decimals);

// Units of 10^-decimals as pt-BR text with thousands points: 123456 with 3 gives
// "123,456"; `grouped` false leaves the points out (for spreadsheets). Trailing zeros
// beyond `shownDecimals` are dropped, never a significant digit.
QString unitsText(qint64 units, int decimals, int shownDecimals, bool grouped = true);

// "#,##0.000": 1234500 thousandths → "1.234,500".
QString quantityText(qint64 thousandths);
// "R$ #.##0,00": 123456 cents → "R$ 1.234,56".
QString moneyText(qint64 cents);
// A unit price in ten-thousandths: "R$ 19,90", or "R$ 3,333" when it has more than cents.
QString priceText(qint64 tenThousandths);

} // namespace report
