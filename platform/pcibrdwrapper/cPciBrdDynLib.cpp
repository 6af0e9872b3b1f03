#include "platform/pcibrdwrapper/cPciBrdDynLib.h"

#include <vector>

#include "runtime/status/tStatusRecord.h"

namespace QX_NS {
namespace nQxPciBrdWrapper_15_0 {

using nQxPxiDriverTools_1_0::cByteString;
using nQxPxiDriverTools_1_0::cSlotPath;

cPciBrdDynLib::cPciBrdDynLib(tJsonStatus& a_rStatus) {
    open(kPciBrdLibraryName, a_rStatus);
    if (a_rStatus.isError())
        return;

    // Each name is looked up on its own, so that one missing function does not leave
    // the later ones unbound; the status keeps the first failure.
    auto l_Bind = [&](auto& a_rSlot, const char* a_pName) {
        tJsonStatus l_Lookup;
        bind(a_rSlot, a_pName, l_Lookup);
        if (l_Lookup.isError() && !a_rStatus.isError())
            a_rStatus.copyFrom(l_Lookup);
    };
    l_Bind(m_pOpenSession, "QxPciBrd_OpenSession");
    l_Bind(m_pCloseSession, "QxPciBrd_CloseSession");
    l_Bind(m_pFindBridgesByPciIds, "QxPciBrd_FindBridgesByPciIds");
    l_Bind(m_pFindBridgeByAddress, "QxPciBrd_FindBridgeByAddress");
    l_Bind(m_pFindBridgeBySlotPath, "QxPciBrd_FindBridgeBySlotPath");
    l_Bind(m_pFindParentBridgeForBus, "QxPciBrd_FindParentBridgeForBus");
    l_Bind(m_pGetBridgeParent, "QxPciBrd_GetBridgeParent");
    l_Bind(m_pGetBridgeChildren, "QxPciBrd_GetBridgeChildren");
    l_Bind(m_pGetBusChildren, "QxPciBrd_GetBusChildren");
    l_Bind(m_pGetRootBuses, "QxPciBrd_GetRootBuses");
    l_Bind(m_pGetBridgeAddress, "QxPciBrd_GetBridgeAddress");
    l_Bind(m_pGetBridgeSlotPath, "QxPciBrd_GetBridgeSlotPath");
    l_Bind(m_pGetBridgeIds, "QxPciBrd_GetBridgeIds");
    l_Bind(m_pSetAttributeU32, "QxPciBrd_SetAttributeU32");
    l_Bind(m_pGetAttributeU32, "QxPciBrd_GetAttributeU32");
    l_Bind(m_pOpenBridge, "QxPciBrd_OpenBridge");
    l_Bind(m_pCloseBridge, "QxPciBrd_CloseBridge");
    l_Bind(m_pEepromUpdate, "QxPciBrd_EepromUpdate");
    if (a_rStatus.isError())
        return;

    const bool l_Complete =
        m_pOpenSession && m_pCloseSession && m_pFindBridgesByPciIds && m_pFindBridgeByAddress &&
        m_pFindBridgeBySlotPath && m_pFindParentBridgeForBus && m_pGetBridgeParent &&
        m_pGetBridgeChildren && m_pGetBusChildren && m_pGetRootBuses && m_pGetBridgeAddress &&
        m_pGetBridgeSlotPath && m_pGetBridgeIds && m_pSetAttributeU32 && m_pGetAttributeU32 &&
        m_pOpenBridge && m_pCloseBridge && m_pEepromUpdate;
    if (!l_Complete) {
        a_rStatus.setWithLocationNoConstant(kStatusPciBrdNotLoaded, QX_LOCATION(nullptr));
    }
}

cPciBrdDynLib::~cPciBrdDynLib() = default;

int32_t cPciBrdDynLib::OpenSession(uint32_t a_Flags, uint32_t* a_pSession) {
    if (m_pOpenSession == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pOpenSession(a_Flags, a_pSession);
}

int32_t cPciBrdDynLib::CloseSession(uint32_t a_Session) {
    if (m_pCloseSession == nullptr)
        return 0;
    return m_pCloseSession(a_Session);
}

int32_t cPciBrdDynLib::FindBridgesByPciIds(uint32_t a_Session, const uint16_t* a_pVid,
                                           const uint16_t* a_pPid, const uint16_t* a_pSsVid,
                                           const uint16_t* a_pSsPid, uint32_t* a_pBridges,
                                           uint32_t* a_pCount) {
    if (m_pFindBridgesByPciIds == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pFindBridgesByPciIds(a_Session, a_pVid, a_pPid, a_pSsVid, a_pSsPid, a_pBridges,
                                  a_pCount);
}

int32_t cPciBrdDynLib::FindBridgeByAddress(uint32_t a_Session, uint8_t a_Bus, uint8_t a_Dev,
                                           uint8_t a_Func, uint32_t* a_pBridge) {
    if (m_pFindBridgeByAddress == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pFindBridgeByAddress(a_Session, a_Bus, a_Dev, a_Func, a_pBridge);
}

int32_t cPciBrdDynLib::FindBridgeBySlotPath(uint32_t a_Session, const cSlotPath& a_rSlotPath,
                                            uint32_t* a_pBridge) {
    if (m_pFindBridgeBySlotPath == nullptr)
        return kStatusPciBrdNotLoaded;
    tStatusRecord l_Status;
    cByteString l_Text;
    a_rSlotPath.toString(l_Text, &l_Status);
    if (l_Status.isError())
        return l_Status.code32();
    return m_pFindBridgeBySlotPath(a_Session, l_Text.c_str(), a_pBridge);
}

int32_t cPciBrdDynLib::FindParentBridgeForBus(uint32_t a_Session, uint8_t a_Bus,
                                              uint32_t* a_pBridge) {
    if (m_pFindParentBridgeForBus == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pFindParentBridgeForBus(a_Session, a_Bus, a_pBridge);
}

int32_t cPciBrdDynLib::GetBridgeParent(uint32_t a_Session, uint32_t a_Child, uint32_t* a_pParent) {
    if (m_pGetBridgeParent == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pGetBridgeParent(a_Session, a_Child, a_pParent);
}

int32_t cPciBrdDynLib::GetBridgeChildren(uint32_t a_Session, uint32_t a_Parent,
                                         uint32_t* a_pChildren, uint32_t* a_pCount) {
    if (m_pGetBridgeChildren == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pGetBridgeChildren(a_Session, a_Parent, a_pChildren, a_pCount);
}

int32_t cPciBrdDynLib::GetBusChildren(uint32_t a_Session, uint8_t a_Bus, uint32_t* a_pChildren,
                                      uint32_t* a_pCount) {
    if (m_pGetBusChildren == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pGetBusChildren(a_Session, a_Bus, a_pChildren, a_pCount);
}

int32_t cPciBrdDynLib::GetRootBuses(uint32_t a_Session, uint8_t* a_pBuses, uint32_t* a_pCount) {
    if (m_pGetRootBuses == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pGetRootBuses(a_Session, a_pBuses, a_pCount);
}

int32_t cPciBrdDynLib::GetBridgeAddress(uint32_t a_Session, uint32_t a_Bridge, uint8_t* a_pBus,
                                        uint8_t* a_pDev, uint8_t* a_pFunc) {
    if (m_pGetBridgeAddress == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pGetBridgeAddress(a_Session, a_Bridge, a_pBus, a_pDev, a_pFunc);
}

int32_t cPciBrdDynLib::GetBridgeSlotPath(uint32_t a_Session, uint32_t a_Bridge,
                                         cSlotPath& a_rSlotPath) {
    if (m_pGetBridgeSlotPath == nullptr)
        return kStatusPciBrdNotLoaded;
    uint32_t l_Size = 0;
    int32_t l_Result = m_pGetBridgeSlotPath(a_Session, a_Bridge, nullptr, &l_Size);
    if (l_Result != kStatusPciBrdBufferTooSmall)
        return l_Result;
    // One byte beyond the size given to the service stays NUL, so the text is always
    // terminated whatever the service wrote.
    std::vector<char> l_Buffer(static_cast<size_t>(l_Size) + 1, '\0');
    l_Result = m_pGetBridgeSlotPath(a_Session, a_Bridge, l_Buffer.data(), &l_Size);
    if (l_Result < 0)
        return l_Result;
    tStatusRecord l_Status;
    a_rSlotPath.parse(l_Buffer.data(), &l_Status);
    return l_Status.code32();
}

int32_t cPciBrdDynLib::GetBridgeIds(uint32_t a_Session, uint32_t a_Bridge, uint16_t* a_pVid,
                                    uint16_t* a_pPid, uint16_t* a_pSsVid, uint16_t* a_pSsPid) {
    if (m_pGetBridgeIds == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pGetBridgeIds(a_Session, a_Bridge, a_pVid, a_pPid, a_pSsVid, a_pSsPid);
}

int32_t cPciBrdDynLib::SetAttributeU32(uint32_t a_Session, uint32_t a_Bridge,
                                       uint32_t a_AttributeId, uint32_t a_Value) {
    if (m_pSetAttributeU32 == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pSetAttributeU32(a_Session, a_Bridge, a_AttributeId, a_Value);
}

int32_t cPciBrdDynLib::GetAttributeU32(uint32_t a_Session, uint32_t a_Bridge,
                                       uint32_t a_AttributeId, uint32_t* a_pValue) {
    if (m_pGetAttributeU32 == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pGetAttributeU32(a_Session, a_Bridge, a_AttributeId, a_pValue);
}

int32_t cPciBrdDynLib::OpenBridge(uint32_t a_Session, uint32_t a_Bridge) {
    if (m_pOpenBridge == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pOpenBridge(a_Session, a_Bridge);
}

int32_t cPciBrdDynLib::CloseBridge(uint32_t a_Session, uint32_t a_Bridge) {
    if (m_pCloseBridge == nullptr)
        return 0;
    return m_pCloseBridge(a_Session, a_Bridge);
}

int32_t cPciBrdDynLib::EepromUpdate(uint32_t a_Session, uint32_t a_Bridge, uint16_t a_Vid,
                                    uint16_t a_Pid, uint32_t a_AlwaysOverwrite,
                                    uint32_t a_UpdateMethod, uint32_t a_ByteCount,
                                    const uint8_t* a_pBuffer) {
    if (m_pEepromUpdate == nullptr)
        return kStatusPciBrdNotLoaded;
    return m_pEepromUpdate(a_Session, a_Bridge, a_Vid, a_Pid, a_AlwaysOverwrite, a_UpdateMethod,
                           a_ByteCount, a_pBuffer);
}

}  // namespace nQxPciBrdWrapper_15_0
}  // namespace QX_NS
