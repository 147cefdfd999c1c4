#include "framework/components/edit.h"

#include "framework/components/enter_moves_focus.h"
#include "framework/components/focus.h"
#include "framework/components/widget_palette.h"
#include "framework/ui/guard.h"

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    markControl(this);
    enterMovesFocus(this);
    connect(this, &QLineEdit::textChanged, this, [this] { runOnChange(); });
}

void TEdit::SetColor(const QColor& colour) {
    setPaletteColor(this, QPalette::Base, colour);
}

void TEdit::runOnChange() {
    if (OnChange)
        Guarded(OnChange);
}
