// Names and values shared by every user of the PCI bridge service: the library file
// name, the "none" handle, the attributes callers read, and the function types of the
// service's C interface (taken from its header so that a changed prototype fails here).
#pragma once

#include <cstdint>

#include "qxpxi/services/qxpcibrd.h"
#include "runtime/qxns.h"

namespace QX_NS {
namespace nQxPciBrdWrapper_15_0 {

constexpr const char* kPciBrdLibraryName = "libqxpcibrd.so.1";

// A session or bridge reference that names nothing.
constexpr uint32_t kPciBrdNone = 0xFFFFFFFFu;

// Attributes read with GetAttributeU32.
constexpr uint32_t kPciBrdAttrPrimaryBus = QXPCIBRD_ATTR_PRIMARY_BUS;
constexpr uint32_t kPciBrdAttrSecondaryBus = QXPCIBRD_ATTR_SECONDARY_BUS;
constexpr uint32_t kPciBrdAttrLinkWidth = QXPCIBRD_ATTR_LINK_WIDTH;

using tOpenSessionFn = decltype(&::QxPciBrd_OpenSession);
using tCloseSessionFn = decltype(&::QxPciBrd_CloseSession);
using tFindBridgesByPciIdsFn = decltype(&::QxPciBrd_FindBridgesByPciIds);
using tFindBridgeByAddressFn = decltype(&::QxPciBrd_FindBridgeByAddress);
using tFindBridgeBySlotPathFn = decltype(&::QxPciBrd_FindBridgeBySlotPath);
using tFindParentBridgeForBusFn = decltype(&::QxPciBrd_FindParentBridgeForBus);
using tGetBridgeParentFn = decltype(&::QxPciBrd_GetBridgeParent);
using tGetBridgeChildrenFn = decltype(&::QxPciBrd_GetBridgeChildren);
using tGetBusChildrenFn = decltype(&::QxPciBrd_GetBusChildren);
using tGetRootBusesFn = decltype(&::QxPciBrd_GetRootBuses);
using tGetBridgeAddressFn = decltype(&::QxPciBrd_GetBridgeAddress);
using tGetBridgeSlotPathFn = decltype(&::QxPciBrd_GetBridgeSlotPath);
using tGetBridgeIdsFn = decltype(&::QxPciBrd_GetBridgeIds);
using tSetAttributeU32Fn = decltype(&::QxPciBrd_SetAttributeU32);
using tGetAttributeU32Fn = decltype(&::QxPciBrd_GetAttributeU32);
using tOpenBridgeFn = decltype(&::QxPciBrd_OpenBridge);
using tCloseBridgeFn = decltype(&::QxPciBrd_CloseBridge);
using tEepromUpdateFn = decltype(&::QxPciBrd_EepromUpdate);

}  // namespace nQxPciBrdWrapper_15_0
}  // namespace QX_NS
