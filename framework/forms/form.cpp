#include "framework/forms/form.h"

#include "contracts/host_framework.h"
#include "framework/components/focus.h"
#include "framework/components/tab_order.h"
#include "framework/forms/application.h"
#include "framework/ui/guard.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

TForm::TForm(QWidget* parent) : QWidget(parent) {
    trackFocus(this);
}

TForm::~TForm() = default;

void TForm::SetCaption(const QString& caption) {
    setWindowTitle(caption);
}

void TForm::SetClientSize(int width, int height) {
    resize(width, height);
}

QWidget* TForm::frameWidget() const {
    return m_subWindow ? static_cast<QWidget*>(m_subWindow.data()) : const_cast<TForm*>(this);
}

void TForm::Show() {
    QMdiArea* area = Application().MdiArea();
    if (m_style == fsMDIChild && area) {
        if (!m_subWindow) {
            m_subWindow = area->addSubWindow(this);
            m_subWindow->setObjectName(objectName() + QStringLiteral("_frame"));
            m_subWindow->setAttribute(Qt::WA_DeleteOnClose, false);
        }
        m_subWindow->show();
        m_subWindow->raise();
        area->setActiveSubWindow(m_subWindow);
        return;
    }
    show();
    raise();
    activateWindow();
}

int TForm::ShowModal() {
    m_modalResult = 0;
    setProperty("modalResult", 0);
    // Over the form the user was working in, centred on it, as the suite's dialogs open.
    const TForm* owner = Application().ActiveForm();
    const QWidget* over = owner && owner != this ? owner->frameWidget() : Application().MainForm();
    if (over && over->isVisible())
        move(over->mapToGlobal(over->rect().center()) - QPoint(width() / 2, height() / 2));
    return Ui().RunModal(this);
}

void TForm::Close() {
    frameWidget()->close();
}

void TForm::SetModalResult(int result) {
    m_modalResult = result;
    setProperty("modalResult", result);
    if (result != 0 && isVisible())
        Close();
}

TWindowState TForm::WindowState() const {
    const Qt::WindowStates s = frameWidget()->windowState();
    if (s & Qt::WindowMaximized)
        return wsMaximized;
    if (s & Qt::WindowMinimized)
        return wsMinimized;
    return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
    QWidget* frame = frameWidget();
    const Qt::WindowStates s = state == wsMaximized   ? Qt::WindowMaximized
                               : state == wsMinimized ? Qt::WindowMinimized
                                                      : Qt::WindowNoState;
    frame->setWindowState(s);
}

bool TForm::IsActiveForm() const {
    return Application().ActiveForm() == this;
}

QWidget* TForm::ActiveControl() const {
    return ::ActiveControl(this);
}

void TForm::SetActiveControl(QWidget* control) {
    m_initialControl = control;
    SetInitialControl(this, control);
    if (isVisible())
        SetFocus(control);
}

void TForm::RunCreate() {
    // As the desktop library does, a failing create handler is reported and the form
    // still exists.
    if (OnCreate)
        Guarded(OnCreate);
}

void TForm::RunActivate() {
    if (OnActivate)
        Guarded(OnActivate);
}

bool TForm::QueryClose(TCloseAction& action) {
    bool canClose = true;
    if (OnCloseQuery && !Guarded([&] { OnCloseQuery(canClose); }))
        return false;
    if (!canClose)
        return false;
    if (OnClose && !Guarded([&] { OnClose(action); }))
        return false;
    return action != caNone;
}

void TForm::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        event->accept();
        return;
    }
    TCloseAction action = m_subWindow ? caMinimize : caHide;
    if (!QueryClose(action)) {
        event->ignore();
        return;
    }
    if (testAttribute(Qt::WA_ShowModal) && m_modalResult == 0)
        SetModalResult(mrCancel);
    switch (action) {
    case caMinimize:
        event->ignore();
        frameWidget()->showMinimized();
        return;
    case caFree:
        event->accept();
        m_closing = true;
        frameWidget()->deleteLater();
        return;
    default:
        event->accept();
        return;
    }
}

void TForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !m_subWindow && isActiveWindow())
        RunActivate();
}

void TForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        if (m_initialControl)
            SetInitialControl(this, m_initialControl);
    }
}

bool TForm::focusNextPrevChild(bool next) {
    return focusNextTabStop(this, next) || QWidget::focusNextPrevChild(next);
}
