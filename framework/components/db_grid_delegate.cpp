#include "framework/components/db_grid_delegate.h"

#include "framework/components/db_grid.h"
#include "framework/data/edit_mask.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

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
    return editor;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
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
    QStyledItemDelegate::paint(painter, option, index);
    m_grid.PaintCell(painter, option, index);
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event) {
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
    switch (vk) {
    case vk::Tab:
    case vk::Return:
    case vk::Up:
    case vk::Down:
    case vk::Prior:
    case vk::Next:
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return true;
        m_grid.HandleKey(vk, shiftOf(key->modifiers()));
        return true;
    case vk::Escape:
        m_grid.CloseOpenEditor();
        return true;
    default:
        return QStyledItemDelegate::eventFilter(object, event);
    }
}
