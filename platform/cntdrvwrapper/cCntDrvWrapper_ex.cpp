#include "platform/cntdrvwrapper/cCntDrvWrapper_ex.h"

#include <cstring>
#include <vector>

#include "runtime/status/qxerrException.h"

namespace QX_NS {

cCntDrvWrapper_ex::cCntDrvWrapper_ex() : m_CntDrvDynLib(m_BindStatus) {
    if (m_BindStatus.isError()) {
        qxerr::Exception l_Exception;
        l_Exception.status().copyFrom(m_BindStatus);
        throw l_Exception;
    }
    m_BindStatus.release();
}

cCntDrvWrapper_ex::~cCntDrvWrapper_ex() {
    CloseController();
}

int32_t cCntDrvWrapper_ex::OpenController() {
    // A second open would otherwise lose the first session without closing it.
    CloseController();
    const int32_t l_Result = m_CntDrvDynLib.openController(&m_SessionId);
    if (l_Result < 0)
        m_SessionId = nullptr;
    return QX_THROW_IF_ERROR(l_Result);
}

void cCntDrvWrapper_ex::CloseController() {
    if (m_SessionId == nullptr)
        return;
    m_CntDrvDynLib.closeController(m_SessionId);
    m_SessionId = nullptr;
}

int32_t cCntDrvWrapper_ex::GetAttributeUTF8(uint32_t a_AttributeId, std::string& a_rValue) {
    uint64_t l_BufferSize = 0;
    int32_t l_Result =
        m_CntDrvDynLib.getAttributeUTF8(m_SessionId, a_AttributeId, nullptr, &l_BufferSize);
    if (l_Result == kStatusCntDrvBufferTooSmall) {
        std::vector<char> l_Buffer(l_BufferSize, '\0');  // std::bad_alloc propagates
        l_BufferSize = l_Buffer.size();
        l_Result = m_CntDrvDynLib.getAttributeUTF8(m_SessionId, a_AttributeId, l_Buffer.data(),
                                                   &l_BufferSize);
        if (l_Result >= 0)
            a_rValue.assign(l_Buffer.data(), strnlen(l_Buffer.data(), l_Buffer.size()));
    }
    return QX_THROW_IF_ERROR(l_Result);
}

int32_t cCntDrvWrapper_ex::GetAttributeU32(uint32_t a_AttributeId, uint32_t& a_rValue) {
    return QX_THROW_IF_ERROR(m_CntDrvDynLib.getAttributeU32(m_SessionId, a_AttributeId, &a_rValue));
}

int32_t cCntDrvWrapper_ex::GetAttributeI32(uint32_t a_AttributeId, int32_t& a_rValue) {
    return QX_THROW_IF_ERROR(m_CntDrvDynLib.getAttributeI32(m_SessionId, a_AttributeId, &a_rValue));
}

int32_t cCntDrvWrapper_ex::GetAttributeDBL(uint32_t a_AttributeId, double& a_rValue) {
    return QX_THROW_IF_ERROR(m_CntDrvDynLib.getAttributeDBL(m_SessionId, a_AttributeId, &a_rValue));
}

int32_t cCntDrvWrapper_ex::SetAttributeUTF8(uint32_t a_AttributeId, const char* a_Value) {
    return QX_THROW_IF_ERROR(m_CntDrvDynLib.setAttributeUTF8(m_SessionId, a_AttributeId, a_Value));
}

int32_t cCntDrvWrapper_ex::SetAttributeU32(uint32_t a_AttributeId, uint32_t a_Value) {
    return QX_THROW_IF_ERROR(m_CntDrvDynLib.setAttributeU32(m_SessionId, a_AttributeId, a_Value));
}

int32_t cCntDrvWrapper_ex::UpdateFirmware(const void* a_pFirmwareImage, uint64_t a_ImageSize,
                                          uint32_t a_Flags) {
    return QX_THROW_IF_ERROR(
        m_CntDrvDynLib.updateFirmware2(m_SessionId, a_pFirmwareImage, a_ImageSize, a_Flags));
}

int32_t cCntDrvWrapper_ex::PerformSelfTest(uint32_t a_SelfTestType) {
    return QX_THROW_IF_ERROR(m_CntDrvDynLib.performSelfTest(m_SessionId, a_SelfTestType));
}

}  // namespace QX_NS
