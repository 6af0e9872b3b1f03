# Platform service access, one list per service.
qx_glob_sources(QX_PCIBRD_SOURCES ${CMAKE_CURRENT_LIST_DIR}/pcibrdwrapper/*.cpp)
qx_glob_sources(QX_CNTDRV_SOURCES ${CMAKE_CURRENT_LIST_DIR}/cntdrvwrapper/*.cpp)
qx_glob_sources(QX_SMBUS_SOURCES ${CMAKE_CURRENT_LIST_DIR}/pxismbuswrapper/*.cpp)
qx_glob_sources(QX_SMBIOS_SOURCES ${CMAKE_CURRENT_LIST_DIR}/smbios/*.cpp)
set(QX_PLATFORM_SOURCES ${QX_PCIBRD_SOURCES} ${QX_CNTDRV_SOURCES} ${QX_SMBUS_SOURCES}
    ${QX_SMBIOS_SOURCES})
