// The PCI functions below each chassis, as lspci -tv shows them, with vendor and device
// names from the PCI ID database (libpci, Debian's pci.ids). The PCI bridge service
// lists bridges only, so the functions are read where the services read the machine:
// hwloc (this computer, or the topology recorded with --topology) for the Linux
// services, the machine file's "pci" section in a simulation. Also the bridges outside
// PCI domain 0, which the PCI bridge service leaves out.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/pxi-inventory/inventory.h"

namespace nQxPxiInventory {

// {"source": "hwloc" | "machine file", "functions": [{"address"
// "DDDD:BB:DD.F", "domain", "bus", "device", "function", "vendorId", "deviceId",
// "subsystemVendorId", "subsystemId", "classCode", "vendorName", "deviceName",
// "secondaryBus" and "subordinateBus" (bridges), "parent" (the index of the bridge above,
// or -1)}]}, with "problem" when they could not be read.
tJson collectPciFunctions(const tOptions& a_rOptions, const std::string& a_rSimulatedMachine);

// Adds "devices" to every root bus of every chassis of the chassis section: the
// functions below it, each bridge with its own "devices".
void addChassisDevices(tJson& a_rChassisSection, const tJson& a_rFunctions);

// Adds "devices" to every finder item with a "chassisBus": the functions below it.
void addFinderChassisDevices(tJson& a_rFinders, const tJson& a_rFunctions);

// The PCI-to-PCI bridges outside PCI domain 0, as {"address", "domain", "vendorId",
// "deviceId", "subsystemVendorId", "subsystemId"}.
tJson bridgesOutsideDomain0(const tJson& a_rFunctions);

// Adds "otherDomains" to each bridge pair (bridgePairMatches) that matches bridges
// outside domain 0: their addresses with the domain.
void addOtherDomainMatches(tJson& a_rBridgePairs, const tJson& a_rOutsideDomain0);

// "Intel Corporation I210 Gigabit Network Connection [8086:1533]" for one device.
std::string deviceName(const tJson& a_rDevice);

// The lines of a "devices" tree, each with its depth from 0: "04:00.0 Intel Corporation
// I210 Gigabit Network Connection [8086:1533]".
std::vector<std::pair<int, std::string>> deviceLines(const tJson& a_rDevices);

}  // namespace nQxPxiInventory
