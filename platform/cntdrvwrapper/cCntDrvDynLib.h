// cCntDrvDynLib: the binding of the controller driver service "libqxcntdrv.so.1". Binds
// the ten controller functions and the seven watchdog functions, all required. Owned by
// one wrapper, used by one thread at a time under the owning library's mutex.
#pragma once

#include <cstdint>

#include "runtime/dynlib/qxDynLib.h"
#include "runtime/qxns.h"
#include "runtime/status/tJsonStatus.h"

namespace QX_NS {

constexpr const char* kCntDrvLibraryName = "libqxcntdrv.so.1";

// Attributes of the controller driver service used by the libraries.
constexpr uint32_t kCntDrvAttrVendorName = 0x10000000;
constexpr uint32_t kCntDrvAttrModelName = 0x10000100;
constexpr uint32_t kCntDrvAttr10000200 = 0x10000200;
constexpr uint32_t kCntDrvAttrSmbusSlotPath = 0x10032100;
constexpr uint32_t kCntDrvAttrPciSlotPath = 0x1001F400;
constexpr uint32_t kCntDrvAttrSupported = 0x20000500;

class cCntDrvDynLib : public tDynLibBinding {
public:
    using tOpenController = int32_t (*)(void**);
    using tCloseController = int32_t (*)(void*);
    using tGetAttributeUTF8 = int32_t (*)(void*, uint32_t, char*, uint64_t*);
    using tGetAttributeU32 = int32_t (*)(void*, uint32_t, uint32_t*);
    using tGetAttributeI32 = int32_t (*)(void*, uint32_t, int32_t*);
    using tGetAttributeDBL = int32_t (*)(void*, uint32_t, double*);
    using tSetAttributeUTF8 = int32_t (*)(void*, uint32_t, const char*);
    using tSetAttributeU32 = int32_t (*)(void*, uint32_t, uint32_t);
    using tUpdateFirmware2 = int32_t (*)(void*, const void*, uint64_t, uint32_t);
    using tPerformSelfTest = int32_t (*)(void*, uint32_t);
    using tWatchdogCall = int32_t (*)(void*);
    using tWaitForWatchdog = int32_t (*)(void*, int32_t);

    // Binds the service into a_rStatus (nothing when it already holds an error).
    explicit cCntDrvDynLib(tJsonStatus& a_rStatus);
    ~cCntDrvDynLib() override;

    // Whether every one of the 17 functions is bound.
    bool isComplete() const { return isTableBound(); }

    // Forwarding calls, in table order. A call through an unbound slot answers
    // kStatusCntDrvNotLoaded instead of jumping to a null address.
    virtual int32_t openController(void** a_pSession);
    virtual int32_t closeController(void* a_pSession);
    virtual int32_t getAttributeUTF8(void* a_pSession, uint32_t a_AttributeId, char* a_pBuffer,
                                     uint64_t* a_pSize);
    virtual int32_t getAttributeU32(void* a_pSession, uint32_t a_AttributeId, uint32_t* a_pValue);
    virtual int32_t getAttributeI32(void* a_pSession, uint32_t a_AttributeId, int32_t* a_pValue);
    virtual int32_t getAttributeDBL(void* a_pSession, uint32_t a_AttributeId, double* a_pValue);
    virtual int32_t setAttributeUTF8(void* a_pSession, uint32_t a_AttributeId,
                                     const char* a_pValue);
    virtual int32_t setAttributeU32(void* a_pSession, uint32_t a_AttributeId, uint32_t a_Value);
    virtual int32_t updateFirmware2(void* a_pSession, const void* a_pImage, uint64_t a_ImageSize,
                                    uint32_t a_Flags);
    virtual int32_t performSelfTest(void* a_pSession, uint32_t a_SelfTestType);
    virtual int32_t openWatchdog(void* a_pSession);
    virtual int32_t closeWatchdog(void* a_pWatchdog);
    virtual int32_t petWatchdog(void* a_pWatchdog);
    virtual int32_t startWatchdogTimer(void* a_pWatchdog);
    virtual int32_t stopWatchdogTimer(void* a_pWatchdog);
    virtual int32_t waitForWatchdogNotification(void* a_pWatchdog, int32_t a_TimeoutMs);
    virtual int32_t cancelWaitForWatchdogNotification(void* a_pWatchdog);

private:
    // The table: one entry per function of the service, in lookup order.
    tFunction<tOpenController> m_OpenController{*this, "QXCNTDRV_openController"};
    tFunction<tCloseController> m_CloseController{*this, "QXCNTDRV_closeController"};
    tFunction<tGetAttributeUTF8> m_GetAttributeUTF8{*this, "QXCNTDRV_getAttributeUTF8"};
    tFunction<tGetAttributeU32> m_GetAttributeU32{*this, "QXCNTDRV_getAttributeU32"};
    tFunction<tGetAttributeI32> m_GetAttributeI32{*this, "QXCNTDRV_getAttributeI32"};
    tFunction<tGetAttributeDBL> m_GetAttributeDBL{*this, "QXCNTDRV_getAttributeDBL"};
    tFunction<tSetAttributeUTF8> m_SetAttributeUTF8{*this, "QXCNTDRV_setAttributeUTF8"};
    tFunction<tSetAttributeU32> m_SetAttributeU32{*this, "QXCNTDRV_setAttributeU32"};
    tFunction<tUpdateFirmware2> m_UpdateFirmware2{*this, "QXCNTDRV_updateFirmware2"};
    tFunction<tPerformSelfTest> m_PerformSelfTest{*this, "QXCNTDRV_performSelfTest"};
    tFunction<tWatchdogCall> m_OpenWatchdog{*this, "QXCNTDRV_openWatchdog"};
    tFunction<tWatchdogCall> m_CloseWatchdog{*this, "QXCNTDRV_closeWatchdog"};
    tFunction<tWatchdogCall> m_PetWatchdog{*this, "QXCNTDRV_petWatchdog"};
    tFunction<tWatchdogCall> m_StartWatchdogTimer{*this, "QXCNTDRV_startWatchdogTimer"};
    tFunction<tWatchdogCall> m_StopWatchdogTimer{*this, "QXCNTDRV_stopWatchdogTimer"};
    tFunction<tWaitForWatchdog> m_WaitForWatchdogNotification{
        *this, "QXCNTDRV_waitForWatchdogNotification"};
    tFunction<tWatchdogCall> m_CancelWaitForWatchdogNotification{
        *this, "QXCNTDRV_cancelWaitForWatchdogNotification"};
};

}  // namespace QX_NS
