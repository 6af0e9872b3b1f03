// PCI bridge service on hwloc: a session is one loaded topology, its bridges indexed
// once (cTopologyIndex). Nothing here writes to hardware.
#include "qxpxi/services/qxpcibrd.h"
#include "qxpxi/services/qxpcibrd_linux.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "services/common/slotPathText.h"
#include "services/linux/pcibrd/cTopologyIndex.h"

#define QXLINUX_EXPORT extern "C" __attribute__((visibility("default")))

namespace nQxLinux {
namespace {

constexpr int32_t kBufferTooSmall = -313002;
constexpr int32_t kNotFound = -313003;
constexpr int32_t kInvalidSession = QXPCIBRD_LINUX_INVALID_SESSION;
constexpr int32_t kInvalidArgument = QXPCIBRD_LINUX_INVALID_ARGUMENT;
constexpr int32_t kTopologyUnusable = QXPCIBRD_LINUX_TOPOLOGY_UNUSABLE;
constexpr int32_t kInternalFault = QXPCIBRD_LINUX_INTERNAL_FAULT;
constexpr int32_t kNotSupported = QXPCIBRD_LINUX_NOT_SUPPORTED;
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kRefBase = 0x100;

using tIndex = std::shared_ptr<const cTopologyIndex>;

struct tSessions {
    std::mutex mutex;
    uint32_t next = 1;
    std::map<uint32_t, tIndex> open;
};

tSessions& sessions() {
    static tSessions s_Sessions;
    return s_Sessions;
}

tIndex indexOf(uint32_t a_Session) {
    tSessions& l_rSessions = sessions();
    std::lock_guard<std::mutex> l_Lock(l_rSessions.mutex);
    auto l_Found = l_rSessions.open.find(a_Session);
    return l_Found == l_rSessions.open.end() ? nullptr : l_Found->second;
}

uint32_t refOf(size_t a_Position) {
    return kRefBase + static_cast<uint32_t>(a_Position);
}

const tPciBridge* bridgeOf(const cTopologyIndex& a_rIndex, uint32_t a_Ref) {
    if (a_Ref < kRefBase || a_Ref - kRefBase >= a_rIndex.m_Bridges.size()) {
        return nullptr;
    }
    return &a_rIndex.m_Bridges[a_Ref - kRefBase];
}

// Runs a_Body on the session's topology; nothing escapes the service.
template <typename tBody>
int32_t withSession(uint32_t a_Session, tBody&& a_Body) {
    try {
        const tIndex l_pIndex = indexOf(a_Session);
        if (!l_pIndex) {
            return kInvalidSession;
        }
        return a_Body(*l_pIndex);
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
        *a_pCount = l_Needed;
        return l_Needed == 0 ? 0 : kBufferTooSmall;
    }
    std::copy(a_rItems.begin(), a_rItems.end(), a_pArray);
    *a_pCount = l_Needed;
    return 0;
}

int32_t singleBridge(long a_Position, uint32_t* a_pBridge) {
    if (a_pBridge == nullptr) {
        return kInvalidArgument;
    }
    if (a_Position < 0) {
        *a_pBridge = kNone;
        return kNotFound;
    }
    *a_pBridge = refOf(static_cast<size_t>(a_Position));
    return 0;
}

template <typename tPredicate>
long firstBridge(const cTopologyIndex& a_rIndex, tPredicate&& a_Matches) {
    for (size_t l_Position = 0; l_Position < a_rIndex.m_Bridges.size(); ++l_Position) {
        if (a_Matches(a_rIndex.m_Bridges[l_Position])) {
            return static_cast<long>(l_Position);
        }
    }
    return -1;
}

template <typename tPredicate>
std::vector<uint32_t> allBridges(const cTopologyIndex& a_rIndex, tPredicate&& a_Matches) {
    std::vector<uint32_t> l_Refs;
    for (size_t l_Position = 0; l_Position < a_rIndex.m_Bridges.size(); ++l_Position) {
        if (a_Matches(a_rIndex.m_Bridges[l_Position])) {
            l_Refs.push_back(refOf(l_Position));
        }
    }
    return l_Refs;
}

}  // namespace
}  // namespace nQxLinux

using namespace nQxLinux;

QXLINUX_EXPORT int32_t QxPciBrd_OpenSession(uint32_t flags, uint32_t* session) {
    (void)flags;  // no flags have a meaning here
    try {
        if (session == nullptr) {
            return kInvalidArgument;
        }
        *session = kNone;
        std::string l_Error;
        tIndex l_pIndex = cTopologyIndex::load(l_Error);
        if (!l_pIndex) {
            std::fprintf(stderr, "qxpcibrd: %s\n", l_Error.c_str());
            return kTopologyUnusable;
        }
        tSessions& l_rSessions = sessions();
        std::lock_guard<std::mutex> l_Lock(l_rSessions.mutex);
        uint32_t l_Id = l_rSessions.next;
        while (l_Id == kNone || l_Id == 0 || l_rSessions.open.count(l_Id) != 0) {
            ++l_Id;
        }
        l_rSessions.next = l_Id + 1;
        l_rSessions.open.emplace(l_Id, std::move(l_pIndex));
        *session = l_Id;
        return 0;
    } catch (...) {
        return kInternalFault;
    }
}

QXLINUX_EXPORT int32_t QxPciBrd_CloseSession(uint32_t session) {
    tIndex l_pIndex;  // released after the lock
    tSessions& l_rSessions = sessions();
    std::lock_guard<std::mutex> l_Lock(l_rSessions.mutex);
    auto l_Found = l_rSessions.open.find(session);
    if (l_Found == l_rSessions.open.end()) {
        return kInvalidSession;
    }
    l_pIndex = std::move(l_Found->second);
    l_rSessions.open.erase(l_Found);
    return 0;
}

QXLINUX_EXPORT int32_t QxPciBrd_FindBridgesByPciIds(uint32_t session, const uint16_t* vendorId,
                                                    const uint16_t* deviceId,
                                                    const uint16_t* subsystemVendorId,
                                                    const uint16_t* subsystemId, uint32_t* bridges,
                                                    uint32_t* count) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        auto l_Matches = [](const uint16_t* a_pWanted, uint16_t a_Value) {
            return a_pWanted == nullptr || *a_pWanted == a_Value;
        };
        return fillList(allBridges(a_rIndex,
                                   [&](const tPciBridge& a_rBridge) {
                                       return l_Matches(vendorId, a_rBridge.vendorId) &&
                                              l_Matches(deviceId, a_rBridge.deviceId) &&
                                              l_Matches(subsystemVendorId,
                                                        a_rBridge.subsystemVendorId) &&
                                              l_Matches(subsystemId, a_rBridge.subsystemId);
                                   }),
                        bridges, count);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_FindBridgeByAddress(uint32_t session, uint8_t bus, uint8_t device,
                                                    uint8_t function, uint32_t* bridge) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return singleBridge(firstBridge(a_rIndex,
                                        [&](const tPciBridge& a_rBridge) {
                                            return a_rBridge.bus == bus &&
                                                   a_rBridge.device == device &&
                                                   a_rBridge.function == function;
                                        }),
                            bridge);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_FindBridgeBySlotPath(uint32_t session, const char* slotPath,
                                                     uint32_t* bridge) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        if (slotPath == nullptr || bridge == nullptr) {
            return kInvalidArgument;
        }
        uint8_t l_Bus = 0;
        std::vector<uint8_t> l_Hops;
        if (!nQxSim::parseSlotPath(slotPath, l_Bus, l_Hops)) {
            *bridge = kNone;
            return kInvalidArgument;
        }
        return singleBridge(firstBridge(a_rIndex,
                                        [&](const tPciBridge& a_rBridge) {
                                            return a_rBridge.rootBus == l_Bus &&
                                                   a_rBridge.hops == l_Hops;
                                        }),
                            bridge);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_FindParentBridgeForBus(uint32_t session, uint8_t bus,
                                                       uint32_t* bridge) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return singleBridge(
            firstBridge(a_rIndex,
                        [&](const tPciBridge& a_rBridge) { return a_rBridge.secondaryBus == bus; }),
            bridge);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetBridgeParent(uint32_t session, uint32_t child,
                                                uint32_t* parent) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        const tPciBridge* l_pChild = bridgeOf(a_rIndex, child);
        return singleBridge(l_pChild == nullptr ? -1 : l_pChild->parent, parent);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetBridgeChildren(uint32_t session, uint32_t parent,
                                                  uint32_t* children, uint32_t* count) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        const tPciBridge* l_pParent = bridgeOf(a_rIndex, parent);
        if (l_pParent == nullptr) {
            return kNotFound;
        }
        std::vector<uint32_t> l_Refs;
        for (uint32_t l_Position : l_pParent->children) {
            l_Refs.push_back(refOf(l_Position));
        }
        return fillList(l_Refs, children, count);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetBusChildren(uint32_t session, uint8_t bus, uint32_t* children,
                                               uint32_t* count) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return fillList(
            allBridges(a_rIndex, [&](const tPciBridge& a_rBridge) { return a_rBridge.bus == bus; }),
            children, count);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetRootBuses(uint32_t session, uint8_t* buses, uint32_t* count) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return fillList(a_rIndex.m_RootBuses, buses, count);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetBridgeAddress(uint32_t session, uint32_t bridge, uint8_t* bus,
                                                 uint8_t* device, uint8_t* function) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        const tPciBridge* l_pBridge = bridgeOf(a_rIndex, bridge);
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

QXLINUX_EXPORT int32_t QxPciBrd_GetBridgeSlotPath(uint32_t session, uint32_t bridge, char* buffer,
                                                  uint32_t* size) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        const tPciBridge* l_pBridge = bridgeOf(a_rIndex, bridge);
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

QXLINUX_EXPORT int32_t QxPciBrd_GetBridgeIds(uint32_t session, uint32_t bridge, uint16_t* vendorId,
                                             uint16_t* deviceId, uint16_t* subsystemVendorId,
                                             uint16_t* subsystemId) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        const tPciBridge* l_pBridge = bridgeOf(a_rIndex, bridge);
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

QXLINUX_EXPORT int32_t QxPciBrd_SetAttributeU32(uint32_t session, uint32_t bridge,
                                                uint32_t attribute, uint32_t value) {
    (void)attribute;
    (void)value;
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return bridgeOf(a_rIndex, bridge) == nullptr ? kNotFound : kNotSupported;
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetAttributeU32(uint32_t session, uint32_t bridge,
                                                uint32_t attribute, uint32_t* value) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        const tPciBridge* l_pBridge = bridgeOf(a_rIndex, bridge);
        if (l_pBridge == nullptr) {
            return kNotFound;
        }
        if (value == nullptr) {
            return kInvalidArgument;
        }
        switch (attribute) {
            case QXPCIBRD_LINUX_ATTR_PRIMARY_BUS:
                *value = l_pBridge->bus;
                return 0;
            case QXPCIBRD_LINUX_ATTR_SECONDARY_BUS:
                *value = l_pBridge->secondaryBus;
                return 0;
            case QXPCIBRD_LINUX_ATTR_SUBORDINATE_BUS:
                *value = l_pBridge->subordinateBus;
                return 0;
            case QXPCIBRD_LINUX_ATTR_LINK_WIDTH:
                if (l_pBridge->linkWidth == 0) {
                    return kNotSupported;
                }
                *value = l_pBridge->linkWidth;
                return 0;
            default:
                return kNotSupported;
        }
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_OpenBridge(uint32_t session, uint32_t bridge) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return bridgeOf(a_rIndex, bridge) == nullptr ? kNotFound : kNotSupported;
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_CloseBridge(uint32_t session, uint32_t bridge) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return bridgeOf(a_rIndex, bridge) == nullptr ? kNotFound : 0;
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_EepromUpdate(uint32_t session, uint32_t bridge, uint16_t vendorId,
                                             uint16_t deviceId, uint32_t alwaysOverwrite,
                                             uint32_t updateMethod, uint32_t byteCount,
                                             const uint8_t* data) {
    (void)vendorId;
    (void)deviceId;
    (void)alwaysOverwrite;
    (void)updateMethod;
    (void)byteCount;
    (void)data;
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return bridgeOf(a_rIndex, bridge) == nullptr ? kNotFound : kNotSupported;
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetOmittedBridgeCount(uint32_t session, uint32_t* count) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        if (count == nullptr) {
            return kInvalidArgument;
        }
        *count = a_rIndex.m_OmittedBridges;
        return 0;
    });
}
