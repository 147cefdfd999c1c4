# Widget-free globals, the dialog seam, the guard, the host session.
target_sources(apurfat_framework PRIVATE
    globals.cpp
    ui/guard.cpp
    ui/ui_services.cpp
    ui/qt_ui_services.cpp
    ui/lookup_dialog.cpp
    ui/busy_indicator.cpp
)
