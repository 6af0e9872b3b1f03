// The outside pieces the system module library works with, and the guard of the one
// piece that both of its locks reach: the library's SMBIOS provider. Discovery reads the
// product name from it under the cache lock, and opening a built-in adapter (the HPE
// systems' chassis EEPROM image) reads the enclosure serial number from it, under the
// cache lock during discovery and under the SMBus registry lock for SMBus operations.
// The guard is taken inside either of those locks and never the other way round.
#pragma once

#include <string>

#include <boost/shared_ptr.hpp>

#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "platform/cntdrvwrapper/cCntDrvWrapper_sc.h"
#include "platform/pcibrdwrapper/cPciBrdWrapper_sc.h"
#include "platform/pxismbuswrapper/iSMBusWrapper.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

// Controller driver attributes read by discovery (cCntDrvDynLib.h): kCntDrvAttrVendorName,
// kCntDrvAttrModelName (equal to the machine's product name), kCntDrvAttrSmbusSlotPath.
// The description kinds of system modules: kPxiDeviceKindMaskSystemModules.

// The controller driver for one discovery, or null when it cannot be bound or opened
// (discovery then runs without it, and that is not reported).
boost::shared_ptr<cCntDrvWrapper_sc> openControllerDriver();

// Creates and opens the adapter access for a resource name (cSMBusWrapperFactory), with
// the SMBIOS provider guarded.
void createSMBusAdapter(const char* a_pResourceName, boost::shared_ptr<iSMBusWrapper>& a_rAdapter,
                        tStatusRecord* a_pStatus);

// The product name from the SMBIOS system information, looked up with the provider
// guarded. Warnings of the lookup are not reported (the name is then empty).
void smbiosProductName(std::string& a_rName, tStatusRecord* a_pStatus);

}  // namespace QX_NS
