#include "platform/cntdrvwrapper/cCntDrvDynLib.h"

#include "runtime/status/tSourceLocation.h"

namespace QX_NS {

cCntDrvDynLib::cCntDrvDynLib(tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    open(kCntDrvLibraryName, a_rStatus);
    if (a_rStatus.isError())
        return;

    bind(m_pOpenController, "QXCNTDRV_openController", a_rStatus);
    bind(m_pCloseController, "QXCNTDRV_closeController", a_rStatus);
    bind(m_pGetAttributeUTF8, "QXCNTDRV_getAttributeUTF8", a_rStatus);
    bind(m_pGetAttributeU32, "QXCNTDRV_getAttributeU32", a_rStatus);
    bind(m_pGetAttributeI32, "QXCNTDRV_getAttributeI32", a_rStatus);
    bind(m_pGetAttributeDBL, "QXCNTDRV_getAttributeDBL", a_rStatus);
    bind(m_pSetAttributeUTF8, "QXCNTDRV_setAttributeUTF8", a_rStatus);
    bind(m_pSetAttributeU32, "QXCNTDRV_setAttributeU32", a_rStatus);
    bind(m_pUpdateFirmware2, "QXCNTDRV_updateFirmware2", a_rStatus);
    bind(m_pPerformSelfTest, "QXCNTDRV_performSelfTest", a_rStatus);
    if (a_rStatus.isError())
        return;

    bind(m_pOpenWatchdog, "QXCNTDRV_openWatchdog", a_rStatus);
    bind(m_pCloseWatchdog, "QXCNTDRV_closeWatchdog", a_rStatus);
    bind(m_pPetWatchdog, "QXCNTDRV_petWatchdog", a_rStatus);
    bind(m_pStartWatchdogTimer, "QXCNTDRV_startWatchdogTimer", a_rStatus);
    bind(m_pStopWatchdogTimer, "QXCNTDRV_stopWatchdogTimer", a_rStatus);
    bind(m_pWaitForWatchdogNotification, "QXCNTDRV_waitForWatchdogNotification", a_rStatus);
    bind(m_pCancelWaitForWatchdogNotification, "QXCNTDRV_cancelWaitForWatchdogNotification",
         a_rStatus);
    if (a_rStatus.isError())
        return;

    // A lookup that reported success but gave a null address leaves the binding unusable.
    if (!isComplete())
        a_rStatus.setWithLocationNoConstant(kStatusCntDrvNotLoaded, QX_LOCATION(nullptr));
}

cCntDrvDynLib::~cCntDrvDynLib() = default;

bool cCntDrvDynLib::isComplete() const {
    return m_pOpenController != nullptr && m_pCloseController != nullptr &&
           m_pGetAttributeUTF8 != nullptr && m_pGetAttributeU32 != nullptr &&
           m_pGetAttributeI32 != nullptr && m_pGetAttributeDBL != nullptr &&
           m_pSetAttributeUTF8 != nullptr && m_pSetAttributeU32 != nullptr &&
           m_pUpdateFirmware2 != nullptr && m_pPerformSelfTest != nullptr &&
           m_pOpenWatchdog != nullptr && m_pCloseWatchdog != nullptr && m_pPetWatchdog != nullptr &&
           m_pStartWatchdogTimer != nullptr && m_pStopWatchdogTimer != nullptr &&
           m_pWaitForWatchdogNotification != nullptr &&
           m_pCancelWaitForWatchdogNotification != nullptr;
}

#define QX_CNTDRV_FORWARD(slot, ...) \
    return (slot) != nullptr ? (slot)(__VA_ARGS__) : kStatusCntDrvNotLoaded

int32_t cCntDrvDynLib::openController(void** a_pSession) {
    QX_CNTDRV_FORWARD(m_pOpenController, a_pSession);
}
int32_t cCntDrvDynLib::closeController(void* a_pSession) {
    QX_CNTDRV_FORWARD(m_pCloseController, a_pSession);
}
int32_t cCntDrvDynLib::getAttributeUTF8(void* a_pSession, uint32_t a_AttributeId, char* a_pBuffer,
                                        uint64_t* a_pSize) {
    QX_CNTDRV_FORWARD(m_pGetAttributeUTF8, a_pSession, a_AttributeId, a_pBuffer, a_pSize);
}
int32_t cCntDrvDynLib::getAttributeU32(void* a_pSession, uint32_t a_AttributeId,
                                       uint32_t* a_pValue) {
    QX_CNTDRV_FORWARD(m_pGetAttributeU32, a_pSession, a_AttributeId, a_pValue);
}
int32_t cCntDrvDynLib::getAttributeI32(void* a_pSession, uint32_t a_AttributeId,
                                       int32_t* a_pValue) {
    QX_CNTDRV_FORWARD(m_pGetAttributeI32, a_pSession, a_AttributeId, a_pValue);
}
int32_t cCntDrvDynLib::getAttributeDBL(void* a_pSession, uint32_t a_AttributeId, double* a_pValue) {
    QX_CNTDRV_FORWARD(m_pGetAttributeDBL, a_pSession, a_AttributeId, a_pValue);
}
int32_t cCntDrvDynLib::setAttributeUTF8(void* a_pSession, uint32_t a_AttributeId,
                                        const char* a_pValue) {
    QX_CNTDRV_FORWARD(m_pSetAttributeUTF8, a_pSession, a_AttributeId, a_pValue);
}
int32_t cCntDrvDynLib::setAttributeU32(void* a_pSession, uint32_t a_AttributeId, uint32_t a_Value) {
    QX_CNTDRV_FORWARD(m_pSetAttributeU32, a_pSession, a_AttributeId, a_Value);
}
int32_t cCntDrvDynLib::updateFirmware2(void* a_pSession, const void* a_pImage, uint64_t a_ImageSize,
                                       uint32_t a_Flags) {
    QX_CNTDRV_FORWARD(m_pUpdateFirmware2, a_pSession, a_pImage, a_ImageSize, a_Flags);
}
int32_t cCntDrvDynLib::performSelfTest(void* a_pSession, uint32_t a_SelfTestType) {
    QX_CNTDRV_FORWARD(m_pPerformSelfTest, a_pSession, a_SelfTestType);
}
int32_t cCntDrvDynLib::openWatchdog(void* a_pSession) {
    QX_CNTDRV_FORWARD(m_pOpenWatchdog, a_pSession);
}
int32_t cCntDrvDynLib::closeWatchdog(void* a_pWatchdog) {
    QX_CNTDRV_FORWARD(m_pCloseWatchdog, a_pWatchdog);
}
int32_t cCntDrvDynLib::petWatchdog(void* a_pWatchdog) {
    QX_CNTDRV_FORWARD(m_pPetWatchdog, a_pWatchdog);
}
int32_t cCntDrvDynLib::startWatchdogTimer(void* a_pWatchdog) {
    QX_CNTDRV_FORWARD(m_pStartWatchdogTimer, a_pWatchdog);
}
int32_t cCntDrvDynLib::stopWatchdogTimer(void* a_pWatchdog) {
    QX_CNTDRV_FORWARD(m_pStopWatchdogTimer, a_pWatchdog);
}
int32_t cCntDrvDynLib::waitForWatchdogNotification(void* a_pWatchdog, int32_t a_TimeoutMs) {
    QX_CNTDRV_FORWARD(m_pWaitForWatchdogNotification, a_pWatchdog, a_TimeoutMs);
}
int32_t cCntDrvDynLib::cancelWaitForWatchdogNotification(void* a_pWatchdog) {
    QX_CNTDRV_FORWARD(m_pCancelWaitForWatchdogNotification, a_pWatchdog);
}

#undef QX_CNTDRV_FORWARD

}  // namespace QX_NS
