#pragma once

// The line under the apportionment that tells, while the clerk types, how much of the
// day's billed count is still to be split: counted as the sum check counts, each share
// rounded to the cent on its own.

#include <QList>
#include <QString>

enum class BalanceState { None, Short, Over, Even };

struct Balance {
    BalanceState state = BalanceState::None;
    QString text; // empty when the day has no shares
};

// `shares` holds the quantity of every row (null for a row without one).
Balance apportionmentBalance(double billed, const QList<double>& shares);
