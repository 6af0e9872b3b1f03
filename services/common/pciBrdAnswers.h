// The PCI bridge service's answers that do not depend on where the bridges come from
// (a simulated machine or a real topology): bridge references, the finders, one bridge
// or a list of them sized then filled, the slot path text, address and id outputs, and
// the table of open sessions. A bridge type here is any struct with the fields of
// tBridge's topology (bus, device, function, the four ids, secondaryBus, rootBus, hops,
// slotPath).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "services/common/slotPathText.h"

namespace nQxSim {

constexpr int32_t kPciInvalidSession = -313001;
constexpr int32_t kPciBufferTooSmall = -313002;
constexpr int32_t kPciNotFound = -313003;
constexpr int32_t kPciInvalidArgument = -313004;
constexpr int32_t kPciInternalFault = -313011;
constexpr uint32_t kPciNone = 0xFFFFFFFF;

// Bridge references are 0x100 plus the bridge's position, so a caller that confuses a
// reference with an index is caught.
constexpr uint32_t kPciRefBase = 0x100;

inline uint32_t pciRefOf(size_t a_Position) {
    return kPciRefBase + static_cast<uint32_t>(a_Position);
}

// The bridge a reference names, null for none.
template <typename tBridge>
tBridge* pciBridgeOf(std::vector<tBridge>& a_rBridges, uint32_t a_Ref) {
    if (a_Ref < kPciRefBase || a_Ref - kPciRefBase >= a_rBridges.size()) {
        return nullptr;
    }
    return &a_rBridges[a_Ref - kPciRefBase];
}

template <typename tBridge>
const tBridge* pciBridgeOf(const std::vector<tBridge>& a_rBridges, uint32_t a_Ref) {
    return pciBridgeOf(const_cast<std::vector<tBridge>&>(a_rBridges), a_Ref);
}

// Position of the first bridge a_Matches accepts, -1 for none.
template <typename tBridge, typename tPredicate>
long pciFirstBridge(const std::vector<tBridge>& a_rBridges, tPredicate&& a_Matches) {
    for (size_t l_Position = 0; l_Position < a_rBridges.size(); ++l_Position) {
        if (a_Matches(a_rBridges[l_Position])) {
            return static_cast<long>(l_Position);
        }
    }
    return -1;
}

// References of every bridge a_Matches accepts, in position order.
template <typename tBridge, typename tPredicate>
std::vector<uint32_t> pciAllBridges(const std::vector<tBridge>& a_rBridges,
                                    tPredicate&& a_Matches) {
    std::vector<uint32_t> l_Refs;
    for (size_t l_Position = 0; l_Position < a_rBridges.size(); ++l_Position) {
        if (a_Matches(a_rBridges[l_Position])) {
            l_Refs.push_back(pciRefOf(l_Position));
        }
    }
    return l_Refs;
}

// One out bridge: its reference, or none and "no such bridge" for a negative position.
inline int32_t pciAnswerBridge(long a_Position, uint32_t* a_pBridge) {
    if (a_pBridge == nullptr) {
        return kPciInvalidArgument;
    }
    if (a_Position < 0) {
        *a_pBridge = kPciNone;
        return kPciNotFound;
    }
    *a_pBridge = pciRefOf(static_cast<size_t>(a_Position));
    return 0;
}

// Size then fill: a null array with count 0 asks for the count; nothing to list is
// success with count 0.
template <typename tItem>
int32_t pciAnswerList(const std::vector<tItem>& a_rItems, tItem* a_pArray, uint32_t* a_pCount) {
    if (a_pCount == nullptr) {
        return kPciInvalidArgument;
    }
    const uint32_t l_Needed = static_cast<uint32_t>(a_rItems.size());
    if (a_pArray == nullptr || *a_pCount < l_Needed) {
        *a_pCount = l_Needed;
        return l_Needed == 0 ? 0 : kPciBufferTooSmall;
    }
    std::copy(a_rItems.begin(), a_rItems.end(), a_pArray);
    *a_pCount = l_Needed;
    return 0;
}

template <typename tBridge>
int32_t pciAnswerAddress(const tBridge* a_pBridge, uint8_t* a_pBus, uint8_t* a_pDevice,
                         uint8_t* a_pFunction) {
    if (a_pBridge == nullptr) {
        return kPciNotFound;
    }
    if (a_pBus == nullptr || a_pDevice == nullptr || a_pFunction == nullptr) {
        return kPciInvalidArgument;
    }
    *a_pBus = a_pBridge->bus;
    *a_pDevice = a_pBridge->device;
    *a_pFunction = a_pBridge->function;
    return 0;
}

// The slot path sized then filled; the size counts the NUL.
template <typename tBridge>
int32_t pciAnswerSlotPath(const tBridge* a_pBridge, char* a_pBuffer, uint32_t* a_pSize) {
    if (a_pBridge == nullptr) {
        return kPciNotFound;
    }
    if (a_pSize == nullptr) {
        return kPciInvalidArgument;
    }
    const uint32_t l_Needed = static_cast<uint32_t>(a_pBridge->slotPath.size() + 1);
    if (a_pBuffer == nullptr || *a_pSize < l_Needed) {
        *a_pSize = l_Needed;
        return kPciBufferTooSmall;
    }
    std::memcpy(a_pBuffer, a_pBridge->slotPath.c_str(), l_Needed);
    *a_pSize = l_Needed;
    return 0;
}

// Each id output is optional.
template <typename tBridge>
int32_t pciAnswerIds(const tBridge* a_pBridge, uint16_t* a_pVendorId, uint16_t* a_pDeviceId,
                     uint16_t* a_pSubsystemVendorId, uint16_t* a_pSubsystemId) {
    if (a_pBridge == nullptr) {
        return kPciNotFound;
    }
    if (a_pVendorId != nullptr) {
        *a_pVendorId = a_pBridge->vendorId;
    }
    if (a_pDeviceId != nullptr) {
        *a_pDeviceId = a_pBridge->deviceId;
    }
    if (a_pSubsystemVendorId != nullptr) {
        *a_pSubsystemVendorId = a_pBridge->subsystemVendorId;
    }
    if (a_pSubsystemId != nullptr) {
        *a_pSubsystemId = a_pBridge->subsystemId;
    }
    return 0;
}

// References of the bridges sitting on a_Bus.
template <typename tBridge>
std::vector<uint32_t> pciBridgesOnBus(const std::vector<tBridge>& a_rBridges, uint8_t a_Bus) {
    return pciAllBridges(a_rBridges,
                         [&](const tBridge& a_rBridge) { return a_rBridge.bus == a_Bus; });
}

// The finders' answers. A null wanted id is a wildcard.
template <typename tBridge>
int32_t pciFindByIds(const std::vector<tBridge>& a_rBridges, const uint16_t* a_pVendorId,
                     const uint16_t* a_pDeviceId, const uint16_t* a_pSubsystemVendorId,
                     const uint16_t* a_pSubsystemId, uint32_t* a_pBridges, uint32_t* a_pCount) {
    auto l_Matches = [](const uint16_t* a_pWanted, uint16_t a_Value) {
        return a_pWanted == nullptr || *a_pWanted == a_Value;
    };
    return pciAnswerList(pciAllBridges(a_rBridges,
                                       [&](const tBridge& a_rBridge) {
                                           return l_Matches(a_pVendorId, a_rBridge.vendorId) &&
                                                  l_Matches(a_pDeviceId, a_rBridge.deviceId) &&
                                                  l_Matches(a_pSubsystemVendorId,
                                                            a_rBridge.subsystemVendorId) &&
                                                  l_Matches(a_pSubsystemId, a_rBridge.subsystemId);
                                       }),
                         a_pBridges, a_pCount);
}

template <typename tBridge>
int32_t pciFindByAddress(const std::vector<tBridge>& a_rBridges, uint8_t a_Bus, uint8_t a_Device,
                         uint8_t a_Function, uint32_t* a_pBridge) {
    return pciAnswerBridge(pciFirstBridge(a_rBridges,
                                          [&](const tBridge& a_rBridge) {
                                              return a_rBridge.bus == a_Bus &&
                                                     a_rBridge.device == a_Device &&
                                                     a_rBridge.function == a_Function;
                                          }),
                           a_pBridge);
}

// Text that is no slot path is an invalid argument, with no bridge.
template <typename tBridge>
int32_t pciFindBySlotPath(const std::vector<tBridge>& a_rBridges, const char* a_pSlotPath,
                          uint32_t* a_pBridge) {
    if (a_pSlotPath == nullptr || a_pBridge == nullptr) {
        return kPciInvalidArgument;
    }
    uint8_t l_Bus = 0;
    std::vector<uint8_t> l_Hops;
    if (!parseSlotPath(a_pSlotPath, l_Bus, l_Hops)) {
        *a_pBridge = kPciNone;
        return kPciInvalidArgument;
    }
    return pciAnswerBridge(pciFirstBridge(a_rBridges,
                                          [&](const tBridge& a_rBridge) {
                                              return a_rBridge.rootBus == l_Bus &&
                                                     a_rBridge.hops == l_Hops;
                                          }),
                           a_pBridge);
}

template <typename tBridge>
int32_t pciFindParentForBus(const std::vector<tBridge>& a_rBridges, uint8_t a_Bus,
                            uint32_t* a_pBridge) {
    return pciAnswerBridge(
        pciFirstBridge(a_rBridges,
                       [&](const tBridge& a_rBridge) { return a_rBridge.secondaryBus == a_Bus; }),
        a_pBridge);
}

// Open sessions by id. A call holds its session's state while it runs, so a close from
// another thread meanwhile cannot pull it away; a closed state is released outside the
// lock.
template <typename tState>
class tPciSessionTable {
public:
    using tPointer = std::shared_ptr<tState>;

    // The new session's id: never 0, never "none", never one still open.
    uint32_t open(tPointer a_pState) {
        std::lock_guard<std::mutex> l_Lock(m_Mutex);
        uint32_t l_Id = m_Next;
        while (l_Id == kPciNone || l_Id == 0 || m_Open.count(l_Id) != 0) {
            ++l_Id;
        }
        m_Next = l_Id + 1;
        m_Open.emplace(l_Id, std::move(a_pState));
        return l_Id;
    }

    tPointer find(uint32_t a_Session) const {
        std::lock_guard<std::mutex> l_Lock(m_Mutex);
        auto l_Found = m_Open.find(a_Session);
        return l_Found == m_Open.end() ? nullptr : l_Found->second;
    }

    int32_t close(uint32_t a_Session) {
        tPointer l_pState;  // released after the lock
        std::lock_guard<std::mutex> l_Lock(m_Mutex);
        auto l_Found = m_Open.find(a_Session);
        if (l_Found == m_Open.end()) {
            return kPciInvalidSession;
        }
        l_pState = std::move(l_Found->second);
        m_Open.erase(l_Found);
        return 0;
    }

    // Runs a_Body on the session's state; nothing a body throws leaves the service.
    template <typename tBody>
    int32_t with(uint32_t a_Session, tBody&& a_Body) const {
        try {
            const tPointer l_pState = find(a_Session);
            if (!l_pState) {
                return kPciInvalidSession;
            }
            return a_Body(*l_pState);
        } catch (...) {
            return kPciInternalFault;
        }
    }

private:
    mutable std::mutex m_Mutex;
    uint32_t m_Next = 1;
    std::map<uint32_t, tPointer> m_Open;
};

}  // namespace nQxSim
