#pragma once

// A form with an apportionment-like grid (quantity, NF, observation) over a data set,
// and a line edit to take the focus away, shown and active.

#include "framework/components/db_grid.h"
#include "framework/forms/form.h"

#include <QLineEdit>
#include <QList>
#include <QPair>

struct GridScreen {
    TForm form;
    TClientDataSet ds{"cdsRateio"};
    TDataSource src{"dtsRateio", &ds};
    TDBGrid* grid;
    QLineEdit* other;

    explicit GridScreen(const QList<QPair<double, QString>>& rows = {{4, "001"}, {5, "002"}});

    QString qtyText() const { return ds.FieldByName("QTDERATEIO").DisplayText(); }
    double qty() const { return ds.FieldByName("QTDERATEIO").AsFloat(); }
    QPoint cellCentre(int row, int col) const;
    // The open cell editor (null when none).
    QLineEdit* editor() const;
};

// Types into whatever holds the focus, as a user's keys go: the grid, then its cell editor.
void type(const QString& text);
// Presses a key on whatever holds the focus.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
