#pragma once

// The lookup list: a modal dialog over the rows a lookup button offers, filtered as the
// user types; Enter or a double click picks the current row, Esc cancels.

#include "contracts/host_framework.h"

#include <QDialog>

class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

class LookupDialog : public QDialog {
    Q_OBJECT
public:
    explicit LookupDialog(const LookupList& list, QWidget* parent = nullptr);

    // The picked row of the list, -1 when none.
    int pickedRow() const;

    QLineEdit* filterEdit() const { return m_filter; }
    QTableView* table() const { return m_table; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectFirstVisible();

    QStandardItemModel* m_model;
    QSortFilterProxyModel* m_proxy;
    QLineEdit* m_filter;
    QTableView* m_table;
};
