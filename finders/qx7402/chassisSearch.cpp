#include "finders/qx7402/chassisSearch.h"

#include <new>

#include "platform/pcibrdwrapper/pciBrdSession.h"
#include "runtime/process/qxAllocate.h"

namespace QX_NS {

using nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc;
using nQxPciBrdWrapper_15_0::kPciBrdAttrSecondaryBus;

namespace {

void searchWithService(std::vector<uint16_t*>& a_rItems, tStatusRecord* a_pStatus) {
    withPciBrdSession(a_pStatus, [&](iPciBrdWrapper_sc& a_rPciBrd) {
        const uint16_t l_SsVid = kChassisSubsystemVendorId;
        const uint16_t l_SsId = kChassisSubsystemId;
        std::vector<uint32_t> l_Bridges;
        callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
            a_rPciBrd.FindBridgesByPciIds(nullptr, nullptr, &l_SsVid, &l_SsId, l_Bridges, a_rJson);
        });

        for (const uint32_t l_Bridge : l_Bridges) {
            if (a_pStatus->isError())
                break;
            uint32_t l_Bus = 0;
            callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
                a_rPciBrd.GetAttributeU32(l_Bridge, kPciBrdAttrSecondaryBus, l_Bus, a_rJson);
            });
            auto* l_pItem = static_cast<uint16_t*>(allocateObject(sizeof(uint16_t), a_pStatus));
            if (l_pItem == nullptr)
                break;
            *l_pItem = static_cast<uint16_t>(l_Bus & 0xFFFFu);
            try {
                a_rItems.push_back(l_pItem);
            } catch (const std::bad_alloc&) {
                releaseObject(l_pItem);
                QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
            }
        }
    });
}

}  // namespace

void searchChassis(std::vector<uint16_t*>& a_rItems, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    try {
        searchWithService(a_rItems, a_pStatus);
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

}  // namespace QX_NS
