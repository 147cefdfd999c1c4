#pragma once

// A menu item in the desktop library's terms: caption, enabled and checked states, a
// short-cut given as the desktop library's value (Ctrl+B is 16450), and a click handler
// that runs inside the guard.

#include <QAction>

#include <functional>

class TMenuItem : public QAction {
    Q_OBJECT
public:
    TMenuItem(const QString& name, const QString& caption, QObject* parent);

    // The desktop value: the key's code plus 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
    void SetShortCut(int value);
    int ShortCut() const { return m_shortCut; }

    std::function<void()> OnClick;

private:
    int m_shortCut = 0;
};
