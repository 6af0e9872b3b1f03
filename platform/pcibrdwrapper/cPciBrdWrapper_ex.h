// cPciBrdWrapper_ex: binds the PCI bridge service at construction, throwing
// qxerr::Exception with the binding's status when that fails, and holds at most one
// session, closed by the destructor before the library is released. Created on the
// stack of one operation, used by one thread at a time.
#pragma once

#include "platform/pcibrdwrapper/cPciBrdDynLib.h"
#include "platform/pcibrdwrapper/iPciBrdWrapper_ex.h"

namespace QX_NS {
namespace nQxPciBrdWrapper_15_0 {

class cPciBrdWrapper_ex : public iPciBrdWrapper_ex {
public:
    cPciBrdWrapper_ex();
    ~cPciBrdWrapper_ex() override;
    cPciBrdWrapper_ex(const cPciBrdWrapper_ex&) = delete;
    cPciBrdWrapper_ex& operator=(const cPciBrdWrapper_ex&) = delete;

    int32_t OpenSession(uint32_t a_Flags) override;
    void CloseSession() override;
    bool IsSessionOpen() const override { return m_SessionOpen; }
    int32_t FindBridgesByPciIds(const uint16_t* a_pVid, const uint16_t* a_pPid,
                                const uint16_t* a_pSsVid, const uint16_t* a_pSsPid,
                                std::vector<uint32_t>& a_rBridges) override;
    int32_t FindBridgeByAddress(uint8_t a_Bus, uint8_t a_Dev, uint8_t a_Func,
                                uint32_t& a_rBridgeRef) override;
    int32_t FindBridgeBySlotPath(const nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath,
                                 uint32_t& a_rBridgeRef) override;
    int32_t FindParentBridgeForBus(uint8_t a_Bus, uint32_t& a_rBridgeRef) override;
    int32_t GetBridgeParent(uint32_t a_Child, uint32_t& a_rBridgeRef) override;
    int32_t GetBridgeChildren(uint32_t a_Parent, std::vector<uint32_t>& a_rChildren) override;
    int32_t GetBusChildren(uint8_t a_Bus, std::vector<uint32_t>& a_rChildren) override;
    int32_t GetRootBuses(std::vector<uint8_t>& a_rRootBuses) override;
    int32_t GetBridgeAddress(uint32_t a_BridgeRef, uint8_t* a_pBus, uint8_t* a_pDev,
                             uint8_t* a_pFunc) override;
    int32_t GetBridgeSlotPath(uint32_t a_BridgeRef,
                              nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath) override;
    int32_t GetBridgeIds(uint32_t a_BridgeRef, uint16_t* a_pVid, uint16_t* a_pPid,
                         uint16_t* a_pSsVid, uint16_t* a_pSsPid) override;
    int32_t SetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId,
                            uint32_t a_Value) override;
    int32_t GetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId,
                            uint32_t& a_rAttributeBuffer) override;
    int32_t OpenBridge(uint32_t a_BridgeRef) override;
    void CloseBridge(uint32_t a_BridgeRef) override;
    int32_t EepromUpdate(uint32_t a_Bridge, uint16_t a_Vid, uint16_t a_Pid,
                         uint32_t a_AlwaysOverwrite, uint32_t a_UpdateMethod, uint32_t a_ByteCount,
                         const uint8_t* a_pBuffer) override;

private:
    // Binds into a_rBindStatus, which lives until this constructor's body has judged it.
    explicit cPciBrdWrapper_ex(tJsonStatus&& a_rBindStatus);

    cPciBrdDynLib m_PciBrdDynLib;
    uint32_t m_Session = kPciBrdNone;
    bool m_SessionOpen = false;
};

}  // namespace nQxPciBrdWrapper_15_0
}  // namespace QX_NS
