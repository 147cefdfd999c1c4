#pragma once

// The data-aware grid: a table view over a data set through a data source, in the
// desktop library's terms. The grid's current row is the data set's cursor. Opening a
// cell editor (a key, Enter, F2, a click on the current cell, a double click) only shows
// it; the first change of its text puts the row in edit (the data set may refuse, and the
// change is dropped); a finished cell writes its field. Up, Down, Page Up and Page Down
// in an open cell write it and move, which posts the row; Esc in a changed cell restores
// its text, in an unchanged one (or a closed one) cancels the row. Down on the last row
// appends, Up or leaving the grid drops an untouched appended row, Ctrl+Delete deletes
// after a confirmation. Tab moves cell by cell through the rows; Shift+Tab in the first
// cell and Tab in the last one leave the grid, but Tab in the last cell of a row that is
// not an untouched new one appends a row when the data set takes it. The screen's key handlers see
// every key first (virtual-key codes), also those typed into the cell editor, and may swallow it.

#include "framework/components/canvas.h"
#include "framework/components/db_grid_column.h"
#include "framework/components/keys.h"
#include "framework/data/datasource.h"

#include <QTableView>

#include <functional>
#include <memory>
#include <vector>

class DataSetModel;
class GridDelegate;

enum TDBGridOption {
    dgEditing = 0x1,
    dgTitles = 0x2,
    dgIndicator = 0x4,
    dgColumnResize = 0x8,
    dgColLines = 0x10,
    dgRowLines = 0x20,
    dgTabs = 0x40,
    dgAlwaysShowSelection = 0x80,
    dgConfirmDelete = 0x100,
    dgCancelOnExit = 0x200,
};
using TDBGridOptions = int;

enum TGridDrawStateFlag { gdSelected = 0x1, gdFocused = 0x2 };
using TGridDrawState = int;

class TDBGrid : public QTableView, private TDataLink {
    Q_OBJECT
public:
    using KeyDownEvent = std::function<void(TDBGrid& sender, int& key, TShiftState shift)>;
    using KeyPressEvent = std::function<void(TDBGrid& sender, QChar& key)>;
    using NotifyEvent = std::function<void(TDBGrid& sender)>;
    using DrawColumnCellEvent = std::function<void(TDBGrid& sender, const QRect& rect, int dataCol,
                                                   TColumn& column, TGridDrawState state)>;
    using AccessibleTextEvent =
        std::function<void(TDBGrid& sender, TColumn& column, QString& text)>;
    using EditorChangeEvent =
        std::function<void(TDBGrid& sender, TColumn& column, const QString& value)>;

    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const { return TDataLink::DataSource(); }
    void SetDataSource(TDataSource* source);
    TClientDataSet* DataSet() const { return TDataLink::DataSet(); }

    TColumn& AddColumn(const QString& fieldName);
    int ColumnCount() const { return int(m_columns.size()); }
    TColumn& Column(int index) const { return *m_columns[size_t(index)]; }

    TDBGridOptions Options() const { return m_options; }
    void SetOptions(TDBGridOptions options);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    void SetColor(const QColor& color);

    // The selected column and its field (null without columns or data).
    int SelectedIndex() const { return m_selectedCol; }
    void SetSelectedIndex(int index);
    TField* SelectedField() const;

    // Whether a cell editor is open.
    bool EditorMode() const { return m_editor != nullptr; }

    // The canvas of the cell being drawn; valid only inside OnDrawColumnCell.
    TCanvas* Canvas() const { return m_canvas; }

    KeyDownEvent OnKeyDown;
    KeyPressEvent OnKeyPress;
    NotifyEvent OnColExit;
    DrawColumnCellEvent OnDrawColumnCell;
    // The text a screen reader reads for a cell, when it is not the display text (a
    // status letter drawn as an icon). Runs with the fields reading the cell's row, as
    // OnDrawColumnCell does; `text` comes in as the display text.
    AccessibleTextEvent OnAccessibleText;
    // After each change the user makes to the open cell's text, once the row is open for
    // it: the column and the text as the field would store it. The field itself gets the
    // text only when the cell is finished.
    EditorChangeEvent OnEditorChange;

    // For the view's column layout: the pixel width a column gets.
    int columnPixelWidth(int column) const;
    void LayoutColumns();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyboardSearch(const QString&) override {}
    bool focusNextPrevChild(bool next) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void changeEvent(QEvent* event) override;

private:
    friend class GridDelegate;
    friend class DataSetModel;

    // TDataLink
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled() override;
    void RecordChanged(TField* field) override;
    void EditingChanged() override;
    void UpdateData() override;
    void FocusControl(TField*& field) override;

    bool CanModify() const;
    bool CanEditColumn(int column) const;
    void ResetModel();
    void SyncCurrent();
    void NavigateTo(int row, int column);
    // The desktop grid's own handling of a key the screen did not swallow; returns
    // whether it was handled.
    bool HandleKey(int key, TShiftState shift);
    // Tab and Shift+Tab: the next or previous cell, row by row; past the first cell or the
    // last one the grid is left (the exits run), unless Tab in the last cell appends a row.
    void TabThroughCells(bool forward);
    void LeaveGrid(bool forward);
    // Writes the open cell editor into its field; raises when the text does not convert.
    void WriteEditor();
    bool EditorModified() const;
    void CloseOpenEditor();
    // The user changed the open cell's text: the first change puts the row in edit, and a
    // refusal takes the change back.
    void EditorTextEdited();
    // Esc in the open cell.
    void EscapeInEditor();
    // Moves the current cell as the view's own key handling does (arrows, pages).
    void MoveByKey(QKeyEvent* event);
    bool HasFocusWithin() const;
    // Whether a selected cell is drawn selected: with the focus, or always with
    // dgAlwaysShowSelection.
    bool ShowsSelection() const;
    QString AccessibleText(int row, int column) const;
    void DoExit();
    // Runs the screen's key handlers; false when they swallowed the key.
    bool RunKeyHandlers(QKeyEvent* event, QChar* typed);
    // Runs the cell-drawing hook over a cell the grid has drawn, with `brush` the colour
    // it was filled with.
    void PaintCell(QPainter* painter, const QRect& rect, const QColor& brush, bool selected,
                   const QModelIndex& index);

    DataSetModel* m_model;
    GridDelegate* m_delegate;
    std::vector<std::unique_ptr<TColumn>> m_columns;
    TDBGridOptions m_options;
    bool m_readOnly = false;
    int m_selectedCol = 0;
    bool m_syncing = false;
    QWidget* m_editor = nullptr;
    QModelIndex m_editorIndex;
    QString m_editorStartText;
    bool m_commitFailed = false;
    bool m_forwardingKey = false;
    // Set while the first change of the cell opens the row: the editor is left alone.
    bool m_openingRow = false;
    TCanvas* m_canvas = nullptr;
};
