# Shared runtime support compiled into every deliverable.
qx_glob_sources(QX_RUNTIME_SOURCES ${CMAKE_CURRENT_LIST_DIR}/*/*.cpp)
