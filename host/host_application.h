#pragma once

// The host's QApplication. Every handler runs inside the framework's guard already; the
// notify override is the second line of defence: whatever still escapes an event handler
// is shown once and the event counts as not handled, instead of ending the program.

#include <QApplication>

class HostApplication : public QApplication {
    Q_OBJECT
public:
    HostApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
