#include "sysmodule/sysModuleModule.h"

#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "runtime/process/tLibraryCache.h"
#include "runtime/process/tModuleEntry.h"

namespace QX_NS {

namespace {
// Without a cache the entry points answer their no-cache outcomes.
tLibraryCache<tPXIeSystemModuleCache, cPxiSvDeviceDbManager, tAttachFailure::runWithout>
    g_SystemModuleCache;
}  // namespace

tPXIeSystemModuleCache* systemModuleCache() {
    return g_SystemModuleCache.get();
}

bool systemModuleMain(int a_Reason) {
    return g_SystemModuleCache.moduleMain(a_Reason);
}

}  // namespace QX_NS

// Last static object of the library: this file is linked after every other source.
QX_DEFINE_MODULE_ENTRY(::QX_NS::systemModuleMain);
