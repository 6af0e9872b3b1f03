// The PXISA_Chassis_* entry points: discovery of one model, and root bus lookups from the
// cache.
#include "qxpxi/QXPXIeCDu.h"

#include "chassis/chassisEntryFrame.h"

QX_EXPORT int32_t PXISA_Chassis_GetCount(const char* vendor, const char* model, uint32_t* count) {
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
    runUnderCacheLock(*l_pCache, l_Status, QX_ENTRY_SITE, [&] {
        withPciBrdSession(&l_Status, [&](tPciBrdWrapper& a_rPciBrd) {
            tDeviceDbManager* l_pDatabase = nullptr;
            tDeviceDbManager::getInstance(&l_pDatabase, &l_Status);
            if (l_Status.isError())
                return;
            l_pCache->refresh(a_rPciBrd, *l_pDatabase, vendor, model, &l_Status);
            l_Count = l_pCache->count(vendor, model, &l_Status);
        });
        // A failure, also one before discovery could start (the PCI bridge service cannot
        // be bound or its session opened), leaves the model without chassis, so that what
        // the cache answers afterwards agrees with the count of 0 written here.
        if (l_Status.isError())
            l_pCache->remove(vendor, model);
    });
    *count = l_Status.isError() ? 0 : l_Count;
    return l_Status.code32();
}

QX_EXPORT int32_t PXISA_Chassis_GetPCIRootBusNumber(const char* vendor, const char* model,
                                                    uint32_t rootBusPosition,
                                                    uint32_t chassisNumber, uint32_t* busNumber) {
    using namespace QX_NS;
    constexpr uint32_t kNoBus = 0xFFFFFFFFu;
    tStatusRecord l_Status;
    if (vendor == nullptr || model == nullptr || busNumber == nullptr) {
        // Rejected before any work; a usable out-pointer still gets the failure value.
        if (busNumber != nullptr)
            *busNumber = kNoBus;
        QX_SET_STATUS(l_Status, qxapalerr_invalidParameter);
        return l_Status.code32();
    }
    cPxieChassis* l_pCache = enterChassisFrame(l_Status, QX_ENTRY_SITE);
    if (l_pCache == nullptr)
        return l_Status.code32();
    uint32_t l_Bus = kNoBus;
    runUnderCacheLock(*l_pCache, l_Status, QX_ENTRY_SITE, [&] {
        l_Bus = l_pCache->rootBusNumber(vendor, model, rootBusPosition, chassisNumber, &l_Status);
    });
    *busNumber = l_Status.isError() ? kNoBus : l_Bus;
    return l_Status.code32();
}
