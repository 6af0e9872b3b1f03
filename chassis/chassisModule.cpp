#include "chassis/chassisModule.h"

#include <new>

#include "chassis/chassisServices.h"
#include "runtime/module/tModuleEntry.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

namespace {
// Constant-initialised: valid before any static constructor of the library runs.
cPxieChassis* g_pChassisCache = nullptr;
}  // namespace

cPxieChassis* chassisCache() {
    return g_pChassisCache;
}

bool chassisModuleMain(int a_Reason) {
    tStatusRecord l_Status;
    if (a_Reason == kModuleAttach) {
        if (g_pChassisCache != nullptr)
            return true;
        cPxieChassis* l_pCache = new (std::nothrow) cPxieChassis();
        if (l_pCache == nullptr) {
            QX_SET_STATUS(l_Status, qxapalerr_memoryFull);
            return false;
        }
        // The cache stays even when a later step fails; a failed attach stops the process.
        g_pChassisCache = l_pCache;
        l_pCache->create(&l_Status);
        tDeviceDbManager::createInstance(&l_Status);
        return !l_Status.isError();
    }
    if (a_Reason == kModuleDetach && g_pChassisCache != nullptr) {
        cPxieChassis* l_pCache = g_pChassisCache;
        g_pChassisCache = nullptr;
        l_pCache->destroy();
        delete l_pCache;
        tDeviceDbManager::destroyInstance();
    }
    return true;
}

}  // namespace QX_NS

// Last static object of the library: this file is linked after every other source.
QX_DEFINE_MODULE_ENTRY(::QX_NS::chassisModuleMain);
