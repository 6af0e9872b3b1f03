#include "services/common/cMachine.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <stdexcept>

#include "qxpxi/services/qxpcibrd.h"
#include "services/common/chassisEeprom.h"
#include "services/common/jsonValues.h"

namespace nQxSim {

namespace {

using nlohmann::json;

// Every function a fault may name; a misspelt name would otherwise never fire.
const std::set<std::string>& serviceFunctions() {
    static const std::set<std::string> s_Names = {"QxPciBrd_OpenSession",
                                                  "QxPciBrd_CloseSession",
                                                  "QxPciBrd_FindBridgesByPciIds",
                                                  "QxPciBrd_FindBridgeByAddress",
                                                  "QxPciBrd_FindBridgeBySlotPath",
                                                  "QxPciBrd_FindParentBridgeForBus",
                                                  "QxPciBrd_GetBridgeParent",
                                                  "QxPciBrd_GetBridgeChildren",
                                                  "QxPciBrd_GetBusChildren",
                                                  "QxPciBrd_GetRootBuses",
                                                  "QxPciBrd_GetBridgeAddress",
                                                  "QxPciBrd_GetBridgeSlotPath",
                                                  "QxPciBrd_GetBridgeIds",
                                                  "QxPciBrd_SetAttributeU32",
                                                  "QxPciBrd_GetAttributeU32",
                                                  "QxPciBrd_OpenBridge",
                                                  "QxPciBrd_CloseBridge",
                                                  "QxPciBrd_EepromUpdate",
                                                  "QXCNTDRV_openController",
                                                  "QXCNTDRV_closeController",
                                                  "QXCNTDRV_getAttributeUTF8",
                                                  "QXCNTDRV_getAttributeU32",
                                                  "QXCNTDRV_getAttributeI32",
                                                  "QXCNTDRV_getAttributeDBL",
                                                  "QXCNTDRV_setAttributeUTF8",
                                                  "QXCNTDRV_setAttributeU32",
                                                  "QXCNTDRV_updateFirmware2",
                                                  "QXCNTDRV_performSelfTest",
                                                  "QXCNTDRV_openWatchdog",
                                                  "QXCNTDRV_closeWatchdog",
                                                  "QXCNTDRV_petWatchdog",
                                                  "QXCNTDRV_startWatchdogTimer",
                                                  "QXCNTDRV_stopWatchdogTimer",
                                                  "QXCNTDRV_waitForWatchdogNotification",
                                                  "QXCNTDRV_cancelWaitForWatchdogNotification",
                                                  "QXSMBusOpen",
                                                  "QXSMBusClose",
                                                  "QXSMBusGetAttribute",
                                                  "QXSMBusSetAttribute",
                                                  "QXSMBusQuickWrite",
                                                  "QXSMBusQuickRead",
                                                  "QXSMBusSendByte",
                                                  "QXSMBusReceiveByte",
                                                  "QXSMBusWriteByte",
                                                  "QXSMBusReadByte",
                                                  "QXSMBusWriteWord",
                                                  "QXSMBusReadWord",
                                                  "QXSMBusProcessCall",
                                                  "QXSMBusWriteBlock",
                                                  "QXSMBusReadBlock",
                                                  "QXSMBusGetChassisEEPROM",
                                                  "QXSMBusReadI2CEEPROM",
                                                  "QXSMBusWriteFirmware",
                                                  "QXSMBusOpenList",
                                                  "QXSMBusCloseList",
                                                  "QXSMBusOpenListEx",
                                                  "get_relocated_dir"};
    return s_Names;
}

void requireObject(const json& a_rValue, const std::string& a_rWhat) {
    if (!a_rValue.is_object()) {
        throw std::runtime_error(a_rWhat + ": expected an object");
    }
}

void requireArray(const json& a_rValue, const std::string& a_rWhat) {
    if (!a_rValue.is_array()) {
        throw std::runtime_error(a_rWhat + ": expected an array");
    }
}

void checkKeys(const json& a_rObject, const std::set<std::string>& a_rAllowed,
               const std::string& a_rWhat) {
    for (const auto& l_rItem : a_rObject.items()) {
        if (a_rAllowed.count(l_rItem.key()) == 0) {
            throw std::runtime_error(a_rWhat + ": unknown key \"" + l_rItem.key() + "\"");
        }
    }
}

const json& required(const json& a_rObject, const char* a_pKey, const std::string& a_rWhat) {
    if (!a_rObject.contains(a_pKey)) {
        throw std::runtime_error(a_rWhat + ": missing \"" + a_pKey + "\"");
    }
    return a_rObject.at(a_pKey);
}

std::string text(const json& a_rValue, const std::string& a_rWhat) {
    if (!a_rValue.is_string()) {
        throw std::runtime_error(a_rWhat + ": expected a text");
    }
    return a_rValue.get<std::string>();
}

// pci.devices: functions that are not bridges, each at an address of its own.
void parseDevices(cMachine& a_rMachine, const json& a_rPci) {
    if (!a_rPci.contains("devices")) {
        return;
    }
    const json& l_rDevices = a_rPci.at("devices");
    requireArray(l_rDevices, "pci.devices");
    std::set<uint32_t> l_Addresses;
    for (size_t l_Index = 0; l_Index < l_rDevices.size(); ++l_Index) {
        const std::string l_What = "pci.devices[" + std::to_string(l_Index) + "]";
        const json& l_rItem = l_rDevices[l_Index];
        requireObject(l_rItem, l_What);
        checkKeys(l_rItem,
                  {"name", "bus", "device", "function", "vendorId", "deviceId", "subsystemVendorId",
                   "subsystemId", "classCode"},
                  l_What);
        auto l_U = [&](const char* a_pKey, uint64_t a_Max, bool a_Required) -> uint64_t {
            if (!a_Required && !l_rItem.contains(a_pKey)) {
                return 0;
            }
            return toUnsigned(required(l_rItem, a_pKey, l_What), a_Max, l_What + "." + a_pKey);
        };
        tPciFunction l_Device;
        l_Device.bus = static_cast<uint8_t>(l_U("bus", 255, true));
        l_Device.device = static_cast<uint8_t>(l_U("device", 31, true));
        l_Device.function = static_cast<uint8_t>(l_U("function", 7, false));
        l_Device.vendorId = static_cast<uint16_t>(l_U("vendorId", 0xFFFF, true));
        l_Device.deviceId = static_cast<uint16_t>(l_U("deviceId", 0xFFFF, true));
        l_Device.subsystemVendorId = static_cast<uint16_t>(l_U("subsystemVendorId", 0xFFFF, false));
        l_Device.subsystemId = static_cast<uint16_t>(l_U("subsystemId", 0xFFFF, false));
        l_Device.classCode = static_cast<uint32_t>(l_U("classCode", 0xFFFFFF, false));
        if (!l_Addresses.insert(l_Device.bus * 256u + l_Device.device * 8u + l_Device.function)
                 .second) {
            throw std::runtime_error(l_What + ": two devices at the same bus, device and function");
        }
        a_rMachine.m_Devices.push_back(l_Device);
    }
}

void parseBridges(cMachine& a_rMachine, const json& a_rPci) {
    requireObject(a_rPci, "pci");
    checkKeys(a_rPci, {"rootBuses", "bridges", "devices"}, "pci");
    if (a_rPci.contains("rootBuses")) {
        const json& l_rRoots = a_rPci.at("rootBuses");
        requireArray(l_rRoots, "pci.rootBuses");
        for (size_t l_Index = 0; l_Index < l_rRoots.size(); ++l_Index) {
            a_rMachine.m_RootBuses.push_back(static_cast<uint8_t>(toUnsigned(
                l_rRoots[l_Index], 255, "pci.rootBuses[" + std::to_string(l_Index) + "]")));
        }
    }
    parseDevices(a_rMachine, a_rPci);
    if (!a_rPci.contains("bridges")) {
        return;
    }
    const json& l_rBridges = a_rPci.at("bridges");
    requireArray(l_rBridges, "pci.bridges");
    for (size_t l_Index = 0; l_Index < l_rBridges.size(); ++l_Index) {
        const std::string l_What = "pci.bridges[" + std::to_string(l_Index) + "]";
        const json& l_rItem = l_rBridges[l_Index];
        requireObject(l_rItem, l_What);
        checkKeys(l_rItem,
                  {"name", "bus", "device", "function", "vendorId", "deviceId", "subsystemVendorId",
                   "subsystemId", "secondaryBus", "attributes"},
                  l_What);
        tBridge l_Bridge;
        auto l_U = [&](const char* a_pKey, uint64_t a_Max, bool a_Required) -> uint64_t {
            if (!a_Required && !l_rItem.contains(a_pKey)) {
                return 0;
            }
            return toUnsigned(required(l_rItem, a_pKey, l_What), a_Max, l_What + "." + a_pKey);
        };
        l_Bridge.bus = static_cast<uint8_t>(l_U("bus", 255, true));
        l_Bridge.device = static_cast<uint8_t>(l_U("device", 31, true));
        l_Bridge.function = static_cast<uint8_t>(l_U("function", 7, false));
        l_Bridge.vendorId = static_cast<uint16_t>(l_U("vendorId", 0xFFFF, true));
        l_Bridge.deviceId = static_cast<uint16_t>(l_U("deviceId", 0xFFFF, true));
        l_Bridge.subsystemVendorId = static_cast<uint16_t>(l_U("subsystemVendorId", 0xFFFF, false));
        l_Bridge.subsystemId = static_cast<uint16_t>(l_U("subsystemId", 0xFFFF, false));
        l_Bridge.secondaryBus = static_cast<uint8_t>(l_U("secondaryBus", 255, true));
        if (l_Bridge.secondaryBus == l_Bridge.bus) {
            throw std::runtime_error(l_What + ": secondaryBus equals bus");
        }
        if (l_rItem.contains("attributes")) {
            const json& l_rAttributes = l_rItem.at("attributes");
            requireObject(l_rAttributes, l_What + ".attributes");
            for (const auto& l_rAttribute : l_rAttributes.items()) {
                const std::string l_AttrWhat = l_What + ".attributes." + l_rAttribute.key();
                const uint32_t l_Id = static_cast<uint32_t>(
                    keyToUnsigned(l_rAttribute.key(), 0xFFFFFFFF, l_AttrWhat));
                if (l_Id == QXPCIBRD_ATTR_PRIMARY_BUS || l_Id == QXPCIBRD_ATTR_SECONDARY_BUS) {
                    throw std::runtime_error(l_AttrWhat +
                                             ": derived from bus and secondaryBus, not settable");
                }
                l_Bridge.attributes[l_Id] =
                    static_cast<uint32_t>(toUnsigned(l_rAttribute.value(), 0xFFFFFFFF, l_AttrWhat));
            }
        }
        a_rMachine.m_Bridges.push_back(l_Bridge);
    }

    // Topology: a bridge's parent is the bridge whose secondary bus is its bus.
    std::map<uint8_t, int> l_BySecondary;
    std::set<uint32_t> l_Addresses;
    auto& l_rAll = a_rMachine.m_Bridges;
    for (size_t l_Index = 0; l_Index < l_rAll.size(); ++l_Index) {
        const tBridge& l_rBridge = l_rAll[l_Index];
        const std::string l_What = "pci.bridges[" + std::to_string(l_Index) + "]";
        if (!l_BySecondary.emplace(l_rBridge.secondaryBus, static_cast<int>(l_Index)).second) {
            throw std::runtime_error(l_What + ": secondaryBus " +
                                     std::to_string(l_rBridge.secondaryBus) +
                                     " already belongs to another bridge");
        }
        const uint32_t l_Key = l_rBridge.bus * 256u + l_rBridge.device * 8u + l_rBridge.function;
        if (!l_Addresses.insert(l_Key).second) {
            throw std::runtime_error(l_What + ": two bridges at the same bus, device and function");
        }
    }
    for (size_t l_Index = 0; l_Index < a_rMachine.m_Devices.size(); ++l_Index) {
        const tPciFunction& l_rDevice = a_rMachine.m_Devices[l_Index];
        if (l_Addresses.count(l_rDevice.bus * 256u + l_rDevice.device * 8u + l_rDevice.function) !=
            0) {
            throw std::runtime_error("pci.devices[" + std::to_string(l_Index) +
                                     "]: a bridge has the same bus, device and function");
        }
    }
    for (size_t l_Index = 0; l_Index < l_rAll.size(); ++l_Index) {
        tBridge& l_rBridge = l_rAll[l_Index];
        auto l_Found = l_BySecondary.find(l_rBridge.bus);
        l_rBridge.parent = l_Found == l_BySecondary.end() ? -1 : l_Found->second;
    }
    for (size_t l_Index = 0; l_Index < l_rAll.size(); ++l_Index) {
        tBridge& l_rBridge = l_rAll[l_Index];
        int l_Current = static_cast<int>(l_Index);
        size_t l_Steps = 0;
        while (true) {
            const tBridge& l_rStep = l_rAll[static_cast<size_t>(l_Current)];
            l_rBridge.hops.push_back(static_cast<uint8_t>(l_rStep.device * 8 + l_rStep.function));
            if (l_rStep.parent < 0) {
                l_rBridge.rootBus = l_rStep.bus;
                break;
            }
            l_Current = l_rStep.parent;
            if (++l_Steps > l_rAll.size()) {
                throw std::runtime_error("pci.bridges[" + std::to_string(l_Index) +
                                         "]: its bus numbers form a loop");
            }
        }
        l_rBridge.slotPath = formatSlotPath(l_rBridge.rootBus, l_rBridge.hops);
    }
    if (!a_rPci.contains("rootBuses")) {
        std::set<uint8_t> l_Roots;
        for (const tBridge& l_rBridge : l_rAll) {
            l_Roots.insert(l_rBridge.rootBus);
        }
        a_rMachine.m_RootBuses.assign(l_Roots.begin(), l_Roots.end());
    }
}

void parseController(cMachine& a_rMachine, const json& a_rController) {
    const std::string l_What = "controller";
    requireObject(a_rController, l_What);
    checkKeys(a_rController, {"canOpen", "openStatus", "text", "u32", "i32", "dbl"}, l_What);
    tController& l_rController = a_rMachine.m_Controller;
    l_rController.present = true;
    if (a_rController.contains("canOpen")) {
        if (!a_rController.at("canOpen").is_boolean()) {
            throw std::runtime_error(l_What + ".canOpen: expected true or false");
        }
        l_rController.canOpen = a_rController.at("canOpen").get<bool>();
    }
    l_rController.openStatus = -26934;
    if (a_rController.contains("openStatus")) {
        l_rController.openStatus = static_cast<int32_t>(
            toSigned(a_rController.at("openStatus"), INT32_MIN, INT32_MAX, l_What + ".openStatus"));
    }
    auto l_ForEach = [&](const char* a_pKey, auto&& a_rStore) {
        if (!a_rController.contains(a_pKey)) {
            return;
        }
        const json& l_rMap = a_rController.at(a_pKey);
        const std::string l_MapWhat = l_What + "." + a_pKey;
        requireObject(l_rMap, l_MapWhat);
        for (const auto& l_rItem : l_rMap.items()) {
            const std::string l_ItemWhat = l_MapWhat + "." + l_rItem.key();
            a_rStore(static_cast<uint32_t>(keyToUnsigned(l_rItem.key(), 0xFFFFFFFF, l_ItemWhat)),
                     l_rItem.value(), l_ItemWhat);
        }
    };
    l_ForEach("text", [&](uint32_t a_Id, const json& a_rValue, const std::string& a_rWhat) {
        l_rController.text[a_Id] = text(a_rValue, a_rWhat);
    });
    l_ForEach("u32", [&](uint32_t a_Id, const json& a_rValue, const std::string& a_rWhat) {
        l_rController.u32[a_Id] = static_cast<uint32_t>(toUnsigned(a_rValue, 0xFFFFFFFF, a_rWhat));
    });
    l_ForEach("i32", [&](uint32_t a_Id, const json& a_rValue, const std::string& a_rWhat) {
        l_rController.i32[a_Id] =
            static_cast<int32_t>(toSigned(a_rValue, INT32_MIN, INT32_MAX, a_rWhat));
    });
    l_ForEach("dbl", [&](uint32_t a_Id, const json& a_rValue, const std::string& a_rWhat) {
        if (!a_rValue.is_number()) {
            throw std::runtime_error(a_rWhat + ": expected a number");
        }
        l_rController.dbl[a_Id] = a_rValue.get<double>();
    });
}

tSmBusDevice parseDevice(const json& a_rDevice, const std::string& a_rWhat) {
    requireObject(a_rDevice, a_rWhat);
    checkKeys(a_rDevice, {"name", "fill", "bytes", "chassisEeprom"}, a_rWhat);
    if (a_rDevice.contains("bytes") && a_rDevice.contains("chassisEeprom")) {
        throw std::runtime_error(a_rWhat + ": give either \"bytes\" or \"chassisEeprom\"");
    }
    tSmBusDevice l_Device;
    uint8_t l_Fill = 0xFF;
    if (a_rDevice.contains("fill")) {
        l_Fill = static_cast<uint8_t>(toUnsigned(a_rDevice.at("fill"), 255, a_rWhat + ".fill"));
    }
    l_Device.bytes.fill(l_Fill);
    if (a_rDevice.contains("bytes")) {
        const json& l_rBytes = a_rDevice.at("bytes");
        requireArray(l_rBytes, a_rWhat + ".bytes");
        if (l_rBytes.size() > 256) {
            throw std::runtime_error(a_rWhat + ".bytes: more than 256 bytes");
        }
        for (size_t l_Index = 0; l_Index < l_rBytes.size(); ++l_Index) {
            l_Device.bytes[l_Index] = static_cast<uint8_t>(toUnsigned(
                l_rBytes[l_Index], 255, a_rWhat + ".bytes[" + std::to_string(l_Index) + "]"));
        }
    }
    if (a_rDevice.contains("chassisEeprom")) {
        l_Device.bytes =
            buildChassisEeprom(a_rDevice.at("chassisEeprom"), a_rWhat + ".chassisEeprom");
    }
    return l_Device;
}

void parseSmBus(cMachine& a_rMachine, const json& a_rSmBus) {
    requireObject(a_rSmBus, "smbus");
    checkKeys(a_rSmBus, {"adapters"}, "smbus");
    if (!a_rSmBus.contains("adapters")) {
        return;
    }
    const json& l_rAdapters = a_rSmBus.at("adapters");
    requireArray(l_rAdapters, "smbus.adapters");
    std::set<std::string> l_Names;
    for (size_t l_Index = 0; l_Index < l_rAdapters.size(); ++l_Index) {
        const std::string l_What = "smbus.adapters[" + std::to_string(l_Index) + "]";
        const json& l_rItem = l_rAdapters[l_Index];
        requireObject(l_rItem, l_What);
        checkKeys(l_rItem, {"resource", "description", "attributes", "devices"}, l_What);
        tSmBusAdapter l_Adapter;
        l_Adapter.resource = text(required(l_rItem, "resource", l_What), l_What + ".resource");
        if (l_Adapter.resource.empty() || !l_Names.insert(l_Adapter.resource).second) {
            throw std::runtime_error(l_What + ".resource: empty or used twice");
        }
        if (l_rItem.contains("description")) {
            l_Adapter.description = text(l_rItem.at("description"), l_What + ".description");
        }
        l_Adapter.attributes[1002] = 1;
        if (l_rItem.contains("attributes")) {
            const json& l_rAttributes = l_rItem.at("attributes");
            requireObject(l_rAttributes, l_What + ".attributes");
            for (const auto& l_rAttribute : l_rAttributes.items()) {
                const std::string l_AttrWhat = l_What + ".attributes." + l_rAttribute.key();
                const uint64_t l_Id = keyToUnsigned(l_rAttribute.key(), 0xFFFFFFFF, l_AttrWhat);
                if (l_Id == 1002) {
                    l_Adapter.attributes[1002] =
                        toSigned(l_rAttribute.value(), INT32_MIN, INT32_MAX, l_AttrWhat);
                } else if (l_Id >= 101 && l_Id <= 104) {
                    l_Adapter.attributes[static_cast<uint32_t>(l_Id)] = static_cast<int64_t>(
                        toUnsigned(l_rAttribute.value(), 0xFFFFFFFF, l_AttrWhat));
                } else if (l_Id >= 105 && l_Id <= 107) {
                    l_Adapter.attributes[static_cast<uint32_t>(l_Id)] =
                        static_cast<int64_t>(toUnsigned(l_rAttribute.value(), 0xFFFF, l_AttrWhat));
                } else {
                    throw std::runtime_error(l_AttrWhat +
                                             ": not an adapter attribute (1002, 101 to 107; 301 "
                                             "is the resource, 302 the description)");
                }
            }
        }
        if (l_rItem.contains("devices")) {
            const json& l_rDevices = l_rItem.at("devices");
            requireObject(l_rDevices, l_What + ".devices");
            for (const auto& l_rDevice : l_rDevices.items()) {
                const std::string l_DevWhat = l_What + ".devices." + l_rDevice.key();
                const uint64_t l_Address = keyToUnsigned(l_rDevice.key(), 255, l_DevWhat);
                if ((l_Address & 1) != 0) {
                    throw std::runtime_error(l_DevWhat +
                                             ": give the address with bit 0 clear (e.g. 0xA4)");
                }
                l_Adapter.devices[static_cast<uint8_t>(l_Address)] =
                    parseDevice(l_rDevice.value(), l_DevWhat);
            }
        }
        a_rMachine.m_Adapters.push_back(std::move(l_Adapter));
    }
}

void parseRelocations(cMachine& a_rMachine, const json& a_rRelocations) {
    requireObject(a_rRelocations, "relocations");
    for (const auto& l_rItem : a_rRelocations.items()) {
        std::string l_Dir = text(l_rItem.value(), "relocations." + l_rItem.key());
        if (!l_Dir.empty() && l_Dir[0] != '/') {
            l_Dir = a_rMachine.m_Directory + "/" + l_Dir;
        }
        a_rMachine.m_Relocations[l_rItem.key()] = l_Dir;
    }
}

void parseFaults(cMachine& a_rMachine, const json& a_rFaults) {
    requireArray(a_rFaults, "faults");
    for (size_t l_Index = 0; l_Index < a_rFaults.size(); ++l_Index) {
        const std::string l_What = "faults[" + std::to_string(l_Index) + "]";
        const json& l_rItem = a_rFaults[l_Index];
        requireObject(l_rItem, l_What);
        checkKeys(l_rItem, {"function", "status", "fromCall", "toCall"}, l_What);
        tFault l_Fault;
        l_Fault.function = text(required(l_rItem, "function", l_What), l_What + ".function");
        if (serviceFunctions().count(l_Fault.function) == 0) {
            throw std::runtime_error(l_What + ".function: no service function \"" +
                                     l_Fault.function + "\"");
        }
        l_Fault.status = static_cast<int32_t>(toSigned(required(l_rItem, "status", l_What),
                                                       INT32_MIN, INT32_MAX, l_What + ".status"));
        if (l_rItem.contains("fromCall")) {
            l_Fault.fromCall = toUnsigned(l_rItem.at("fromCall"), UINT32_MAX, l_What + ".fromCall");
            if (l_Fault.fromCall == 0) {
                throw std::runtime_error(l_What + ".fromCall: calls are counted from 1");
            }
        }
        if (l_rItem.contains("toCall")) {
            l_Fault.toCall = toUnsigned(l_rItem.at("toCall"), UINT32_MAX, l_What + ".toCall");
            if (l_Fault.toCall < l_Fault.fromCall) {
                throw std::runtime_error(l_What + ".toCall: before fromCall");
            }
        }
        a_rMachine.m_Faults.push_back(l_Fault);
    }
}

std::string directoryOf(const std::string& a_rPath) {
    std::string l_Dir;
    const size_t l_Slash = a_rPath.rfind('/');
    l_Dir = l_Slash == std::string::npos ? "." : a_rPath.substr(0, l_Slash);
    if (l_Dir.empty()) {
        l_Dir = "/";
    }
    if (l_Dir[0] != '/') {
        char l_Cwd[4096];
        if (getcwd(l_Cwd, sizeof(l_Cwd)) != nullptr) {
            l_Dir = std::string(l_Cwd) + "/" + l_Dir;
        }
    }
    return l_Dir;
}

}  // namespace

std::shared_ptr<cMachine> cMachine::parse(const std::string& a_rText, const std::string& a_rPath) {
    json l_Root;
    try {
        l_Root = json::parse(a_rText);
    } catch (const json::exception& l_rError) {
        // Syntax errors, and numbers too large for any value (out_of_range), are refusals.
        std::string l_Message = l_rError.what();
        // nlohmann prefixes its messages with "[json.exception.parse_error.101] ".
        const size_t l_Bracket = l_Message.find("] ");
        if (l_Bracket != std::string::npos) {
            l_Message = l_Message.substr(l_Bracket + 2);
        }
        throw std::runtime_error("not valid JSON: " + l_Message);
    }
    requireObject(l_Root, "the machine");
    checkKeys(l_Root,
              {"description", "pci", "controller", "smbus", "relocations", "smbios", "faults"},
              "the machine");
    auto l_pMachine = std::make_shared<cMachine>();
    l_pMachine->m_Path = a_rPath;
    l_pMachine->m_Directory = directoryOf(a_rPath);
    if (l_Root.contains("pci")) {
        parseBridges(*l_pMachine, l_Root.at("pci"));
    }
    if (l_Root.contains("controller")) {
        parseController(*l_pMachine, l_Root.at("controller"));
    }
    if (l_Root.contains("smbus")) {
        parseSmBus(*l_pMachine, l_Root.at("smbus"));
    }
    if (l_Root.contains("relocations")) {
        parseRelocations(*l_pMachine, l_Root.at("relocations"));
    }
    if (l_Root.contains("smbios")) {
        requireObject(l_Root.at("smbios"), "smbios");
        l_pMachine->m_Smbios = l_Root.at("smbios");
    }
    if (l_Root.contains("faults")) {
        parseFaults(*l_pMachine, l_Root.at("faults"));
    }
    return l_pMachine;
}

bool cMachine::takeFault(const char* a_pFunction, int32_t& a_rStatus) {
    std::lock_guard<std::mutex> l_Lock(m_Mutex);
    const uint64_t l_Call = ++m_CallCounts[a_pFunction];
    for (const tFault& l_rFault : m_Faults) {
        if (l_rFault.function == a_pFunction && l_Call >= l_rFault.fromCall &&
            l_Call <= l_rFault.toCall) {
            a_rStatus = l_rFault.status;
            return true;
        }
    }
    return false;
}

}  // namespace nQxSim
