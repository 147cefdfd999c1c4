#include "framework/components/db_grid.h"

#include "contracts/host_framework.h"
#include "framework/components/db_grid_delegate.h"
#include "framework/components/db_grid_model.h"
#include "framework/components/focus.h"
#include "framework/ui/guard.h"

#include <QApplication>
#include <QDebug>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

TField* TColumn::Field() const {
    TClientDataSet* ds = m_grid.DataSet();
    return ds ? ds->FindField(m_fieldName) : nullptr;
}

QString TColumn::Title() const {
    if (!m_title.isEmpty())
        return m_title;
    if (TField* f = Field())
        return f->DisplayLabel();
    return m_fieldName;
}

TColumn& TColumn::SetWidth(int width) {
    m_width = width;
    m_grid.LayoutColumns();
    return *this;
}

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), m_model(new DataSetModel(*this)), m_delegate(new GridDelegate(*this)),
      m_options(dgEditing | dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                dgConfirmDelete | dgCancelOnExit) {
    markControl(this);
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    ControlEvents::of(this).DoExit = [this] { DoExit(); };
    SetOptions(m_options);
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::SetDataSource(TDataSource* source) {
    TDataLink::SetDataSource(source);
}

TColumn& TDBGrid::AddColumn(const QString& fieldName) {
    m_columns.push_back(std::make_unique<TColumn>(*this, fieldName));
    ResetModel();
    return *m_columns.back();
}

void TDBGrid::SetOptions(TDBGridOptions options) {
    m_options = options;
    horizontalHeader()->setVisible(options & dgTitles);
    verticalHeader()->setVisible(options & dgIndicator);
    setShowGrid(options & (dgColLines | dgRowLines));
    horizontalHeader()->setSectionResizeMode((options & dgColumnResize) ? QHeaderView::Interactive
                                                                        : QHeaderView::Fixed);
}

void TDBGrid::SetColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void TDBGrid::SetSelectedIndex(int index) {
    if (index < 0 || index >= ColumnCount())
        return;
    m_selectedCol = index;
    SyncCurrent();
}

TField* TDBGrid::SelectedField() const {
    return m_selectedCol < ColumnCount() ? Column(m_selectedCol).Field() : nullptr;
}

int TDBGrid::columnPixelWidth(int column) const {
    const TColumn& c = Column(column);
    if (c.Width() > 0) {
        // A width laid out for the desktop's font would cut "001" short in a wider one.
        constexpr double designDigitWidth = 6.0;
        return qRound(c.Width() * qMax(1.0, fontMetrics().horizontalAdvance(QLatin1Char('0')) /
                                                designDigitWidth));
    }
    const int chars = c.Field() ? c.Field()->DisplayWidth() : 10;
    return qMax(horizontalHeader()->fontMetrics().horizontalAdvance(c.Title()),
                chars * fontMetrics().averageCharWidth()) +
           12;
}

void TDBGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        LayoutColumns();
}

bool TDBGrid::CanModify() const {
    return (m_options & dgEditing) && !m_readOnly && DataSet() && DataSet()->Active();
}

bool TDBGrid::CanEditColumn(int column) const {
    if (!CanModify() || column < 0 || column >= ColumnCount() || Column(column).ReadOnly())
        return false;
    TField* f = Column(column).Field();
    return f && !f->ReadOnly();
}

void TDBGrid::ResetModel() {
    if (m_syncing)
        return;
    // An open cell belongs to the rows being replaced: it closes unwritten, and the focus
    // it had stays with the grid (Qt would leave it nowhere, and the next keys with it).
    CloseOpenEditor();
    m_syncing = true;
    m_model->reset();
    LayoutColumns();
    m_syncing = false;
    SyncCurrent();
}

void TDBGrid::LayoutColumns() {
    for (int c = 0; c < ColumnCount() && c < m_model->columnCount(); ++c)
        horizontalHeader()->resizeSection(c, columnPixelWidth(c));
}

void TDBGrid::SyncCurrent() {
    TClientDataSet* ds = DataSet();
    const int row = (ds && Active()) ? ds->CurrentRow() : -1;
    const QModelIndex target = row >= 0 ? m_model->index(row, m_selectedCol) : QModelIndex();
    if (currentIndex() == target)
        return;
    const bool was = m_syncing;
    m_syncing = true;
    if (target.isValid()) {
        setCurrentIndex(target);
        scrollTo(target);
    } else {
        selectionModel()->clearCurrentIndex();
    }
    m_syncing = was;
}

// --- the data link ----------------------------------------------------------------------

void TDBGrid::ActiveChanged() {
    ResetModel();
}

void TDBGrid::DataSetChanged() {
    ResetModel();
}

void TDBGrid::DataSetScrolled() {
    viewport()->update();
    verticalHeader()->viewport()->update();
    SyncCurrent();
}

void TDBGrid::RecordChanged(TField*) {
    if (DataSet())
        m_model->rowChanged(DataSet()->CurrentRow());
}

void TDBGrid::EditingChanged() {
    RecordChanged(nullptr);
}

void TDBGrid::UpdateData() {
    WriteEditor();
}

void TDBGrid::FocusControl(TField*& field) {
    for (int c = 0; c < ColumnCount(); ++c) {
        if (Column(c).Field() != field)
            continue;
        SetSelectedIndex(c);
        // A grid that cannot take the focus (its form not shown yet, its page disabled)
        // only selects the column; another control may still take the request.
        if (!isVisible() || !isEnabled())
            return;
        field = nullptr;
        SetFocus(this);
        return;
    }
}

// --- editing ---------------------------------------------------------------------------

bool TDBGrid::EditorModified() const {
    return m_editor && m_delegate->editorValue(m_editor, m_editorIndex) != m_editorStartText;
}

void TDBGrid::WriteEditor() {
    if (!m_editor || m_openingRow || !EditorModified())
        return;
    TField* field = Column(m_editorIndex.column()).Field();
    TClientDataSet* ds = DataSet();
    if (!field || !ds)
        return;
    const QString value = m_delegate->editorValue(m_editor, m_editorIndex);
    m_commitFailed = true;
    if (ds->State() == dsBrowse)
        ds->Edit();
    field->SetText(value);
    m_commitFailed = false;
    m_editorStartText = value;
}

void TDBGrid::CloseOpenEditor() {
    if (!m_editor)
        return;
    m_commitFailed = false;
    QTableView::closeEditor(m_editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::commitData(QWidget* editor) {
    // Qt commits when the editor loses the focus; a text that does not convert keeps the
    // editor open, and the grid's exit reports it. A dialog shown while the row opens is
    // not the end of the cell.
    if (editor != m_editor || m_openingRow)
        return;
    try {
        WriteEditor();
    } catch (...) {
        m_commitFailed = true;
    }
}

void TDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == m_editor && (m_commitFailed || m_openingRow))
        return;
    QTableView::closeEditor(editor, hint);
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // Opening a cell only shows its editor: the row goes into edit when its text changes.
    const bool opens = (trigger & editTriggers()) || trigger == AllEditTriggers;
    if (opens && index.isValid() && state() != EditingState && !CanEditColumn(index.column()))
        return false;
    // Qt waits a double-click interval before a click on the current cell opens it, and
    // drops the keys typed meanwhile; the desktop grid opens the cell at once, so a clerk
    // who clicks and types straight away keeps every key.
    if (trigger == SelectedClicked)
        return QTableView::edit(index, EditKeyPressed, nullptr);
    return QTableView::edit(index, trigger, event);
}

void TDBGrid::EditorTextEdited() {
    TClientDataSet* ds = DataSet();
    if (!m_editor || !ds)
        return;
    const auto announce = [&] {
        if (OnEditorChange && m_editor)
            Guarded([&] {
                OnEditorChange(*this, Column(m_editorIndex.column()),
                               m_delegate->editorValue(m_editor, m_editorIndex));
            });
    };
    if (ds->State() != dsBrowse) {
        announce();
        return;
    }
    const QPointer<QWidget> editor = m_editor;
    m_openingRow = true;
    const bool opened = Guarded([&] { ds->Edit(); });
    m_openingRow = false;
    if (opened && (ds->State() == dsEdit || ds->State() == dsInsert)) {
        announce();
        return;
    }
    // Refused (a locked period): the key is dropped and the cell reads as before.
    if (editor && editor == m_editor) {
        m_delegate->revertEditor(m_editor, m_editorIndex);
        if (hasFocus())
            m_editor->setFocus(Qt::OtherFocusReason);
    }
}

void TDBGrid::EscapeInEditor() {
    // As the desktop grid: the first Esc takes back what was typed into the cell; Esc in
    // a cell with nothing typed cancels the row.
    const bool typed = EditorModified();
    CloseOpenEditor();
    if (typed)
        return;
    TClientDataSet* ds = DataSet();
    if (ds && (ds->State() == dsEdit || ds->State() == dsInsert))
        Guarded([&] { ds->Cancel(); });
}

void TDBGrid::DoExit() {
    TClientDataSet* ds = DataSet();
    if (!ds || !Active())
        return;
    if ((m_options & dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() &&
        !EditorModified()) {
        CloseOpenEditor();
        ds->Cancel();
        return;
    }
    WriteEditor();
    CloseOpenEditor();
}

// --- navigation and keys ---------------------------------------------------------------

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (m_syncing || !current.isValid()) {
        QTableView::currentChanged(current, previous);
        return;
    }
    const bool ok = Guarded([&] { NavigateTo(current.row(), current.column()); });
    if (!ok) {
        SyncCurrent();
        return;
    }
    QTableView::currentChanged(current, previous);
    SyncCurrent();
}

void TDBGrid::NavigateTo(int row, int column) {
    TClientDataSet* ds = DataSet();
    if (!ds || !Active())
        return;
    if (column != m_selectedCol) {
        WriteEditor();
        if (OnColExit)
            OnColExit(*this);
        m_selectedCol = column;
    }
    if (row != ds->CurrentRow()) {
        WriteEditor();
        ds->MoveBy(row - ds->CurrentRow());
    }
}

void TDBGrid::TabThroughCells(bool forward) {
    TClientDataSet* ds = DataSet();
    const int rows = ds->DisplayRowCount();
    const int row = ds->CurrentRow();
    if (ColumnCount() == 0 || rows == 0 || row < 0) {
        LeaveGrid(forward); // no cell to move through
        return;
    }
    if (!forward) {
        if (m_selectedCol > 0)
            setCurrentIndex(m_model->index(row, m_selectedCol - 1));
        else if (row > 0)
            setCurrentIndex(m_model->index(row - 1, ColumnCount() - 1));
        else
            LeaveGrid(false);
        return;
    }
    if (m_selectedCol + 1 < ColumnCount()) {
        setCurrentIndex(m_model->index(row, m_selectedCol + 1));
        return;
    }
    if (row + 1 < rows) {
        setCurrentIndex(m_model->index(row + 1, 0));
        return;
    }
    // The last cell: as on the desktop a new row follows, where the data set takes one;
    // a grid whose data set takes none, or whose last row is an untouched new one, is left.
    const bool untouchedNewRow = ds->State() == dsInsert && !ds->Modified() && !EditorModified();
    if (!CanModify() || untouchedNewRow) {
        LeaveGrid(true);
        return;
    }
    if ((ds->State() == dsEdit || ds->State() == dsInsert) && !Guarded([&] { ds->Post(); }))
        return; // the row's checks keep it open
    bool refused = false;
    Guarded([&] {
        try {
            setCurrentIndex(m_model->index(ds->CurrentRow(), 0));
            ds->Append();
        } catch (const EAbort&) {
            refused = true;
        }
    });
    if (refused)
        LeaveGrid(true);
}

void TDBGrid::LeaveGrid(bool forward) {
    QTableView::focusNextPrevChild(forward);
}

bool TDBGrid::RunKeyHandlers(QKeyEvent* event, QChar* typed) {
    int key = virtualKeyOf(event);
    const TShiftState shift = shiftOf(event->modifiers());
    if (OnKeyDown && key != 0) {
        if (!Guarded([&] { OnKeyDown(*this, key, shift); }) || key == 0)
            return false;
    }
    QChar c = typedCharOf(event);
    if (OnKeyPress && !c.isNull()) {
        if (!Guarded([&] { OnKeyPress(*this, c); }) || c.isNull() || c.unicode() == 0)
            return false;
    }
    if (typed)
        *typed = c;
    return true;
}

void TDBGrid::MoveByKey(QKeyEvent* event) {
    if (DataSet() && Active())
        QTableView::keyPressEvent(event);
}

bool TDBGrid::HandleKey(int key, TShiftState shift) {
    TClientDataSet* ds = DataSet();
    if (!ds || !Active())
        return false;
    // Keys that end the open cell: it is written (a text that does not convert keeps it
    // open) and closed before the grid acts on them.
    const bool endsCell = key == vk::Tab || key == vk::Return || key == vk::Up || key == vk::Down ||
                          key == vk::Prior || key == vk::Next ||
                          (key == vk::Insert && shift == 0) ||
                          (key == vk::Delete && shift == ssCtrl);
    if (m_editor && endsCell) {
        if (!Guarded([&] { WriteEditor(); }))
            return true;
        CloseOpenEditor();
        if (key == vk::Return)
            return true;
    }
    const int last = ds->DisplayRowCount() - 1;
    switch (key) {
    case vk::Down:
        if (shift != 0)
            return false;
        if (ds->CurrentRow() >= last && CanModify()) {
            if (ds->State() == dsInsert && !ds->Modified())
                return true;
            Guarded([&] { ds->Append(); });
            return true;
        }
        return false;
    case vk::Up:
        if (shift == 0 && ds->State() == dsInsert && !ds->Modified() && !EditorModified()) {
            Guarded([&] { ds->Cancel(); });
            return true;
        }
        return false;
    case vk::Insert:
        if (shift == 0 && CanModify())
            Guarded([&] { ds->Insert(); });
        return shift == 0;
    case vk::Delete:
        if (shift == ssCtrl && CanModify() && !ds->IsEmpty()) {
            Guarded([&] {
                if (!(m_options & dgConfirmDelete) ||
                    Ui().MessageDlg(QStringLiteral("Excluir registro?"), mtConfirmation,
                                    mbOK | mbCancel, 0) == mrOk)
                    ds->Delete();
            });
            return true;
        }
        return false;
    case vk::Escape:
        if (ds->State() == dsEdit || ds->State() == dsInsert) {
            Guarded([&] { ds->Cancel(); });
            return true;
        }
        return false;
    case vk::Tab:
        if (shift & ssAlt)
            return false;
        if (!(m_options & dgTabs) || (shift & ssCtrl)) {
            // Ctrl+Tab leaves a grid whose Tab moves between its cells.
            LeaveGrid(!(shift & ssShift));
            return true;
        }
        TabThroughCells(!(shift & ssShift));
        return true;
    case vk::Return:
        if (CanEditColumn(m_selectedCol) && currentIndex().isValid())
            edit(currentIndex(), EditKeyPressed, nullptr);
        return true;
    default:
        return false;
    }
}

bool TDBGrid::focusNextPrevChild(bool next) {
    // With tabs between cells, Tab is the grid's own key.
    if (m_options & dgTabs)
        return false;
    return QTableView::focusNextPrevChild(next);
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    QChar typed;
    if (!RunKeyHandlers(event, &typed)) {
        event->accept();
        return;
    }
    if (HandleKey(virtualKeyOf(event), shiftOf(event->modifiers()))) {
        event->accept();
        return;
    }
    // A key that opens the cell editor is passed on to it; the handlers have seen it.
    m_forwardingKey = true;
    if (!typed.isNull() && typed.unicode() >= 32 && event->text() != typed) {
        QKeyEvent replaced(QEvent::KeyPress, 0, event->modifiers(), QString(typed));
        QTableView::keyPressEvent(&replaced);
    } else {
        QTableView::keyPressEvent(event);
    }
    m_forwardingKey = false;
}

bool TDBGrid::HasFocusWithin() const {
    const QWidget* focused = QApplication::focusWidget();
    return focused && (focused == this || isAncestorOf(focused));
}

bool TDBGrid::ShowsSelection() const {
    return (m_options & dgAlwaysShowSelection) || HasFocusWithin();
}

QString TDBGrid::AccessibleText(int row, int column) const {
    TField* field = column < ColumnCount() ? Column(column).Field() : nullptr;
    if (!field || !DataSet())
        return {};
    QString text;
    DataSet()->WithRow(row, [&] {
        text = field->DisplayText();
        if (OnAccessibleText)
            OnAccessibleText(const_cast<TDBGrid&>(*this), Column(column), text);
    });
    return text;
}

void TDBGrid::PaintCell(QPainter* painter, const QRect& rect, const QColor& brush, bool selected,
                        const QModelIndex& index) {
    if (!OnDrawColumnCell || index.column() >= ColumnCount())
        return;
    TCanvas canvas(*painter, brush);
    m_canvas = &canvas;
    TGridDrawState state = 0;
    if (selected)
        state |= gdSelected;
    if (selected && HasFocusWithin())
        state |= gdFocused;
    painter->save();
    // No dialog from inside a paint: a failing draw hook is logged and the cell keeps the
    // grid's own drawing.
    try {
        DataSet()->WithRow(index.row(), [&] {
            OnDrawColumnCell(*this, rect, index.column(), Column(index.column()), state);
        });
    } catch (...) {
        qWarning().noquote() << objectName()
                             << "cell drawing failed:" << describeCurrentException();
    }
    painter->restore();
    m_canvas = nullptr;
}
