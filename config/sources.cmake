# Configuration data, one list per component so that a deliverable takes only what it needs.
qx_glob_sources(QX_SLOTPATH_SOURCES ${CMAKE_CURRENT_LIST_DIR}/slotpath/*.cpp)
qx_glob_sources(QX_INIFILE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/inifile/*.cpp)
qx_glob_sources(QX_FILEPATHS_SOURCES ${CMAKE_CURRENT_LIST_DIR}/pxiFilePaths/*.cpp)
qx_glob_sources(QX_HWDB_SOURCES ${CMAKE_CURRENT_LIST_DIR}/pxiHardwareDatabase/*.cpp)
set(QX_CONFIG_SOURCES ${QX_SLOTPATH_SOURCES} ${QX_INIFILE_SOURCES} ${QX_FILEPATHS_SOURCES}
    ${QX_HWDB_SOURCES})
