// iPciBrdWrapper_sc: PCI bridge service access in the status-code flavour. Every
// operation that takes a tJsonStatus does nothing when it already holds an error, and
// records any non-zero service result (warnings included) in it, with the failing call
// as its error constant. A wrapper is used by one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "config/slotpath/cSlotPath.h"
#include "runtime/qxns.h"
#include "runtime/status/tJsonStatus.h"

namespace QX_NS {
namespace nQxPciBrdWrapper_15_0 {

class iPciBrdWrapper_sc {
public:
    virtual ~iPciBrdWrapper_sc() = default;

    // Closes an open session first.
    virtual void OpenSession(uint32_t a_Flags, tJsonStatus& a_rStatus) = 0;
    virtual void CloseSession() = 0;
    virtual bool IsSessionOpen() const = 0;
    // List operations ask for the size, then fill. When there is nothing to list (or the
    // call fails) the output list is left exactly as it was.
    virtual void FindBridgesByPciIds(const uint16_t* a_pVid, const uint16_t* a_pPid,
                                     const uint16_t* a_pSsVid, const uint16_t* a_pSsPid,
                                     std::vector<uint32_t>& a_rBridges, tJsonStatus& a_rStatus) = 0;
    virtual void FindBridgeByAddress(uint8_t a_Bus, uint8_t a_Dev, uint8_t a_Func,
                                     uint32_t& a_rBridgeRef, tJsonStatus& a_rStatus) = 0;
    virtual void FindBridgeBySlotPath(const nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath,
                                      uint32_t& a_rBridgeRef, tJsonStatus& a_rStatus) = 0;
    virtual void FindParentBridgeForBus(uint8_t a_Bus, uint32_t& a_rBridgeRef,
                                        tJsonStatus& a_rStatus) = 0;
    virtual void GetBridgeParent(uint32_t a_Child, uint32_t& a_rBridgeRef,
                                 tJsonStatus& a_rStatus) = 0;
    virtual void GetBridgeChildren(uint32_t a_Parent, std::vector<uint32_t>& a_rChildren,
                                   tJsonStatus& a_rStatus) = 0;
    virtual void GetBusChildren(uint8_t a_Bus, std::vector<uint32_t>& a_rChildren,
                                tJsonStatus& a_rStatus) = 0;
    virtual void GetRootBuses(std::vector<uint8_t>& a_rRootBuses, tJsonStatus& a_rStatus) = 0;
    virtual void GetBridgeAddress(uint32_t a_BridgeRef, uint8_t* a_pBus, uint8_t* a_pDev,
                                  uint8_t* a_pFunc, tJsonStatus& a_rStatus) = 0;
    virtual void GetBridgeSlotPath(uint32_t a_BridgeRef,
                                   nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath,
                                   tJsonStatus& a_rStatus) = 0;
    virtual void GetBridgeIds(uint32_t a_BridgeRef, uint16_t* a_pVid, uint16_t* a_pPid,
                              uint16_t* a_pSsVid, uint16_t* a_pSsPid, tJsonStatus& a_rStatus) = 0;
    virtual void SetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId, uint32_t a_Value,
                                 tJsonStatus& a_rStatus) = 0;
    virtual void GetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId,
                                 uint32_t& a_rAttributeBuffer, tJsonStatus& a_rStatus) = 0;
    virtual void OpenBridge(uint32_t a_BridgeRef, tJsonStatus& a_rStatus) = 0;
    virtual void CloseBridge(uint32_t a_BridgeRef) = 0;
    virtual void EepromUpdate(uint32_t a_Bridge, uint16_t a_Vid, uint16_t a_Pid,
                              uint32_t a_AlwaysOverwrite, uint32_t a_UpdateMethod,
                              uint32_t a_ByteCount, const uint8_t* a_pBuffer,
                              tJsonStatus& a_rStatus) = 0;
};

}  // namespace nQxPciBrdWrapper_15_0
}  // namespace QX_NS
