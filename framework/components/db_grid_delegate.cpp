#include "framework/components/db_grid_delegate.h"

#include "framework/components/db_grid.h"
#include "framework/data/edit_mask.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace {
const char* const kLoaded = "_apurfatLoaded";
} // namespace

GridDelegate::GridDelegate(TDBGrid& grid) : QStyledItemDelegate(&grid), m_grid(grid) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("cellEditor"));
    editor->setFrame(false);
    if (TField* field = m_grid.Column(index.column()).Field()) {
        if (!field->EditMask().isEmpty())
            editor->setInputMask(EditMask(field->EditMask()).toQtInputMask());
        else if ((field->DataType() == ftString || field->DataType() == ftFixedChar) &&
                 field->Size() > 0)
            editor->setMaxLength(field->Size());
        if (field->Alignment() == taRightJustify)
            editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    m_grid.m_editor = editor;
    m_grid.m_editorIndex = index;
    connect(editor, &QLineEdit::textEdited, &m_grid, [this] { m_grid.EditorTextEdited(); });
    return editor;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (editor->property(kLoaded).toBool())
        return;
    editor->setProperty(kLoaded, true);
    loadEditor(editor, index);
}

void GridDelegate::revertEditor(QWidget* editor, const QModelIndex& index) const {
    auto* line = static_cast<QLineEdit*>(editor);
    const QString edited = line->displayText();
    loadEditor(editor, index);
    const QString restored = line->displayText();
    int same = 0;
    while (same < edited.size() && same < restored.size() && edited.at(same) == restored.at(same))
        ++same;
    line->setCursorPosition(same);
}

void GridDelegate::loadEditor(QWidget* editor, const QModelIndex& index) const {
    auto* line = static_cast<QLineEdit*>(editor);
    TField* field = m_grid.Column(index.column()).Field();
    if (!field)
        return;
    QString text;
    try {
        text = field->Text();
    } catch (...) {
        text.clear();
    }
    if (!field->EditMask().isEmpty())
        text = EditMask(field->EditMask()).format(text);
    line->setText(text);
    m_grid.m_editorStartText = editorValue(editor, index);
    m_grid.m_commitFailed = false;
}

QString GridDelegate::editorValue(QWidget* editor, const QModelIndex& index) const {
    auto* line = static_cast<QLineEdit*>(editor);
    TField* field = m_grid.Column(index.column()).Field();
    if (field && !field->EditMask().isEmpty())
        return EditMask(field->EditMask()).storedValue(line->displayText());
    return line->text();
}

void GridDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    if (m_grid.m_editor == editor) {
        m_grid.m_editor = nullptr;
        m_grid.m_editorIndex = QModelIndex();
    }
    QStyledItemDelegate::destroyEditor(editor, index);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    // The desktop grid fills each cell itself: the selection colour where the selection
    // shows, whether or not the window is active and whatever selection look the style
    // has, so that a cell-drawing hook's fill matches the cells around it.
    const bool selected = (option.state & QStyle::State_Selected) && m_grid.ShowsSelection();
    const QPalette& colours = m_grid.palette();
    const QColor fill =
        colours.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base);
    painter->fillRect(option.rect, fill);
    QStyleOptionViewItem look = option;
    look.state &= ~QStyle::State_Selected;
    if (selected)
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            look.palette.setColor(group, QPalette::Text,
                                  colours.color(QPalette::Active, QPalette::HighlightedText));
    QStyledItemDelegate::paint(painter, look, index);
    m_grid.PaintCell(painter, option.rect, fill, selected, index);
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event) {
    // A cell editor that goes away with the focus (its row reloaded, moved or scrolled off)
    // hands it to its grid: Qt would pass it to whatever comes next, the MDI frame or
    // another control, and the keys that follow would be lost or run the grid's exit.
    if (event->type() == QEvent::Hide && static_cast<QWidget*>(object)->hasFocus())
        m_grid.setFocus(Qt::OtherFocusReason);
    if (event->type() != QEvent::KeyPress)
        return QStyledItemDelegate::eventFilter(object, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (m_grid.m_forwardingKey)
        return false;
    QChar typed;
    if (!m_grid.RunKeyHandlers(key, &typed))
        return true;
    if (!typed.isNull() && typed != QChar(8) && typed.unicode() >= 32 && key->text() != typed) {
        // The handler changed the character: type the new one instead.
        QKeyEvent replaced(QEvent::KeyPress, 0, key->modifiers(), QString(typed));
        QCoreApplication::sendEvent(object, &replaced);
        return true;
    }
    const int vk = virtualKeyOf(key);
    const TShiftState shift = shiftOf(key->modifiers());
    switch (vk) {
    case vk::Up:
    case vk::Down:
    case vk::Prior:
    case vk::Next:
        // One press writes the cell and moves, which posts the row.
        if (shift & (ssCtrl | ssAlt))
            return true;
        if (!m_grid.HandleKey(vk, shift) && !m_grid.EditorMode())
            m_grid.MoveByKey(key);
        return true;
    case vk::Tab:
    case vk::Return:
        if (shift & (ssCtrl | ssAlt))
            return true;
        m_grid.HandleKey(vk, shift);
        return true;
    case vk::Insert:
        if (shift != 0)
            break;
        m_grid.HandleKey(vk, shift);
        return true;
    case vk::Delete:
        if (shift != ssCtrl)
            break;
        m_grid.HandleKey(vk, shift);
        return true;
    case vk::Escape:
        m_grid.EscapeInEditor();
        return true;
    default:
        break;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
