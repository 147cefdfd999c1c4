#pragma once

// The look both screens of the module give their labels and period dates.

#include <QString>

class QLabel;
class QWidget;
class TDateEditPlus;

QLabel* boldLabel(const QString& name, const QString& caption, QWidget* parent);

// A billing date: dd/mm/yyyy on the info colour, blue while valid, the weekday beside it,
// no time of day.
TDateEditPlus* billingDateEdit(const QString& name, const QString& accessibleName, QWidget* parent);
