#include "framework/ui/qt_ui_services.h"

#include "framework/ui/busy_indicator.h"
#include "framework/ui/lookup_dialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

QWidget* dialogParent() {
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    return QApplication::activeWindow();
}

QString captionOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return QStringLiteral("Aviso");
    case mtError:
        return QStringLiteral("Erro");
    case mtInformation:
        return QStringLiteral("Informação");
    case mtConfirmation:
        return QStringLiteral("Confirmação");
    case mtCustom:
        break;
    }
    return QApplication::applicationDisplayName();
}

QMessageBox::Icon iconOf(TMsgDlgType type) {
    switch (type) {
    case mtWarning:
        return QMessageBox::Warning;
    case mtError:
        return QMessageBox::Critical;
    case mtInformation:
        return QMessageBox::Information;
    case mtConfirmation:
        return QMessageBox::Question;
    case mtCustom:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtUiServices::QtUiServices() = default;
QtUiServices::~QtUiServices() = default;

int QtUiServices::MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                             int /*helpContext*/, TMsgDlgButtons defaultButton) {
    QMessageBox box(iconOf(type), captionOf(type), text, QMessageBox::NoButton, dialogParent());
    box.setObjectName(QStringLiteral("messageDlg"));
    struct Choice {
        TMsgDlgBtn flag;
        const char* caption;
        QMessageBox::ButtonRole role;
        int result;
    };
    static const Choice choices[] = {
        {mbYes, "&Sim", QMessageBox::YesRole, mrYes},
        {mbNo, "&Não", QMessageBox::NoRole, mrNo},
        {mbOK, "OK", QMessageBox::AcceptRole, mrOk},
        {mbCancel, "Cancelar", QMessageBox::RejectRole, mrCancel},
    };
    if (buttons == 0)
        buttons = mbOK;
    QList<std::pair<QAbstractButton*, int>> added;
    for (const Choice& c : choices) {
        if (!(buttons & c.flag))
            continue;
        QPushButton* b = box.addButton(QString::fromUtf8(c.caption), c.role);
        added.append({b, c.result});
        if (defaultButton ? c.flag == defaultButton : added.size() == 1)
            box.setDefaultButton(b);
    }
    if (buttons & mbCancel)
        box.setEscapeButton(added.last().first);
    else if (buttons & mbNo)
        for (const auto& [b, result] : added)
            if (result == mrNo)
                box.setEscapeButton(b);
    box.exec();
    for (const auto& [b, result] : added)
        if (box.clickedButton() == b)
            return result;
    return (buttons & mbCancel) ? mrCancel : (buttons & mbNo) ? mrNo : mrOk;
}

int QtUiServices::PickFromList(const LookupList& list) {
    LookupDialog dialog(list, dialogParent());
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return dialog.pickedRow();
}

void QtUiServices::ShowBusy(QWidget* over, int kind) {
    HideBusy();
    if (!over)
        over = QApplication::activeWindow();
    if (over)
        m_busy = new BusyIndicator(over, kind);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_cursorSet = true;
}

void QtUiServices::HideBusy() {
    if (m_busy)
        delete m_busy.data();
    if (m_cursorSet) {
        QApplication::restoreOverrideCursor();
        m_cursorSet = false;
    }
}

int QtUiServices::RunModal(QWidget* form) {
    // A modal run of a plain widget: application-modal window and a local event loop that
    // ends when the widget is hidden or destroyed.
    QPointer<QWidget> guard(form);
    form->setWindowModality(Qt::ApplicationModal);
    form->setAttribute(Qt::WA_ShowModal, true);
    form->show();
    QEventLoop loop;
    struct Watcher : QObject {
        QEventLoop& loop;
        explicit Watcher(QEventLoop& l) : loop(l) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Hide)
                loop.quit();
            return false;
        }
    } watcher(loop);
    form->installEventFilter(&watcher);
    QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
    if (guard)
        guard->removeEventFilter(&watcher);
    return guard ? guard->property("modalResult").toInt() : int(mrCancel);
}
