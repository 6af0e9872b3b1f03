# Installation and packaging. Everything goes below the prefix where the libraries look
# for it by default, so that with the prefix /usr (the .deb packages) nothing needs
# relocating. Four components, one Debian package each:
#   qxpxi        lib/ the four libraries (loaded by file name); bin/pxi-inventory, its
#                man page and bash completion
#   qxpxi-dev    include/qxpxi/ the public headers; lib/pkgconfig/qxpxi.pc
#   qxpxi-sim    lib/qxpxi/sim/ the stand-in services, outside the loader's search so that
#                real services win (pxi-inventory --simulate switches to them);
#                share/qxpxi/examples/ the example machine and its descriptions, which
#                the stand-in relocation service points at. Example descriptions never go
#                into the live description directories (lib/qxpxihw/, share/pxisa/): on a
#                real machine they would be read as real hardware.
#   qxpxi-linux  the Linux services (services/linux installs them)
#   python3-qxpxi  the Python package (python/ installs it)
# tools/CMakeLists.txt and services/CMakeLists.txt hold the same relative paths.
include(QxVersion)
set(QX_INSTALL_SIMDIR lib/qxpxi/sim)
set(QX_INSTALL_EXAMPLES share/qxpxi/examples)

foreach(lib QXPXIeSMu QXPXIeCDu qx7402 qxpxiecf)
    if(TARGET ${lib})
        install(TARGETS ${lib} LIBRARY DESTINATION lib COMPONENT qxpxi)
    endif()
endforeach()
if(TARGET pxi-inventory)
    install(TARGETS pxi-inventory RUNTIME DESTINATION bin COMPONENT qxpxi)
endif()
# The man page is kept beside the --help text and installed compressed, as Debian wants.
set(QX_MAN_PAGE ${CMAKE_BINARY_DIR}/install/pxi-inventory.1.gz)
add_custom_command(OUTPUT ${QX_MAN_PAGE}
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/docs/pxi-inventory.1 > ${QX_MAN_PAGE}
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/pxi-inventory.1 VERBATIM)
add_custom_target(qx_man_page ALL DEPENDS ${QX_MAN_PAGE})
install(FILES ${QX_MAN_PAGE} DESTINATION share/man/man1 COMPONENT qxpxi)
install(FILES ${CMAKE_SOURCE_DIR}/tools/pxi-inventory.bash-completion
        DESTINATION share/bash-completion/completions RENAME pxi-inventory COMPONENT qxpxi)
# The documents the tool's help and man page point at.
install(FILES ${CMAKE_SOURCE_DIR}/docs/inventory-json.md ${CMAKE_SOURCE_DIR}/docs/machine-file.md
        DESTINATION share/doc/qxpxi COMPONENT qxpxi)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/qxpxi DESTINATION include COMPONENT qxpxi-dev)
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
        COMPONENT qxpxi-dev)

foreach(service qxsim_pcibrd qxsim_cntdrv qxsim_smbus qxsim_relocations)
    if(TARGET ${service})
        install(TARGETS ${service} LIBRARY DESTINATION ${QX_INSTALL_SIMDIR} COMPONENT qxpxi-sim)
    endif()
endforeach()
if(TARGET qxsim_smbios_dump)
    install(TARGETS qxsim_smbios_dump RUNTIME DESTINATION ${QX_INSTALL_SIMDIR}
            COMPONENT qxpxi-sim)
endif()
# The example machine relocates its description directories relative to its own file
# (../descriptions/...): installed with the same layout, it works under any prefix.
install(FILES ${CMAKE_SOURCE_DIR}/examples/machines/example-machine.json
        DESTINATION ${QX_INSTALL_EXAMPLES}/machines COMPONENT qxpxi-sim)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/descriptions/
        DESTINATION ${QX_INSTALL_EXAMPLES}/descriptions COMPONENT qxpxi-sim)

# Each package carries its copyright file and changelog.
set(QX_PACKAGES qxpxi qxpxi-dev qxpxi-sim)
get_cmake_property(QX_COMPONENTS COMPONENTS)
foreach(optional qxpxi-linux python3-qxpxi)
    if("${optional}" IN_LIST QX_COMPONENTS)
        list(APPEND QX_PACKAGES ${optional})
    endif()
endforeach()
set(QX_CHANGELOG ${CMAKE_BINARY_DIR}/install/changelog.gz)
add_custom_command(OUTPUT ${QX_CHANGELOG}
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/docs/changelog > ${QX_CHANGELOG}
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/changelog VERBATIM)
add_custom_target(qx_changelog ALL DEPENDS ${QX_CHANGELOG})
foreach(package ${QX_PACKAGES})
    install(FILES ${CMAKE_SOURCE_DIR}/docs/copyright ${QX_CHANGELOG}
            DESTINATION share/doc/${package} COMPONENT ${package})
endforeach()

# The .deb packages: cd build && cpack -G DEB. Runtime dependencies are computed with
# dpkg-shlibdeps; binaries are stripped and their debug symbols go into -dbgsym packages.
set(CPACK_PACKAGE_NAME qxpxi)
set(CPACK_PACKAGE_VERSION ${QX_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "qxpxi project")
set(CPACK_PACKAGE_CONTACT "qxpxi developers <qxpxi-devel@lists.qxpxi.org>")
# No package-wide summary: CPack would put it before each package's own synopsis. Each
# description is its synopsis, then the body as plain lines (CPack indents them by one
# space and writes an empty line as " .").
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Staged with DESTDIR, so that installed files that name the prefix (the systemd unit)
# name /usr and not the staging directory.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${QX_PACKAGES})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://qxpxi.org")
# Packages with libraries in lib/ activate the ldconfig trigger.
file(WRITE ${CMAKE_BINARY_DIR}/install/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_QXPXI_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/install/triggers)
# The Linux services are versioned system libraries: their shlibs file tells
# dpkg-shlibdeps which package provides each soname to whatever links against one.
file(WRITE ${CMAKE_BINARY_DIR}/install/linux/shlibs
    "libqxpcibrd 1 qxpxi-linux (>= ${QX_PACKAGE_VERSION})\n"
    "libqxsmbus 2 qxpxi-linux (>= ${QX_PACKAGE_VERSION})\n"
    "libqxcntdrv 1 qxpxi-linux (>= ${QX_PACKAGE_VERSION})\n"
    "libqxrelocations 0 qxpxi-linux (>= ${QX_PACKAGE_VERSION})\n")
set(CPACK_DEBIAN_QXPXI-LINUX_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/install/triggers ${CMAKE_BINARY_DIR}/install/linux/shlibs)
set(CPACK_DEBIAN_QXPXI_PACKAGE_NAME qxpxi)
set(CPACK_DEBIAN_QXPXI_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_QXPXI_DESCRIPTION
    "PXI and PXI Express hardware discovery libraries and pxi-inventory
Four libraries that instrument software loads by file name to learn which PXI
Express chassis hang from which PCI root buses, which system modules control
them, and which embedded controller the machine is; and pxi-inventory, which
shows what they see.")
set(CPACK_DEBIAN_QXPXI-DEV_PACKAGE_NAME qxpxi-dev)
set(CPACK_DEBIAN_QXPXI-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_QXPXI-DEV_PACKAGE_DEPENDS "qxpxi (= ${QX_PACKAGE_VERSION})")
set(CPACK_DEBIAN_QXPXI-DEV_DESCRIPTION
    "PXI and PXI Express hardware discovery: development files
The C headers of the four qxpxi libraries and of the platform services they
bind, and the pkg-config file for hosts that load the libraries.")
set(CPACK_DEBIAN_QXPXI-SIM_PACKAGE_NAME qxpxi-sim)
set(CPACK_DEBIAN_QXPXI-SIM_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_QXPXI-SIM_PACKAGE_RECOMMENDS "qxpxi (= ${QX_PACKAGE_VERSION})")
set(CPACK_DEBIAN_QXPXI-SIM_DESCRIPTION
    "PXI and PXI Express hardware discovery: simulated machine
Stand-in platform services that simulate a PXI Express machine described by a
JSON file, and an example machine with its description files, kept apart from
the live description directories (pxi-inventory --simulate).")
set(CPACK_DEBIAN_QXPXI-LINUX_PACKAGE_NAME qxpxi-linux)
set(CPACK_DEBIAN_QXPXI-LINUX_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_QXPXI-LINUX_PACKAGE_RECOMMENDS "qxpxi (= ${QX_PACKAGE_VERSION})")
set(CPACK_DEBIAN_QXPXI-LINUX_DESCRIPTION
    "PXI and PXI Express hardware discovery: Linux platform services
The platform services the qxpxi libraries bind, on Linux: PCI bridges
through hwloc, SMBus through i2c-dev, the machine's identity from DMI, with a
unit that writes the SMBIOS dump at boot and a timer that writes the
machine's state for the Prometheus node exporter every minute.")
include(CPack)
