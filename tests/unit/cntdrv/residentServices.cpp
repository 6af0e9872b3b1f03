// The stand-in services keep process-wide caches that they never free (they may be
// called late in a process). Each wrapper loads and unloads the controller driver
// service; keeping it resident for the whole test process keeps its caches reachable,
// so the leak checker reports only what the wrappers themselves lose. A service missing
// from the library path stays missing.
#include <dlfcn.h>

namespace {

struct tResidentService {
    tResidentService() { dlopen("libqxcntdrv.so.1", RTLD_NOW | RTLD_GLOBAL); }
};

const tResidentService g_ResidentService;

}  // namespace
