#pragma once

// The table model a data-aware grid shows: one row per row of the data set (a row being
// inserted included), one column per grid column; texts are the fields' display texts.

#include <QAbstractTableModel>

class TDBGrid;

class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSetModel(TDBGrid& grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void reset();
    void rowChanged(int row);

private:
    TDBGrid& m_grid;
};
