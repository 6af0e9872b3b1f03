// The stand-in services keep process-wide caches that they never free (they may be
// called late in a process). Each test loads and unloads the plug-in, which loads and
// unloads the services with it; keeping the services resident for the whole test
// process keeps their caches reachable, so the leak checker reports only what the
// plug-in itself loses. A service missing from the library path stays missing.
#include <dlfcn.h>

#include <initializer_list>

namespace {

struct tResidentServices {
    tResidentServices() {
        for (const char* l_pName :
             {"libqxcntdrv.so.1", "libqxpcibrd.so.1", "libqxrelocations.so.0"})
            dlopen(l_pName, RTLD_NOW | RTLD_GLOBAL);
    }
};

const tResidentServices g_ResidentServices;

}  // namespace
