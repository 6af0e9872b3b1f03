#include "sysmodule/sysModuleModule.h"

#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "runtime/process/tLibraryCache.h"
#include "runtime/process/tModuleEntry.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

namespace {
using tSystemModuleCache = tLibraryCache<tPXIeSystemModuleCache, cPxiSvDeviceDbManager>;
tSystemModuleCache g_SystemModuleCache;
}  // namespace

tPXIeSystemModuleCache* systemModuleCache() {
    return g_SystemModuleCache.get();
}

bool systemModuleMain(int a_Reason) {
    if (a_Reason == kModuleAttach) {
        // Without a cache the entry points answer their no-cache outcomes.
        tStatusRecord l_Status;
        g_SystemModuleCache.attach(tSystemModuleCache::tOnFailure::drop, &l_Status);
        return true;
    }
    if (a_Reason == kModuleDetach)
        g_SystemModuleCache.detach();
    return true;
}

}  // namespace QX_NS

// Last static object of the library: this file is linked after every other source.
QX_DEFINE_MODULE_ENTRY(::QX_NS::systemModuleMain);
