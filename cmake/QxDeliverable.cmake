# qx_add_deliverable(<name>
#     NAMESPACE <namespace>      namespace wrapping this deliverable's copy of the shared code
#     COMPONENT <text>           component name stored in status records (at most 9 characters)
#     SOURCES <files...>         the deliverable's own sources and the shared sources it needs
#     EXPORTS <symbols...>       the C entry points; nothing else is exported
#     [OUTPUT_DIRECTORY <dir>])  default: ${CMAKE_BINARY_DIR}/lib
#
# Builds lib<name>.so with hidden visibility and a linker version script, without
# RPATH/RUNPATH, so that a host finds it, and it finds the services, by file name only.
function(qx_add_deliverable name)
    cmake_parse_arguments(QX "" "NAMESPACE;COMPONENT;OUTPUT_DIRECTORY" "SOURCES;EXPORTS" ${ARGN})
    if(NOT QX_NAMESPACE OR NOT QX_COMPONENT OR NOT QX_EXPORTS)
        message(FATAL_ERROR "qx_add_deliverable(${name}): NAMESPACE, COMPONENT and EXPORTS are required")
    endif()
    if(NOT QX_OUTPUT_DIRECTORY)
        set(QX_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
    endif()

    set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}.map)
    set(body "{\n  global:\n")
    foreach(sym ${QX_EXPORTS})
        string(APPEND body "    ${sym};\n")
    endforeach()
    string(APPEND body "  local:\n    *;\n};\n")
    # Written only when it changes: a re-run of CMake must not re-link every library.
    file(CONFIGURE OUTPUT ${script} CONTENT "${body}" @ONLY)

    add_library(${name} SHARED ${QX_SOURCES})
    target_compile_definitions(${name} PRIVATE QX_NS=${QX_NAMESPACE} QX_COMPONENT="${QX_COMPONENT}")
    target_compile_options(${name} PRIVATE -fvisibility=hidden -fvisibility-inlines-hidden -fno-gnu-unique)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
    target_link_libraries(${name} PRIVATE Boost::headers Threads::Threads ${CMAKE_DL_LIBS})
    target_link_options(${name} PRIVATE -Wl,--version-script=${script} -Wl,--no-undefined -Wl,-z,defs)
    set_target_properties(${name} PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY ${QX_OUTPUT_DIRECTORY}
        LINK_DEPENDS ${script}
        SKIP_BUILD_RPATH ON
        BUILD_WITH_INSTALL_RPATH OFF
        INSTALL_RPATH "")
    set_property(GLOBAL APPEND PROPERTY QX_DELIVERABLES ${name})
    set_property(GLOBAL PROPERTY QX_EXPORTS_${name} ${QX_EXPORTS})
endfunction()

# qx_glob_sources(<variable> <patterns...>)
#   The files that match, globbed again at every build. No match is a configuration error,
#   so that a missing part of a deliverable fails loudly instead of building without it.
function(qx_glob_sources var)
    file(GLOB files CONFIGURE_DEPENDS ${ARGN})
    if(NOT files)
        message(FATAL_ERROR "${var}: nothing matches ${ARGN}")
    endif()
    set(${var} ${files} PARENT_SCOPE)
endfunction()
