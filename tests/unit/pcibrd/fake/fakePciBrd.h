// A scripted PCI bridge service for the wrapper tests: every answer comes from one
// control block that the test fills before each call.
#pragma once

#include <cstdint>

struct tFakePciBrdControl {
    // What the list functions list (root buses take the low bytes).
    uint32_t entries[8];
    uint32_t entryCount;
    // Sizing answer when non-zero; otherwise -313002 when there are entries, else 0.
    int32_t sizingResult;
    // Answer of the filling call, and how many entries it writes when non-zero.
    int32_t fillingResult;
    uint32_t fillingCount;
    // Answer of every other call, and the bridge the single finds write.
    int32_t singleResult;
    uint32_t singleBridge;
    int32_t openResult;
    // Text answered by GetBridgeSlotPath; text last given to FindBridgeBySlotPath.
    char slotPath[64];
    char slotPathAsked[64];
    // Session bookkeeping and the number of calls made.
    uint32_t nextSession;
    uint32_t openCount;
    uint32_t closeCount;
    uint32_t lastClosed;
    uint32_t calls;
};

extern "C" tFakePciBrdControl* fakePciBrd_control();
