// cPciBrdWrapper_sc: binds the PCI bridge service into the status given at construction
// and holds at most one session, closed by the destructor before the library is
// released. Created on the stack of one operation, used by one thread at a time.
#pragma once

#include "platform/pcibrdwrapper/cPciBrdDynLib.h"
#include "platform/pcibrdwrapper/iPciBrdWrapper_sc.h"

namespace QX_NS {
namespace nQxPciBrdWrapper_15_0 {

class cPciBrdWrapper_sc : public iPciBrdWrapper_sc {
public:
    explicit cPciBrdWrapper_sc(tJsonStatus& a_rStatus);
    ~cPciBrdWrapper_sc() override;
    cPciBrdWrapper_sc(const cPciBrdWrapper_sc&) = delete;
    cPciBrdWrapper_sc& operator=(const cPciBrdWrapper_sc&) = delete;

    void OpenSession(uint32_t a_Flags, tJsonStatus& a_rStatus) override;
    void CloseSession() override;
    bool IsSessionOpen() const override { return m_SessionOpen; }
    void FindBridgesByPciIds(const uint16_t* a_pVid, const uint16_t* a_pPid,
                             const uint16_t* a_pSsVid, const uint16_t* a_pSsPid,
                             std::vector<uint32_t>& a_rBridges, tJsonStatus& a_rStatus) override;
    void FindBridgeByAddress(uint8_t a_Bus, uint8_t a_Dev, uint8_t a_Func, uint32_t& a_rBridgeRef,
                             tJsonStatus& a_rStatus) override;
    void FindBridgeBySlotPath(const nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath,
                              uint32_t& a_rBridgeRef, tJsonStatus& a_rStatus) override;
    void FindParentBridgeForBus(uint8_t a_Bus, uint32_t& a_rBridgeRef,
                                tJsonStatus& a_rStatus) override;
    void GetBridgeParent(uint32_t a_Child, uint32_t& a_rBridgeRef, tJsonStatus& a_rStatus) override;
    void GetBridgeChildren(uint32_t a_Parent, std::vector<uint32_t>& a_rChildren,
                           tJsonStatus& a_rStatus) override;
    void GetBusChildren(uint8_t a_Bus, std::vector<uint32_t>& a_rChildren,
                        tJsonStatus& a_rStatus) override;
    void GetRootBuses(std::vector<uint8_t>& a_rRootBuses, tJsonStatus& a_rStatus) override;
    void GetBridgeAddress(uint32_t a_BridgeRef, uint8_t* a_pBus, uint8_t* a_pDev, uint8_t* a_pFunc,
                          tJsonStatus& a_rStatus) override;
    void GetBridgeSlotPath(uint32_t a_BridgeRef, nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath,
                           tJsonStatus& a_rStatus) override;
    void GetBridgeIds(uint32_t a_BridgeRef, uint16_t* a_pVid, uint16_t* a_pPid, uint16_t* a_pSsVid,
                      uint16_t* a_pSsPid, tJsonStatus& a_rStatus) override;
    void SetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId, uint32_t a_Value,
                         tJsonStatus& a_rStatus) override;
    void GetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId, uint32_t& a_rAttributeBuffer,
                         tJsonStatus& a_rStatus) override;
    void OpenBridge(uint32_t a_BridgeRef, tJsonStatus& a_rStatus) override;
    void CloseBridge(uint32_t a_BridgeRef) override;
    void EepromUpdate(uint32_t a_Bridge, uint16_t a_Vid, uint16_t a_Pid, uint32_t a_AlwaysOverwrite,
                      uint32_t a_UpdateMethod, uint32_t a_ByteCount, const uint8_t* a_pBuffer,
                      tJsonStatus& a_rStatus) override;

private:
    cPciBrdDynLib m_PciBrdDynLib;
    uint32_t m_Session = kPciBrdNone;
    bool m_SessionOpen = false;
};

}  // namespace nQxPciBrdWrapper_15_0
}  // namespace QX_NS
