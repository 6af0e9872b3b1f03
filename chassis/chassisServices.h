// The outside pieces the chassis cache works with: the status-code PCI bridge wrapper
// (its session already open when handed in, see withPciBrdSession) and the hardware
// description database.
#pragma once

#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "platform/pcibrdwrapper/iPciBrdWrapper_sc.h"
#include "runtime/qxns.h"

namespace QX_NS {

using tPciBrdWrapper = nQxPciBrdWrapper_15_0::iPciBrdWrapper_sc;
using tDeviceDbManager = cPxiSvDeviceDbManager;

}  // namespace QX_NS
