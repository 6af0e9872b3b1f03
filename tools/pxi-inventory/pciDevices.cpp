#include "tools/pxi-inventory/pciDevices.h"

extern "C" {
#include <pci/pci.h>
}
#include <hwloc.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>

#include "services/common/cMachine.h"

namespace nQxPxiInventory {

namespace {

std::string hex(unsigned a_Value, int a_Digits) {
    char l_Buffer[16];
    std::snprintf(l_Buffer, sizeof(l_Buffer), "%0*X", a_Digits, a_Value);
    return l_Buffer;
}

// libpci reports through these; a warning (a damaged pci.ids) costs the names only.
void pciIgnore(char*, ...) {}
[[noreturn]] void pciFatal(char* a_pFormat, ...) {
    std::va_list l_Args;
    va_start(l_Args, a_pFormat);
    std::fputs("pxi-inventory: libpci: ", stderr);
    std::vfprintf(stderr, a_pFormat, l_Args);
    std::fputs("\n", stderr);
    va_end(l_Args);
    std::abort();  // only for memory exhaustion: libpci cannot go on after it
}

// Names from the PCI ID database only (not udev's hwdb), so that every machine with the
// same pci.ids names a device alike. No device is scanned: pci_init is not needed.
class cPciNames {
public:
    cPciNames() : m_pAccess(pci_alloc()) {
        m_pAccess->error = pciFatal;
        m_pAccess->warning = pciIgnore;
        m_pAccess->debug = pciIgnore;
    }
    ~cPciNames() { pci_cleanup(m_pAccess); }
    cPciNames(const cPciNames&) = delete;
    cPciNames& operator=(const cPciNames&) = delete;

    tJson vendor(unsigned a_Vendor) {
        char l_Buffer[256];
        return result(pci_lookup_name(m_pAccess, l_Buffer, sizeof(l_Buffer),
                                      PCI_LOOKUP_VENDOR | kFlags, a_Vendor));
    }
    tJson device(unsigned a_Vendor, unsigned a_Device) {
        char l_Buffer[256];
        return result(pci_lookup_name(m_pAccess, l_Buffer, sizeof(l_Buffer),
                                      PCI_LOOKUP_DEVICE | kFlags, a_Vendor, a_Device));
    }

private:
    static constexpr int kFlags = PCI_LOOKUP_NO_NUMBERS | PCI_LOOKUP_NO_HWDB;
    static tJson result(const char* a_pName) {
        return a_pName != nullptr ? tJson(std::string(a_pName)) : tJson(nullptr);
    }
    pci_access* m_pAccess;
};

struct tFunction {
    unsigned domain = 0, bus = 0, device = 0, function = 0;
    unsigned vendorId = 0, deviceId = 0, subsystemVendorId = 0, subsystemId = 0, classCode = 0;
    bool bridge = false;
    unsigned secondaryBus = 0, subordinateBus = 0;
    int parent = -1;
};

tJson functionsJson(const std::vector<tFunction>& a_rFunctions) {
    cPciNames l_Names;
    tJson l_Out = tJson::array();
    for (const tFunction& l_rFunction : a_rFunctions) {
        tJson l_Item;
        l_Item["address"] = hex(l_rFunction.domain, 4) + ":" + hex(l_rFunction.bus, 2) + ":" +
                            hex(l_rFunction.device, 2) + "." + hex(l_rFunction.function, 1);
        l_Item["domain"] = l_rFunction.domain;
        l_Item["bus"] = l_rFunction.bus;
        l_Item["device"] = l_rFunction.device;
        l_Item["function"] = l_rFunction.function;
        l_Item["vendorId"] = hex(l_rFunction.vendorId, 4);
        l_Item["deviceId"] = hex(l_rFunction.deviceId, 4);
        l_Item["subsystemVendorId"] = hex(l_rFunction.subsystemVendorId, 4);
        l_Item["subsystemId"] = hex(l_rFunction.subsystemId, 4);
        l_Item["classCode"] = hex(l_rFunction.classCode, 6);
        l_Item["vendorName"] = l_Names.vendor(l_rFunction.vendorId);
        l_Item["deviceName"] = l_Names.device(l_rFunction.vendorId, l_rFunction.deviceId);
        if (l_rFunction.bridge) {
            l_Item["secondaryBus"] = l_rFunction.secondaryBus;
            l_Item["subordinateBus"] = l_rFunction.subordinateBus;
        }
        l_Item["parent"] = l_rFunction.parent;
        l_Out.push_back(l_Item);
    }
    return l_Out;
}

// ---- hwloc: this computer, or a recorded topology ------------------------------------

struct tTopology {
    hwloc_topology_t handle = nullptr;
    ~tTopology() {
        if (handle != nullptr) {
            hwloc_topology_destroy(handle);
        }
    }
};

void addHwlocObject(hwloc_obj_t a_pObject, int a_Parent, std::vector<tFunction>& a_rOut) {
    int l_Parent = a_Parent;
    const bool l_PciBridge = a_pObject->type == HWLOC_OBJ_BRIDGE &&
                             a_pObject->attr->bridge.upstream_type == HWLOC_OBJ_BRIDGE_PCI;
    if (a_pObject->type == HWLOC_OBJ_BRIDGE && !l_PciBridge) {
        l_Parent = -1;  // a host bridge: what hangs below it sits on a root bus
    }
    if (a_pObject->type == HWLOC_OBJ_PCI_DEVICE || l_PciBridge) {
        const hwloc_obj_attr_u::hwloc_pcidev_attr_s& l_rPci =
            l_PciBridge ? a_pObject->attr->bridge.upstream.pci : a_pObject->attr->pcidev;
        tFunction l_Function;
        l_Function.domain = l_rPci.domain;
        l_Function.bus = l_rPci.bus;
        l_Function.device = l_rPci.dev;
        l_Function.function = l_rPci.func;
        l_Function.vendorId = l_rPci.vendor_id;
        l_Function.deviceId = l_rPci.device_id;
        l_Function.subsystemVendorId = l_rPci.subvendor_id;
        l_Function.subsystemId = l_rPci.subdevice_id;
        // hwloc keeps base class and subclass; the interface byte is not recorded.
        l_Function.classCode = static_cast<unsigned>(l_rPci.class_id) << 8;
        l_Function.parent = a_Parent;
        if (l_PciBridge && a_pObject->attr->bridge.downstream_type == HWLOC_OBJ_BRIDGE_PCI) {
            l_Function.bridge = true;
            l_Function.secondaryBus = a_pObject->attr->bridge.downstream.pci.secondary_bus;
            l_Function.subordinateBus = a_pObject->attr->bridge.downstream.pci.subordinate_bus;
            l_Parent = static_cast<int>(a_rOut.size());
        }
        a_rOut.push_back(l_Function);
    }
    for (hwloc_obj_t l_pChild = a_pObject->first_child; l_pChild != nullptr;
         l_pChild = l_pChild->next_sibling) {
        addHwlocObject(l_pChild, l_Parent, a_rOut);
    }
    for (hwloc_obj_t l_pChild = a_pObject->io_first_child; l_pChild != nullptr;
         l_pChild = l_pChild->next_sibling) {
        addHwlocObject(l_pChild, l_Parent, a_rOut);
    }
}

// The PCI functions hwloc finds, read as the Linux PCI bridge service reads the machine.
bool readHwloc(const std::string& a_rTopology, std::vector<tFunction>& a_rOut,
               std::string& a_rProblem) {
    tTopology l_Topology;
    if (hwloc_topology_init(&l_Topology.handle) != 0) {
        l_Topology.handle = nullptr;
        a_rProblem = "hwloc could not start a topology";
        return false;
    }
    hwloc_topology_set_type_filter(l_Topology.handle, HWLOC_OBJ_BRIDGE, HWLOC_TYPE_FILTER_KEEP_ALL);
    hwloc_topology_set_type_filter(l_Topology.handle, HWLOC_OBJ_PCI_DEVICE,
                                   HWLOC_TYPE_FILTER_KEEP_ALL);
    hwloc_topology_set_type_filter(l_Topology.handle, HWLOC_OBJ_OS_DEVICE,
                                   HWLOC_TYPE_FILTER_KEEP_NONE);
    hwloc_topology_set_type_filter(l_Topology.handle, HWLOC_OBJ_MISC, HWLOC_TYPE_FILTER_KEEP_NONE);
    hwloc_topology_set_cache_types_filter(l_Topology.handle, HWLOC_TYPE_FILTER_KEEP_NONE);
    hwloc_topology_set_icache_types_filter(l_Topology.handle, HWLOC_TYPE_FILTER_KEEP_NONE);
    if (!a_rTopology.empty() &&
        hwloc_topology_set_xml(l_Topology.handle, a_rTopology.c_str()) != 0) {
        a_rProblem = "hwloc cannot read the topology " + a_rTopology;
        return false;
    }
    if (hwloc_topology_load(l_Topology.handle) != 0) {
        a_rProblem = "hwloc cannot load the topology";
        return false;
    }
    addHwlocObject(hwloc_get_root_obj(l_Topology.handle), -1, a_rOut);
    return true;
}

// ---- the machine file of a simulation ------------------------------------------------

bool readMachineFile(const std::string& a_rPath, std::vector<tFunction>& a_rOut,
                     std::string& a_rProblem) {
    std::ifstream l_File(a_rPath);
    const std::string l_Text((std::istreambuf_iterator<char>(l_File)),
                             std::istreambuf_iterator<char>());
    std::shared_ptr<nQxSim::cMachine> l_pMachine;
    try {
        l_pMachine = nQxSim::cMachine::parse(l_Text, a_rPath);
    } catch (const std::exception& l_rError) {
        a_rProblem = l_rError.what();
        return false;
    }
    // A function's parent is the bridge whose secondary bus it sits on.
    std::map<unsigned, int> l_BySecondary;
    for (const nQxSim::tBridge& l_rBridge : l_pMachine->m_Bridges) {
        l_BySecondary.emplace(l_rBridge.secondaryBus, static_cast<int>(a_rOut.size()));
        tFunction l_Function;
        l_Function.bus = l_rBridge.bus;
        l_Function.device = l_rBridge.device;
        l_Function.function = l_rBridge.function;
        l_Function.vendorId = l_rBridge.vendorId;
        l_Function.deviceId = l_rBridge.deviceId;
        l_Function.subsystemVendorId = l_rBridge.subsystemVendorId;
        l_Function.subsystemId = l_rBridge.subsystemId;
        l_Function.classCode = 0x060400;  // PCI-to-PCI bridge
        l_Function.bridge = true;
        l_Function.secondaryBus = l_rBridge.secondaryBus;
        a_rOut.push_back(l_Function);
    }
    for (const nQxSim::tPciFunction& l_rDevice : l_pMachine->m_Devices) {
        tFunction l_Function;
        l_Function.bus = l_rDevice.bus;
        l_Function.device = l_rDevice.device;
        l_Function.function = l_rDevice.function;
        l_Function.vendorId = l_rDevice.vendorId;
        l_Function.deviceId = l_rDevice.deviceId;
        l_Function.subsystemVendorId = l_rDevice.subsystemVendorId;
        l_Function.subsystemId = l_rDevice.subsystemId;
        l_Function.classCode = l_rDevice.classCode;
        a_rOut.push_back(l_Function);
    }
    for (tFunction& l_rFunction : a_rOut) {
        const auto l_Found = l_BySecondary.find(l_rFunction.bus);
        l_rFunction.parent = l_Found == l_BySecondary.end() ? -1 : l_Found->second;
    }
    // The subordinate bus: the highest secondary bus at or below the bridge.
    for (size_t l_Index = 0; l_Index < a_rOut.size(); ++l_Index) {
        if (!a_rOut[l_Index].bridge) {
            continue;
        }
        for (int l_Up = static_cast<int>(l_Index), l_Steps = 0;
             l_Up >= 0 && l_Steps <= static_cast<int>(a_rOut.size());
             l_Up = a_rOut[static_cast<size_t>(l_Up)].parent, ++l_Steps) {
            tFunction& l_rAbove = a_rOut[static_cast<size_t>(l_Up)];
            l_rAbove.subordinateBus =
                std::max(l_rAbove.subordinateBus, a_rOut[l_Index].secondaryBus);
        }
    }
    return true;
}

// The functions whose parent is a_Parent (-1: on root bus a_Bus), each bridge with its own.
tJson devicesBelow(const tJson& a_rFunctions, int a_Parent, unsigned a_Bus, int a_Depth) {
    tJson l_Out = tJson::array();
    if (a_Depth > 256) {
        return l_Out;  // bus numbers that loop: each level is one more bus
    }
    for (size_t l_Index = 0; l_Index < a_rFunctions.size(); ++l_Index) {
        const tJson& l_rFunction = a_rFunctions[l_Index];
        if (l_rFunction["domain"] != 0 || l_rFunction["parent"] != a_Parent ||
            (a_Parent < 0 && l_rFunction["bus"] != a_Bus)) {
            continue;
        }
        tJson l_Device;
        for (const char* l_pKey : {"address", "vendorId", "deviceId", "subsystemVendorId",
                                   "subsystemId", "classCode", "vendorName", "deviceName"}) {
            l_Device[l_pKey] = l_rFunction[l_pKey];
        }
        l_Device["address"] = l_rFunction["address"].get<std::string>().substr(5);
        if (l_rFunction.contains("secondaryBus")) {
            l_Device["secondaryBus"] = l_rFunction["secondaryBus"];
            l_Device["devices"] =
                devicesBelow(a_rFunctions, static_cast<int>(l_Index),
                             l_rFunction["secondaryBus"].get<unsigned>(), a_Depth + 1);
        }
        l_Out.push_back(l_Device);
    }
    return l_Out;
}

// The functions below a chassis root bus: the secondary bus of the chassis' bridge in
// domain 0, or a bus of the host.
tJson devicesOnRootBus(const tJson& a_rFunctions, unsigned a_Bus) {
    int l_Bridge = -1;
    for (size_t l_Index = 0; l_Index < a_rFunctions.size(); ++l_Index) {
        const tJson& l_rFunction = a_rFunctions[l_Index];
        if (l_rFunction["domain"] == 0 &&
            l_rFunction.value("secondaryBus", -1) == static_cast<int>(a_Bus)) {
            l_Bridge = static_cast<int>(l_Index);
        }
    }
    return devicesBelow(a_rFunctions, l_Bridge, a_Bus, 0);
}

}  // namespace

tJson collectPciFunctions(const tOptions& a_rOptions, const std::string& a_rSimulatedMachine) {
    tJson l_Out;
    std::vector<tFunction> l_Functions;
    std::string l_Problem;
    bool l_Read = false;
    if (!a_rSimulatedMachine.empty()) {
        l_Out["source"] = "machine file";
        l_Read = readMachineFile(a_rSimulatedMachine, l_Functions, l_Problem);
    } else {
        // This computer, or the topology of --topology (named in "environment").
        l_Out["source"] = "hwloc";
        l_Read = readHwloc(a_rOptions.topology, l_Functions, l_Problem);
    }
    if (!l_Read) {
        l_Out["problem"] = l_Problem;
        l_Functions.clear();
    }
    l_Out["functions"] = functionsJson(l_Functions);
    return l_Out;
}

void addChassisDevices(tJson& a_rChassisSection, const tJson& a_rFunctions) {
    if (!a_rChassisSection.contains("models")) {
        return;
    }
    for (tJson& l_rModel : a_rChassisSection["models"]) {
        for (tJson& l_rChassis : l_rModel["chassis"]) {
            for (tJson& l_rBus : l_rChassis["rootBuses"]) {
                if (l_rBus["bus"].is_number()) {
                    l_rBus["devices"] =
                        devicesOnRootBus(a_rFunctions, l_rBus["bus"].get<unsigned>());
                }
            }
        }
    }
}

void addFinderChassisDevices(tJson& a_rFinders, const tJson& a_rFunctions) {
    for (tJson& l_rFinder : a_rFinders) {
        for (tJson& l_rItem : l_rFinder["items"]) {
            const tJson l_Bus = l_rItem.value("u32", tJson::object()).value("chassisBus", tJson());
            if (l_Bus.is_object() && l_Bus["value"].is_number()) {
                l_rItem["devices"] = devicesOnRootBus(a_rFunctions, l_Bus["value"].get<unsigned>());
            }
        }
    }
}

tJson bridgesOutsideDomain0(const tJson& a_rFunctions) {
    tJson l_Out = tJson::array();
    for (const tJson& l_rFunction : a_rFunctions) {
        if (l_rFunction["domain"] != 0 && l_rFunction.contains("secondaryBus")) {
            tJson l_Bridge;
            for (const char* l_pKey : {"address", "domain", "vendorId", "deviceId",
                                       "subsystemVendorId", "subsystemId"}) {
                l_Bridge[l_pKey] = l_rFunction[l_pKey];
            }
            l_Out.push_back(l_Bridge);
        }
    }
    return l_Out;
}

void addOtherDomainMatches(tJson& a_rBridgePairs, const tJson& a_rOutsideDomain0) {
    if (!a_rBridgePairs.is_array()) {
        return;
    }
    for (tJson& l_rPair : a_rBridgePairs) {
        if (!l_rPair.contains("subsystemVendorId")) {
            continue;  // not a pair the libraries can read
        }
        tJson l_Matches = tJson::array();
        for (const tJson& l_rBridge : a_rOutsideDomain0) {
            if (l_rBridge["subsystemVendorId"] == l_rPair["subsystemVendorId"] &&
                l_rBridge["subsystemId"] == l_rPair["subsystemId"]) {
                l_Matches.push_back(l_rBridge["address"]);
            }
        }
        if (!l_Matches.empty()) {
            l_rPair["otherDomains"] = l_Matches;
        }
    }
}

std::string deviceName(const tJson& a_rDevice) {
    const tJson& l_rVendor = a_rDevice["vendorName"];
    const tJson& l_rName = a_rDevice["deviceName"];
    const std::string l_Vendor = a_rDevice["vendorId"].get<std::string>();
    const std::string l_Id = a_rDevice["deviceId"].get<std::string>();
    // Unknown to the database: the numbers, as lspci shows them.
    return (l_rVendor.is_string() ? l_rVendor.get<std::string>() : "Vendor " + l_Vendor) + " " +
           (l_rName.is_string() ? l_rName.get<std::string>() : "Device " + l_Id) + " [" + l_Vendor +
           ":" + l_Id + "]";
}

std::vector<std::pair<int, std::string>> deviceLines(const tJson& a_rDevices) {
    std::vector<std::pair<int, std::string>> l_Lines;
    struct tWalker {
        std::vector<std::pair<int, std::string>>& lines;
        void walk(const tJson& a_rList, int a_Depth) {
            for (const tJson& l_rDevice : a_rList) {
                lines.emplace_back(
                    a_Depth, l_rDevice["address"].get<std::string>() + " " + deviceName(l_rDevice));
                if (l_rDevice.contains("devices")) {
                    walk(l_rDevice["devices"], a_Depth + 1);
                }
            }
        }
    } l_Walker{l_Lines};
    if (a_rDevices.is_array()) {
        l_Walker.walk(a_rDevices, 0);
    }
    return l_Lines;
}

}  // namespace nQxPxiInventory
