# The per-module part of the system module library: module objects and the reading of
# system module descriptions.
qx_glob_sources(QX_SYSMODULE_MODULE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
