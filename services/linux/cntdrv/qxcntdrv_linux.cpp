// Controller driver service for a plain Linux machine. Such a machine has no
// controller driver, and an ordinary computer must never pass for a PXI controller:
// every open answers "no controller", so no session ever exists. The libraries then
// identify an embedded controller from the SMBIOS dump and the installed controller
// descriptions. The library exists so that binding it succeeds.
#include "qxpxi/services/qxcntdrv.h"

#define QXLINUX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t kInvalidSession = -26931;
constexpr int32_t kInvalidArgument = -26932;
constexpr int32_t kNoController = -26934;

}  // namespace

QXLINUX_EXPORT int32_t QXCNTDRV_openController(void** session) {
    if (session == nullptr) {
        return kInvalidArgument;
    }
    *session = nullptr;
    return kNoController;
}

// No session was ever handed out, so every other call names an invalid one.
QXLINUX_EXPORT int32_t QXCNTDRV_closeController(void*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_getAttributeUTF8(void*, uint32_t, char*, uint64_t*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_getAttributeU32(void*, uint32_t, uint32_t*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_getAttributeI32(void*, uint32_t, int32_t*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_getAttributeDBL(void*, uint32_t, double*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_setAttributeUTF8(void*, uint32_t, const char*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_setAttributeU32(void*, uint32_t, uint32_t) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_updateFirmware2(void*, const void*, uint64_t, uint32_t) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_performSelfTest(void*, uint32_t) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_openWatchdog(void*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_closeWatchdog(void*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_petWatchdog(void*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_startWatchdogTimer(void*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_stopWatchdogTimer(void*) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_waitForWatchdogNotification(void*, int32_t) {
    return kInvalidSession;
}

QXLINUX_EXPORT int32_t QXCNTDRV_cancelWaitForWatchdogNotification(void*) {
    return kInvalidSession;
}
