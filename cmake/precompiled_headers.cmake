# One precompiled header for every target: Qt's headers dominate the build's time. GCC
# takes a precompiled header only where every macro it was built with is defined the same
# way, so the Qt libraries' macros are defined for all targets alike.
add_compile_definitions(QT_CORE_LIB QT_GUI_LIB QT_WIDGETS_LIB QT_SQL_LIB QT_NETWORK_LIB
                        QT_TESTLIB_LIB QT_PRINTSUPPORT_LIB)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_library(apurfat_pch OBJECT ${CMAKE_SOURCE_DIR}/cmake/pch.cpp)
target_link_libraries(apurfat_pch PRIVATE Qt6::Widgets Qt6::Sql Qt6::Network)
target_precompile_headers(apurfat_pch PRIVATE ${CMAKE_SOURCE_DIR}/cmake/pch.h)

# Gives every compiled target below `dir` the shared header.
function(apurfat_share_pch dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(t IN LISTS targets)
        get_target_property(type ${t} TYPE)
        get_target_property(libs ${t} LINK_LIBRARIES)
        # A target that links nothing is not built on Qt and keeps its plain build.
        if(NOT t STREQUAL apurfat_pch AND libs AND type MATCHES "EXECUTABLE|LIBRARY"
           AND NOT type STREQUAL "INTERFACE_LIBRARY")
            target_precompile_headers(${t} REUSE_FROM apurfat_pch)
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(d IN LISTS subdirs)
        apurfat_share_pch(${d})
    endforeach()
endfunction()
