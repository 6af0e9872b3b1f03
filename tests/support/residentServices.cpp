// The stand-in services keep process-wide caches that they never free (they may be
// called late in a process). The code under test loads and unloads them; keeping the
// services a test binary names resident for its whole process keeps those caches
// reachable, so the leak checker reports only what our own code loses. A service missing
// from the library path stays missing.
//
// Compiled into each test binary that names services (qx_gtest_binary's RESIDENT), with
// QX_RESIDENT_SERVICES their file names separated by ':'.
#include <dlfcn.h>

#include <cstring>
#include <string>

namespace {

struct tResidentServices {
    tResidentServices() {
        const char* l_pNext = QX_RESIDENT_SERVICES;
        while (*l_pNext != '\0') {
            const char* l_pEnd = std::strchr(l_pNext, ':');
            const size_t l_Length =
                l_pEnd != nullptr ? size_t(l_pEnd - l_pNext) : std::strlen(l_pNext);
            dlopen(std::string(l_pNext, l_Length).c_str(), RTLD_NOW | RTLD_GLOBAL);
            l_pNext += l_Length + (l_pEnd != nullptr ? 1 : 0);
        }
    }
};

const tResidentServices g_ResidentServices;

}  // namespace
