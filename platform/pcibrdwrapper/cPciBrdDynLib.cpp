#include "platform/pcibrdwrapper/cPciBrdDynLib.h"

#include <vector>

#include "runtime/status/tStatusRecord.h"

namespace QX_NS {
namespace nQxPciBrdWrapper_15_0 {

using nQxPxiDriverTools_1_0::cByteString;
using nQxPxiDriverTools_1_0::cSlotPath;

cPciBrdDynLib::cPciBrdDynLib(tJsonStatus& a_rStatus) {
    // One missing function does not leave the later ones unbound; the status keeps the
    // first failure.
    bindService(kPciBrdLibraryName, kStatusPciBrdNotLoaded, QX_LOCATION(nullptr), a_rStatus);
}

cPciBrdDynLib::~cPciBrdDynLib() = default;

int32_t cPciBrdDynLib::OpenSession(uint32_t a_Flags, uint32_t* a_pSession) {
    return m_OpenSession.callOr(kStatusPciBrdNotLoaded, a_Flags, a_pSession);
}

int32_t cPciBrdDynLib::CloseSession(uint32_t a_Session) {
    return m_CloseSession.callOr(0, a_Session);
}

int32_t cPciBrdDynLib::FindBridgesByPciIds(uint32_t a_Session, const uint16_t* a_pVid,
                                           const uint16_t* a_pPid, const uint16_t* a_pSsVid,
                                           const uint16_t* a_pSsPid, uint32_t* a_pBridges,
                                           uint32_t* a_pCount) {
    return m_FindBridgesByPciIds.callOr(kStatusPciBrdNotLoaded, a_Session, a_pVid, a_pPid, a_pSsVid,
                                        a_pSsPid, a_pBridges, a_pCount);
}

int32_t cPciBrdDynLib::FindBridgeByAddress(uint32_t a_Session, uint8_t a_Bus, uint8_t a_Dev,
                                           uint8_t a_Func, uint32_t* a_pBridge) {
    return m_FindBridgeByAddress.callOr(kStatusPciBrdNotLoaded, a_Session, a_Bus, a_Dev, a_Func,
                                        a_pBridge);
}

int32_t cPciBrdDynLib::FindBridgeBySlotPath(uint32_t a_Session, const cSlotPath& a_rSlotPath,
                                            uint32_t* a_pBridge) {
    if (!m_FindBridgeBySlotPath.isBound())
        return kStatusPciBrdNotLoaded;
    tStatusRecord l_Status;
    cByteString l_Text;
    a_rSlotPath.toString(l_Text, &l_Status);
    if (l_Status.isError())
        return l_Status.code32();
    return m_FindBridgeBySlotPath(a_Session, l_Text.c_str(), a_pBridge);
}

int32_t cPciBrdDynLib::FindParentBridgeForBus(uint32_t a_Session, uint8_t a_Bus,
                                              uint32_t* a_pBridge) {
    return m_FindParentBridgeForBus.callOr(kStatusPciBrdNotLoaded, a_Session, a_Bus, a_pBridge);
}

int32_t cPciBrdDynLib::GetBridgeParent(uint32_t a_Session, uint32_t a_Child, uint32_t* a_pParent) {
    return m_GetBridgeParent.callOr(kStatusPciBrdNotLoaded, a_Session, a_Child, a_pParent);
}

int32_t cPciBrdDynLib::GetBridgeChildren(uint32_t a_Session, uint32_t a_Parent,
                                         uint32_t* a_pChildren, uint32_t* a_pCount) {
    return m_GetBridgeChildren.callOr(kStatusPciBrdNotLoaded, a_Session, a_Parent, a_pChildren,
                                      a_pCount);
}

int32_t cPciBrdDynLib::GetBusChildren(uint32_t a_Session, uint8_t a_Bus, uint32_t* a_pChildren,
                                      uint32_t* a_pCount) {
    return m_GetBusChildren.callOr(kStatusPciBrdNotLoaded, a_Session, a_Bus, a_pChildren, a_pCount);
}

int32_t cPciBrdDynLib::GetRootBuses(uint32_t a_Session, uint8_t* a_pBuses, uint32_t* a_pCount) {
    return m_GetRootBuses.callOr(kStatusPciBrdNotLoaded, a_Session, a_pBuses, a_pCount);
}

int32_t cPciBrdDynLib::GetBridgeAddress(uint32_t a_Session, uint32_t a_Bridge, uint8_t* a_pBus,
                                        uint8_t* a_pDev, uint8_t* a_pFunc) {
    return m_GetBridgeAddress.callOr(kStatusPciBrdNotLoaded, a_Session, a_Bridge, a_pBus, a_pDev,
                                     a_pFunc);
}

int32_t cPciBrdDynLib::GetBridgeSlotPath(uint32_t a_Session, uint32_t a_Bridge,
                                         cSlotPath& a_rSlotPath) {
    if (!m_GetBridgeSlotPath.isBound())
        return kStatusPciBrdNotLoaded;
    uint32_t l_Size = 0;
    int32_t l_Result = m_GetBridgeSlotPath(a_Session, a_Bridge, nullptr, &l_Size);
    if (l_Result != kStatusPciBrdBufferTooSmall)
        return l_Result;
    // One byte beyond the size given to the service stays NUL, so the text is always
    // terminated whatever the service wrote.
    std::vector<char> l_Buffer(static_cast<size_t>(l_Size) + 1, '\0');
    l_Result = m_GetBridgeSlotPath(a_Session, a_Bridge, l_Buffer.data(), &l_Size);
    if (l_Result < 0)
        return l_Result;
    tStatusRecord l_Status;
    a_rSlotPath.parse(l_Buffer.data(), &l_Status);
    return l_Status.code32();
}

int32_t cPciBrdDynLib::GetBridgeIds(uint32_t a_Session, uint32_t a_Bridge, uint16_t* a_pVid,
                                    uint16_t* a_pPid, uint16_t* a_pSsVid, uint16_t* a_pSsPid) {
    return m_GetBridgeIds.callOr(kStatusPciBrdNotLoaded, a_Session, a_Bridge, a_pVid, a_pPid,
                                 a_pSsVid, a_pSsPid);
}

int32_t cPciBrdDynLib::SetAttributeU32(uint32_t a_Session, uint32_t a_Bridge,
                                       uint32_t a_AttributeId, uint32_t a_Value) {
    return m_SetAttributeU32.callOr(kStatusPciBrdNotLoaded, a_Session, a_Bridge, a_AttributeId,
                                    a_Value);
}

int32_t cPciBrdDynLib::GetAttributeU32(uint32_t a_Session, uint32_t a_Bridge,
                                       uint32_t a_AttributeId, uint32_t* a_pValue) {
    return m_GetAttributeU32.callOr(kStatusPciBrdNotLoaded, a_Session, a_Bridge, a_AttributeId,
                                    a_pValue);
}

int32_t cPciBrdDynLib::OpenBridge(uint32_t a_Session, uint32_t a_Bridge) {
    return m_OpenBridge.callOr(kStatusPciBrdNotLoaded, a_Session, a_Bridge);
}

int32_t cPciBrdDynLib::CloseBridge(uint32_t a_Session, uint32_t a_Bridge) {
    return m_CloseBridge.callOr(0, a_Session, a_Bridge);
}

int32_t cPciBrdDynLib::EepromUpdate(uint32_t a_Session, uint32_t a_Bridge, uint16_t a_Vid,
                                    uint16_t a_Pid, uint32_t a_AlwaysOverwrite,
                                    uint32_t a_UpdateMethod, uint32_t a_ByteCount,
                                    const uint8_t* a_pBuffer) {
    return m_EepromUpdate.callOr(kStatusPciBrdNotLoaded, a_Session, a_Bridge, a_Vid, a_Pid,
                                 a_AlwaysOverwrite, a_UpdateMethod, a_ByteCount, a_pBuffer);
}

}  // namespace nQxPciBrdWrapper_15_0
}  // namespace QX_NS
