#include "framework/components/speed_button.h"

#include "framework/ui/guard.h"

TSpeedButton::TSpeedButton(QWidget* parent) : QToolButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setFixedSize(23, 22);
    connect(this, &QToolButton::clicked, this, guard([this](bool) { Click(); }));
}

void TSpeedButton::SetHint(const QString& hint) {
    setToolTip(hint);
    setAccessibleName(hint);
}

void TSpeedButton::Click() {
    if (OnClick)
        OnClick();
}
