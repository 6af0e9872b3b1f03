// cPciBrdDynLib: the binding of the PCI bridge service library. Binds
// "libqxpcibrd.so.1" and its 18 functions by name at construction and closes the
// library at destruction. Each forwarding call returns -313008 without calling anything
// when its function is not bound (CloseSession and CloseBridge then do nothing).
// Owned by one wrapper and used by one thread at a time, under its owner's lock.
#pragma once

#include <cstdint>

#include "config/slotpath/cSlotPath.h"
#include "platform/pcibrdwrapper/tPciBrdTypes.h"
#include "runtime/dynlib/qxDynLib.h"
#include "runtime/qxns.h"
#include "runtime/status/tJsonStatus.h"

namespace QX_NS {
namespace nQxPciBrdWrapper_15_0 {

class cPciBrdDynLib : public tDynLibBinding {
public:
    // Binds into a_rStatus: a missing library or function is recorded there (the first
    // failure stays); a missing function still leaves the others usable.
    explicit cPciBrdDynLib(tJsonStatus& a_rStatus);
    ~cPciBrdDynLib() override;

    virtual int32_t OpenSession(uint32_t a_Flags, uint32_t* a_pSession);
    virtual int32_t CloseSession(uint32_t a_Session);
    virtual int32_t FindBridgesByPciIds(uint32_t a_Session, const uint16_t* a_pVid,
                                        const uint16_t* a_pPid, const uint16_t* a_pSsVid,
                                        const uint16_t* a_pSsPid, uint32_t* a_pBridges,
                                        uint32_t* a_pCount);
    virtual int32_t FindBridgeByAddress(uint32_t a_Session, uint8_t a_Bus, uint8_t a_Dev,
                                        uint8_t a_Func, uint32_t* a_pBridge);
    // Passes the path to the service in its text form.
    virtual int32_t FindBridgeBySlotPath(uint32_t a_Session,
                                         const nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath,
                                         uint32_t* a_pBridge);
    virtual int32_t FindParentBridgeForBus(uint32_t a_Session, uint8_t a_Bus, uint32_t* a_pBridge);
    virtual int32_t GetBridgeParent(uint32_t a_Session, uint32_t a_Child, uint32_t* a_pParent);
    virtual int32_t GetBridgeChildren(uint32_t a_Session, uint32_t a_Parent, uint32_t* a_pChildren,
                                      uint32_t* a_pCount);
    virtual int32_t GetBusChildren(uint32_t a_Session, uint8_t a_Bus, uint32_t* a_pChildren,
                                   uint32_t* a_pCount);
    virtual int32_t GetRootBuses(uint32_t a_Session, uint8_t* a_pBuses, uint32_t* a_pCount);
    virtual int32_t GetBridgeAddress(uint32_t a_Session, uint32_t a_Bridge, uint8_t* a_pBus,
                                     uint8_t* a_pDev, uint8_t* a_pFunc);
    // Asks for the size, then the text, and parses it into a_rSlotPath; returns the
    // service's result, or the parse result when the service succeeded.
    virtual int32_t GetBridgeSlotPath(uint32_t a_Session, uint32_t a_Bridge,
                                      nQxPxiDriverTools_1_0::cSlotPath& a_rSlotPath);
    virtual int32_t GetBridgeIds(uint32_t a_Session, uint32_t a_Bridge, uint16_t* a_pVid,
                                 uint16_t* a_pPid, uint16_t* a_pSsVid, uint16_t* a_pSsPid);
    virtual int32_t SetAttributeU32(uint32_t a_Session, uint32_t a_Bridge, uint32_t a_AttributeId,
                                    uint32_t a_Value);
    virtual int32_t GetAttributeU32(uint32_t a_Session, uint32_t a_Bridge, uint32_t a_AttributeId,
                                    uint32_t* a_pValue);
    virtual int32_t OpenBridge(uint32_t a_Session, uint32_t a_Bridge);
    virtual int32_t CloseBridge(uint32_t a_Session, uint32_t a_Bridge);
    virtual int32_t EepromUpdate(uint32_t a_Session, uint32_t a_Bridge, uint16_t a_Vid,
                                 uint16_t a_Pid, uint32_t a_AlwaysOverwrite,
                                 uint32_t a_UpdateMethod, uint32_t a_ByteCount,
                                 const uint8_t* a_pBuffer);

private:
    // The table: one entry per function of the service, in lookup order.
    tFunction<tOpenSessionFn> m_OpenSession{*this, "QxPciBrd_OpenSession"};
    tFunction<tCloseSessionFn> m_CloseSession{*this, "QxPciBrd_CloseSession"};
    tFunction<tFindBridgesByPciIdsFn> m_FindBridgesByPciIds{*this, "QxPciBrd_FindBridgesByPciIds"};
    tFunction<tFindBridgeByAddressFn> m_FindBridgeByAddress{*this, "QxPciBrd_FindBridgeByAddress"};
    tFunction<tFindBridgeBySlotPathFn> m_FindBridgeBySlotPath{*this,
                                                              "QxPciBrd_FindBridgeBySlotPath"};
    tFunction<tFindParentBridgeForBusFn> m_FindParentBridgeForBus{
        *this, "QxPciBrd_FindParentBridgeForBus"};
    tFunction<tGetBridgeParentFn> m_GetBridgeParent{*this, "QxPciBrd_GetBridgeParent"};
    tFunction<tGetBridgeChildrenFn> m_GetBridgeChildren{*this, "QxPciBrd_GetBridgeChildren"};
    tFunction<tGetBusChildrenFn> m_GetBusChildren{*this, "QxPciBrd_GetBusChildren"};
    tFunction<tGetRootBusesFn> m_GetRootBuses{*this, "QxPciBrd_GetRootBuses"};
    tFunction<tGetBridgeAddressFn> m_GetBridgeAddress{*this, "QxPciBrd_GetBridgeAddress"};
    tFunction<tGetBridgeSlotPathFn> m_GetBridgeSlotPath{*this, "QxPciBrd_GetBridgeSlotPath"};
    tFunction<tGetBridgeIdsFn> m_GetBridgeIds{*this, "QxPciBrd_GetBridgeIds"};
    tFunction<tSetAttributeU32Fn> m_SetAttributeU32{*this, "QxPciBrd_SetAttributeU32"};
    tFunction<tGetAttributeU32Fn> m_GetAttributeU32{*this, "QxPciBrd_GetAttributeU32"};
    tFunction<tOpenBridgeFn> m_OpenBridge{*this, "QxPciBrd_OpenBridge"};
    tFunction<tCloseBridgeFn> m_CloseBridge{*this, "QxPciBrd_CloseBridge"};
    tFunction<tEepromUpdateFn> m_EepromUpdate{*this, "QxPciBrd_EepromUpdate"};
};

}  // namespace nQxPciBrdWrapper_15_0
}  // namespace QX_NS
