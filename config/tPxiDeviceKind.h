// Description kinds: one bit each, combined into masks by bitwise or. A kind picks the
// description class of a file and the directory the file is read from.
#pragma once

#include <cstdint>

#include "runtime/qxns.h"

namespace QX_NS {

using tPxiDeviceKindMask = uint32_t;

enum tPxiDeviceKind : uint32_t {
    kPxiDeviceKindPxi1EmbeddedController = 2,    // cPxi1EmbeddedControllerIni
    kPxiDeviceKindPxieChassisDriver = 16,        // cPxieChassisDriverDescIni
    kPxiDeviceKindPxieEmbeddedController = 256,  // cPxieEmbeddedControllerIni
    kPxiDeviceKindPxieRemoteController = 512,    // cPxieRemoteControllerIni
    kPxiDeviceKindChassisStarTrigger = 1024,     // cChassisDescIni with star-trigger timing
    kPxiDeviceKindChassisNoStarTrigger = 2048,   // cChassisDescIni without it
};

// Embedded and remote PXI Express system modules, which share one directory.
constexpr tPxiDeviceKindMask kPxiDeviceKindMaskSystemModules =
    kPxiDeviceKindPxieEmbeddedController | kPxiDeviceKindPxieRemoteController;
// Both chassis description kinds, which share one directory.
constexpr tPxiDeviceKindMask kPxiDeviceKindMaskChassis =
    kPxiDeviceKindChassisStarTrigger | kPxiDeviceKindChassisNoStarTrigger;

}  // namespace QX_NS
