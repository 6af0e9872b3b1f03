// The stand-in services keep process-wide caches that they never free (they may be
// called late in a process). The wrappers under test load and unload the services;
// keeping them resident for the whole test process keeps those caches reachable, so
// the leak checker reports only what our own code loses.
#include <dlfcn.h>

namespace {

struct tResidentServices {
    tResidentServices() {
        const char* const kNames[] = {"libqxsmbus.so.2", "libqxpcibrd.so.1", "libqxcntdrv.so.1"};
        for (const char* l_pName : kNames) {
            dlopen(l_pName, RTLD_NOW | RTLD_GLOBAL);
        }
    }
};

const tResidentServices g_ResidentServices;

}  // namespace
