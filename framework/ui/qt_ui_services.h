#pragma once

// The dialog seam on real widgets: message boxes with Portuguese buttons, the lookup list
// dialog and the busy indicator.

#include "contracts/host_framework.h"

#include <QPointer>

class BusyIndicator;

class QtUiServices : public UiServices {
public:
    QtUiServices();
    ~QtUiServices() override;

    int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext,
                   TMsgDlgButtons defaultButton = 0) override;
    int PickFromList(const LookupList& list) override;
    void ShowBusy(QWidget* over, int kind) override;
    void HideBusy() override;
    int RunModal(QWidget* form) override;

private:
    QPointer<BusyIndicator> m_busy;
    bool m_cursorSet = false;
};
