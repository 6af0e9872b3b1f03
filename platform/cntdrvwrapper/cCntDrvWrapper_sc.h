// cCntDrvWrapper_sc: binds the controller driver service and holds at most one
// controller session; status-code flavour. Lives for one discovery pass on one thread,
// under the owning library's mutex. A wrapper whose construction left an error in the
// status must not be used (every operation would answer the not-loaded code).
#pragma once

#include "platform/cntdrvwrapper/cCntDrvDynLib.h"
#include "platform/cntdrvwrapper/iCntDrvWrapper_sc.h"

namespace QX_NS {

class cCntDrvWrapper_sc : public iCntDrvWrapper_sc {
public:
    explicit cCntDrvWrapper_sc(tJsonStatus& a_rStatus);
    ~cCntDrvWrapper_sc() override;
    cCntDrvWrapper_sc(const cCntDrvWrapper_sc&) = delete;
    cCntDrvWrapper_sc& operator=(const cCntDrvWrapper_sc&) = delete;

    void OpenController(tJsonStatus& a_rStatus) override;
    void CloseController() override;
    bool IsOpen() const override { return m_SessionId != nullptr; }
    // Size then fill. The outcome replaces the caller's status (a warning it held is lost
    // when the call succeeds); the text is assigned only on success.
    void GetAttributeUTF8(uint32_t a_AttributeId, std::string& a_rValue,
                          tJsonStatus& a_rStatus) override;
    void GetAttributeU32(uint32_t a_AttributeId, uint32_t& a_rValue,
                         tJsonStatus& a_rStatus) override;
    void GetAttributeI32(uint32_t a_AttributeId, int32_t& a_rValue,
                         tJsonStatus& a_rStatus) override;
    void GetAttributeDBL(uint32_t a_AttributeId, double& a_rValue, tJsonStatus& a_rStatus) override;
    void SetAttributeUTF8(uint32_t a_AttributeId, const char* a_Value,
                          tJsonStatus& a_rStatus) override;
    void SetAttributeU32(uint32_t a_AttributeId, uint32_t a_Value, tJsonStatus& a_rStatus) override;
    void UpdateFirmware(const void* a_pFirmwareImage, uint64_t a_ImageSize, uint32_t a_Flags,
                        tJsonStatus& a_rStatus) override;
    void PerformSelfTest(uint32_t a_SelfTestType, tJsonStatus& a_rStatus) override;

private:
    cCntDrvDynLib m_CntDrvDynLib;
    void* m_SessionId = nullptr;
};

}  // namespace QX_NS
