#pragma once

// The host application as the framework sees it: its main window and MDI area, form
// creation, and the form the user is working in.

#include "framework/forms/form.h"

#include <QMdiArea>
#include <QPointer>

class QMdiArea;

class TApplication {
public:
    static TApplication& instance();

    QWidget* MainForm() const { return m_mainForm; }
    void SetMainForm(QWidget* mainForm) { m_mainForm = mainForm; }
    QMdiArea* MdiArea() const { return m_mdiArea; }
    void SetMdiArea(QMdiArea* area);

    // Creates a form of type T: `reference` is set before the form's OnCreate runs, so
    // that the create handler can reach the form through it.
    template <typename T> void CreateForm(T*& reference) {
        reference = new T();
        reference->RunCreate();
    }

    // The form the user is working in: the active MDI child, else the active window.
    TForm* ActiveForm() const;

private:
    QPointer<QWidget> m_mainForm;
    QPointer<QMdiArea> m_mdiArea;
};

inline TApplication& Application() {
    return TApplication::instance();
}
