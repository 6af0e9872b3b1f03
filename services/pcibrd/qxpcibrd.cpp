// Stand-in PCI bridge service: answers from the bridges of the simulated machine, a
// bridge's position being its place in the machine file.
#include "qxpxi/services/qxpcibrd.h"

#include <memory>
#include <mutex>

#include "services/common/cMachine.h"
#include "services/common/machineStore.h"
#include "services/common/pciBrdAnswers.h"
#include "services/common/tCallLine.h"

#define QXSIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace nQxSim {
namespace {

constexpr int32_t kNotFound = kPciNotFound;
constexpr int32_t kInvalidArgument = kPciInvalidArgument;
constexpr int32_t kAttributeUnsupported = -313005;
constexpr int32_t kMachineUnusable = -313010;
constexpr int32_t kInternalFault = kPciInternalFault;

constexpr uint32_t kAttrPrimaryBus = QXPCIBRD_ATTR_PRIMARY_BUS;
constexpr uint32_t kAttrSecondaryBus = QXPCIBRD_ATTR_SECONDARY_BUS;

tPciSessionTable<cMachine>& sessions() {
    static tPciSessionTable<cMachine> s_Sessions;
    return s_Sessions;
}

tBridge* bridgeOf(cMachine& a_rMachine, uint32_t a_Ref) {
    return pciBridgeOf(a_rMachine.m_Bridges, a_Ref);
}

// Runs a_Body on the session's machine after the fault table had its say.
template <typename tBody>
int32_t withSession(const char* a_pFunction, uint32_t a_Session, tBody&& a_Body) {
    return sessions().with(a_Session, [&](cMachine& a_rMachine) {
        int32_t l_Status = 0;
        if (a_rMachine.takeFault(a_pFunction, l_Status)) {
            return l_Status;
        }
        return a_Body(a_rMachine);
    });
}

}  // namespace
}  // namespace nQxSim

using namespace nQxSim;

QXSIM_EXPORT int32_t QxPciBrd_OpenSession(uint32_t flags, uint32_t* session) {
    tCallLine l_Log("QxPciBrd_OpenSession");
    l_Log.dec("flags", flags);
    try {
        if (session == nullptr) {
            return kInvalidArgument;
        }
        *session = kPciNone;
        std::shared_ptr<cMachine> l_pMachine = loadMachine();
        if (!l_pMachine) {
            return kMachineUnusable;
        }
        int32_t l_Status = 0;
        if (l_pMachine->takeFault("QxPciBrd_OpenSession", l_Status)) {
            return l_Status;
        }
        const uint32_t l_Id = sessions().open(std::move(l_pMachine));
        *session = l_Id;
        l_Log.dec("opened", l_Id);
        return 0;
    } catch (...) {
        return kInternalFault;
    }
}

QXSIM_EXPORT int32_t QxPciBrd_CloseSession(uint32_t session) {
    tCallLine l_Log("QxPciBrd_CloseSession");
    l_Log.dec("session", session);
    return sessions().close(session);
}

QXSIM_EXPORT int32_t QxPciBrd_FindBridgesByPciIds(uint32_t session, const uint16_t* vendorId,
                                                  const uint16_t* deviceId,
                                                  const uint16_t* subsystemVendorId,
                                                  const uint16_t* subsystemId, uint32_t* bridges,
                                                  uint32_t* count) {
    tCallLine l_Log("QxPciBrd_FindBridgesByPciIds");
    l_Log.dec("session", session)
        .hexPtr("vendorId", vendorId)
        .hexPtr("deviceId", deviceId)
        .hexPtr("subsystemVendorId", subsystemVendorId)
        .hexPtr("subsystemId", subsystemId)
        .ptr("bridges", bridges)
        .dec("count", count == nullptr ? -1 : static_cast<int64_t>(*count));
    return withSession("QxPciBrd_FindBridgesByPciIds", session, [&](cMachine& a_rMachine) {
        return pciFindByIds(a_rMachine.m_Bridges, vendorId, deviceId, subsystemVendorId,
                            subsystemId, bridges, count);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_FindBridgeByAddress(uint32_t session, uint8_t bus, uint8_t device,
                                                  uint8_t function, uint32_t* bridge) {
    tCallLine l_Log("QxPciBrd_FindBridgeByAddress");
    l_Log.dec("session", session).dec("bus", bus).dec("device", device).dec("function", function);
    return withSession("QxPciBrd_FindBridgeByAddress", session, [&](cMachine& a_rMachine) {
        return pciFindByAddress(a_rMachine.m_Bridges, bus, device, function, bridge);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_FindBridgeBySlotPath(uint32_t session, const char* slotPath,
                                                   uint32_t* bridge) {
    tCallLine l_Log("QxPciBrd_FindBridgeBySlotPath");
    l_Log.dec("session", session).text("slotPath", slotPath);
    return withSession("QxPciBrd_FindBridgeBySlotPath", session, [&](cMachine& a_rMachine) {
        return pciFindBySlotPath(a_rMachine.m_Bridges, slotPath, bridge);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_FindParentBridgeForBus(uint32_t session, uint8_t bus,
                                                     uint32_t* bridge) {
    tCallLine l_Log("QxPciBrd_FindParentBridgeForBus");
    l_Log.dec("session", session).dec("bus", bus);
    return withSession("QxPciBrd_FindParentBridgeForBus", session, [&](cMachine& a_rMachine) {
        return pciFindParentForBus(a_rMachine.m_Bridges, bus, bridge);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetBridgeParent(uint32_t session, uint32_t child, uint32_t* parent) {
    tCallLine l_Log("QxPciBrd_GetBridgeParent");
    l_Log.dec("session", session).hex("child", child);
    return withSession("QxPciBrd_GetBridgeParent", session, [&](cMachine& a_rMachine) {
        const tBridge* l_pChild = bridgeOf(a_rMachine, child);
        return pciAnswerBridge(l_pChild == nullptr ? -1 : l_pChild->parent, parent);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetBridgeChildren(uint32_t session, uint32_t parent,
                                                uint32_t* children, uint32_t* count) {
    tCallLine l_Log("QxPciBrd_GetBridgeChildren");
    l_Log.dec("session", session)
        .hex("parent", parent)
        .ptr("children", children)
        .dec("count", count == nullptr ? -1 : static_cast<int64_t>(*count));
    return withSession("QxPciBrd_GetBridgeChildren", session, [&](cMachine& a_rMachine) {
        const tBridge* l_pParent = bridgeOf(a_rMachine, parent);
        if (l_pParent == nullptr) {
            return kNotFound;
        }
        return pciAnswerList(pciBridgesOnBus(a_rMachine.m_Bridges, l_pParent->secondaryBus),
                             children, count);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetBusChildren(uint32_t session, uint8_t bus, uint32_t* children,
                                             uint32_t* count) {
    tCallLine l_Log("QxPciBrd_GetBusChildren");
    l_Log.dec("session", session)
        .dec("bus", bus)
        .ptr("children", children)
        .dec("count", count == nullptr ? -1 : static_cast<int64_t>(*count));
    return withSession("QxPciBrd_GetBusChildren", session, [&](cMachine& a_rMachine) {
        return pciAnswerList(pciBridgesOnBus(a_rMachine.m_Bridges, bus), children, count);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetRootBuses(uint32_t session, uint8_t* buses, uint32_t* count) {
    tCallLine l_Log("QxPciBrd_GetRootBuses");
    l_Log.dec("session", session)
        .ptr("buses", buses)
        .dec("count", count == nullptr ? -1 : static_cast<int64_t>(*count));
    return withSession("QxPciBrd_GetRootBuses", session, [&](cMachine& a_rMachine) {
        return pciAnswerList(a_rMachine.m_RootBuses, buses, count);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetBridgeAddress(uint32_t session, uint32_t bridge, uint8_t* bus,
                                               uint8_t* device, uint8_t* function) {
    tCallLine l_Log("QxPciBrd_GetBridgeAddress");
    l_Log.dec("session", session).hex("bridge", bridge);
    return withSession("QxPciBrd_GetBridgeAddress", session, [&](cMachine& a_rMachine) {
        return pciAnswerAddress(bridgeOf(a_rMachine, bridge), bus, device, function);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetBridgeSlotPath(uint32_t session, uint32_t bridge, char* buffer,
                                                uint32_t* size) {
    tCallLine l_Log("QxPciBrd_GetBridgeSlotPath");
    l_Log.dec("session", session)
        .hex("bridge", bridge)
        .ptr("buffer", buffer)
        .dec("size", size == nullptr ? -1 : static_cast<int64_t>(*size));
    return withSession("QxPciBrd_GetBridgeSlotPath", session, [&](cMachine& a_rMachine) {
        return pciAnswerSlotPath(bridgeOf(a_rMachine, bridge), buffer, size);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetBridgeIds(uint32_t session, uint32_t bridge, uint16_t* vendorId,
                                           uint16_t* deviceId, uint16_t* subsystemVendorId,
                                           uint16_t* subsystemId) {
    tCallLine l_Log("QxPciBrd_GetBridgeIds");
    l_Log.dec("session", session).hex("bridge", bridge);
    return withSession("QxPciBrd_GetBridgeIds", session, [&](cMachine& a_rMachine) {
        return pciAnswerIds(bridgeOf(a_rMachine, bridge), vendorId, deviceId, subsystemVendorId,
                            subsystemId);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_SetAttributeU32(uint32_t session, uint32_t bridge, uint32_t attribute,
                                              uint32_t value) {
    tCallLine l_Log("QxPciBrd_SetAttributeU32");
    l_Log.dec("session", session)
        .hex("bridge", bridge)
        .hex("attribute", attribute)
        .dec("value", value);
    return withSession("QxPciBrd_SetAttributeU32", session, [&](cMachine& a_rMachine) {
        tBridge* l_pBridge = bridgeOf(a_rMachine, bridge);
        if (l_pBridge == nullptr) {
            return kNotFound;
        }
        if (attribute == kAttrPrimaryBus || attribute == kAttrSecondaryBus) {
            return kAttributeUnsupported;  // bus numbers are the topology itself
        }
        std::lock_guard<std::mutex> l_Lock(a_rMachine.m_Mutex);
        l_pBridge->attributes[attribute] = value;
        return 0;
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetAttributeU32(uint32_t session, uint32_t bridge, uint32_t attribute,
                                              uint32_t* value) {
    tCallLine l_Log("QxPciBrd_GetAttributeU32");
    l_Log.dec("session", session).hex("bridge", bridge).hex("attribute", attribute);
    return withSession("QxPciBrd_GetAttributeU32", session, [&](cMachine& a_rMachine) {
        const tBridge* l_pBridge = bridgeOf(a_rMachine, bridge);
        if (l_pBridge == nullptr) {
            return kNotFound;
        }
        if (value == nullptr) {
            return kInvalidArgument;
        }
        if (attribute == kAttrPrimaryBus) {
            *value = l_pBridge->bus;
            return 0;
        }
        if (attribute == kAttrSecondaryBus) {
            *value = l_pBridge->secondaryBus;
            return 0;
        }
        std::lock_guard<std::mutex> l_Lock(a_rMachine.m_Mutex);
        auto l_Found = l_pBridge->attributes.find(attribute);
        if (l_Found == l_pBridge->attributes.end()) {
            return kAttributeUnsupported;
        }
        *value = l_Found->second;
        return 0;
    });
}

QXSIM_EXPORT int32_t QxPciBrd_OpenBridge(uint32_t session, uint32_t bridge) {
    tCallLine l_Log("QxPciBrd_OpenBridge");
    l_Log.dec("session", session).hex("bridge", bridge);
    return withSession("QxPciBrd_OpenBridge", session, [&](cMachine& a_rMachine) {
        return bridgeOf(a_rMachine, bridge) == nullptr ? kNotFound : 0;
    });
}

QXSIM_EXPORT int32_t QxPciBrd_CloseBridge(uint32_t session, uint32_t bridge) {
    tCallLine l_Log("QxPciBrd_CloseBridge");
    l_Log.dec("session", session).hex("bridge", bridge);
    return withSession("QxPciBrd_CloseBridge", session, [&](cMachine& a_rMachine) {
        return bridgeOf(a_rMachine, bridge) == nullptr ? kNotFound : 0;
    });
}

QXSIM_EXPORT int32_t QxPciBrd_EepromUpdate(uint32_t session, uint32_t bridge, uint16_t vendorId,
                                           uint16_t deviceId, uint32_t alwaysOverwrite,
                                           uint32_t updateMethod, uint32_t byteCount,
                                           const uint8_t* data) {
    tCallLine l_Log("QxPciBrd_EepromUpdate");
    l_Log.dec("session", session)
        .hex("bridge", bridge)
        .hex("vendorId", vendorId)
        .hex("deviceId", deviceId)
        .dec("alwaysOverwrite", alwaysOverwrite)
        .dec("updateMethod", updateMethod)
        .dec("byteCount", byteCount)
        .ptr("data", data);
    return withSession("QxPciBrd_EepromUpdate", session, [&](cMachine& a_rMachine) {
        if (bridgeOf(a_rMachine, bridge) == nullptr) {
            return kNotFound;
        }
        return byteCount != 0 && data == nullptr ? kInvalidArgument : 0;
    });
}
