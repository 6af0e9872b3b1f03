// The QXPXI_Chassis_* entry points: discovery of every known model, and counts from the
// cache without discovery.
#include "qxpxi/QXPXIeCDu.h"

#include "chassis/chassisEntry.h"
#include "platform/pcibrdwrapper/pciBrdSession.h"

QX_EXPORT int32_t QXPXI_Chassis_UpdateCache(void) {
    using namespace QX_NS;
    tStatusRecord l_Status;
    cPxieChassis* l_pCache = enterChassisFrame(l_Status, QX_ENTRY_SITE);
    if (l_pCache == nullptr)
        return l_Status.code32();
    runUnderCacheLock(*l_pCache, l_Status, QX_ENTRY_SITE, [&] {
        withPciBrdSession(&l_Status, [&](tPciBrdWrapper& a_rPciBrd) {
            l_pCache->refreshAll(a_rPciBrd, &l_Status);
        });
    });
    return l_Status.code32();
}

QX_EXPORT int32_t QXPXI_Chassis_GetCount_NoCache(const char* vendor, const char* model,
                                                 uint32_t* count) {
    using namespace QX_NS;
    return answerFromCache(allGiven(vendor, model, count), count, 0u, QX_ENTRY_SITE,
                           [&](cPxieChassis& a_rCache, tStatusRecord* a_pStatus) {
                               return a_rCache.count(vendor, model, a_pStatus);
                           });
}
