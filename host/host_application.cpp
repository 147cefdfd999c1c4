#include "host/host_application.h"

#include "framework/ui/guard.h"

HostApplication::HostApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("corvana"));
    setApplicationName(QStringLiteral("apurfat-host"));
    // The package's menu entry, whose icon desktops then show for the running windows.
    setDesktopFileName(QStringLiteral("apurfat-host"));
}

bool HostApplication::notify(QObject* receiver, QEvent* event) {
    struct Delivery {
        HostApplication* app;
        QObject* receiver;
        QEvent* event;
        bool handled = false;
    } delivery{this, receiver, event};
    // The lambda holds one reference, so std::function keeps it without allocating:
    // this runs for every event.
    Guarded([&delivery] {
        delivery.handled = delivery.app->QApplication::notify(delivery.receiver, delivery.event);
    });
    return delivery.handled;
}
