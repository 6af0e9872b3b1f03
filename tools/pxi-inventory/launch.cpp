#include "tools/pxi-inventory/launch.h"

#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "services/common/environment.h"

#ifndef QXINV_SOURCE_EXAMPLE_MACHINE
#error "QXINV_SOURCE_EXAMPLE_MACHINE must name the example machine of the source tree"
#endif
#ifndef QXINV_INSTALL_LIBDIR
#error "QXINV_INSTALL_LIBDIR, QXINV_INSTALL_SIMDIR and QXINV_INSTALL_MACHINE are required"
#endif

namespace nQxPxiInventory {

const char* const kServiceFiles[4] = {kPciBridgeServiceFile, "libqxcntdrv.so.1", "libqxsmbus.so.2",
                                      "libqxrelocations.so.0"};

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

std::string directoryOf(const std::string& a_rPath) {
    const size_t l_Slash = a_rPath.rfind('/');
    return l_Slash == std::string::npos ? "." : a_rPath.substr(0, l_Slash);
}

}  // namespace

std::string resolvedPath(const std::string& a_rPath) {
    char l_Resolved[PATH_MAX];
    return realpath(a_rPath.c_str(), l_Resolved) != nullptr ? std::string(l_Resolved) : a_rPath;
}

tLayout findLayout() {
    tLayout l_Layout;
    const std::string l_Parent = ownDirectory() + "/..";
    if (exists(l_Parent + "/services/" + kPciBridgeServiceFile)) {
        l_Layout.buildTree = true;
        l_Layout.libDir = l_Parent + "/lib";
        l_Layout.servicesDir = l_Parent + "/services";
        l_Layout.exampleMachine = QXINV_SOURCE_EXAMPLE_MACHINE;
    } else {
        l_Layout.libDir = l_Parent + "/" QXINV_INSTALL_LIBDIR;
        l_Layout.servicesDir = l_Parent + "/" QXINV_INSTALL_SIMDIR;
        l_Layout.exampleMachine = l_Parent + "/" QXINV_INSTALL_MACHINE;
    }
    for (std::string* l_pPath :
         {&l_Layout.libDir, &l_Layout.servicesDir, &l_Layout.exampleMachine}) {
        *l_pPath = resolvedPath(*l_pPath);
    }
    return l_Layout;
}

// The bare file name is found by the loader's normal search (LD_LIBRARY_PATH, the cache,
// the default directories). Nothing of a service is called, so loading it and letting it
// go again has no lasting effect.
std::vector<std::pair<std::string, std::string>> missingServices() {
    std::vector<std::pair<std::string, std::string>> l_Missing;
    for (const char* l_pFile : kServiceFiles) {
        void* l_pHandle = dlopen(l_pFile, RTLD_LAZY | RTLD_LOCAL);
        if (l_pHandle == nullptr) {
            const char* l_pError = dlerror();
            l_Missing.emplace_back(l_pFile, l_pError != nullptr ? l_pError : "not found");
        } else {
            dlclose(l_pHandle);
        }
    }
    return l_Missing;
}

void switchToStandIns(const tLayout& a_rLayout, const std::string& a_rMachine, char** a_ppArgv,
                      std::string& a_rError) {
    a_rError.clear();
    // A privileged tool honours no variable (the loader ignores LD_LIBRARY_PATH too), so
    // it cannot switch, and must not re-execute in search of a switch it never sees.
    if (nQxSim::secureMode()) {
        a_rError = "a privileged pxi-inventory does not simulate";
        return;
    }
    if (!nQxSim::environmentValue(kStandInsEnv).empty()) {
        return;  // already switched: never loop
    }
    if (!exists(a_rLayout.servicesDir + "/" + kPciBridgeServiceFile)) {
        a_rError = "the stand-in services are not installed (no " + a_rLayout.servicesDir + "/" +
                   kPciBridgeServiceFile + ")";
        return;
    }
    std::string l_Path = a_rLayout.servicesDir + ":" + a_rLayout.libDir;
    const std::string l_Old = nQxSim::environmentValue("LD_LIBRARY_PATH");
    if (!l_Old.empty()) {
        l_Path += ":" + l_Old;
    }
    setenv(kMachineEnv, a_rMachine.c_str(), 1);
    setenv("LD_LIBRARY_PATH", l_Path.c_str(), 1);
    setenv(kStandInsEnv, a_rLayout.servicesDir.c_str(), 1);
    execv("/proc/self/exe", a_ppArgv);
    a_rError = std::string("cannot re-execute onto the stand-in services: ") + std::strerror(errno);
    unsetenv(kStandInsEnv);
}

std::string standInServicesInUse(const tLayout& a_rLayout) {
    const std::string l_Switched = nQxSim::environmentValue(kStandInsEnv);
    if (!l_Switched.empty()) {
        return l_Switched;
    }
    void* l_pHandle = dlopen(kPciBridgeServiceFile, RTLD_LAZY | RTLD_LOCAL);
    if (l_pHandle == nullptr) {
        dlerror();
        return std::string();
    }
    std::string l_Dir;
    struct link_map* l_pMap = nullptr;
    if (dlinfo(l_pHandle, RTLD_DI_LINKMAP, &l_pMap) == 0 && l_pMap != nullptr &&
        l_pMap->l_name != nullptr) {
        l_Dir = resolvedPath(directoryOf(l_pMap->l_name));
    }
    dlclose(l_pHandle);
    return !l_Dir.empty() && l_Dir == a_rLayout.servicesDir ? l_Dir : std::string();
}

}  // namespace nQxPxiInventory
