// The PXISA_SystemModule_* entry points: discovery of one identity, names, attributes and
// the chassis EEPROM from the cache, and raw SMBus operations.
#include <cstring>

#include "platform/cntdrvwrapper/cCntDrvWrapper_sc.h"
#include "platform/pcibrdwrapper/pciBrdSession.h"
#include "platform/pxismbuswrapper/cPxiSmBusListWrapper.h"
#include "qxpxi/QXPXIeSMu.h"
#include "sysmodule/smbusOperation.h"
#include "sysmodule/sysModuleServices.h"
#include "sysmodule/sysModuleEntry.h"

namespace QX_NS {
namespace {

int32_t discover(tPXIeSystemModuleCache& a_rCache, const char* a_pVendor, const char* a_pModel,
                 tStatusRecord* a_pStatus) {
    int32_t l_Count = 0;
    withPciBrdSession(a_pStatus, [&](tPXIeSystemModuleCache::tPciBrd& a_rPciBrd) {
        const boost::shared_ptr<cCntDrvWrapper_sc> l_CntDrv = openControllerDriver();
        {
            cPxiSmBusListWrapper l_Adapters(kQxSMBusInterfaceVersion, a_pStatus);
            l_Adapters.open(a_pStatus);
            l_Count = a_rCache.refresh(a_rPciBrd, l_Adapters, l_CntDrv.get(), a_pVendor, a_pModel,
                                       a_pStatus);
        }
        if (l_CntDrv)
            l_CntDrv->CloseController();
    });
    return l_Count;
}

}  // namespace
}  // namespace QX_NS

QX_EXPORT int32_t PXISA_SystemModule_GetCount(const char* vendor, const char* model,
                                              int32_t* count) {
    using namespace QX_NS;
    auto l_Discover = [&](tPXIeSystemModuleCache& a_rCache, tStatusRecord* a_pStatus) {
        const int32_t l_Count = discover(a_rCache, vendor, model, a_pStatus);
        // A failure, also one before discovery could start (a service that cannot be
        // bound or opened), leaves the identity without modules, so that what the cache
        // answers afterwards agrees with the count of 0 written here.
        if (a_pStatus->isError())
            a_rCache.remove(vendor, model);
        return l_Count;
    };
    // Without a cache the library has found nothing: a count of 0 and success.
    return countFromCache(allGiven(vendor, model, count), count, kStatusSuccess, QX_ENTRY_SITE,
                          l_Discover);
}

QX_EXPORT int32_t PXISA_SystemModule_GetName(const char* vendor, const char* model, int32_t index,
                                             char* moduleName, char* resourceList) {
    using namespace QX_NS;
    return readFromCache(allGiven(vendor, model, moduleName, resourceList), QX_ENTRY_SITE,
                         [&](tPXIeSystemModuleCache& a_rCache, tStatusRecord* a_pStatus) {
                             const tPXIeSystemModuleCache::tModulePtr l_Module =
                                 a_rCache.find(vendor, model, index, a_pStatus);
                             if (!l_Module)
                                 return;
                             const std::string& l_rName = l_Module->getModuleName();
                             const std::string& l_rList = l_Module->getResourceList();
                             memcpy(moduleName, l_rName.c_str(), l_rName.size() + 1);
                             memcpy(resourceList, l_rList.c_str(), l_rList.size() + 1);
                         });
}

QX_EXPORT int32_t PXISA_SystemModule_GetInformation(const char* moduleName,
                                                    const char* resourceList, int32_t attributeId,
                                                    void* value) {
    using namespace QX_NS;
    return readFromCache(allGiven(moduleName, resourceList, value), QX_ENTRY_SITE,
                         [&](tPXIeSystemModuleCache& a_rCache, tStatusRecord* a_pStatus) {
                             const tPXIeSystemModuleCache::tModulePtr l_Module =
                                 a_rCache.find(moduleName, a_pStatus);
                             if (l_Module)
                                 l_Module->getAttribute(attributeId, value, a_pStatus);
                         });
}

QX_EXPORT int32_t PXISA_SystemModule_GetChassisEEPROM(const char* moduleName,
                                                      const char* resourceList, uint8_t* buffer) {
    using namespace QX_NS;
    return readFromCache(allGiven(moduleName, resourceList, buffer), QX_ENTRY_SITE,
                         [&](tPXIeSystemModuleCache& a_rCache, tStatusRecord* a_pStatus) {
                             const tPXIeSystemModuleCache::tModulePtr l_Module =
                                 a_rCache.find(moduleName, a_pStatus);
                             if (!l_Module)
                                 return;
                             const tStatusRecord& l_rBuilt = l_Module->getConstructionStatus();
                             if (l_rBuilt.isError()) {
                                 a_pStatus->merge(l_rBuilt);
                                 return;
                             }
                             memcpy(buffer, l_Module->getChassisEEPROM(),
                                    tPXIeSystemModule::kEepromSize);
                         });
}

QX_EXPORT int32_t PXISA_SystemModule_SMBusOperation(const char* moduleName, const char* resource,
                                                    int32_t operation, int32_t address,
                                                    int32_t command, int32_t pec,
                                                    int32_t writeCount, const uint8_t* writeData,
                                                    int32_t* readCount, uint8_t* readData) {
    using namespace QX_NS;
    tStatusRecord l_Status;
    if (!allGiven(moduleName, resource)) {
        setAt(l_Status, qxapalerr_invalidParameter, QX_ENTRY_SITE);
        return l_Status.code32();
    }
    runGuarded(l_Status, QX_ENTRY_SITE, [&] {
        std::string l_ResourceName;
        if (!smbusResourceName(moduleName, resource, l_ResourceName)) {
            setAt(l_Status, qxapalerr_invalidParameter, QX_ENTRY_SITE);
            return;
        }
        const tSMBusArguments l_Args{operation,
                                     static_cast<uint8_t>(address & 0xFF),
                                     static_cast<uint8_t>(command & 0xFF),
                                     pec > 0 ? 1 : 0,
                                     writeCount,
                                     writeData,
                                     readCount,
                                     readData};
        runSMBusOperation(l_ResourceName, l_Args, &l_Status);
    });
    return l_Status.code32();
}
