#include "tools/pxi-inventory/launch.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef QXINV_SOURCE_EXAMPLE_MACHINE
#error "QXINV_SOURCE_EXAMPLE_MACHINE must name the example machine of the source tree"
#endif
#ifndef QXINV_INSTALL_LIBDIR
#error "QXINV_INSTALL_LIBDIR, QXINV_INSTALL_SIMDIR and QXINV_INSTALL_MACHINE are required"
#endif

namespace nQxPxiInventory {

namespace {

bool exists(const std::string& a_rPath) {
    struct stat l_Stat;
    return stat(a_rPath.c_str(), &l_Stat) == 0;
}

std::string ownDirectory() {
    char l_Buffer[PATH_MAX];
    const ssize_t l_Length = readlink("/proc/self/exe", l_Buffer, sizeof(l_Buffer) - 1);
    if (l_Length <= 0) {
        return ".";
    }
    std::string l_Path(l_Buffer, static_cast<size_t>(l_Length));
    const size_t l_Slash = l_Path.rfind('/');
    return l_Slash == std::string::npos ? "." : l_Path.substr(0, l_Slash);
}

// The bare file name is found by the loader's normal search (LD_LIBRARY_PATH, the cache,
// the default directories). Nothing of the service is called, so loading it and letting
// it go again has no lasting effect.
bool pciBridgeServiceFound() {
    void* l_pHandle = dlopen("libqxpcibrd.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (l_pHandle == nullptr) {
        return false;
    }
    dlclose(l_pHandle);
    return true;
}

}  // namespace

tLayout findLayout() {
    tLayout l_Layout;
    const std::string l_Dir = ownDirectory();
    const std::string l_Parent = l_Dir + "/..";
    if (exists(l_Parent + "/services/libqxpcibrd.so.1")) {
        l_Layout.buildTree = true;
        l_Layout.libDir = l_Parent + "/lib";
        l_Layout.servicesDir = l_Parent + "/services";
        l_Layout.exampleMachine = QXINV_SOURCE_EXAMPLE_MACHINE;
    } else {
        l_Layout.libDir = l_Parent + "/" QXINV_INSTALL_LIBDIR;
        l_Layout.servicesDir = l_Parent + "/" QXINV_INSTALL_SIMDIR;
        l_Layout.exampleMachine = l_Parent + "/" QXINV_INSTALL_MACHINE;
    }
    char l_Resolved[PATH_MAX];
    for (std::string* l_pPath :
         {&l_Layout.libDir, &l_Layout.servicesDir, &l_Layout.exampleMachine}) {
        if (realpath(l_pPath->c_str(), l_Resolved) != nullptr) {
            *l_pPath = l_Resolved;
        }
    }
    return l_Layout;
}

void switchToStandInsIfNeeded(const tLayout& a_rLayout, char** a_ppArgv) {
    if (getenv(kStandInsEnv) != nullptr) {
        return;  // already switched: never loop
    }
    if (pciBridgeServiceFound() || !exists(a_rLayout.servicesDir + "/libqxpcibrd.so.1")) {
        return;
    }
    std::string l_Path = a_rLayout.servicesDir + ":" + a_rLayout.libDir;
    const char* l_pOld = getenv("LD_LIBRARY_PATH");
    if (l_pOld != nullptr && *l_pOld != '\0') {
        l_Path += std::string(":") + l_pOld;
    }
    const char* l_pMachine = getenv(kMachineEnv);
    if ((l_pMachine == nullptr || *l_pMachine == '\0') && exists(a_rLayout.exampleMachine)) {
        setenv(kMachineEnv, a_rLayout.exampleMachine.c_str(), 1);
    }
    setenv("LD_LIBRARY_PATH", l_Path.c_str(), 1);
    setenv(kStandInsEnv, a_rLayout.servicesDir.c_str(), 1);
    execv("/proc/self/exe", a_ppArgv);
    // Could not re-execute: go on without the stand-ins, the report will show it.
    std::fprintf(stderr, "pxi-inventory: cannot re-execute onto the stand-in services: %s\n",
                 std::strerror(errno));
    unsetenv(kStandInsEnv);
}

}  // namespace nQxPxiInventory
