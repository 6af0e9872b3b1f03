#include "platform/pcibrdwrapper/cPciBrdWrapper_ex.h"

#include <exception>
#include <utility>

#include "runtime/status/qxerrException.h"

namespace QX_NS {
namespace nQxPciBrdWrapper_15_0 {

using nQxPxiDriverTools_1_0::cSlotPath;

namespace {

// Size then fill, throwing any negative answer but the sizing call's "too small".
template <typename tElement, typename tCall>
int32_t sizeThenFill(tCall a_Call, std::vector<tElement>& a_rOut) {
    uint32_t l_Count = 0;
    int32_t l_Result = a_Call(nullptr, &l_Count);
    if (l_Result != kStatusPciBrdBufferTooSmall)
        return QX_THROW_IF_ERROR(l_Result);
    std::vector<tElement> l_Array(l_Count);
    l_Result = QX_THROW_IF_ERROR(a_Call(l_Array.data(), &l_Count));
    // The service reports how many entries it wrote; never hand out unwritten ones.
    if (l_Count < l_Array.size())
        l_Array.resize(l_Count);
    a_rOut = std::move(l_Array);
    return l_Result;
}

// The single-bridge finds answer "no such bridge" with a result, not an exception.
int32_t notFoundOrThrow(int32_t a_Result, uint32_t& a_rBridgeRef) {
    if (a_Result == kStatusPciBrdNotFound) {
        a_rBridgeRef = kPciBrdNone;
        return a_Result;
    }
    return QX_THROW_IF_ERROR(a_Result);
}

}  // namespace

cPciBrdWrapper_ex::cPciBrdWrapper_ex() : cPciBrdWrapper_ex(tJsonStatus()) {}

cPciBrdWrapper_ex::cPciBrdWrapper_ex(tJsonStatus&& a_rBindStatus) : m_PciBrdDynLib(a_rBindStatus) {
    if (a_rBindStatus.isError() && std::uncaught_exceptions() == 0) {
        qxerr::Exception l_Exception;
        l_Exception.status().copyFrom(a_rBindStatus);
        throw l_Exception;
    }
}

cPciBrdWrapper_ex::~cPciBrdWrapper_ex() {
    CloseSession();
}

int32_t cPciBrdWrapper_ex::OpenSession(uint32_t a_Flags) {
    CloseSession();
    const int32_t l_Result = m_PciBrdDynLib.OpenSession(a_Flags, &m_Session);
    if (l_Result < 0)
        m_Session = kPciBrdNone;
    QX_THROW_IF_ERROR(l_Result);
    m_SessionOpen = true;
    return l_Result;
}

void cPciBrdWrapper_ex::CloseSession() {
    if (m_SessionOpen)
        m_PciBrdDynLib.CloseSession(m_Session);
    m_Session = kPciBrdNone;
    m_SessionOpen = false;
}

int32_t cPciBrdWrapper_ex::FindBridgesByPciIds(const uint16_t* a_pVid, const uint16_t* a_pPid,
                                               const uint16_t* a_pSsVid, const uint16_t* a_pSsPid,
                                               std::vector<uint32_t>& a_rBridges) {
    return sizeThenFill(
        [&](uint32_t* a_pArray, uint32_t* a_pCount) {
            return m_PciBrdDynLib.FindBridgesByPciIds(m_Session, a_pVid, a_pPid, a_pSsVid, a_pSsPid,
                                                      a_pArray, a_pCount);
        },
        a_rBridges);
}

int32_t cPciBrdWrapper_ex::FindBridgeByAddress(uint8_t a_Bus, uint8_t a_Dev, uint8_t a_Func,
                                               uint32_t& a_rBridgeRef) {
    return notFoundOrThrow(
        m_PciBrdDynLib.FindBridgeByAddress(m_Session, a_Bus, a_Dev, a_Func, &a_rBridgeRef),
        a_rBridgeRef);
}

int32_t cPciBrdWrapper_ex::FindBridgeBySlotPath(const cSlotPath& a_rSlotPath,
                                                uint32_t& a_rBridgeRef) {
    return notFoundOrThrow(
        m_PciBrdDynLib.FindBridgeBySlotPath(m_Session, a_rSlotPath, &a_rBridgeRef), a_rBridgeRef);
}

int32_t cPciBrdWrapper_ex::FindParentBridgeForBus(uint8_t a_Bus, uint32_t& a_rBridgeRef) {
    return notFoundOrThrow(m_PciBrdDynLib.FindParentBridgeForBus(m_Session, a_Bus, &a_rBridgeRef),
                           a_rBridgeRef);
}

int32_t cPciBrdWrapper_ex::GetBridgeParent(uint32_t a_Child, uint32_t& a_rBridgeRef) {
    return notFoundOrThrow(m_PciBrdDynLib.GetBridgeParent(m_Session, a_Child, &a_rBridgeRef),
                           a_rBridgeRef);
}

int32_t cPciBrdWrapper_ex::GetBridgeChildren(uint32_t a_Parent,
                                             std::vector<uint32_t>& a_rChildren) {
    return sizeThenFill(
        [&](uint32_t* a_pArray, uint32_t* a_pCount) {
            return m_PciBrdDynLib.GetBridgeChildren(m_Session, a_Parent, a_pArray, a_pCount);
        },
        a_rChildren);
}

int32_t cPciBrdWrapper_ex::GetBusChildren(uint8_t a_Bus, std::vector<uint32_t>& a_rChildren) {
    return sizeThenFill(
        [&](uint32_t* a_pArray, uint32_t* a_pCount) {
            return m_PciBrdDynLib.GetBusChildren(m_Session, a_Bus, a_pArray, a_pCount);
        },
        a_rChildren);
}

int32_t cPciBrdWrapper_ex::GetRootBuses(std::vector<uint8_t>& a_rRootBuses) {
    return sizeThenFill(
        [&](uint8_t* a_pArray, uint32_t* a_pCount) {
            return m_PciBrdDynLib.GetRootBuses(m_Session, a_pArray, a_pCount);
        },
        a_rRootBuses);
}

int32_t cPciBrdWrapper_ex::GetBridgeAddress(uint32_t a_BridgeRef, uint8_t* a_pBus, uint8_t* a_pDev,
                                            uint8_t* a_pFunc) {
    return QX_THROW_IF_ERROR(
        m_PciBrdDynLib.GetBridgeAddress(m_Session, a_BridgeRef, a_pBus, a_pDev, a_pFunc));
}

int32_t cPciBrdWrapper_ex::GetBridgeSlotPath(uint32_t a_BridgeRef, cSlotPath& a_rSlotPath) {
    return QX_THROW_IF_ERROR(m_PciBrdDynLib.GetBridgeSlotPath(m_Session, a_BridgeRef, a_rSlotPath));
}

int32_t cPciBrdWrapper_ex::GetBridgeIds(uint32_t a_BridgeRef, uint16_t* a_pVid, uint16_t* a_pPid,
                                        uint16_t* a_pSsVid, uint16_t* a_pSsPid) {
    return QX_THROW_IF_ERROR(
        m_PciBrdDynLib.GetBridgeIds(m_Session, a_BridgeRef, a_pVid, a_pPid, a_pSsVid, a_pSsPid));
}

int32_t cPciBrdWrapper_ex::SetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId,
                                           uint32_t a_Value) {
    return QX_THROW_IF_ERROR(
        m_PciBrdDynLib.SetAttributeU32(m_Session, a_BridgeRef, a_AttributeId, a_Value));
}

int32_t cPciBrdWrapper_ex::GetAttributeU32(uint32_t a_BridgeRef, uint32_t a_AttributeId,
                                           uint32_t& a_rAttributeBuffer) {
    return QX_THROW_IF_ERROR(
        m_PciBrdDynLib.GetAttributeU32(m_Session, a_BridgeRef, a_AttributeId, &a_rAttributeBuffer));
}

int32_t cPciBrdWrapper_ex::OpenBridge(uint32_t a_BridgeRef) {
    return QX_THROW_IF_ERROR(m_PciBrdDynLib.OpenBridge(m_Session, a_BridgeRef));
}

void cPciBrdWrapper_ex::CloseBridge(uint32_t a_BridgeRef) {
    m_PciBrdDynLib.CloseBridge(m_Session, a_BridgeRef);
}

int32_t cPciBrdWrapper_ex::EepromUpdate(uint32_t a_Bridge, uint16_t a_Vid, uint16_t a_Pid,
                                        uint32_t a_AlwaysOverwrite, uint32_t a_UpdateMethod,
                                        uint32_t a_ByteCount, const uint8_t* a_pBuffer) {
    return QX_THROW_IF_ERROR(m_PciBrdDynLib.EepromUpdate(m_Session, a_Bridge, a_Vid, a_Pid,
                                                         a_AlwaysOverwrite, a_UpdateMethod,
                                                         a_ByteCount, a_pBuffer));
}

}  // namespace nQxPciBrdWrapper_15_0
}  // namespace QX_NS
