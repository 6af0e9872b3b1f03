// iCntDrvWrapper_sc: controller driver access in the status-code flavour. Every
// operation that takes a tJsonStatus does nothing when it already holds an error and
// records a non-zero service result in it.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/qxns.h"
#include "runtime/status/tJsonStatus.h"

namespace QX_NS {

class iCntDrvWrapper_sc {
public:
    virtual ~iCntDrvWrapper_sc() = default;
    virtual void OpenController(tJsonStatus& a_rStatus) = 0;
    virtual void CloseController() = 0;
    virtual bool IsOpen() const = 0;
    virtual void GetAttributeUTF8(uint32_t a_AttributeId, std::string& a_rValue,
                                  tJsonStatus& a_rStatus) = 0;
    virtual void GetAttributeU32(uint32_t a_AttributeId, uint32_t& a_rValue,
                                 tJsonStatus& a_rStatus) = 0;
    virtual void GetAttributeI32(uint32_t a_AttributeId, int32_t& a_rValue,
                                 tJsonStatus& a_rStatus) = 0;
    virtual void GetAttributeDBL(uint32_t a_AttributeId, double& a_rValue,
                                 tJsonStatus& a_rStatus) = 0;
    virtual void SetAttributeUTF8(uint32_t a_AttributeId, const char* a_Value,
                                  tJsonStatus& a_rStatus) = 0;
    virtual void SetAttributeU32(uint32_t a_AttributeId, uint32_t a_Value,
                                 tJsonStatus& a_rStatus) = 0;
    virtual void UpdateFirmware(const void* a_pFirmwareImage, uint64_t a_ImageSize,
                                uint32_t a_Flags, tJsonStatus& a_rStatus) = 0;
    virtual void PerformSelfTest(uint32_t a_SelfTestType, tJsonStatus& a_rStatus) = 0;
};

}  // namespace QX_NS
