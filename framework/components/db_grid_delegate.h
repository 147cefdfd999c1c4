#pragma once

// The cell editor and cell painting of a data-aware grid. The keys typed into the editor
// reach the grid's key handlers first, as they would in the desktop library's in-place
// editor; finishing keys (Tab, Enter, Up, Down, …) write the cell and move, Esc takes the
// cell back or cancels the row.

#include <QStyledItemDelegate>

class TDBGrid;

class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(TDBGrid& grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    // Loads the editor once, when it opens: Qt would reload it whenever its row changes,
    // and the desktop grid keeps what the user typed.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The stored value of the editor's text (the mask's blanks and unsaved literals out).
    QString editorValue(QWidget* editor, const QModelIndex& index) const;
    // Puts the field's text back into the editor, the cursor where the text first differed.
    void revertEditor(QWidget* editor, const QModelIndex& index) const;

protected:
    bool eventFilter(QObject* editor, QEvent* event) override;

private:
    void loadEditor(QWidget* editor, const QModelIndex& index) const;

    TDBGrid& m_grid;
};
