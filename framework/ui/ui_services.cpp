#include "contracts/host_framework.h"
#include "framework/ui/qt_ui_services.h"

namespace {
UiServices* g_installed = nullptr;

UiServices& qtUi() {
    static QtUiServices ui;
    return ui;
}
} // namespace

UiServices& Ui() {
    return g_installed ? *g_installed : qtUi();
}

UiServices* SetUi(UiServices* ui) {
    UiServices* previous = g_installed;
    g_installed = ui;
    return previous;
}
