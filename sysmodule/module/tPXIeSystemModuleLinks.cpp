// The links of a system module: paths through the PCI bridge hierarchy from the
// description, or slot paths from the controller driver.
#include <cstring>
#include <new>

#include "config/slotpath/cSlotPath.h"
#include "platform/pcibrdwrapper/tPciBrdTypes.h"
#include "runtime/status/tJsonStatusScope.h"
#include "sysmodule/module/cSystemModuleDescription.h"
#include "sysmodule/module/tPXIeSystemModule.h"

namespace QX_NS {

using nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc;
using nQxPciBrdWrapper_15_0::kPciBrdAttrLinkWidth;
using nQxPciBrdWrapper_15_0::kPciBrdAttrPrimaryBus;
using nQxPciBrdWrapper_15_0::kPciBrdAttrSecondaryBus;
using nQxPciBrdWrapper_15_0::kPciBrdNone;

namespace {

constexpr uint32_t kCntDrvAttrLinkSlotPathFirst = 0x10025900;
constexpr uint32_t kCntDrvAttrLinkWidthFirst = 0x20025A00;

bool skip(const tStatusRecord* a_pStatus) {
    return a_pStatus == nullptr || a_pStatus->isError();
}

uint32_t readBridgeAttribute(iPciBrdWrapper_sc& a_rPciBrd, uint32_t a_Bridge, uint32_t a_Attribute,
                             tStatusRecord* a_pStatus) {
    uint32_t l_Value = 0;
    callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
        a_rPciBrd.GetAttributeU32(a_Bridge, a_Attribute, l_Value, a_rJson);
    });
    return l_Value;
}

}  // namespace

void tPXIeSystemModule::readLinkEnd(iPciBrdWrapper_sc& a_rPciBrd, uint32_t a_Bridge, int a_Index,
                                    tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    const uint32_t l_Bus =
        readBridgeAttribute(a_rPciBrd, a_Bridge, kPciBrdAttrSecondaryBus, a_pStatus);
    if (skip(a_pStatus)) {
        return;
    }
    m_LinkBuses[a_Index] = static_cast<int32_t>(l_Bus);
    const uint32_t l_Value =
        readBridgeAttribute(a_rPciBrd, a_Bridge, kPciBrdAttrLinkWidth, a_pStatus);
    if (!skip(a_pStatus)) {
        m_LinkValues[a_Index] = static_cast<int32_t>(l_Value);
    }
}

void tPXIeSystemModule::linksFromDescription(iPciBrdWrapper_sc& a_rPciBrd,
                                             tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    const cSystemModuleDescription l_Description(m_pDescription);
    try {
        for (int32_t l_Link = 1; l_Link <= m_LinkCount && l_Link <= kMaxLinks; ++l_Link) {
            std::string l_Path;
            l_Description.getLinkPath(m_LinkCount, static_cast<uint32_t>(l_Link), l_Path,
                                      a_pStatus);
            const uint32_t l_Bridge = walkLinkPath(a_rPciBrd, l_Path, a_pStatus);
            readLinkEnd(a_rPciBrd, l_Bridge, l_Link - 1, a_pStatus);
            if (a_pStatus->isError()) {
                return;
            }
        }
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return;
    }
    if (m_LinkCount != 2 && m_LinkCount != 4) {
        QX_SET_STATUS_P(a_pStatus, kStatusEepromInvalid);
        return;
    }
    l_Description.getMaximumLinkWidths(m_MaxLinkWidths, a_pStatus);
}

uint32_t tPXIeSystemModule::walkLinkPath(iPciBrdWrapper_sc& a_rPciBrd, const std::string& a_rPath,
                                         tStatusRecord* a_pStatus) const {
    uint32_t l_Current = kPciBrdNone;
    const size_t l_Length = a_rPath.size();
    size_t l_Start = 0;
    // One step per piece between commas; the walk ends at the end of the text, so a
    // trailing comma adds no step. Each pass moves past at least one character.
    for (size_t l_StepIndex = 0; l_Start < l_Length && !skip(a_pStatus); ++l_StepIndex) {
        size_t l_End = a_rPath.find(',', l_Start);
        if (l_End == std::string::npos) {
            l_End = l_Length;
        }
        const tLinkStep l_Step = parseLinkStep(a_rPath.c_str() + l_Start, l_End - l_Start);
        switch (l_Step.kind) {
            case tLinkStepKind::smbus: {
                const uint8_t l_Bus = static_cast<uint8_t>(m_SmbusControllerBus & 0xFF);
                callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
                    a_rPciBrd.FindParentBridgeForBus(l_Bus, l_Current, a_rJson);
                });
                break;
            }
            case tLinkStepKind::pop: {
                const uint32_t l_Child = l_Current;
                callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
                    a_rPciBrd.GetBridgeParent(l_Child, l_Current, a_rJson);
                });
                break;
            }
            case tLinkStepKind::push: {
                if (!l_Step.hasValue) {
                    QX_SET_STATUS_P(a_pStatus, kStatusDescriptionInvalid);
                    break;
                }
                uint8_t l_Bus = 0;
                if (l_Current != kPciBrdNone) {
                    l_Bus = static_cast<uint8_t>(readBridgeAttribute(a_rPciBrd, l_Current,
                                                                     kPciBrdAttrSecondaryBus,
                                                                     a_pStatus) &
                                                 0xFF);
                }
                const uint8_t l_Device = static_cast<uint8_t>((l_Step.devFn >> 3) & 31);
                const uint8_t l_Function = static_cast<uint8_t>(l_Step.devFn & 7);
                callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
                    a_rPciBrd.FindBridgeByAddress(l_Bus, l_Device, l_Function, l_Current, a_rJson);
                });
                break;
            }
            case tLinkStepKind::swid:
                // A switch starts a path; it cannot be entered from another bridge.
                if (l_StepIndex != 0 || l_Current != kPciBrdNone || !l_Step.hasValue) {
                    QX_SET_STATUS_P(a_pStatus, kStatusDescriptionInvalid);
                    break;
                }
                l_Current = selectSwitch(a_rPciBrd, l_Step.ids, a_pStatus);
                break;
            case tLinkStepKind::unknown:
                QX_SET_STATUS_P(a_pStatus, kStatusDescriptionInvalid);
                break;
        }
        if (l_End >= l_Length) {
            break;
        }
        l_Start = l_End + 1;
    }
    return l_Current;
}

uint32_t tPXIeSystemModule::selectSwitch(iPciBrdWrapper_sc& a_rPciBrd, const tPciBridgeIds& a_rIds,
                                         tStatusRecord* a_pStatus) const {
    if (skip(a_pStatus)) {
        return kPciBrdNone;
    }
    std::vector<uint32_t> l_Bridges;
    callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
        a_rPciBrd.FindBridgesByPciIds(&a_rIds.vendorId, &a_rIds.deviceId, &a_rIds.subsystemVendorId,
                                      &a_rIds.subsystemId, l_Bridges, a_rJson);
    });
    if (skip(a_pStatus)) {
        return kPciBrdNone;
    }
    if (l_Bridges.empty()) {
        QX_SET_STATUS_P(a_pStatus, kStatusBridgeNotFound);
        return kPciBrdNone;
    }
    // The switch's upstream bridge has the lowest primary bus; every other bridge of the
    // switch sits on that bus or on the upstream bridge's secondary bus.
    uint32_t l_Best = kPciBrdNone;
    uint32_t l_BestValue = 255;
    uint32_t l_BestSecondary = 255;
    for (const uint32_t l_Bridge : l_Bridges) {
        const uint32_t l_Value =
            readBridgeAttribute(a_rPciBrd, l_Bridge, kPciBrdAttrPrimaryBus, a_pStatus);
        const uint32_t l_Secondary =
            readBridgeAttribute(a_rPciBrd, l_Bridge, kPciBrdAttrSecondaryBus, a_pStatus);
        if (skip(a_pStatus)) {
            return kPciBrdNone;
        }
        if (l_Value < l_BestValue) {
            l_Best = l_Bridge;
            l_BestValue = l_Value;
            l_BestSecondary = l_Secondary;
        } else if (l_Value != l_BestSecondary && l_Value != l_BestValue) {
            QX_SET_STATUS_P(a_pStatus, kStatusBridgeNotFound);
            return kPciBrdNone;
        }
    }
    if (l_Best == kPciBrdNone) {
        QX_SET_STATUS_P(a_pStatus, kStatusBridgeNotFound);
    }
    return l_Best;
}

void tPXIeSystemModule::linksFromController(iPciBrdWrapper_sc& a_rPciBrd,
                                            iCntDrvWrapper_sc& a_rCntDrv,
                                            tStatusRecord* a_pStatus) {
    if (skip(a_pStatus)) {
        return;
    }
    if (m_LinkCount != 2 && m_LinkCount != 4) {
        QX_SET_STATUS_P(a_pStatus, kStatusEepromInvalid);
        return;
    }
    try {
        std::string l_Paths[kMaxLinks];
        for (int32_t l_Link = 0; l_Link < m_LinkCount; ++l_Link) {
            callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
                a_rCntDrv.GetAttributeUTF8(kCntDrvAttrLinkSlotPathFirst + l_Link, l_Paths[l_Link],
                                           a_rJson);
            });
        }
        for (int32_t l_Link = 0; l_Link < m_LinkCount && !skip(a_pStatus); ++l_Link) {
            const std::string l_Text = "MR" + l_Paths[l_Link];
            nQxPxiDriverTools_1_0::cSlotPath l_Path(l_Text.c_str(), a_pStatus);
            uint32_t l_Bridge = kPciBrdNone;
            callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
                a_rPciBrd.FindBridgeBySlotPath(l_Path, l_Bridge, a_rJson);
            });
            readLinkEnd(a_rPciBrd, l_Bridge, l_Link, a_pStatus);
        }
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return;
    }
    if (skip(a_pStatus)) {
        return;
    }
    // With 4 links the widths are those of the four-link configuration (entries 3..6).
    const int l_First = m_LinkCount == 4 ? 2 : 0;
    for (int32_t l_Link = 0; l_Link < m_LinkCount; ++l_Link) {
        uint32_t l_Width = 0;
        callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
            a_rCntDrv.GetAttributeU32(kCntDrvAttrLinkWidthFirst + static_cast<uint32_t>(l_Link),
                                      l_Width, a_rJson);
        });
        if (skip(a_pStatus)) {
            return;
        }
        m_MaxLinkWidths[l_First + l_Link] = static_cast<int32_t>(l_Width);
    }
}

}  // namespace QX_NS
