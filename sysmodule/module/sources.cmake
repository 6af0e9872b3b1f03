# The per-module part of the system module library: module objects and the reading of
# system module descriptions.
file(GLOB QX_SYSMODULE_MODULE_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
