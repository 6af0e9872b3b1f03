#include "services/common/machineStore.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

#include "services/common/environment.h"

#ifndef QXSIM_DEFAULT_MACHINE
#error "QXSIM_DEFAULT_MACHINE must name the bundled example machine file"
#endif
#ifndef QXSIM_INSTALLED_MACHINE
#error "QXSIM_INSTALLED_MACHINE must name the installed example relative to the stand-ins"
#endif

namespace nQxSim {

namespace {

struct tCache {
    std::mutex mutex;
    std::string path;
    std::string text;
    std::shared_ptr<cMachine> machine;
};

tCache& cache() {
    // Destroyed when the service library is unloaded, so a host that unloads it leaks nothing.
    static tCache s_Cache;
    return s_Cache;
}

}  // namespace

std::string machinePath() {
    std::string l_Path = environmentValue("QXPXI_SIM_MACHINE");
    if (!l_Path.empty()) {
        return l_Path;
    }
    // An installed stand-in serves the installed example, so that it keeps working once
    // the source tree is gone.
    Dl_info l_Info{};
    if (dladdr(reinterpret_cast<void*>(&machinePath), &l_Info) != 0 &&
        l_Info.dli_fname != nullptr) {
        const std::string l_Library = l_Info.dli_fname;
        const size_t l_Slash = l_Library.rfind('/');
        if (l_Slash != std::string::npos) {
            const std::string l_Installed =
                l_Library.substr(0, l_Slash + 1) + QXSIM_INSTALLED_MACHINE;
            if (access(l_Installed.c_str(), F_OK) == 0) {
                return l_Installed;
            }
        }
    }
    return QXSIM_DEFAULT_MACHINE;
}

std::shared_ptr<cMachine> loadMachine() {
    const std::string l_Path = machinePath();
    std::string l_Text;
    {
        std::ifstream l_File(l_Path, std::ios::binary);
        if (!l_File) {
            const int l_Errno = errno;
            std::fprintf(stderr, "qxsim: machine file %s: cannot be read: %s\n", l_Path.c_str(),
                         std::strerror(l_Errno));
            return nullptr;
        }
        std::ostringstream l_Content;
        l_Content << l_File.rdbuf();
        if (l_File.bad()) {
            std::fprintf(stderr, "qxsim: machine file %s: read error\n", l_Path.c_str());
            return nullptr;
        }
        l_Text = l_Content.str();
    }
    tCache& l_rCache = cache();
    std::lock_guard<std::mutex> l_Lock(l_rCache.mutex);
    if (l_rCache.machine && l_rCache.path == l_Path && l_rCache.text == l_Text) {
        return l_rCache.machine;
    }
    try {
        std::shared_ptr<cMachine> l_pMachine = cMachine::parse(l_Text, l_Path);
        l_rCache.path = l_Path;
        l_rCache.text = l_Text;
        l_rCache.machine = l_pMachine;
        return l_pMachine;
    } catch (const std::exception& l_rError) {
        std::fprintf(stderr, "qxsim: machine file %s: %s\n", l_Path.c_str(), l_rError.what());
    } catch (...) {
        std::fprintf(stderr, "qxsim: machine file %s: cannot be used\n", l_Path.c_str());
    }
    return nullptr;
}

}  // namespace nQxSim
