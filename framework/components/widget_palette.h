#pragma once

// Colours of the framework's edits, set through the palette so that the style draws them.
// Only the enabled look changes: a disabled edit keeps the style's disabled colours.

#include <QColor>
#include <QPalette>
#include <QWidget>

inline void setPaletteColor(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Active, role, colour);
    palette.setColor(QPalette::Inactive, role, colour);
    widget->setPalette(palette);
}
