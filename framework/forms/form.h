#pragma once

// A form in the desktop library's terms on a QWidget: caption, client size, MDI child or
// window, window state, the create/activate/close-query/close events, the active control,
// and modal showing through the dialog seam.

#include <QPointer>
#include <QWidget>

#include <functional>

class QMdiSubWindow;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsMDIChild };

class TForm : public QWidget {
    Q_OBJECT
public:
    explicit TForm(QWidget* parent = nullptr);
    ~TForm() override;

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption);
    void SetClientSize(int width, int height);
    TFormStyle FormStyle() const { return m_style; }
    void SetFormStyle(TFormStyle style) { m_style = style; }

    // Shows the form: an MDI child goes into the host's MDI area (a window when there is
    // none); an existing form comes to the front.
    void Show();
    // Shows the form modally through the dialog seam, centred on the form the user is
    // working in (else the main window); returns the modal result.
    int ShowModal();
    // Asks the form to close: OnCloseQuery, then OnClose, whose action decides.
    void Close();
    int ModalResult() const { return m_modalResult; }
    // A modal form closes when it is given a non-zero modal result.
    void SetModalResult(int result);

    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    // Whether this is the form the user is working in (the active MDI child or window).
    bool IsActiveForm() const;

    QWidget* ActiveControl() const;
    // The control that takes the focus when the form is first shown.
    void SetActiveControl(QWidget* control);

    // The window the form is shown in: its MDI subwindow, or the form itself.
    QWidget* frameWidget() const;

    // Events, bound by the form (or a base form) to its handlers.
    std::function<void()> OnCreate;
    std::function<void()> OnActivate;
    std::function<void(bool& canClose)> OnCloseQuery;
    std::function<void(TCloseAction& action)> OnClose;

    // Runs OnCreate inside the guard: an error is shown and the form still exists, as
    // the desktop library's form creation does. Called once by TApplication::CreateForm.
    void RunCreate();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Tab and Shift+Tab walk the form's controls container by container.
    bool focusNextPrevChild(bool next) override;

private:
    friend class TApplication;
    void RunActivate();
    bool QueryClose(TCloseAction& action);

    TFormStyle m_style = fsNormal;
    QPointer<QMdiSubWindow> m_subWindow;
    QPointer<QWidget> m_initialControl;
    int m_modalResult = 0;
    bool m_shownOnce = false;
    bool m_closing = false;
};
