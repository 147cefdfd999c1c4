#pragma once

// The desktop library's masked edit. The mask is given in the desktop notation
// ("00.000.000/0000-00;0;_", ">aaaa;0; "); the text reads as the desktop library stores
// it: without the mask's blanks, without the literals when the mask does not save them,
// and "" while nothing was typed.

#include "framework/components/edit.h"
#include "framework/components/line_edit_mask.h"

class TMaskEdit : public TEdit {
    Q_OBJECT
public:
    using TEdit::TEdit;

    const QString& EditMask() const { return m_mask.desktopMask(); }
    // Changing the mask keeps the stored value: "12345678000190" shows as
    // "12.345.678/0001-90" under "00.000.000/0000-00;0;_", and plain again without a mask.
    void SetEditMask(const QString& desktopMask);

    int MaxLength() const { return m_mask.maxLength(); }
    void SetMaxLength(int length) { m_mask.setMaxLength(length); }

    QString Text() const override { return m_mask.storedText(); }
    void SetText(const QString& value) override { m_mask.setStoredText(value); }

private:
    LineEditMask m_mask{this};
};
