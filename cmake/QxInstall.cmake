# Installation and packaging. Everything goes below the prefix where the libraries look
# for it by default, so that with the prefix /usr (the .deb) nothing needs relocating:
#   lib/                       the four libraries, loaded by file name
#   lib/qxpxihw/, share/qxpxi/, share/pxisa/   the example description files
#   include/qxpxi/             the public headers;  lib/pkgconfig/qxpxi.pc
#   bin/pxi-inventory          the host tool
#   lib/qxpxi/sim/             the stand-in services, outside the loader's search so that
#                              real services win; the tool switches to them when none is
#                              installed (tools/CMakeLists.txt holds the same paths)
#   share/qxpxi/machines/      the example machine the stand-ins serve
# All rules belong to the component "qxpxi": cmake --install <build> --component qxpxi.

if(NOT DEFINED QX_PACKAGE_VERSION)
    set(QX_PACKAGE_VERSION 1.0.0)
endif()
set(QX_INSTALL_COMPONENT qxpxi)
set(QX_INSTALL_SIMDIR lib/qxpxi/sim)

foreach(lib QXPXIeSMu QXPXIeCDu qx7402 qxpxiecf)
    if(TARGET ${lib})
        install(TARGETS ${lib} LIBRARY DESTINATION lib COMPONENT ${QX_INSTALL_COMPONENT})
    endif()
endforeach()

install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/qxpxi DESTINATION include
        COMPONENT ${QX_INSTALL_COMPONENT})

if(TARGET pxi-inventory)
    install(TARGETS pxi-inventory RUNTIME DESTINATION bin COMPONENT ${QX_INSTALL_COMPONENT})
endif()

foreach(service qxsim_pcibrd qxsim_cntdrv qxsim_smbus qxsim_relocations)
    if(TARGET ${service})
        install(TARGETS ${service} LIBRARY DESTINATION ${QX_INSTALL_SIMDIR}
                COMPONENT ${QX_INSTALL_COMPONENT})
    endif()
endforeach()
if(TARGET qxsim_smbios_dump)
    install(TARGETS qxsim_smbios_dump RUNTIME DESTINATION ${QX_INSTALL_SIMDIR}
            COMPONENT ${QX_INSTALL_COMPONENT})
endif()

install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/descriptions/libdir/ DESTINATION lib
        COMPONENT ${QX_INSTALL_COMPONENT})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/descriptions/datadir/ DESTINATION share
        COMPONENT ${QX_INSTALL_COMPONENT})

# The example machine relocates its description directories relative to its own file;
# the installed copy points them at <prefix>/lib and <prefix>/share from
# <prefix>/share/qxpxi/machines, so it works under any prefix and in the package.
set(QX_EXAMPLE_MACHINE ${CMAKE_SOURCE_DIR}/examples/machines/example-machine.json)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QX_EXAMPLE_MACHINE})
file(READ ${QX_EXAMPLE_MACHINE} QX_MACHINE_TEXT)
string(JSON QX_INSTALLED_MACHINE ERROR_VARIABLE QX_MACHINE_ERROR
       SET "${QX_MACHINE_TEXT}" relocations "{\"libdir\": \"../../../lib\", \"datadir\": \"../..\"}")
if(QX_MACHINE_ERROR)
    message(WARNING "${QX_EXAMPLE_MACHINE}: ${QX_MACHINE_ERROR}; installed unchanged")
    set(QX_INSTALLED_MACHINE "${QX_MACHINE_TEXT}")
endif()
file(WRITE ${CMAKE_BINARY_DIR}/install/example-machine.json "${QX_INSTALLED_MACHINE}\n")
install(FILES ${CMAKE_BINARY_DIR}/install/example-machine.json
        DESTINATION share/qxpxi/machines COMPONENT ${QX_INSTALL_COMPONENT})

# pkg-config: the libraries are loaded with dlopen, never linked, so a host needs the
# headers and libdl; libdir tells it where the libraries are.
file(WRITE ${CMAKE_BINARY_DIR}/install/qxpxi.pc
"prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: qxpxi
Description: PXI / PXI Express hardware discovery libraries (loaded with dlopen)
Version: ${QX_PACKAGE_VERSION}
Cflags: -I\${includedir}
Libs: -ldl
")
install(FILES ${CMAKE_BINARY_DIR}/install/qxpxi.pc DESTINATION lib/pkgconfig
        COMPONENT ${QX_INSTALL_COMPONENT})

set(CPACK_PACKAGE_NAME qxpxi)
set(CPACK_PACKAGE_VERSION ${QX_PACKAGE_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "PXI and PXI Express hardware discovery libraries, the pxi-inventory tool and stand-in services")
set(CPACK_PACKAGE_CONTACT "qxpxi developers <qxpxi@localhost>")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_COMPONENTS_ALL ${QX_INSTALL_COMPONENT})
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
