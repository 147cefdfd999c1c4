#include "scripted_ui.h"

ScriptedUi::ScriptedUi() : m_previous(SetUi(this)) {}

ScriptedUi::~ScriptedUi() {
    SetUi(m_previous);
}

QStringList ScriptedUi::texts() const {
    QStringList out;
    for (const Message& m : messages)
        out << m.text;
    return out;
}

void ScriptedUi::clear() {
    messages.clear();
    lists.clear();
    busyKinds.clear();
    busyShows = busyHides = 0;
}

int ScriptedUi::MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int,
                           TMsgDlgButtons defaultButton) {
    messages.append({text, type, buttons, defaultButton});
    if (!answers.isEmpty())
        return answers.takeFirst();
    return (buttons & (mbYes | mbNo)) ? defaultAnswer : int(mrOk);
}

int ScriptedUi::PickFromList(const LookupList& list) {
    lists.append(list);
    return picks.isEmpty() ? -1 : picks.takeFirst();
}

void ScriptedUi::ShowBusy(QWidget*, int kind) {
    busyKinds.append(kind);
    ++busyShows;
    m_busy = true;
}

void ScriptedUi::HideBusy() {
    ++busyHides;
    m_busy = false;
}

int ScriptedUi::RunModal(QWidget* form) {
    modalForms.append(form->objectName());
    return onModal ? onModal(form) : int(mrCancel);
}
