// The QXPXI_Chassis_* entry points: discovery of every known model, and counts from the
// cache without discovery.
#include "qxpxi/QXPXIeCDu.h"

#include "chassis/chassisEntryFrame.h"

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
    tStatusRecord l_Status;
    if (vendor == nullptr || model == nullptr || count == nullptr) {
        // Rejected before any work; a usable out-pointer still gets the failure value.
        if (count != nullptr)
            *count = 0;
        QX_SET_STATUS(l_Status, qxapalerr_invalidParameter);
        return l_Status.code32();
    }
    cPxieChassis* l_pCache = enterChassisFrame(l_Status, QX_ENTRY_SITE);
    if (l_pCache == nullptr)
        return l_Status.code32();
    uint32_t l_Count = 0;
    runUnderCacheLock(*l_pCache, l_Status, QX_ENTRY_SITE,
                      [&] { l_Count = l_pCache->count(vendor, model, &l_Status); });
    *count = l_Status.isError() ? 0 : l_Count;
    return l_Status.code32();
}
