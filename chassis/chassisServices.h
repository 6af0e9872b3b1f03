// The outside pieces the chassis cache works with: the status-code PCI bridge wrapper
// (session already open when handed in) and the hardware description database.
#pragma once

#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "platform/pcibrdwrapper/cPciBrdWrapper_sc.h"
#include "runtime/qxns.h"
#include "runtime/status/tJsonStatusScope.h"

namespace QX_NS {

using tPciBrdWrapper = nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc;
using tPciBrdWrapperImpl = nQxPciBrdWrapper_15_0::cPciBrdWrapper_sc;
using tDeviceDbManager = cPxiSvDeviceDbManager;

}  // namespace QX_NS
