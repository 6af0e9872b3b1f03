# Shared runtime support compiled into every deliverable.
file(GLOB QX_RUNTIME_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*/*.cpp)
