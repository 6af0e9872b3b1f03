#include "platform/cntdrvwrapper/cCntDrvWrapper_sc.h"

#include <cstring>
#include <exception>
#include <vector>

#include "runtime/status/tSourceLocation.h"

namespace QX_NS {

// Records a non-zero result (warnings included) with the text of the failing call.
#define QX_CNTDRV_RECORD(status, result, callText)                          \
    do {                                                                    \
        const int32_t l_MacroResult = (result);                             \
        if (l_MacroResult != 0)                                             \
            (status).setWithLocation(l_MacroResult, QX_LOCATION(callText)); \
    } while (0)

cCntDrvWrapper_sc::cCntDrvWrapper_sc(tJsonStatus& a_rStatus) : m_CntDrvDynLib(a_rStatus) {}

cCntDrvWrapper_sc::~cCntDrvWrapper_sc() {
    CloseController();
}

void cCntDrvWrapper_sc::OpenController(tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    // A second open would otherwise lose the first session without closing it.
    CloseController();
    const int32_t l_Result = m_CntDrvDynLib.openController(&m_SessionId);
    if (l_Result < 0)
        m_SessionId = nullptr;
    QX_CNTDRV_RECORD(a_rStatus, l_Result, "m_CntDrvDynLib.OpenController( &m_SessionId )");
}

void cCntDrvWrapper_sc::CloseController() {
    if (m_SessionId == nullptr)
        return;
    m_CntDrvDynLib.closeController(m_SessionId);
    m_SessionId = nullptr;
}

void cCntDrvWrapper_sc::GetAttributeUTF8(uint32_t a_AttributeId, std::string& a_rValue,
                                         tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    tJsonStatus l_Local;
    uint64_t l_BufferSize = 0;
    QX_CNTDRV_RECORD(
        l_Local,
        m_CntDrvDynLib.getAttributeUTF8(m_SessionId, a_AttributeId, nullptr, &l_BufferSize),
        "m_CntDrvDynLib.GetAttributeUTF8( m_SessionId, a_AttributeId, __null, "
        "&l_BufferSize )");
    if (l_Local.code == kStatusCntDrvBufferTooSmall) {
        l_Local.clear();
        std::vector<char> l_Buffer;
        try {
            l_Buffer.assign(l_BufferSize, '\0');
        } catch (const std::exception&) {
            l_Local.setWithLocation(qxapalerr_memoryFull, QX_LOCATION("qxapalerr_memoryFull"));
        }
        if (!l_Local.isError()) {
            l_BufferSize = l_Buffer.size();
            QX_CNTDRV_RECORD(l_Local,
                             m_CntDrvDynLib.getAttributeUTF8(m_SessionId, a_AttributeId,
                                                             l_Buffer.data(), &l_BufferSize),
                             "m_CntDrvDynLib.GetAttributeUTF8( m_SessionId, a_AttributeId, "
                             "&l_Buffer[0], &l_BufferSize )");
            // The text ends at its NUL, or at the end of the buffer for a service that
            // wrote none.
            if (l_Local.code == 0)
                a_rValue.assign(l_Buffer.data(), strnlen(l_Buffer.data(), l_Buffer.size()));
        }
    }
    a_rStatus.copyFrom(l_Local);
}

void cCntDrvWrapper_sc::GetAttributeU32(uint32_t a_AttributeId, uint32_t& a_rValue,
                                        tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    QX_CNTDRV_RECORD(a_rStatus,
                     m_CntDrvDynLib.getAttributeU32(m_SessionId, a_AttributeId, &a_rValue),
                     "m_CntDrvDynLib.GetAttributeU32( m_SessionId, a_AttributeId, &a_rValue )");
}

void cCntDrvWrapper_sc::GetAttributeI32(uint32_t a_AttributeId, int32_t& a_rValue,
                                        tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    QX_CNTDRV_RECORD(a_rStatus,
                     m_CntDrvDynLib.getAttributeI32(m_SessionId, a_AttributeId, &a_rValue),
                     "m_CntDrvDynLib.GetAttributeI32( m_SessionId, a_AttributeId, &a_rValue )");
}

void cCntDrvWrapper_sc::GetAttributeDBL(uint32_t a_AttributeId, double& a_rValue,
                                        tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    QX_CNTDRV_RECORD(a_rStatus,
                     m_CntDrvDynLib.getAttributeDBL(m_SessionId, a_AttributeId, &a_rValue),
                     "m_CntDrvDynLib.GetAttributeDBL( m_SessionId, a_AttributeId, &a_rValue )");
}

void cCntDrvWrapper_sc::SetAttributeUTF8(uint32_t a_AttributeId, const char* a_Value,
                                         tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    QX_CNTDRV_RECORD(a_rStatus,
                     m_CntDrvDynLib.setAttributeUTF8(m_SessionId, a_AttributeId, a_Value),
                     "m_CntDrvDynLib.SetAttributeUTF8( m_SessionId, a_AttributeId, a_Value )");
}

void cCntDrvWrapper_sc::SetAttributeU32(uint32_t a_AttributeId, uint32_t a_Value,
                                        tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    QX_CNTDRV_RECORD(a_rStatus, m_CntDrvDynLib.setAttributeU32(m_SessionId, a_AttributeId, a_Value),
                     "m_CntDrvDynLib.SetAttributeU32( m_SessionId, a_AttributeId, a_Value )");
}

void cCntDrvWrapper_sc::UpdateFirmware(const void* a_pFirmwareImage, uint64_t a_ImageSize,
                                       uint32_t a_Flags, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    QX_CNTDRV_RECORD(
        a_rStatus,
        m_CntDrvDynLib.updateFirmware2(m_SessionId, a_pFirmwareImage, a_ImageSize, a_Flags),
        "m_CntDrvDynLib.UpdateFirmware( m_SessionId, a_pFirmwareImage, a_ImageSize, a_Flags )");
}

void cCntDrvWrapper_sc::PerformSelfTest(uint32_t a_SelfTestType, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    QX_CNTDRV_RECORD(a_rStatus, m_CntDrvDynLib.performSelfTest(m_SessionId, a_SelfTestType),
                     "m_CntDrvDynLib.PerformSelfTest( m_SessionId, a_SelfTestType )");
}

#undef QX_CNTDRV_RECORD

}  // namespace QX_NS
