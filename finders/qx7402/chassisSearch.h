// The search for chassis of the QX PXI-7402: every PCI bridge with subsystem vendor
// 0x1093 and subsystem 0x72B7 is one chassis, whose item holds the low 16 bits of the
// bridge's secondary bus number. Binds the PCI bridge service anew for each search.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

constexpr uint16_t kChassisSubsystemVendorId = 0x1093;
constexpr uint16_t kChassisSubsystemId = 0x72B7;

// Appends one new item per chassis, in the service's order; the caller owns them (each
// is released with releaseObject), also those appended before an error.
void searchChassis(std::vector<uint16_t*>& a_rItems, tStatusRecord* a_pStatus);

}  // namespace QX_NS
