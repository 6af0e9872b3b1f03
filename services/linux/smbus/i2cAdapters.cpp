#include "services/linux/smbus/i2cAdapters.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>

#include "services/linux/common/environment.h"

namespace nQxLinux {

namespace {

constexpr unsigned kSmBusClass = 0x0c05;  // serial bus controller, SMBus

// The first line of a sysfs file, or empty.
std::string firstLine(const std::string& a_rPath) {
    std::ifstream l_File(a_rPath);
    std::string l_Line;
    std::getline(l_File, l_Line);
    return l_Line;
}

// A hexadecimal sysfs value ("0x8086"); false when the file is missing or holds
// anything but one hexadecimal number of up to 32 bits.
bool hexValue(const std::string& a_rPath, uint32_t& a_rValue) {
    const std::string l_Text = firstLine(a_rPath);
    if (l_Text.empty() || !std::isxdigit(static_cast<unsigned char>(l_Text[0]))) {
        return false;
    }
    char* l_pEnd = nullptr;
    errno = 0;
    const unsigned long l_Value = std::strtoul(l_Text.c_str(), &l_pEnd, 16);
    while (*l_pEnd == ' ' || *l_pEnd == '\t' || *l_pEnd == '\r') {
        ++l_pEnd;
    }
    if (errno != 0 || *l_pEnd != '\0' || l_Value > 0xFFFFFFFFUL) {
        return false;
    }
    a_rValue = static_cast<uint32_t>(l_Value);
    return true;
}

// Fills the PCI part of the adapter from its parent device directory; false when the
// parent is not a PCI SMBus controller of domain 0.
bool readPciParent(const std::string& a_rDeviceDir, tI2cAdapter& a_rAdapter) {
    const std::string l_Name = a_rDeviceDir.substr(a_rDeviceDir.rfind('/') + 1);
    unsigned l_Domain = 0, l_Bus = 0, l_Device = 0, l_Function = 0;
    char l_Tail = 0;
    if (std::sscanf(l_Name.c_str(), "%4x:%2x:%2x.%1x%c", &l_Domain, &l_Bus, &l_Device, &l_Function,
                    &l_Tail) != 4 ||
        l_Domain != 0 || l_Device > 31 || l_Function > 7) {
        return false;
    }
    uint32_t l_Class = 0;
    if (!hexValue(a_rDeviceDir + "/class", l_Class) || (l_Class >> 8) != kSmBusClass ||
        !hexValue(a_rDeviceDir + "/vendor", a_rAdapter.vendorId) ||
        !hexValue(a_rDeviceDir + "/device", a_rAdapter.deviceId)) {
        return false;
    }
    // Older controllers have no subsystem ids.
    hexValue(a_rDeviceDir + "/subsystem_vendor", a_rAdapter.subsystemVendorId);
    hexValue(a_rDeviceDir + "/subsystem_device", a_rAdapter.subsystemId);
    a_rAdapter.bus = static_cast<uint16_t>(l_Bus);
    a_rAdapter.device = static_cast<uint16_t>(l_Device);
    a_rAdapter.function = static_cast<uint16_t>(l_Function);
    return true;
}

// The adapter i2c-<a_Number> below a_rDevices (<sysfs>/bus/i2c/devices) without its
// resource name; false when it is gone or its parent is no PCI SMBus controller.
bool readAdapter(const std::string& a_rDevices, const std::string& a_rDev, unsigned a_Number,
                 tI2cAdapter& a_rAdapter) {
    a_rAdapter.number = a_Number;
    const std::string l_Name = "i2c-" + std::to_string(a_Number);
    // The adapter's directory lies inside its parent device's directory.
    char* l_pReal = realpath((a_rDevices + "/" + l_Name).c_str(), nullptr);
    if (l_pReal == nullptr) {
        return false;
    }
    const std::string l_AdapterDir = l_pReal;
    std::free(l_pReal);
    const size_t l_Slash = l_AdapterDir.rfind('/');
    if (l_Slash == std::string::npos || l_Slash == 0) {
        return false;
    }
    const std::string l_Parent = l_AdapterDir.substr(0, l_Slash);
    if (!readPciParent(l_Parent, a_rAdapter)) {
        return false;
    }
    a_rAdapter.pciDevice = l_Parent.substr(l_Parent.rfind('/') + 1);
    a_rAdapter.name = firstLine(l_AdapterDir + "/name");
    a_rAdapter.sysfsDevices = a_rDevices;
    a_rAdapter.node = a_rDev + "/" + l_Name;
    a_rAdapter.description =
        (a_rAdapter.name.empty() ? l_Name : a_rAdapter.name) + " (" + a_rAdapter.node + ")";
    return true;
}

}  // namespace

std::vector<tI2cAdapter> findI2cAdapters() {
    const std::string l_Sysfs = pathFromEnvironment("QXPXI_SYSFS_ROOT", "/sys");
    const std::string l_Dev = pathFromEnvironment("QXPXI_DEV_ROOT", "/dev");
    const std::string l_Devices = l_Sysfs + "/bus/i2c/devices";
    std::vector<tI2cAdapter> l_Adapters;
    DIR* l_pDir = opendir(l_Devices.c_str());
    if (l_pDir == nullptr) {
        return l_Adapters;
    }
    std::vector<unsigned> l_Numbers;
    while (const dirent* l_pEntry = readdir(l_pDir)) {
        unsigned l_Number = 0;
        char l_Tail = 0;
        if (std::sscanf(l_pEntry->d_name, "i2c-%u%c", &l_Number, &l_Tail) == 1) {
            l_Numbers.push_back(l_Number);
        }
    }
    closedir(l_pDir);
    std::sort(l_Numbers.begin(), l_Numbers.end());

    std::map<std::string, unsigned> l_PerController;
    for (unsigned l_Number : l_Numbers) {
        tI2cAdapter l_Adapter;
        if (!readAdapter(l_Devices, l_Dev, l_Number, l_Adapter)) {
            continue;
        }
        const std::string l_Controller = "QXSMBUS::" + std::to_string(l_Adapter.bus) +
                                         "::" + std::to_string(l_Adapter.device) +
                                         "::" + std::to_string(l_Adapter.function);
        l_Adapter.resource = l_Controller + "::" + std::to_string(l_PerController[l_Controller]++);
        l_Adapters.push_back(std::move(l_Adapter));
    }
    return l_Adapters;
}

std::string adapterChange(const tI2cAdapter& a_rListed) {
    tI2cAdapter l_Now;
    const std::string l_Listed = "the adapter \"" + a_rListed.name + "\" of PCI device " +
                                 a_rListed.pciDevice + " was listed as i2c-" +
                                 std::to_string(a_rListed.number);
    if (!readAdapter(a_rListed.sysfsDevices, std::string(), a_rListed.number, l_Now)) {
        return l_Listed + ", which is gone or no SMBus controller's now";
    }
    if (l_Now.name != a_rListed.name || l_Now.pciDevice != a_rListed.pciDevice) {
        return l_Listed + ", which is now \"" + l_Now.name + "\" of " + l_Now.pciDevice;
    }
    return std::string();
}

}  // namespace nQxLinux
