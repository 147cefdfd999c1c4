#include "framework/forms/menu_item.h"

#include "framework/ui/guard.h"

TMenuItem::TMenuItem(const QString& name, const QString& caption, QObject* parent)
    : QAction(caption, parent) {
    setObjectName(name);
    connect(this, &QAction::triggered, this, [this] {
        if (OnClick)
            Guarded(OnClick);
    });
}

void TMenuItem::SetShortCut(int value) {
    m_shortCut = value;
    int key = value & 0xFF;
    if (value & 0x2000)
        key |= Qt::SHIFT;
    if (value & 0x4000)
        key |= Qt::CTRL;
    if (value & 0x8000)
        key |= Qt::ALT;
    setShortcut(QKeySequence(key));
    setShortcutContext(Qt::WidgetWithChildrenShortcut);
}
