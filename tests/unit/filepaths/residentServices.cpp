// The stand-in relocation service keeps a process-wide cache that it never frees (it may
// be called late in a process). The installation path table loads and unloads it once;
// keeping it resident for the whole test process keeps that cache reachable, so the leak
// checker reports only what our code loses. A service missing from the library path
// stays missing.
#include <dlfcn.h>

namespace {

struct tResidentService {
    tResidentService() { dlopen("libqxrelocations.so.0", RTLD_NOW | RTLD_GLOBAL); }
};

const tResidentService g_ResidentService;

}  // namespace
