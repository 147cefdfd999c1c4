#include "framework/components/db_grid_model.h"

#include "framework/components/db_grid.h"

namespace {
Qt::Alignment alignmentOf(TAlignment a) {
    switch (a) {
    case taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}
} // namespace

DataSetModel::DataSetModel(TDBGrid& grid) : QAbstractTableModel(&grid), m_grid(grid) {}

int DataSetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_grid.DataSource() || m_grid.DataSource()->State() == dsInactive ||
        !m_grid.DataSet())
        return 0;
    return m_grid.DataSet()->DisplayRowCount();
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.ColumnCount();
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= m_grid.ColumnCount())
        return {};
    TField* field = m_grid.Column(index.column()).Field();
    if (!field)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole: {
        QString text;
        try {
            if (role == Qt::AccessibleTextRole)
                return m_grid.AccessibleText(index.row(), index.column());
            m_grid.DataSet()->WithRow(index.row(), [&] {
                text = role == Qt::EditRole ? field->Text() : field->DisplayText();
            });
        } catch (...) {
            text = QStringLiteral("?");
        }
        return text;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignmentOf(field->Alignment()));
    default:
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_grid.ColumnCount())
            return {};
        const TColumn& column = m_grid.Column(section);
        if (role == Qt::DisplayRole)
            return column.Title();
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(alignmentOf(column.TitleAlignment()));
        return {};
    }
    if (role != Qt::DisplayRole || !m_grid.DataSet() || section != m_grid.DataSet()->CurrentRow())
        return QString();
    switch (m_grid.DataSet()->State()) {
    case dsInsert:
        return QStringLiteral("*");
    case dsEdit:
        return QStringLiteral("I");
    default:
        return QStringLiteral("\u25B6");
    }
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.isValid() && m_grid.CanEditColumn(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

void DataSetModel::reset() {
    beginResetModel();
    endResetModel();
}

void DataSetModel::rowChanged(int row) {
    if (row < 0 || row >= rowCount() || columnCount() == 0)
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
}
