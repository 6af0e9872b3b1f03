#include "fakePciBrd.h"

#include <cstring>

#include "qxpxi/services/qxpcibrd.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

tFakePciBrdControl g_Control;

template <typename tElement>
int32_t listAnswer(tElement* a_pArray, uint32_t* a_pCount) {
    ++g_Control.calls;
    if (a_pArray == nullptr) {
        *a_pCount = g_Control.entryCount;
        if (g_Control.sizingResult != 0)
            return g_Control.sizingResult;
        return g_Control.entryCount > 0 ? -313002 : 0;
    }
    uint32_t l_Written =
        g_Control.fillingCount != 0 ? g_Control.fillingCount : g_Control.entryCount;
    if (l_Written > *a_pCount)
        l_Written = *a_pCount;
    for (uint32_t i = 0; i < l_Written; ++i)
        a_pArray[i] = static_cast<tElement>(g_Control.entries[i]);
    *a_pCount = l_Written;
    return g_Control.fillingResult;
}

int32_t singleAnswer(uint32_t* a_pBridge) {
    ++g_Control.calls;
    if (a_pBridge != nullptr)
        *a_pBridge = g_Control.singleBridge;
    return g_Control.singleResult;
}

}  // namespace

FAKE_EXPORT tFakePciBrdControl* fakePciBrd_control() {
    return &g_Control;
}

FAKE_EXPORT int32_t QxPciBrd_OpenSession(uint32_t, uint32_t* session) {
    ++g_Control.calls;
    if (g_Control.openResult < 0)
        return g_Control.openResult;
    ++g_Control.openCount;
    *session = g_Control.nextSession++;
    return g_Control.openResult;
}

FAKE_EXPORT int32_t QxPciBrd_CloseSession(uint32_t session) {
    ++g_Control.calls;
    ++g_Control.closeCount;
    g_Control.lastClosed = session;
    return 0;
}

FAKE_EXPORT int32_t QxPciBrd_FindBridgesByPciIds(uint32_t, const uint16_t*, const uint16_t*,
                                                 const uint16_t*, const uint16_t*,
                                                 uint32_t* bridges, uint32_t* count) {
    return listAnswer(bridges, count);
}

FAKE_EXPORT int32_t QxPciBrd_FindBridgeByAddress(uint32_t, uint8_t, uint8_t, uint8_t,
                                                 uint32_t* bridge) {
    return singleAnswer(bridge);
}

FAKE_EXPORT int32_t QxPciBrd_FindBridgeBySlotPath(uint32_t, const char* slotPath,
                                                  uint32_t* bridge) {
    std::strncpy(g_Control.slotPathAsked, slotPath, sizeof g_Control.slotPathAsked - 1);
    return singleAnswer(bridge);
}

FAKE_EXPORT int32_t QxPciBrd_FindParentBridgeForBus(uint32_t, uint8_t, uint32_t* bridge) {
    return singleAnswer(bridge);
}

FAKE_EXPORT int32_t QxPciBrd_GetBridgeParent(uint32_t, uint32_t, uint32_t* parent) {
    return singleAnswer(parent);
}

FAKE_EXPORT int32_t QxPciBrd_GetBridgeChildren(uint32_t, uint32_t, uint32_t* children,
                                               uint32_t* count) {
    return listAnswer(children, count);
}

FAKE_EXPORT int32_t QxPciBrd_GetBusChildren(uint32_t, uint8_t, uint32_t* children,
                                            uint32_t* count) {
    return listAnswer(children, count);
}

FAKE_EXPORT int32_t QxPciBrd_GetRootBuses(uint32_t, uint8_t* buses, uint32_t* count) {
    return listAnswer(buses, count);
}

FAKE_EXPORT int32_t QxPciBrd_GetBridgeAddress(uint32_t, uint32_t, uint8_t* bus, uint8_t* device,
                                              uint8_t* function) {
    *bus = 1;
    *device = 2;
    *function = 3;
    return singleAnswer(nullptr);
}

FAKE_EXPORT int32_t QxPciBrd_GetBridgeSlotPath(uint32_t, uint32_t, char* buffer, uint32_t* size) {
    ++g_Control.calls;
    const uint32_t l_Needed = static_cast<uint32_t>(std::strlen(g_Control.slotPath)) + 1;
    if (buffer == nullptr || *size < l_Needed) {
        *size = l_Needed;
        return -313002;
    }
    std::memcpy(buffer, g_Control.slotPath, l_Needed);
    return g_Control.singleResult;
}

FAKE_EXPORT int32_t QxPciBrd_GetBridgeIds(uint32_t, uint32_t, uint16_t*, uint16_t*, uint16_t*,
                                          uint16_t*) {
    return singleAnswer(nullptr);
}

FAKE_EXPORT int32_t QxPciBrd_SetAttributeU32(uint32_t, uint32_t, uint32_t, uint32_t) {
    return singleAnswer(nullptr);
}

FAKE_EXPORT int32_t QxPciBrd_GetAttributeU32(uint32_t, uint32_t, uint32_t, uint32_t* value) {
    return singleAnswer(value);
}

FAKE_EXPORT int32_t QxPciBrd_OpenBridge(uint32_t, uint32_t) {
    return singleAnswer(nullptr);
}

FAKE_EXPORT int32_t QxPciBrd_CloseBridge(uint32_t, uint32_t) {
    return singleAnswer(nullptr);
}

FAKE_EXPORT int32_t QxPciBrd_EepromUpdate(uint32_t, uint32_t, uint16_t, uint16_t, uint32_t,
                                          uint32_t, uint32_t, const uint8_t*) {
    return singleAnswer(nullptr);
}
