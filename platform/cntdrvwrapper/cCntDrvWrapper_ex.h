// cCntDrvWrapper_ex: binds the controller driver service and holds at most one
// controller session; throwing flavour (qxerr::Exception). The constructor throws when
// the service cannot be bound. One thread at a time, under the owning library's mutex.
#pragma once

#include "platform/cntdrvwrapper/cCntDrvDynLib.h"
#include "platform/cntdrvwrapper/iCntDrvWrapper_ex.h"

namespace QX_NS {

class cCntDrvWrapper_ex : public iCntDrvWrapper_ex {
public:
    cCntDrvWrapper_ex();
    ~cCntDrvWrapper_ex() override;
    cCntDrvWrapper_ex(const cCntDrvWrapper_ex&) = delete;
    cCntDrvWrapper_ex& operator=(const cCntDrvWrapper_ex&) = delete;

    int32_t OpenController() override;
    void CloseController() override;
    bool IsOpen() const override { return m_SessionId != nullptr; }
    int32_t GetAttributeUTF8(uint32_t a_AttributeId, std::string& a_rValue) override;
    int32_t GetAttributeU32(uint32_t a_AttributeId, uint32_t& a_rValue) override;
    int32_t GetAttributeI32(uint32_t a_AttributeId, int32_t& a_rValue) override;
    int32_t GetAttributeDBL(uint32_t a_AttributeId, double& a_rValue) override;
    int32_t SetAttributeUTF8(uint32_t a_AttributeId, const char* a_Value) override;
    int32_t SetAttributeU32(uint32_t a_AttributeId, uint32_t a_Value) override;
    int32_t UpdateFirmware(const void* a_pFirmwareImage, uint64_t a_ImageSize,
                           uint32_t a_Flags) override;
    int32_t PerformSelfTest(uint32_t a_SelfTestType) override;

private:
    // Declared before the binding so that the binding can report into it.
    tJsonStatus m_BindStatus;
    cCntDrvDynLib m_CntDrvDynLib;
    void* m_SessionId = nullptr;
};

}  // namespace QX_NS
