// The machine's SMBus adapters as sysfs shows them: i2c adapters whose parent device
// is a PCI SMBus controller in domain 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nQxLinux {

struct tI2cAdapter {
    unsigned number = 0;      // n of i2c-<n>
    std::string node;         // the device node, <dev root>/i2c-<n>
    std::string resource;     // "QXSMBUS::<bus>::<device>::<function>::<k>"
    std::string description;  // adapter name and device node
    uint16_t bus = 0;
    uint16_t device = 0;
    uint16_t function = 0;
    uint32_t vendorId = 0;
    uint32_t deviceId = 0;
    uint32_t subsystemVendorId = 0;
    uint32_t subsystemId = 0;
    std::string name;          // the adapter's name in sysfs
    std::string pciDevice;     // its parent device, "0000:00:1f.4"
    std::string sysfsDevices;  // the directory it was listed from, <sysfs>/bus/i2c/devices
};

// Reads the adapters below QXPXI_SYSFS_ROOT (default /sys), ordered by number; their
// nodes lie in QXPXI_DEV_ROOT (default /dev). An unreadable tree gives none.
std::vector<tI2cAdapter> findI2cAdapters();

// Empty when i2c-<n> in sysfs is still the adapter a_rListed describes (the same name
// and parent PCI device); else what changed, in words: the adapters were renumbered
// (a module reloaded, a device added) or the adapter is gone.
std::string adapterChange(const tI2cAdapter& a_rListed);

}  // namespace nQxLinux
