#pragma once

// The desktop library's edit: a line edit that is a control of its form (enter and exit
// events), with a change event and a background colour. Enter moves on as Tab does.

#include <QLineEdit>

#include <functional>

class TEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr);

    // The text as the desktop library reads it (a masked edit reads its stored value).
    virtual QString Text() const { return text(); }
    virtual void SetText(const QString& value) { setText(value); }

    // The background (the screens use the system's info colour, QPalette::ToolTipBase).
    void SetColor(const QColor& colour);

    // Runs on every change of the text, by the user or by code, inside the guard.
    std::function<void()> OnChange;

protected:
    void runOnChange();
};
