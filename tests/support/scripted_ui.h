#pragma once

// The dialog seam for tests: records every message, list and busy animation shown, and
// answers from a script. Installed for its lifetime; no test ever blocks on a modal.

#include "contracts/host_framework.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class ScriptedUi : public UiServices {
public:
    struct Message {
        QString text;
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        TMsgDlgButtons defaultButton; // 0: the first
    };

    ScriptedUi();
    ~ScriptedUi() override;

    // Answers for MessageDlg, consumed in order; when none is left, a question gets
    // `defaultAnswer` and a plain message mrOk.
    QList<int> answers;
    int defaultAnswer = mrNo;
    // Rows to pick in lookup lists, consumed in order; -1 cancels; none left cancels.
    QList<int> picks;
    // What a modal form does while "shown": the test acts on it and returns the modal
    // result. Unset: the form is recorded and closes at once with mrCancel.
    std::function<int(QWidget* form)> onModal;
    QList<QString> modalForms; // object names of the forms shown modally

    QList<Message> messages;
    QList<LookupList> lists;
    QList<int> busyKinds;
    int busyShows = 0;
    int busyHides = 0;
    bool busyVisible() const { return m_busy; }

    QStringList texts() const;
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    void clear();

    int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext,
                   TMsgDlgButtons defaultButton = 0) override;
    int PickFromList(const LookupList& list) override;
    void ShowBusy(QWidget* over, int kind) override;
    void HideBusy() override;
    int RunModal(QWidget* form) override;

private:
    UiServices* m_previous;
    bool m_busy = false;
};
