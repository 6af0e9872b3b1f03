// What the tool asks the platform services directly, beside the libraries: the PCI
// bridges the PCI bridge service sees, the SMBus adapters the SMBus service offers, the
// chassis EEPROM read through the SMBus service, and the SMBIOS identity from the dump.
#pragma once

#include <string>
#include <vector>

#include "tools/pxi-inventory/callRecorder.h"
#include "tools/pxi-inventory/descriptions.h"
#include "tools/pxi-inventory/inventory.h"

namespace nQxPxiInventory {

// {"bridges": [{"address", "vendorId", "deviceId", "subsystemVendorId", "subsystemId",
// "secondaryBus", "slotPath", "status"...}], "rootBuses", "omittedBridges"}.
tJson collectPciBridges(cCallRecorder& a_rRecorder);

// For each [RootBusBridges] Bridge<n>SubsystemID of a chassis driver description: the
// pair and the addresses of the bridges (from collectPciBridges) that carry it.
tJson bridgePairMatches(const tDescription& a_rDriver, const tJson& a_rBridges);

// {"status", "adapters": [{"resource", "description", "usable", "vendorId", "productId",
// "pciAddress", "failedAttributes", "open"}]}; the service's "no adapters" answer is an
// empty list, not a failure. Each adapter is also opened by its resource name, as the
// library opens the adapter a description names.
tJson collectSmbusAdapters(cCallRecorder& a_rRecorder);

// The chassis EEPROM (device 0xA4) of an SMBus resource, decoded with its raw bytes; a
// call object. For a module whose library call failed: the bytes that explain why.
tJson readEepromThroughService(const std::string& a_rResource, cCallRecorder& a_rRecorder);

// {"dumpFile", "status", "manufacturer", "productName", "serialNumber", ...}: the SMBIOS
// strings the libraries read, read as they read them; with "dumpOf" when the dump is
// another machine's, given to the libraries privately. When that could not be done,
// nothing is read (it could be this computer's): the status is "unavailable" with why.
tJson collectSmbios(const tSimulation& a_rSimulation);

}  // namespace nQxPxiInventory
