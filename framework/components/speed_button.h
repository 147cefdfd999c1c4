#pragma once

// The desktop library's speed button: a flat button with a glyph and a hint that never
// takes the focus, so clicking it leaves the focus (and the exit events) where they are.

#include <QToolButton>

#include <functional>

class TSpeedButton : public QToolButton {
    Q_OBJECT
public:
    explicit TSpeedButton(QWidget* parent = nullptr);

    QString Hint() const { return toolTip(); }
    // The tooltip and the accessible name.
    void SetHint(const QString& hint);
    QIcon Glyph() const { return icon(); }
    void SetGlyph(const QIcon& glyph) { setIcon(glyph); }
    // Speed buttons keep the size the form gives them.
    void SetSize(int width, int height) { setFixedSize(width, height); }

    // Runs on a click, inside the guard.
    std::function<void()> OnClick;

    // What a click does; called from code, its failures reach the caller.
    virtual void Click();
};
