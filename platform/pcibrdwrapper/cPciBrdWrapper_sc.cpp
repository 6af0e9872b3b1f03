#include "platform/pcibrdwrapper/cPciBrdWrapper_sc.h"

#include <utility>

namespace QX_NS {
namespace nQxPciBrdWrapper_15_0 {

using nQxPxiDriverTools_1_0::cSlotPath;

namespace {

// Records a non-zero service result, warnings included.
void record(int32_t a_Result, const tSourceLocation& a_rLocation, tJsonStatus& a_rStatus) {
    if (a_Result != 0)
        a_rStatus.setWithLocation(a_Result, a_rLocation);
}

// Size then fill: a_Call(array, &count) is made once with no array, and again with an
// array of the size asked for when the service says the array is too small. That
// answer never reaches the caller; any other sizing answer leaves the output alone.
template <typename tElement, typename tCall>
void sizeThenFill(tCall a_Call, std::vector<tElement>& a_rOut, const tSourceLocation& a_rSizing,
                  const tSourceLocation& a_rFilling, tJsonStatus& a_rStatus) {
    uint32_t l_Count = 0;
    int32_t l_Result = a_Call(nullptr, &l_Count);
    if (l_Result != kStatusPciBrdBufferTooSmall) {
        record(l_Result, a_rSizing, a_rStatus);
        return;
    }
    std::vector<tElement> l_Array(l_Count);
    l_Result = a_Call(l_Array.data(), &l_Count);
    record(l_Result, a_rFilling, a_rStatus);
    if (a_rStatus.isError())
        return;
    // The service reports how many entries it wrote; never hand out unwritten ones.
    if (l_Count < l_Array.size())
        l_Array.resize(l_Count);
    a_rOut = std::move(l_Array);
}

}  // namespace

cPciBrdWrapper_sc::cPciBrdWrapper_sc(tJsonStatus& a_rStatus) : m_PciBrdDynLib(a_rStatus) {}

cPciBrdWrapper_sc::~cPciBrdWrapper_sc() {
    CloseSession();
}

void cPciBrdWrapper_sc::OpenSession(uint32_t a_Flags, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    CloseSession();
    record(m_PciBrdDynLib.OpenSession(a_Flags, &m_Session),
           QX_LOCATION("m_PciBrdDynLib.OpenSession( a_Flags, &m_Session )"), a_rStatus);
    if (a_rStatus.isError()) {
        m_Session = kPciBrdNone;
    } else {
        m_SessionOpen = true;
    }
}

void cPciBrdWrapper_sc::CloseSession() {
    if (m_SessionOpen)
        m_PciBrdDynLib.CloseSession(m_Session);
    m_Session = kPciBrdNone;
    m_SessionOpen = false;
}

void cPciBrdWrapper_sc::FindBridgesByPciIds(const uint16_t* a_pVid, const uint16_t* a_pPid,
                                            const uint16_t* a_pSsVid, const uint16_t* a_pSsPid,
                                            std::vector<uint32_t>& a_rBridges,
                                            tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    sizeThenFill(
        [&](uint32_t* a_pArray, uint32_t* a_pCount) {
            return m_PciBrdDynLib.FindBridgesByPciIds(m_Session, a_pVid, a_pPid, a_pSsVid, a_pSsPid,
                                                      a_pArray, a_pCount);
        },
        a_rBridges,
        QX_LOCATION("m_PciBrdDynLib.FindBridgesByPciIds( m_Session, a_pVid, a_pPid, a_pSsVid, "
                    "a_pSsPid, __null, &l_BridgeCount )"),
        QX_LOCATION("m_PciBrdDynLib.FindBridgesByPciIds( m_Session, a_pVid, a_pPid, a_pSsVid, "
                    "a_pSsPid, &l_Bridges[0], &l_BridgeCount )"),
        a_rStatus);
}

void cPciBrdWrapper_sc::FindBridgeByAddress(uint8_t a_Bus, uint8_t a_Dev, uint8_t a_Func,
                                            uint32_t& a_rBridgeRef, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(
        m_PciBrdDynLib.FindBridgeByAddress(m_Session, a_Bus, a_Dev, a_Func, &a_rBridgeRef),
        QX_LOCATION(
            "m_PciBrdDynLib.FindBridgeByAddress( m_Session, a_Bus, a_Dev, a_Func, &a_rBridgeRef )"),
        a_rStatus);
}

void cPciBrdWrapper_sc::FindBridgeBySlotPath(const cSlotPath& a_rSlotPath, uint32_t& a_rBridgeRef,
                                             tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(
        m_PciBrdDynLib.FindBridgeBySlotPath(m_Session, a_rSlotPath, &a_rBridgeRef),
        QX_LOCATION("m_PciBrdDynLib.FindBridgeBySlotPath( m_Session, a_rSlotPath, &a_rBridgeRef )"),
        a_rStatus);
}

void cPciBrdWrapper_sc::FindParentBridgeForBus(uint8_t a_Bus, uint32_t& a_rBridgeRef,
                                               tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(m_PciBrdDynLib.FindParentBridgeForBus(m_Session, a_Bus, &a_rBridgeRef),
           QX_LOCATION("m_PciBrdDynLib.FindParentBridgeForBus( m_Session, a_Bus, &a_rBridgeRef )"),
           a_rStatus);
}

void cPciBrdWrapper_sc::GetBridgeParent(uint32_t a_Child, uint32_t& a_rBridgeRef,
                                        tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(m_PciBrdDynLib.GetBridgeParent(m_Session, a_Child, &a_rBridgeRef),
           QX_LOCATION("m_PciBrdDynLib.GetBridgeParent( m_Session, a_Child, &a_rBridgeRef )"),
           a_rStatus);
}

void cPciBrdWrapper_sc::GetBridgeChildren(uint32_t a_Parent, std::vector<uint32_t>& a_rChildren,
                                          tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    sizeThenFill(
        [&](uint32_t* a_pArray, uint32_t* a_pCount) {
            return m_PciBrdDynLib.GetBridgeChildren(m_Session, a_Parent, a_pArray, a_pCount);
        },
        a_rChildren,
        QX_LOCATION(
            "m_PciBrdDynLib.GetBridgeChildren( m_Session, a_Parent, __null, &l_ChildrenCount )"),
        QX_LOCATION("m_PciBrdDynLib.GetBridgeChildren( m_Session, a_Parent, &l_Child[0], "
                    "&l_ChildrenCount )"),
        a_rStatus);
}

void cPciBrdWrapper_sc::GetBusChildren(uint8_t a_Bus, std::vector<uint32_t>& a_rChildren,
                                       tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    sizeThenFill(
        [&](uint32_t* a_pArray, uint32_t* a_pCount) {
            return m_PciBrdDynLib.GetBusChildren(m_Session, a_Bus, a_pArray, a_pCount);
        },
        a_rChildren,
        QX_LOCATION("m_PciBrdDynLib.GetBusChildren( m_Session, a_Bus, __null, &l_ChildrenCount )"),
        QX_LOCATION(
            "m_PciBrdDynLib.GetBusChildren( m_Session, a_Bus, &l_Child[0], &l_ChildrenCount )"),
        a_rStatus);
}

void cPciBrdWrapper_sc::GetRootBuses(std::vector<uint8_t>& a_rRootBuses, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    sizeThenFill(
        [&](uint8_t* a_pArray, uint32_t* a_pCount) {
            return m_PciBrdDynLib.GetRootBuses(m_Session, a_pArray, a_pCount);
        },
        a_rRootBuses,
        QX_LOCATION("m_PciBrdDynLib.GetRootBuses( m_Session, __null, &l_RootBusCount )"),
        QX_LOCATION("m_PciBrdDynLib.GetRootBuses( m_Session, &l_RootBuses[0], &l_RootBusCount )"),
        a_rStatus);
}

void cPciBrdWrapper_sc::GetBridgeAddress(uint32_t a_BridgeRef, uint8_t* a_pBus, uint8_t* a_pDev,
                                         uint8_t* a_pFunc, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(
        m_PciBrdDynLib.GetBridgeAddress(m_Session, a_BridgeRef, a_pBus, a_pDev, a_pFunc),
        QX_LOCATION(
            "m_PciBrdDynLib.GetBridgeAddress( m_Session, a_BridgeRef, a_pBus, a_pDev, a_pFunc )"),
        a_rStatus);
}

void cPciBrdWrapper_sc::GetBridgeSlotPath(uint32_t a_BridgeRef, cSlotPath& a_rSlotPath,
                                          tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(m_PciBrdDynLib.GetBridgeSlotPath(m_Session, a_BridgeRef, a_rSlotPath),
           QX_LOCATION("m_PciBrdDynLib.GetBridgeSlotPath( m_Session, a_BridgeRef, a_rSlotPath )"),
           a_rStatus);
}

void cPciBrdWrapper_sc::GetBridgeIds(uint32_t a_BridgeRef, uint16_t* a_pVid, uint16_t* a_pPid,
                                     uint16_t* a_pSsVid, uint16_t* a_pSsPid,
                                     tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(m_PciBrdDynLib.GetBridgeIds(m_Session, a_BridgeRef, a_pVid, a_pPid, a_pSsVid, a_pSsPid),
           QX_LOCATION("m_PciBrdDynLib.GetBridgeIds( m_Session, a_BridgeRef, a_pVid, a_pPid, "
                       "a_pSsVid, a_pSsPid )"),
           a_rStatus);
}

void cPciBrdWrapper_sc::SetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId,
                                        uint32_t a_Value, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(m_PciBrdDynLib.SetAttributeU32(m_Session, a_BridgeRef, a_AttributeId, a_Value),
           QX_LOCATION(
               "m_PciBrdDynLib.SetAttributeU32( m_Session, a_BridgeRef, a_AttributeId, a_Value )"),
           a_rStatus);
}

void cPciBrdWrapper_sc::GetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId,
                                        uint32_t& a_rAttributeBuffer, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(
        m_PciBrdDynLib.GetAttributeU32(m_Session, a_BridgeRef, a_AttributeId, &a_rAttributeBuffer),
        QX_LOCATION("m_PciBrdDynLib.GetAttributeU32( m_Session, a_BridgeRef, a_AttributeId, "
                    "&a_rAttributeBuffer )"),
        a_rStatus);
}

void cPciBrdWrapper_sc::OpenBridge(uint32_t a_BridgeRef, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(m_PciBrdDynLib.OpenBridge(m_Session, a_BridgeRef),
           QX_LOCATION("m_PciBrdDynLib.OpenBridge( m_Session, a_BridgeRef )"), a_rStatus);
}

void cPciBrdWrapper_sc::CloseBridge(uint32_t a_BridgeRef) {
    m_PciBrdDynLib.CloseBridge(m_Session, a_BridgeRef);
}

void cPciBrdWrapper_sc::EepromUpdate(uint32_t a_Bridge, uint16_t a_Vid, uint16_t a_Pid,
                                     uint32_t a_AlwaysOverwrite, uint32_t a_UpdateMethod,
                                     uint32_t a_ByteCount, const uint8_t* a_pBuffer,
                                     tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    record(m_PciBrdDynLib.EepromUpdate(m_Session, a_Bridge, a_Vid, a_Pid, a_AlwaysOverwrite,
                                       a_UpdateMethod, a_ByteCount, a_pBuffer),
           QX_LOCATION("m_PciBrdDynLib.EepromUpdate( m_Session, a_Bridge, a_Vid, a_Pid, "
                       "a_AlwaysOverwrite, a_UpdateMethod, a_ByteCount, a_pBuffer )"),
           a_rStatus);
}

}  // namespace nQxPciBrdWrapper_15_0
}  // namespace QX_NS
