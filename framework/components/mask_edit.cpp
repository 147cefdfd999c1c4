#include "framework/components/mask_edit.h"

#include <QSignalBlocker>

void TMaskEdit::SetEditMask(const QString& desktopMask) {
    const QString before = displayText();
    {
        // Qt clears and refills the text while the mask changes: one change event at most.
        const QSignalBlocker quiet(this);
        m_mask.setDesktopMask(desktopMask);
    }
    if (displayText() != before)
        runOnChange();
}
