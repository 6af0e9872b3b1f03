#include "chassis/chassisModule.h"

#include "chassis/chassisServices.h"
#include "runtime/process/tLibraryCache.h"
#include "runtime/process/tModuleEntry.h"

namespace QX_NS {

namespace {
// A failed attach stops the process: the cache stays as it was left.
tLibraryCache<cPxieChassis, tDeviceDbManager, tAttachFailure::stopProcess> g_ChassisCache;
}  // namespace

cPxieChassis* chassisCache() {
    return g_ChassisCache.get();
}

bool chassisModuleMain(int a_Reason) {
    return g_ChassisCache.moduleMain(a_Reason);
}

}  // namespace QX_NS

// Last static object of the library: this file is linked after every other source.
QX_DEFINE_MODULE_ENTRY(::QX_NS::chassisModuleMain);
