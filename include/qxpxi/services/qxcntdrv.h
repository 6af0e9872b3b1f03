/*
 * Controller driver service, "libqxcntdrv.so.1".
 *
 * Answers questions about the embedded controller the machine is, through attributes
 * of a controller session. Callers bind the library by file name at run time and look
 * each function up by name.
 *
 * Handles. A controller session (from QXCNTDRV_openController) and a watchdog (from
 * QXCNTDRV_openWatchdog) are opaque pointers; null means none.
 *
 * Results. 0 success, negative error, positive warning.
 *   -26930  the text buffer is too small; *size has been set to the bytes needed,
 *           the NUL included.
 *
 * Size then fill. QXCNTDRV_getAttributeUTF8 takes the buffer's size in bytes in *size.
 * When the text and its NUL do not fit (a null buffer with size 0 included) it answers
 * -26930 and the needed size; otherwise it copies the text and its NUL.
 *
 * Attributes used by the discovery libraries: 0x10000000 vendor name, 0x10000100 model
 * name, 0x10000200, 0x10032100 (slot path of the SMBus controller) and 0x1001F400
 * (slot path of the PCI connection) as text; 0x20000500 as unsigned 32-bit.
 */
#ifndef QXPXI_SERVICES_QXCNTDRV_H
#define QXPXI_SERVICES_QXCNTDRV_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int32_t QXCNTDRV_openController(void** session);
int32_t QXCNTDRV_closeController(void* session); /* result ignored */
int32_t QXCNTDRV_getAttributeUTF8(void* session, uint32_t attribute, char* buffer,
                                  uint64_t* size);
int32_t QXCNTDRV_getAttributeU32(void* session, uint32_t attribute, uint32_t* value);
int32_t QXCNTDRV_getAttributeI32(void* session, uint32_t attribute, int32_t* value);
int32_t QXCNTDRV_getAttributeDBL(void* session, uint32_t attribute, double* value);
int32_t QXCNTDRV_setAttributeUTF8(void* session, uint32_t attribute, const char* value);
int32_t QXCNTDRV_setAttributeU32(void* session, uint32_t attribute, uint32_t value);
int32_t QXCNTDRV_updateFirmware2(void* session, const void* image, uint64_t imageSize,
                                 uint32_t flags);
int32_t QXCNTDRV_performSelfTest(void* session, uint32_t selfTestType);
int32_t QXCNTDRV_openWatchdog(void* session);
int32_t QXCNTDRV_closeWatchdog(void* watchdog);
int32_t QXCNTDRV_petWatchdog(void* watchdog);
int32_t QXCNTDRV_startWatchdogTimer(void* watchdog);
int32_t QXCNTDRV_stopWatchdogTimer(void* watchdog);
int32_t QXCNTDRV_waitForWatchdogNotification(void* watchdog, int32_t timeoutMs);
int32_t QXCNTDRV_cancelWaitForWatchdogNotification(void* watchdog);

#ifdef __cplusplus
}
#endif

#endif /* QXPXI_SERVICES_QXCNTDRV_H */
