#include "sysmodule/sysModuleModule.h"

#include <new>

#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "runtime/module/tModuleEntry.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

namespace {
// Constant-initialised: valid before any static constructor of the library runs.
tPXIeSystemModuleCache* g_pSystemModuleCache = nullptr;
}  // namespace

tPXIeSystemModuleCache* systemModuleCache() {
    return g_pSystemModuleCache;
}

bool systemModuleMain(int a_Reason) {
    if (a_Reason == kModuleAttach) {
        if (g_pSystemModuleCache != nullptr)
            return true;
        tStatusRecord l_Status;
        tPXIeSystemModuleCache* l_pCache = new (std::nothrow) tPXIeSystemModuleCache();
        if (l_pCache == nullptr)
            return true;  // no cache: the entry points answer their no-cache outcomes
        l_pCache->create(&l_Status);
        cPxiSvDeviceDbManager::createInstance(&l_Status);
        if (l_Status.isError()) {
            delete l_pCache;
            cPxiSvDeviceDbManager::destroyInstance();
            return true;
        }
        g_pSystemModuleCache = l_pCache;
        return true;
    }
    if (a_Reason == kModuleDetach && g_pSystemModuleCache != nullptr) {
        tPXIeSystemModuleCache* l_pCache = g_pSystemModuleCache;
        g_pSystemModuleCache = nullptr;
        delete l_pCache;
        cPxiSvDeviceDbManager::destroyInstance();
    }
    return true;
}

}  // namespace QX_NS

// Last static object of the library: this file is linked after every other source.
QX_DEFINE_MODULE_ENTRY(::QX_NS::systemModuleMain);
