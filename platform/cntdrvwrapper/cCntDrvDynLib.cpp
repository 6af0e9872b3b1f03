#include "platform/cntdrvwrapper/cCntDrvDynLib.h"

#include "runtime/status/tSourceLocation.h"

namespace QX_NS {

cCntDrvDynLib::cCntDrvDynLib(tJsonStatus& a_rStatus) {
    // A lookup that reported success but gave a null address leaves the binding unusable.
    bindService(kCntDrvLibraryName, kStatusCntDrvNotLoaded, QX_LOCATION(nullptr), a_rStatus);
}

cCntDrvDynLib::~cCntDrvDynLib() = default;

// A call through an unbound function answers kStatusCntDrvNotLoaded.
int32_t cCntDrvDynLib::openController(void** a_pSession) {
    return m_OpenController.callOr(kStatusCntDrvNotLoaded, a_pSession);
}
int32_t cCntDrvDynLib::closeController(void* a_pSession) {
    return m_CloseController.callOr(kStatusCntDrvNotLoaded, a_pSession);
}
int32_t cCntDrvDynLib::getAttributeUTF8(void* a_pSession, uint32_t a_AttributeId, char* a_pBuffer,
                                        uint64_t* a_pSize) {
    return m_GetAttributeUTF8.callOr(kStatusCntDrvNotLoaded, a_pSession, a_AttributeId, a_pBuffer,
                                     a_pSize);
}
int32_t cCntDrvDynLib::getAttributeU32(void* a_pSession, uint32_t a_AttributeId,
                                       uint32_t* a_pValue) {
    return m_GetAttributeU32.callOr(kStatusCntDrvNotLoaded, a_pSession, a_AttributeId, a_pValue);
}
int32_t cCntDrvDynLib::getAttributeI32(void* a_pSession, uint32_t a_AttributeId,
                                       int32_t* a_pValue) {
    return m_GetAttributeI32.callOr(kStatusCntDrvNotLoaded, a_pSession, a_AttributeId, a_pValue);
}
int32_t cCntDrvDynLib::getAttributeDBL(void* a_pSession, uint32_t a_AttributeId, double* a_pValue) {
    return m_GetAttributeDBL.callOr(kStatusCntDrvNotLoaded, a_pSession, a_AttributeId, a_pValue);
}
int32_t cCntDrvDynLib::setAttributeUTF8(void* a_pSession, uint32_t a_AttributeId,
                                        const char* a_pValue) {
    return m_SetAttributeUTF8.callOr(kStatusCntDrvNotLoaded, a_pSession, a_AttributeId, a_pValue);
}
int32_t cCntDrvDynLib::setAttributeU32(void* a_pSession, uint32_t a_AttributeId, uint32_t a_Value) {
    return m_SetAttributeU32.callOr(kStatusCntDrvNotLoaded, a_pSession, a_AttributeId, a_Value);
}
int32_t cCntDrvDynLib::updateFirmware2(void* a_pSession, const void* a_pImage, uint64_t a_ImageSize,
                                       uint32_t a_Flags) {
    return m_UpdateFirmware2.callOr(kStatusCntDrvNotLoaded, a_pSession, a_pImage, a_ImageSize,
                                    a_Flags);
}
int32_t cCntDrvDynLib::performSelfTest(void* a_pSession, uint32_t a_SelfTestType) {
    return m_PerformSelfTest.callOr(kStatusCntDrvNotLoaded, a_pSession, a_SelfTestType);
}
int32_t cCntDrvDynLib::openWatchdog(void* a_pSession) {
    return m_OpenWatchdog.callOr(kStatusCntDrvNotLoaded, a_pSession);
}
int32_t cCntDrvDynLib::closeWatchdog(void* a_pWatchdog) {
    return m_CloseWatchdog.callOr(kStatusCntDrvNotLoaded, a_pWatchdog);
}
int32_t cCntDrvDynLib::petWatchdog(void* a_pWatchdog) {
    return m_PetWatchdog.callOr(kStatusCntDrvNotLoaded, a_pWatchdog);
}
int32_t cCntDrvDynLib::startWatchdogTimer(void* a_pWatchdog) {
    return m_StartWatchdogTimer.callOr(kStatusCntDrvNotLoaded, a_pWatchdog);
}
int32_t cCntDrvDynLib::stopWatchdogTimer(void* a_pWatchdog) {
    return m_StopWatchdogTimer.callOr(kStatusCntDrvNotLoaded, a_pWatchdog);
}
int32_t cCntDrvDynLib::waitForWatchdogNotification(void* a_pWatchdog, int32_t a_TimeoutMs) {
    return m_WaitForWatchdogNotification.callOr(kStatusCntDrvNotLoaded, a_pWatchdog, a_TimeoutMs);
}
int32_t cCntDrvDynLib::cancelWaitForWatchdogNotification(void* a_pWatchdog) {
    return m_CancelWaitForWatchdogNotification.callOr(kStatusCntDrvNotLoaded, a_pWatchdog);
}

}  // namespace QX_NS
