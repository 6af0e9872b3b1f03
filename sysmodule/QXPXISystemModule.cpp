// The QXPXI_SystemModule_* entry points: discovery of every identity, the count without
// discovery, and the peer-to-peer query.
#include "qxpxi/QXPXIeSMu.h"
#include "sysmodule/sysModuleEntry.h"

QX_EXPORT int32_t QXPXI_SystemModule_UpdateCache(void) {
    using namespace QX_NS;
    tStatusRecord l_Status;
    tPXIeSystemModuleCache* l_pCache = usableCache(systemModuleCache());
    if (l_pCache == nullptr) {
        setAt(l_Status, qxapalerr_softwareFaultAPALInternalUseOnly, QX_ENTRY_SITE);
        return l_Status.code32();
    }
    int32_t l_Code = 0;
    runUnderCacheLock(*l_pCache, l_Status, QX_ENTRY_SITE, [&] { l_Code = l_pCache->refreshAll(); });
    return l_Status.isError() ? l_Status.code32() : l_Code;
}

QX_EXPORT int32_t QXPXI_SystemModule_GetCount_NoCache(const char* vendor, const char* model,
                                                      int32_t* count) {
    using namespace QX_NS;
    return countFromCache(allGiven(vendor, model, count), count,
                          qxapalerr_softwareFaultAPALInternalUseOnly, QX_ENTRY_SITE,
                          [&](tPXIeSystemModuleCache& a_rCache, tStatusRecord* a_pStatus) {
                              return a_rCache.count(vendor, model, a_pStatus);
                          });
}

QX_EXPORT int32_t QXPXI_SystemModule_GetEmbeddedP2PSupport(const char* moduleName,
                                                           const char* resourceList,
                                                           tPXISA_PciAddress source,
                                                           tPXISA_PciAddress target,
                                                           int32_t* supported) {
    using namespace QX_NS;
    auto l_InRange = [](const tPXISA_PciAddress& a_rAddress) {
        return a_rAddress.bus <= 255 && a_rAddress.device <= 31 && a_rAddress.function <= 7;
    };
    const bool l_ArgumentsGiven =
        allGiven(moduleName, resourceList, supported) && l_InRange(source) && l_InRange(target);
    auto l_Key = [](const tPXISA_PciAddress& a_rAddress) {
        return a_rAddress.bus * 256 + a_rAddress.device * 8 + a_rAddress.function;
    };
    return readFromCache(l_ArgumentsGiven, QX_ENTRY_SITE,
                         [&](tPXIeSystemModuleCache& a_rCache, tStatusRecord* a_pStatus) {
                             const tPXIeSystemModuleCache::tModulePtr l_Module =
                                 a_rCache.find(moduleName, a_pStatus);
                             if (!l_Module)
                                 return;
                             const int32_t l_Supported =
                                 l_Module->getP2PSupport(l_Key(source), l_Key(target), a_pStatus);
                             if (!a_pStatus->isError() && l_Supported >= 0)
                                 *supported = l_Supported;
                         });
}
