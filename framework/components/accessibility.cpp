#include "framework/components/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>

namespace {

const char* const kEmptyDisplay = "_apurfatEmptyDisplay";
const char* const kNamePrefix = "_apurfatNamePrefix";
const char* const kDialog = "_apurfatDialog";

// A masked line edit: its text is the display text, or nothing while that is the
// untouched mask. Offsets are those of the display text, where the cursor moves.
class MaskedEditAccessible : public QAccessibleWidget,
                             public QAccessibleTextInterface,
                             public QAccessibleEditableTextInterface {
public:
    explicit MaskedEditAccessible(QLineEdit* edit)
        : QAccessibleWidget(edit, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = edit()->isReadOnly();
        s.editable = !s.readOnly;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return spoken();
        return QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t == QAccessible::Value)
            edit()->setText(text);
        else
            QAccessibleWidget::setText(t, text);
    }

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && edit()->hasSelectedText()) {
            *startOffset = edit()->selectionStart();
            *endOffset = edit()->selectionEnd();
        }
    }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int) override { edit()->deselect(); }
    void setSelection(int, int startOffset, int endOffset) override {
        edit()->setSelection(startOffset, endOffset - startOffset);
    }
    int cursorPosition() const override {
        return spoken().isEmpty() ? 0 : edit()->cursorPosition();
    }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override {
        return spoken().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(spoken().size()); }
    QRect characterRect(int offset) const override {
        const QString shown = edit()->displayText();
        const QFontMetrics metrics = edit()->fontMetrics();
        const QRect cursor = edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int left =
            cursor.left() - metrics.horizontalAdvance(shown.left(edit()->cursorPosition()));
        const QRect r(left + metrics.horizontalAdvance(shown.left(offset)), cursor.top(),
                      metrics.horizontalAdvance(shown.mid(offset, 1)), cursor.height());
        return QRect(edit()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return edit()->cursorPositionAt(edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        edit()->setCursorPosition(endIndex);
        edit()->setCursorPosition(startIndex);
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return {};
    }

    // QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override {
        edit()->setSelection(startOffset, endOffset - startOffset);
        edit()->del();
    }
    void insertText(int offset, const QString& text) override {
        edit()->setCursorPosition(offset);
        edit()->insert(text);
    }
    void replaceText(int startOffset, int endOffset, const QString& text) override {
        edit()->setSelection(startOffset, endOffset - startOffset);
        edit()->insert(text);
    }

private:
    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget()); }
    QString spoken() const {
        const QString shown = edit()->displayText();
        return shown == edit()->property(kEmptyDisplay).toString() ? QString() : shown;
    }
};

class PrefixedLabelAccessible : public QAccessibleWidget {
public:
    explicit PrefixedLabelAccessible(QLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        const auto* label = static_cast<const QLabel*>(widget());
        const QString prefix = label->property(kNamePrefix).toString();
        return label->text().isEmpty() ? prefix : prefix + QLatin1Char(' ') + label->text();
    }
};

// A form shown as a dialog window. Qt reads a plain widget window as a "filler"; a screen
// reader must announce a dialog, by its caption (a window's name), and whether it is modal.
class DialogFormAccessible : public QAccessibleWidget {
public:
    explicit DialogFormAccessible(QWidget* form) : QAccessibleWidget(form, QAccessible::Dialog) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.modal = widget()->isModal();
        return s;
    }
};

QAccessibleInterface* componentFactory(const QString& className, QObject* object) {
    if (object->isWidgetType() && object->property(kDialog).toBool() &&
        static_cast<QWidget*>(object)->isWindow())
        return new DialogFormAccessible(static_cast<QWidget*>(object));
    if (className == QLatin1String("QLineEdit") && object->property(kEmptyDisplay).isValid())
        return new MaskedEditAccessible(static_cast<QLineEdit*>(object));
    if (className == QLatin1String("QLabel") && object->property(kNamePrefix).isValid())
        return new PrefixedLabelAccessible(static_cast<QLabel*>(object));
    return nullptr;
}

void installFactory() {
    static const bool installed = (QAccessible::installFactory(componentFactory), true);
    Q_UNUSED(installed);
}

} // namespace

void setMaskedEditAccessibility(QLineEdit* edit, const QString& emptyDisplay) {
    installFactory();
    edit->setProperty(kEmptyDisplay, emptyDisplay);
}

void setDialogAccessibility(QWidget* form) {
    installFactory();
    form->setProperty(kDialog, true);
}

void setAccessibleNamePrefix(QLabel* label, const QString& prefix) {
    installFactory();
    label->setProperty(kNamePrefix, prefix);
    label->setAccessibleName(QString()); // the name comes from the prefix and the text
}
