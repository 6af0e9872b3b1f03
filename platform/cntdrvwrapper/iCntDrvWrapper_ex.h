// iCntDrvWrapper_ex: controller driver access in the throwing flavour. A negative
// service result is thrown as qxerr::Exception ("l_MacroStatus"); zero and warnings are
// returned.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/qxns.h"

namespace QX_NS {

class iCntDrvWrapper_ex {
public:
    virtual ~iCntDrvWrapper_ex() = default;
    virtual int32_t OpenController() = 0;
    virtual void CloseController() = 0;
    virtual bool IsOpen() const = 0;
    virtual int32_t GetAttributeUTF8(uint32_t a_AttributeId, std::string& a_rValue) = 0;
    virtual int32_t GetAttributeU32(uint32_t a_AttributeId, uint32_t& a_rValue) = 0;
    virtual int32_t GetAttributeI32(uint32_t a_AttributeId, int32_t& a_rValue) = 0;
    virtual int32_t GetAttributeDBL(uint32_t a_AttributeId, double& a_rValue) = 0;
    virtual int32_t SetAttributeUTF8(uint32_t a_AttributeId, const char* a_Value) = 0;
    virtual int32_t SetAttributeU32(uint32_t a_AttributeId, uint32_t a_Value) = 0;
    virtual int32_t UpdateFirmware(const void* a_pFirmwareImage, uint64_t a_ImageSize,
                                   uint32_t a_Flags) = 0;
    virtual int32_t PerformSelfTest(uint32_t a_SelfTestType) = 0;
};

}  // namespace QX_NS
