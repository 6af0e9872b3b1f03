// PCI bridge service on hwloc: a session is one loaded topology, its bridges indexed
// once (cTopologyIndex). Nothing here writes to hardware.
#include "qxpxi/services/qxpcibrd.h"
#include "qxpxi/services/qxpcibrd_linux.h"

#include <cstring>
#include <memory>
#include <utility>

#include "services/common/environment.h"
#include "services/common/pciBrdAnswers.h"
#include "services/linux/pcibrd/cTopologyIndex.h"

#define QXLINUX_EXPORT extern "C" __attribute__((visibility("default")))

namespace nQxLinux {
namespace {

using namespace nQxSim;

constexpr int32_t kNotFound = kPciNotFound;
constexpr int32_t kInvalidArgument = QXPCIBRD_LINUX_INVALID_ARGUMENT;
constexpr int32_t kTopologyUnusable = QXPCIBRD_LINUX_TOPOLOGY_UNUSABLE;
constexpr int32_t kInternalFault = QXPCIBRD_LINUX_INTERNAL_FAULT;
constexpr int32_t kNotSupported = QXPCIBRD_LINUX_NOT_SUPPORTED;
static_assert(QXPCIBRD_LINUX_INVALID_SESSION == kPciInvalidSession &&
                  QXPCIBRD_LINUX_INVALID_ARGUMENT == kPciInvalidArgument &&
                  QXPCIBRD_LINUX_INTERNAL_FAULT == kPciInternalFault,
              "the Linux service answers the contract's codes");

tPciSessionTable<const cTopologyIndex>& sessions() {
    static tPciSessionTable<const cTopologyIndex> s_Sessions;
    return s_Sessions;
}

// Why the calling thread's last session failed to open: a failed open has no session to
// ask, so the text is kept per thread, as errno is.
thread_local std::string t_LastError;

const tPciBridge* bridgeOf(const cTopologyIndex& a_rIndex, uint32_t a_Ref) {
    return pciBridgeOf(a_rIndex.m_Bridges, a_Ref);
}

// Runs a_Body on the session's topology; nothing escapes the service.
template <typename tBody>
int32_t withSession(uint32_t a_Session, tBody&& a_Body) {
    return sessions().with(a_Session, std::forward<tBody>(a_Body));
}

}  // namespace
}  // namespace nQxLinux

using namespace nQxLinux;
using namespace nQxSim;

QXLINUX_EXPORT int32_t QxPciBrd_OpenSession(uint32_t flags, uint32_t* session) {
    (void)flags;  // no flags have a meaning here
    try {
        if (session == nullptr) {
            return kInvalidArgument;
        }
        *session = kPciNone;
        t_LastError.clear();
        std::string l_Error;
        std::shared_ptr<const cTopologyIndex> l_pIndex = cTopologyIndex::load(l_Error);
        if (!l_pIndex) {
            t_LastError = l_Error;
            nQxSim::debugLine("qxpcibrd", l_Error);
            return kTopologyUnusable;
        }
        *session = sessions().open(std::move(l_pIndex));
        return 0;
    } catch (...) {
        return kInternalFault;
    }
}

QXLINUX_EXPORT int32_t QxPciBrd_CloseSession(uint32_t session) {
    return sessions().close(session);
}

QXLINUX_EXPORT int32_t QxPciBrd_FindBridgesByPciIds(uint32_t session, const uint16_t* vendorId,
                                                    const uint16_t* deviceId,
                                                    const uint16_t* subsystemVendorId,
                                                    const uint16_t* subsystemId, uint32_t* bridges,
                                                    uint32_t* count) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return pciFindByIds(a_rIndex.m_Bridges, vendorId, deviceId, subsystemVendorId, subsystemId,
                            bridges, count);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_FindBridgeByAddress(uint32_t session, uint8_t bus, uint8_t device,
                                                    uint8_t function, uint32_t* bridge) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return pciFindByAddress(a_rIndex.m_Bridges, bus, device, function, bridge);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_FindBridgeBySlotPath(uint32_t session, const char* slotPath,
                                                     uint32_t* bridge) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return pciFindBySlotPath(a_rIndex.m_Bridges, slotPath, bridge);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_FindParentBridgeForBus(uint32_t session, uint8_t bus,
                                                       uint32_t* bridge) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return pciFindParentForBus(a_rIndex.m_Bridges, bus, bridge);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetBridgeParent(uint32_t session, uint32_t child,
                                                uint32_t* parent) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        const tPciBridge* l_pChild = bridgeOf(a_rIndex, child);
        return pciAnswerBridge(l_pChild == nullptr ? -1 : l_pChild->parent, parent);
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
            l_Refs.push_back(pciRefOf(l_Position));
        }
        return pciAnswerList(l_Refs, children, count);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetBusChildren(uint32_t session, uint8_t bus, uint32_t* children,
                                               uint32_t* count) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return pciAnswerList(pciBridgesOnBus(a_rIndex.m_Bridges, bus), children, count);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetRootBuses(uint32_t session, uint8_t* buses, uint32_t* count) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return pciAnswerList(a_rIndex.m_RootBuses, buses, count);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetBridgeAddress(uint32_t session, uint32_t bridge, uint8_t* bus,
                                                 uint8_t* device, uint8_t* function) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return pciAnswerAddress(bridgeOf(a_rIndex, bridge), bus, device, function);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetBridgeSlotPath(uint32_t session, uint32_t bridge, char* buffer,
                                                  uint32_t* size) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return pciAnswerSlotPath(bridgeOf(a_rIndex, bridge), buffer, size);
    });
}

QXLINUX_EXPORT int32_t QxPciBrd_GetBridgeIds(uint32_t session, uint32_t bridge, uint16_t* vendorId,
                                             uint16_t* deviceId, uint16_t* subsystemVendorId,
                                             uint16_t* subsystemId) {
    return withSession(session, [&](const cTopologyIndex& a_rIndex) {
        return pciAnswerIds(bridgeOf(a_rIndex, bridge), vendorId, deviceId, subsystemVendorId,
                            subsystemId);
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

QXLINUX_EXPORT int32_t QxPciBrd_GetLastError(char* buffer, uint32_t* size) {
    try {
        if (size == nullptr) {
            return kInvalidArgument;
        }
        const uint32_t l_Needed = static_cast<uint32_t>(t_LastError.size() + 1);
        if (buffer == nullptr || *size < l_Needed) {
            *size = l_Needed;
            return kPciBufferTooSmall;
        }
        std::memcpy(buffer, t_LastError.c_str(), l_Needed);
        *size = l_Needed;
        return 0;
    } catch (...) {
        return kInternalFault;
    }
}
