#include "report/report_amounts.h"

#include "framework/data/rounding.h"

#include <cmath>

namespace report {

qint64 toUnits(double value, int decimals) {
    return std::llround(roundDecimals(value, decimals) * std::pow(10.0, decimals));
}

QString unitsText(qint64 units, int decimals, int shownDecimals, bool grouped) {
    const bool negative = units < 0;
    const quint64 magnitude = negative ? quint64(-(units + 1)) + 1 : quint64(units);
    quint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    QString whole = QString::number(magnitude / scale);
    if (grouped)
        for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
            whole.insert(at, QLatin1Char('.'));
    QString fraction = QStringLiteral("%1").arg(magnitude % scale, decimals, 10, QLatin1Char('0'));
    while (fraction.size() > shownDecimals && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    QString text = fraction.isEmpty() ? whole : whole + QLatin1Char(',') + fraction;
    return negative ? QLatin1Char('-') + text : text;
}

QString quantityText(qint64 thousandths) {
    return unitsText(thousandths, kQuantityDecimals, kQuantityDecimals);
}

QString moneyText(qint64 cents) {
    const QString digits = unitsText(cents, kMoneyDecimals, kMoneyDecimals);
    return digits.startsWith(QLatin1Char('-')) ? QStringLiteral("-R$ ") + digits.mid(1)
                                               : QStringLiteral("R$ ") + digits;
}

QString priceText(qint64 tenThousandths) {
    return QStringLiteral("R$ ") + unitsText(tenThousandths, kPriceDecimals, kMoneyDecimals);
}

} // namespace report
