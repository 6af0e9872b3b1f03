// The stand-in services keep process-wide caches that they never free. Each test loads
// and unloads the library, which loads and unloads the services with it; keeping the
// services resident for the whole test process keeps those caches reachable, so the
// leak checker reports only what the library itself loses.
#include <dlfcn.h>

#include <initializer_list>

namespace {

struct tResidentServices {
    tResidentServices() {
        for (const char* l_pName :
             {"libqxcntdrv.so.1", "libqxpcibrd.so.1", "libqxsmbus.so.2", "libqxrelocations.so.0"})
            dlopen(l_pName, RTLD_NOW | RTLD_GLOBAL);
    }
};

const tResidentServices g_ResidentServices;

}  // namespace
