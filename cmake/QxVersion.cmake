# The package version: the tool's --version, the pkg-config file and the .deb packages.
if(NOT DEFINED QX_PACKAGE_VERSION)
    set(QX_PACKAGE_VERSION 1.0.0)
endif()
