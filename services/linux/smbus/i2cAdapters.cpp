#include "services/linux/smbus/i2cAdapters.h"

#include <dirent.h>

#include <algorithm>
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

// A hexadecimal sysfs value ("0x8086"); false when the file is missing or not a number.
bool hexValue(const std::string& a_rPath, uint32_t& a_rValue) {
    const std::string l_Text = firstLine(a_rPath);
    char* l_pEnd = nullptr;
    const unsigned long l_Value = std::strtoul(l_Text.c_str(), &l_pEnd, 16);
    if (l_Text.empty() || l_pEnd == l_Text.c_str()) {
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
        l_Adapter.number = l_Number;
        const std::string l_Name = "i2c-" + std::to_string(l_Number);
        // The adapter's directory lies inside its parent device's directory.
        char* l_pReal = realpath((l_Devices + "/" + l_Name).c_str(), nullptr);
        if (l_pReal == nullptr) {
            continue;
        }
        const std::string l_AdapterDir = l_pReal;
        std::free(l_pReal);
        const size_t l_Slash = l_AdapterDir.rfind('/');
        if (l_Slash == std::string::npos || l_Slash == 0 ||
            !readPciParent(l_AdapterDir.substr(0, l_Slash), l_Adapter)) {
            continue;
        }
        const std::string l_Controller = "QXSMBUS::" + std::to_string(l_Adapter.bus) +
                                         "::" + std::to_string(l_Adapter.device) +
                                         "::" + std::to_string(l_Adapter.function);
        l_Adapter.resource = l_Controller + "::" + std::to_string(l_PerController[l_Controller]++);
        l_Adapter.node = l_Dev + "/" + l_Name;
        const std::string l_AdapterName = firstLine(l_AdapterDir + "/name");
        l_Adapter.description =
            (l_AdapterName.empty() ? l_Name : l_AdapterName) + " (" + l_Adapter.node + ")";
        l_Adapters.push_back(std::move(l_Adapter));
    }
    return l_Adapters;
}

}  // namespace nQxLinux
