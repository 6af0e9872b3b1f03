// iPciBrdWrapper_ex: PCI bridge service access in the exception flavour. A negative
// service result is thrown as qxerr::Exception (error constant "l_MacroStatus"); a zero
// or positive result is returned. The four single-bridge finds return -313003 with an
// out bridge of 0xFFFFFFFF instead of throwing when there is no such bridge.
// A wrapper is used by one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "config/slotpath/cSlotPath.h"
#include "runtime/qxns.h"

namespace QX_NS {
namespace nQxPciBrdWrapper_15_0 {

class iPciBrdWrapper_ex {
public:
    virtual ~iPciBrdWrapper_ex() = default;

    // Closes an open session first.
    virtual int32_t OpenSession(uint32_t a_Flags) = 0;
    virtual void CloseSession() = 0;
    virtual bool IsSessionOpen() const = 0;
    // List operations ask for the size, then fill; when there is nothing to list the
    // output list is left exactly as it was.
    virtual int32_t FindBridgesByPciIds(const uint16_t* a_pVid, const uint16_t* a_pPid,
                                        const uint16_t* a_pSsVid, const uint16_t* a_pSsPid,
                                        std::vector<uint32_t>& a_rBridges) = 0;
    virtual int32_t FindBridgeByAddress(uint8_t a_Bus, uint8_t a_Dev, uint8_t a_Func,
                                        uint32_t& a_rBridgeRef) = 0;
    virtual int32_t FindBridgeBySlotPath(const nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath,
                                         uint32_t& a_rBridgeRef) = 0;
    virtual int32_t FindParentBridgeForBus(uint8_t a_Bus, uint32_t& a_rBridgeRef) = 0;
    virtual int32_t GetBridgeParent(uint32_t a_Child, uint32_t& a_rBridgeRef) = 0;
    virtual int32_t GetBridgeChildren(uint32_t a_Parent, std::vector<uint32_t>& a_rChildren) = 0;
    virtual int32_t GetBusChildren(uint8_t a_Bus, std::vector<uint32_t>& a_rChildren) = 0;
    virtual int32_t GetRootBuses(std::vector<uint8_t>& a_rRootBuses) = 0;
    virtual int32_t GetBridgeAddress(uint32_t a_BridgeRef, uint8_t* a_pBus, uint8_t* a_pDev,
                                     uint8_t* a_pFunc) = 0;
    virtual int32_t GetBridgeSlotPath(uint32_t a_BridgeRef,
                                      nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath) = 0;
    virtual int32_t GetBridgeIds(uint32_t a_BridgeRef, uint16_t* a_pVid, uint16_t* a_pPid,
                                 uint16_t* a_pSsVid, uint16_t* a_pSsPid) = 0;
    virtual int32_t SetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId,
                                    uint32_t a_Value) = 0;
    virtual int32_t GetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId,
                                    uint32_t& a_rAttributeBuffer) = 0;
    virtual int32_t OpenBridge(uint32_t a_BridgeRef) = 0;
    virtual void CloseBridge(uint32_t a_BridgeRef) = 0;
    virtual int32_t EepromUpdate(uint32_t a_Bridge, uint16_t a_Vid, uint16_t a_Pid,
                                 uint32_t a_AlwaysOverwrite, uint32_t a_UpdateMethod,
                                 uint32_t a_ByteCount, const uint8_t* a_pBuffer) = 0;
};

}  // namespace nQxPciBrdWrapper_15_0
}  // namespace QX_NS
