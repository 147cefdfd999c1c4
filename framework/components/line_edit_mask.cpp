#include "framework/components/line_edit_mask.h"

#include "framework/components/accessibility.h"

#include <QLineEdit>

LineEditMask::LineEditMask(QLineEdit* edit) : m_edit(edit) {
    setMaskedEditAccessibility(m_edit, QString());
}

void LineEditMask::setDesktopMask(const QString& desktopMask) {
    const QString value = storedText();
    m_mask = EditMask(desktopMask);
    m_edit->setInputMask(m_mask.toQtInputMask());
    // A screen reader hears an untouched mask as empty, not as its literals.
    setMaskedEditAccessibility(m_edit, m_mask.format(QString()));
    // Removing a mask resets QLineEdit's maximum length.
    if (m_mask.isEmpty())
        m_edit->setMaxLength(m_maxLength);
    setStoredText(value);
}

void LineEditMask::setMaxLength(int length) {
    m_maxLength = length;
    if (m_mask.isEmpty())
        m_edit->setMaxLength(length);
}

QString LineEditMask::storedText() const {
    if (m_mask.isEmpty())
        return m_edit->text();
    const QString shown = m_edit->displayText();
    if (shown == m_mask.format(QString()))
        return QStringLiteral(""); // empty, not null: a null text binds as SQL NULL
    return m_mask.storedValue(shown);
}

void LineEditMask::setStoredText(const QString& value) {
    m_edit->setText(m_mask.format(value));
    // Qt leaves the cursor past the end, where a full-length mask takes no typing.
    if (!m_mask.isEmpty())
        m_edit->setCursorPosition(0);
}
