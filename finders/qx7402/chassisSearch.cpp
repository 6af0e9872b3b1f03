#include "finders/qx7402/chassisSearch.h"

#include <new>

#include "platform/pcibrdwrapper/cPciBrdWrapper_sc.h"
#include "runtime/module/qxAllocate.h"
#include "runtime/status/tJsonStatusScope.h"

namespace QX_NS {

using nQxPciBrdWrapper_15_0::cPciBrdWrapper_sc;
using nQxPciBrdWrapper_15_0::kPciBrdAttrSecondaryBus;

namespace {

void searchWithService(std::vector<uint16_t*>& a_rItems, tStatusRecord* a_pStatus) {
    // Declared before the wrapper, so the wrapper (session, then library) goes first.
    tJsonStatusScope l_Service(a_pStatus);
    cPciBrdWrapper_sc l_PciBrd(l_Service);
    l_PciBrd.OpenSession(0, l_Service);

    const uint16_t l_SsVid = kChassisSubsystemVendorId;
    const uint16_t l_SsId = kChassisSubsystemId;
    std::vector<uint32_t> l_Bridges;
    l_PciBrd.FindBridgesByPciIds(nullptr, nullptr, &l_SsVid, &l_SsId, l_Bridges, l_Service);
    l_Service.flush();

    for (const uint32_t l_Bridge : l_Bridges) {
        if (a_pStatus->isError())
            break;
        uint32_t l_Bus = 0;
        l_PciBrd.GetAttributeU32(l_Bridge, kPciBrdAttrSecondaryBus, l_Bus, l_Service);
        l_Service.flush();
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
