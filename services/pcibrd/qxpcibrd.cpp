// Stand-in PCI bridge service: answers from the bridges of the simulated machine.
// Bridge references are 0x100 plus the bridge's position in the machine file, so a
// caller that confuses a reference with an index is caught.
#include "qxpxi/services/qxpcibrd.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "services/common/cMachine.h"
#include "services/common/machineStore.h"
#include "services/common/tCallLine.h"

#define QXSIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace nQxSim {
namespace {

constexpr int32_t kBufferTooSmall = -313002;
constexpr int32_t kNotFound = -313003;
constexpr int32_t kInvalidSession = -313001;
constexpr int32_t kInvalidArgument = -313004;
constexpr int32_t kAttributeUnsupported = -313005;
constexpr int32_t kMachineUnusable = -313010;
constexpr int32_t kInternalFault = -313011;
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kRefBase = 0x100;

constexpr uint32_t kAttrPrimaryBus = QXPCIBRD_ATTR_PRIMARY_BUS;
constexpr uint32_t kAttrSecondaryBus = QXPCIBRD_ATTR_SECONDARY_BUS;

struct tSessions {
    std::mutex mutex;
    uint32_t next = 1;
    std::map<uint32_t, std::shared_ptr<cMachine>> open;
};

tSessions& sessions() {
    static tSessions s_Sessions;
    return s_Sessions;
}

std::shared_ptr<cMachine> machineOf(uint32_t a_Session) {
    tSessions& l_rSessions = sessions();
    std::lock_guard<std::mutex> l_Lock(l_rSessions.mutex);
    auto l_Found = l_rSessions.open.find(a_Session);
    return l_Found == l_rSessions.open.end() ? nullptr : l_Found->second;
}

uint32_t refOf(size_t a_Index) {
    return kRefBase + static_cast<uint32_t>(a_Index);
}

tBridge* bridgeOf(cMachine& a_rMachine, uint32_t a_Ref) {
    if (a_Ref < kRefBase || a_Ref - kRefBase >= a_rMachine.m_Bridges.size()) {
        return nullptr;
    }
    return &a_rMachine.m_Bridges[a_Ref - kRefBase];
}

// Runs a_Body on the session's machine after the fault table had its say; a body
// never lets an exception out of the service.
template <typename tBody>
int32_t withSession(const char* a_pFunction, uint32_t a_Session, tBody&& a_Body) {
    try {
        std::shared_ptr<cMachine> l_pMachine = machineOf(a_Session);
        if (!l_pMachine) {
            return kInvalidSession;
        }
        int32_t l_Status = 0;
        if (l_pMachine->takeFault(a_pFunction, l_Status)) {
            return l_Status;
        }
        return a_Body(*l_pMachine);
    } catch (...) {
        return kInternalFault;
    }
}

// Size then fill: a null array with count 0 asks for the count.
template <typename tItem>
int32_t fillList(const std::vector<tItem>& a_rItems, tItem* a_pArray, uint32_t* a_pCount) {
    if (a_pCount == nullptr) {
        return kInvalidArgument;
    }
    const uint32_t l_Needed = static_cast<uint32_t>(a_rItems.size());
    if (a_pArray == nullptr || *a_pCount < l_Needed) {
        const bool l_Empty = l_Needed == 0;
        *a_pCount = l_Needed;
        return l_Empty ? 0 : kBufferTooSmall;
    }
    for (uint32_t l_Index = 0; l_Index < l_Needed; ++l_Index) {
        a_pArray[l_Index] = a_rItems[l_Index];
    }
    *a_pCount = l_Needed;
    return 0;
}

int32_t singleBridge(int a_Index, uint32_t* a_pBridge) {
    if (a_pBridge == nullptr) {
        return kInvalidArgument;
    }
    if (a_Index < 0) {
        *a_pBridge = kNone;
        return kNotFound;
    }
    *a_pBridge = refOf(static_cast<size_t>(a_Index));
    return 0;
}

int findBySecondaryBus(const cMachine& a_rMachine, uint8_t a_Bus) {
    for (size_t l_Index = 0; l_Index < a_rMachine.m_Bridges.size(); ++l_Index) {
        if (a_rMachine.m_Bridges[l_Index].secondaryBus == a_Bus) {
            return static_cast<int>(l_Index);
        }
    }
    return -1;
}

std::vector<uint32_t> bridgesOnBus(const cMachine& a_rMachine, uint8_t a_Bus) {
    std::vector<uint32_t> l_Refs;
    for (size_t l_Index = 0; l_Index < a_rMachine.m_Bridges.size(); ++l_Index) {
        if (a_rMachine.m_Bridges[l_Index].bus == a_Bus) {
            l_Refs.push_back(refOf(l_Index));
        }
    }
    return l_Refs;
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
        *session = kNone;
        std::shared_ptr<cMachine> l_pMachine = loadMachine();
        if (!l_pMachine) {
            return kMachineUnusable;
        }
        int32_t l_Status = 0;
        if (l_pMachine->takeFault("QxPciBrd_OpenSession", l_Status)) {
            return l_Status;
        }
        tSessions& l_rSessions = sessions();
        std::lock_guard<std::mutex> l_Lock(l_rSessions.mutex);
        uint32_t l_Id = l_rSessions.next++;
        if (l_Id == kNone || l_Id == 0) {
            l_Id = l_rSessions.next = 1;
            ++l_rSessions.next;
        }
        l_rSessions.open[l_Id] = l_pMachine;
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
    tSessions& l_rSessions = sessions();
    std::lock_guard<std::mutex> l_Lock(l_rSessions.mutex);
    return l_rSessions.open.erase(session) == 1 ? 0 : kInvalidSession;
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
        auto l_Matches = [](const uint16_t* a_pWanted, uint16_t a_Value) {
            return a_pWanted == nullptr || *a_pWanted == a_Value;
        };
        std::vector<uint32_t> l_Refs;
        for (size_t l_Index = 0; l_Index < a_rMachine.m_Bridges.size(); ++l_Index) {
            const tBridge& l_rBridge = a_rMachine.m_Bridges[l_Index];
            if (l_Matches(vendorId, l_rBridge.vendorId) &&
                l_Matches(deviceId, l_rBridge.deviceId) &&
                l_Matches(subsystemVendorId, l_rBridge.subsystemVendorId) &&
                l_Matches(subsystemId, l_rBridge.subsystemId)) {
                l_Refs.push_back(refOf(l_Index));
            }
        }
        return fillList(l_Refs, bridges, count);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_FindBridgeByAddress(uint32_t session, uint8_t bus, uint8_t device,
                                                  uint8_t function, uint32_t* bridge) {
    tCallLine l_Log("QxPciBrd_FindBridgeByAddress");
    l_Log.dec("session", session).dec("bus", bus).dec("device", device).dec("function", function);
    return withSession("QxPciBrd_FindBridgeByAddress", session, [&](cMachine& a_rMachine) {
        int l_Found = -1;
        for (size_t l_Index = 0; l_Index < a_rMachine.m_Bridges.size(); ++l_Index) {
            const tBridge& l_rBridge = a_rMachine.m_Bridges[l_Index];
            if (l_rBridge.bus == bus && l_rBridge.device == device &&
                l_rBridge.function == function) {
                l_Found = static_cast<int>(l_Index);
            }
        }
        return singleBridge(l_Found, bridge);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_FindBridgeBySlotPath(uint32_t session, const char* slotPath,
                                                   uint32_t* bridge) {
    tCallLine l_Log("QxPciBrd_FindBridgeBySlotPath");
    l_Log.dec("session", session).text("slotPath", slotPath);
    return withSession("QxPciBrd_FindBridgeBySlotPath", session, [&](cMachine& a_rMachine) {
        if (slotPath == nullptr || bridge == nullptr) {
            return kInvalidArgument;
        }
        uint8_t l_Bus = 0;
        std::vector<uint8_t> l_Hops;
        if (!parseSlotPath(slotPath, l_Bus, l_Hops)) {
            *bridge = kNone;
            return kInvalidArgument;
        }
        int l_Found = -1;
        for (size_t l_Index = 0; l_Index < a_rMachine.m_Bridges.size(); ++l_Index) {
            const tBridge& l_rBridge = a_rMachine.m_Bridges[l_Index];
            if (l_rBridge.rootBus == l_Bus && l_rBridge.hops == l_Hops) {
                l_Found = static_cast<int>(l_Index);
            }
        }
        return singleBridge(l_Found, bridge);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_FindParentBridgeForBus(uint32_t session, uint8_t bus,
                                                     uint32_t* bridge) {
    tCallLine l_Log("QxPciBrd_FindParentBridgeForBus");
    l_Log.dec("session", session).dec("bus", bus);
    return withSession("QxPciBrd_FindParentBridgeForBus", session, [&](cMachine& a_rMachine) {
        return singleBridge(findBySecondaryBus(a_rMachine, bus), bridge);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetBridgeParent(uint32_t session, uint32_t child, uint32_t* parent) {
    tCallLine l_Log("QxPciBrd_GetBridgeParent");
    l_Log.dec("session", session).hex("child", child);
    return withSession("QxPciBrd_GetBridgeParent", session, [&](cMachine& a_rMachine) {
        const tBridge* l_pChild = bridgeOf(a_rMachine, child);
        if (l_pChild == nullptr) {
            return singleBridge(-1, parent);
        }
        return singleBridge(l_pChild->parent, parent);
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
        return fillList(bridgesOnBus(a_rMachine, l_pParent->secondaryBus), children, count);
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
        return fillList(bridgesOnBus(a_rMachine, bus), children, count);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetRootBuses(uint32_t session, uint8_t* buses, uint32_t* count) {
    tCallLine l_Log("QxPciBrd_GetRootBuses");
    l_Log.dec("session", session)
        .ptr("buses", buses)
        .dec("count", count == nullptr ? -1 : static_cast<int64_t>(*count));
    return withSession("QxPciBrd_GetRootBuses", session, [&](cMachine& a_rMachine) {
        return fillList(a_rMachine.m_RootBuses, buses, count);
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetBridgeAddress(uint32_t session, uint32_t bridge, uint8_t* bus,
                                               uint8_t* device, uint8_t* function) {
    tCallLine l_Log("QxPciBrd_GetBridgeAddress");
    l_Log.dec("session", session).hex("bridge", bridge);
    return withSession("QxPciBrd_GetBridgeAddress", session, [&](cMachine& a_rMachine) {
        const tBridge* l_pBridge = bridgeOf(a_rMachine, bridge);
        if (l_pBridge == nullptr) {
            return kNotFound;
        }
        if (bus == nullptr || device == nullptr || function == nullptr) {
            return kInvalidArgument;
        }
        *bus = l_pBridge->bus;
        *device = l_pBridge->device;
        *function = l_pBridge->function;
        return 0;
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
        const tBridge* l_pBridge = bridgeOf(a_rMachine, bridge);
        if (l_pBridge == nullptr) {
            return kNotFound;
        }
        if (size == nullptr) {
            return kInvalidArgument;
        }
        const uint32_t l_Needed = static_cast<uint32_t>(l_pBridge->slotPath.size() + 1);
        if (buffer == nullptr || *size < l_Needed) {
            *size = l_Needed;
            return kBufferTooSmall;
        }
        std::memcpy(buffer, l_pBridge->slotPath.c_str(), l_Needed);
        *size = l_Needed;
        return 0;
    });
}

QXSIM_EXPORT int32_t QxPciBrd_GetBridgeIds(uint32_t session, uint32_t bridge, uint16_t* vendorId,
                                           uint16_t* deviceId, uint16_t* subsystemVendorId,
                                           uint16_t* subsystemId) {
    tCallLine l_Log("QxPciBrd_GetBridgeIds");
    l_Log.dec("session", session).hex("bridge", bridge);
    return withSession("QxPciBrd_GetBridgeIds", session, [&](cMachine& a_rMachine) {
        const tBridge* l_pBridge = bridgeOf(a_rMachine, bridge);
        if (l_pBridge == nullptr) {
            return kNotFound;
        }
        // Each output is optional.
        if (vendorId != nullptr) {
            *vendorId = l_pBridge->vendorId;
        }
        if (deviceId != nullptr) {
            *deviceId = l_pBridge->deviceId;
        }
        if (subsystemVendorId != nullptr) {
            *subsystemVendorId = l_pBridge->subsystemVendorId;
        }
        if (subsystemId != nullptr) {
            *subsystemId = l_pBridge->subsystemId;
        }
        return 0;
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
