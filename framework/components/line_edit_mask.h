#pragma once

// Puts an edit mask in the desktop library's notation on a QLineEdit and reads and writes
// the value the way a desktop masked edit stores it. Qt's own text() is not that value:
// it keeps every literal (an untouched "99/99/9999" reads "//") and knows nothing of
// literals that are not saved.

#include "framework/data/edit_mask.h"

#include <QString>

class QLineEdit;

class LineEditMask {
public:
    explicit LineEditMask(QLineEdit* edit);

    const QString& desktopMask() const { return m_mask.source(); }
    // Changes the mask and keeps the stored value, shown in the new mask.
    void setDesktopMask(const QString& desktopMask);

    // The longest text the edit takes while it has no mask (a mask sets its own length).
    int maxLength() const { return m_maxLength; }
    void setMaxLength(int length);

    // The stored value: the mask's blanks removed, and the literals too when the mask does
    // not save them; "" while no input position holds a character.
    QString storedText() const;
    // Puts a stored value into the edit, formatted into the mask.
    void setStoredText(const QString& value);

private:
    QLineEdit* m_edit;
    EditMask m_mask;
    int m_maxLength = 32767; // QLineEdit's own default
};
