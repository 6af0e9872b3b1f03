#include "chassis/chassisModule.h"

#include "chassis/chassisServices.h"
#include "runtime/process/tLibraryCache.h"
#include "runtime/process/tModuleEntry.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

namespace {
using tChassisCache = tLibraryCache<cPxieChassis, tDeviceDbManager>;
tChassisCache g_ChassisCache;
}  // namespace

cPxieChassis* chassisCache() {
    return g_ChassisCache.get();
}

bool chassisModuleMain(int a_Reason) {
    if (a_Reason == kModuleAttach) {
        // The cache stays even when a later step fails; a failed attach stops the process.
        tStatusRecord l_Status;
        g_ChassisCache.attach(tChassisCache::tOnFailure::keep, &l_Status);
        return !l_Status.isError();
    }
    if (a_Reason == kModuleDetach)
        g_ChassisCache.detach();
    return true;
}

}  // namespace QX_NS

// Last static object of the library: this file is linked after every other source.
QX_DEFINE_MODULE_ENTRY(::QX_NS::chassisModuleMain);
