// The PXISA_Chassis_* entry points: discovery of one model, and root bus lookups from the
// cache.
#include "qxpxi/QXPXIeCDu.h"

#include "chassis/chassisEntry.h"
#include "platform/pcibrdwrapper/pciBrdSession.h"

QX_EXPORT int32_t PXISA_Chassis_GetCount(const char* vendor, const char* model, uint32_t* count) {
    using namespace QX_NS;
    auto l_Discover = [&](cPxieChassis& a_rCache, tStatusRecord* a_pStatus) {
        withPciBrdSession(a_pStatus, [&](tPciBrdWrapper& a_rPciBrd) {
            tDeviceDbManager* l_pDatabase = nullptr;
            tDeviceDbManager::getInstance(&l_pDatabase, a_pStatus);
            if (!a_pStatus->isError())
                a_rCache.refresh(a_rPciBrd, *l_pDatabase, vendor, model, a_pStatus);
        });
        // A failure, also one before discovery could start (the PCI bridge service cannot
        // be bound or its session opened), leaves the model without chassis, so that what
        // the cache answers afterwards agrees with the count of 0 written here.
        if (a_pStatus->isError())
            a_rCache.remove(vendor, model);
        return a_rCache.count(vendor, model, a_pStatus);
    };
    return answerFromCache(allGiven(vendor, model, count), count, 0u, QX_ENTRY_SITE, l_Discover);
}

QX_EXPORT int32_t PXISA_Chassis_GetPCIRootBusNumber(const char* vendor, const char* model,
                                                    uint32_t rootBusPosition,
                                                    uint32_t chassisNumber, uint32_t* busNumber) {
    using namespace QX_NS;
    constexpr uint32_t kNoBus = 0xFFFFFFFFu;
    return answerFromCache(allGiven(vendor, model, busNumber), busNumber, kNoBus, QX_ENTRY_SITE,
                           [&](cPxieChassis& a_rCache, tStatusRecord* a_pStatus) {
                               return a_rCache.rootBusNumber(vendor, model, rootBusPosition,
                                                             chassisNumber, a_pStatus);
                           });
}
