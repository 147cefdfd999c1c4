target_sources(apurfat_framework PRIVATE components/net_connection.cpp)
target_sources(apurfat_framework PRIVATE
    components/focus.cpp
    components/tab_order.cpp
    components/enter_moves_focus.cpp
    components/db_geral.cpp
)
target_sources(apurfat_framework PRIVATE
    components/keys.cpp
    components/canvas.cpp
    components/db_grid.cpp
    components/db_grid_model.cpp
    components/db_grid_delegate.cpp
)
target_sources(apurfat_framework PRIVATE
    components/messages.cpp
    components/theme_icon.cpp
    components/accessibility.cpp
    components/line_edit_mask.cpp
    components/edit.cpp
    components/mask_edit.cpp
    components/date_edit.cpp
    components/page_control.cpp
    components/page_tab_bar.cpp
    components/speed_button.cpp
    components/lookup_button.cpp
    components/sqlite_functions.cpp
    components/query.cpp
    components/db_navigator.cpp
    components/db_text.cpp
    components/registry.cpp
    components/panel.cpp
)
target_sources(apurfat_framework PRIVATE components/lookup_list.cpp)
