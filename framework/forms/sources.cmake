target_sources(apurfat_framework PRIVATE
    forms/form.cpp
    forms/application.cpp
    forms/menu_item.cpp
    forms/frm_padrao.cpp
    forms/frm_roti_geral.cpp
)
