#include "tools/pxi-inventory/inventory.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "qxpxi/QXPXIFinder.h"
#include "qxpxi/QXPXIeCDu.h"
#include "qxpxi/qxstatus.h"
#include "tools/pxi-inventory/sysModuleApi.h"
#include "tools/pxi-inventory/cLibrary.h"
#include "tools/pxi-inventory/callRecorder.h"
#include "tools/pxi-inventory/controllerDriver.h"
#include "tools/pxi-inventory/descriptions.h"
#include "tools/pxi-inventory/eeprom.h"
#include "tools/pxi-inventory/i2cNodes.h"
#include "tools/pxi-inventory/pciDevices.h"
#include "tools/pxi-inventory/platformViews.h"

namespace nQxPxiInventory {

namespace {

constexpr int32_t kFeatureUnsupported = -52002;
constexpr int32_t kInvalidParameter = -52005;
constexpr int32_t kEmptyText = -2;

std::string quoted(const std::string& a_rText) {
    return "\"" + a_rText + "\"";
}

std::string hexId(uint32_t a_Id) {
    char l_Buffer[16];
    std::snprintf(l_Buffer, sizeof(l_Buffer), "0x%05X", a_Id);
    return l_Buffer;
}

// A filter matches "model", "vendor model", or (for modules) the module name.
bool matches(const std::string& a_rFilter, const std::string& a_rVendor,
             const std::string& a_rModel) {
    return a_rFilter.empty() || a_rFilter == a_rModel || a_rFilter == a_rVendor + " " + a_rModel;
}

std::string portText(uint32_t a_Key) {
    char l_Buffer[16];
    std::snprintf(l_Buffer, sizeof(l_Buffer), "%02X:%02X.%u", (a_Key >> 8) & 0xFF,
                  (a_Key & 0xFF) >> 3, a_Key & 7);
    return l_Buffer;
}

// Binds every entry point of a; a missing one is reported and leaves the group unusable.
class cBinder {
public:
    cBinder(const cLibrary& a_rLibrary, cCallRecorder& a_rRecorder, tJson& a_rTarget)
        : m_rLibrary(a_rLibrary), m_rRecorder(a_rRecorder), m_rTarget(a_rTarget) {}

    template <typename tFunction>
    tFunction* bind(const char* a_pName) {
        std::string l_Error;
        tFunction* l_pFunction = m_rLibrary.symbol<tFunction>(a_pName, l_Error);
        if (l_pFunction == nullptr) {
            m_Complete = false;
            tJson l_Missing;
            m_rRecorder.unavailable(l_Missing, m_rLibrary.file() + ": " + a_pName, l_Error);
            m_rTarget["missingEntryPoints"].push_back(a_pName);
        }
        return l_pFunction;
    }
    bool complete() const { return m_Complete; }

private:
    const cLibrary& m_rLibrary;
    cCallRecorder& m_rRecorder;
    tJson& m_rTarget;
    bool m_Complete = true;
};

tJson libraryJson(const cLibrary& a_rLibrary, cCallRecorder& a_rRecorder) {
    tJson l_Out;
    l_Out["file"] = a_rLibrary.file();
    l_Out["loaded"] = a_rLibrary.loaded();
    l_Out["path"] = a_rLibrary.loaded() ? tJson(a_rLibrary.path()) : tJson(nullptr);
    if (!a_rLibrary.loaded()) {
        a_rRecorder.unavailable(l_Out, "dlopen(" + a_rLibrary.file() + ")", a_rLibrary.error());
    }
    return l_Out;
}

// ---- chassis ---------------------------------------------------------------------------

tJson chassisSection(const cLibrary& a_rLibrary, const std::vector<tDescription>& a_rDrivers,
                     const tJson& a_rBridges, const tOptions& a_rOptions,
                     cCallRecorder& a_rRecorder) {
    tJson l_Out;
    l_Out["library"] = libraryJson(a_rLibrary, a_rRecorder);
    l_Out["models"] = tJson::array();
    if (!a_rLibrary.loaded()) {
        return l_Out;
    }
    cBinder l_Binder(a_rLibrary, a_rRecorder, l_Out["library"]);
    auto l_pGetCount = l_Binder.bind<decltype(PXISA_Chassis_GetCount)>("PXISA_Chassis_GetCount");
    auto l_pGetBus = l_Binder.bind<decltype(PXISA_Chassis_GetPCIRootBusNumber)>(
        "PXISA_Chassis_GetPCIRootBusNumber");
    if (!l_Binder.complete()) {
        return l_Out;
    }
    for (const tDescription& l_rDriver : a_rDrivers) {
        if (!matches(a_rOptions.chassisFilter, l_rDriver.vendor, l_rDriver.model)) {
            continue;
        }
        tJson l_Model;
        l_Model["vendor"] = l_rDriver.vendor;
        l_Model["model"] = l_rDriver.model;
        l_Model["file"] = l_rDriver.path;
        const uint32_t l_Levels = rootBusLevels(l_rDriver);
        l_Model["rootBusLevels"] = l_Levels;
        l_Model["bridgePairs"] = bridgePairMatches(l_rDriver, a_rBridges);
        uint32_t l_Count = 0;
        const std::string l_Args = quoted(l_rDriver.vendor) + ", " + quoted(l_rDriver.model);
        const int32_t l_Status =
            l_pGetCount(l_rDriver.vendor.c_str(), l_rDriver.model.c_str(), &l_Count);
        tJson l_CountJson;
        l_CountJson["value"] = l_Count;
        a_rRecorder.record(l_CountJson, "PXISA_Chassis_GetCount(" + l_Args + ")", l_Status);
        l_Model["count"] = l_CountJson;
        l_Model["chassis"] = tJson::array();
        for (uint32_t l_Number = 1; l_Status >= 0 && l_Number <= l_Count; ++l_Number) {
            tJson l_Chassis;
            l_Chassis["number"] = l_Number;
            l_Chassis["rootBuses"] = tJson::array();
            for (uint32_t l_Position = 1; l_Position <= l_Levels; ++l_Position) {
                uint32_t l_Bus = 0xFFFFFFFF;
                const int32_t l_BusStatus =
                    l_pGetBus(l_rDriver.vendor.c_str(), l_rDriver.model.c_str(), l_Position,
                              l_Number, &l_Bus);
                tJson l_BusJson;
                l_BusJson["position"] = l_Position;
                l_BusJson["bus"] = l_BusStatus >= 0 ? tJson(l_Bus) : tJson(nullptr);
                a_rRecorder.record(l_BusJson,
                                   "PXISA_Chassis_GetPCIRootBusNumber(" + l_Args + ", " +
                                       std::to_string(l_Position) + ", " +
                                       std::to_string(l_Number) + ")",
                                   l_BusStatus);
                l_Chassis["rootBuses"].push_back(l_BusJson);
            }
            l_Model["chassis"].push_back(l_Chassis);
        }
        l_Out["models"].push_back(l_Model);
    }
    return l_Out;
}

// ---- system modules --------------------------------------------------------------------

struct tAttributeName {
    int32_t id;
    const char* name;
};

const tAttributeName kModuleAttributes[] = {
    {0, "maxLinkWidth1"}, {1, "maxLinkWidth2"}, {2, "maxLinkWidth3"}, {3, "maxLinkWidth4"},
    {4, "maxLinkWidth5"}, {5, "maxLinkWidth6"}, {100, "linkCount"},   {101, "linkBus1"},
    {102, "linkBus2"},    {103, "linkBus3"},    {104, "linkBus4"},    {105, "linkValue1"},
    {106, "linkValue2"},  {107, "linkValue3"},  {108, "linkValue4"},  {109, "moduleStyle"},
    {200, "text200"},     {201, "text201"}};

struct tSysModuleApi {
    decltype(PXISA_SystemModule_GetCount)* getCount = nullptr;
    decltype(PXISA_SystemModule_GetName)* getName = nullptr;
    decltype(PXISA_SystemModule_GetInformation)* getInformation = nullptr;
    decltype(PXISA_SystemModule_GetChassisEEPROM)* getEeprom = nullptr;
    decltype(QXPXI_SystemModule_GetEmbeddedP2PSupport)* getP2P = nullptr;
};

struct tIdentity {
    std::string vendor;
    std::string model;
    const tDescription* pDescription = nullptr;  // none for the controller's own only
    bool controller = false;
};

// Link 3 and 4 of a two-link chassis are unsupported by definition, and an empty text
// attribute answers -2: both are answers, not failures.
bool expectedAttributeStatus(int32_t a_Id, int32_t a_Status, int32_t a_LinkCount) {
    if (a_Status == kFeatureUnsupported && a_LinkCount == 2 &&
        (a_Id == 103 || a_Id == 104 || a_Id == 107 || a_Id == 108)) {
        return true;
    }
    return a_Status == kEmptyText && (a_Id == 200 || a_Id == 201);
}

tJson moduleJson(const tSysModuleApi& a_rApi, const tIdentity& a_rIdentity, int32_t a_Index,
                 const cControllerDriver& a_rDriver, const tOptions& a_rOptions,
                 cCallRecorder& a_rRecorder) {
    tJson l_Module;
    l_Module["index"] = a_Index;
    // The names the library builds are "vendor model (resource)"; room for long ones.
    std::vector<char> l_Name(4096, '\0');
    std::vector<char> l_Resources(4096, '\0');
    const std::string l_IdArgs = quoted(a_rIdentity.vendor) + ", " + quoted(a_rIdentity.model);
    const int32_t l_NameStatus =
        a_rApi.getName(a_rIdentity.vendor.c_str(), a_rIdentity.model.c_str(), a_Index,
                       l_Name.data(), l_Resources.data());
    l_Name.back() = '\0';
    l_Resources.back() = '\0';
    if (!a_rRecorder.record(
            l_Module,
            "PXISA_SystemModule_GetName(" + l_IdArgs + ", " + std::to_string(a_Index) + ")",
            l_NameStatus)) {
        return l_Module;
    }
    const std::string l_ModuleName = l_Name.data();
    const std::string l_ResourceList = l_Resources.data();
    l_Module["name"] = l_ModuleName;
    l_Module["resourceList"] = l_ResourceList;
    const std::string l_ModArgs = quoted(l_ModuleName) + ", " + quoted(l_ResourceList);

    int32_t l_LinkCount = -1;
    int32_t l_Style = -1;
    tJson l_Attributes;
    for (const tAttributeName& l_rAttribute : kModuleAttributes) {
        tJson l_Value;
        l_Value["id"] = l_rAttribute.id;
        int32_t l_Status = 0;
        if (l_rAttribute.id >= 200) {
            char l_Text[PXISA_SYSTEMMODULE_TEXT_SIZE + 1] = {};
            l_Status = a_rApi.getInformation(l_ModuleName.c_str(), l_ResourceList.c_str(),
                                             l_rAttribute.id, l_Text);
            l_Value["value"] = l_Status >= 0 ? tJson(std::string(l_Text)) : tJson(nullptr);
        } else {
            int32_t l_Number = -1;
            l_Status = a_rApi.getInformation(l_ModuleName.c_str(), l_ResourceList.c_str(),
                                             l_rAttribute.id, &l_Number);
            l_Value["value"] = l_Status >= 0 ? tJson(l_Number) : tJson(nullptr);
            if (l_Status >= 0 && l_rAttribute.id == 100) {
                l_LinkCount = l_Number;
            }
            if (l_Status >= 0 && l_rAttribute.id == 109) {
                l_Style = l_Number;
            }
        }
        a_rRecorder.recordInGroup(l_Value, "PXISA_SystemModule_GetInformation(" + l_ModArgs + ", ",
                                  std::to_string(l_rAttribute.id), l_Status,
                                  expectedAttributeStatus(l_rAttribute.id, l_Status, l_LinkCount));
        l_Attributes[l_rAttribute.name] = l_Value;
    }
    l_Module["attributes"] = l_Attributes;

    tEepromImage l_Image{};
    tJson l_Eeprom;
    const int32_t l_EepromStatus =
        a_rApi.getEeprom(l_ModuleName.c_str(), l_ResourceList.c_str(), l_Image.data());
    if (a_rRecorder.record(l_Eeprom, "PXISA_SystemModule_GetChassisEEPROM(" + l_ModArgs + ")",
                           l_EepromStatus)) {
        const tJson l_Decoded = decodeEeprom(l_Image, a_rOptions.verbose);
        for (const auto& l_rItem : l_Decoded.items()) {
            l_Eeprom[l_rItem.key()] = l_rItem.value();
        }
    } else if (l_ResourceList.rfind("QXSMBUS", 0) == 0) {
        // The library keeps the image it refused; the bytes explain the refusal.
        l_Eeprom["throughSmbusService"] = readEepromThroughService(
            l_ResourceList.substr(0, l_ResourceList.find(';')), a_rRecorder);
    }
    l_Module["eeprom"] = l_Eeprom;

    if (l_Style == 0) {
        tJson l_P2P;
        // The module answers for the ports of the table it loaded: its description's for
        // a described module, the controller driver's for one built from the driver. A
        // set whose first port the module does not know (-52005) is the wrong one.
        std::vector<std::pair<const char*, std::vector<uint32_t>>> l_Candidates;
        if (a_rIdentity.pDescription != nullptr) {
            l_Candidates.emplace_back("description",
                                      descriptionPorts(*a_rIdentity.pDescription, l_LinkCount));
        }
        if (a_rIdentity.controller) {
            l_Candidates.emplace_back("controller driver", a_rDriver.ports());
        }
        std::vector<uint32_t> l_Ports;
        l_P2P["portsFrom"] = nullptr;
        for (const auto& l_rCandidate : l_Candidates) {
            if (l_rCandidate.second.empty()) {
                continue;
            }
            const uint32_t l_First = l_rCandidate.second.front();
            const tPXISA_PciAddress l_Address = {l_First >> 8, (l_First & 0xFF) >> 3, l_First & 7};
            int32_t l_Ignored = 0;
            const bool l_Known =
                a_rApi.getP2P(l_ModuleName.c_str(), l_ResourceList.c_str(), l_Address, l_Address,
                              &l_Ignored) != kInvalidParameter;
            if (l_Ports.empty() || l_Known) {
                l_Ports = l_rCandidate.second;
                l_P2P["portsFrom"] = l_rCandidate.first;
            }
            if (l_Known) {
                break;
            }
        }
        l_P2P["ports"] = tJson::array();
        for (uint32_t l_Port : l_Ports) {
            l_P2P["ports"].push_back(portText(l_Port));
        }
        l_P2P["pairs"] = tJson::array();
        for (uint32_t l_Source : l_Ports) {
            for (uint32_t l_Target : l_Ports) {
                const tPXISA_PciAddress l_From = {l_Source >> 8, (l_Source & 0xFF) >> 3,
                                                  l_Source & 7};
                const tPXISA_PciAddress l_To = {l_Target >> 8, (l_Target & 0xFF) >> 3,
                                                l_Target & 7};
                int32_t l_Supported = -1;
                const int32_t l_Status = a_rApi.getP2P(l_ModuleName.c_str(), l_ResourceList.c_str(),
                                                       l_From, l_To, &l_Supported);
                tJson l_Pair;
                l_Pair["source"] = portText(l_Source);
                l_Pair["target"] = portText(l_Target);
                l_Pair["supported"] = l_Status >= 0 ? tJson(l_Supported != 0) : tJson(nullptr);
                a_rRecorder.record(l_Pair,
                                   "QXPXI_SystemModule_GetEmbeddedP2PSupport(" + l_ModArgs + ", " +
                                       portText(l_Source) + ", " + portText(l_Target) + ")",
                                   l_Status);
                l_P2P["pairs"].push_back(l_Pair);
            }
        }
        l_Module["peerToPeer"] = l_P2P;
    }
    return l_Module;
}

tJson controllerJson(const cControllerDriver& a_rDriver, std::string& a_rVendor,
                     std::string& a_rModel, cCallRecorder& a_rRecorder) {
    tJson l_Out;
    l_Out["present"] = a_rDriver.open();
    if (!a_rDriver.open()) {
        l_Out["openStatus"] = a_rDriver.openStatus();
        if (!a_rDriver.serviceFound()) {
            l_Out["state"] = "no service";
            tJson l_Ignored;
            a_rRecorder.unavailable(l_Ignored, "dlopen(libqxcntdrv.so.1)",
                                    a_rDriver.serviceError());
        } else if (a_rDriver.openStatus() == kCntDrvNoController) {
            // The service's answer for a machine that has no controller driver.
            l_Out["state"] = "none";
        } else {
            l_Out["state"] = "failed";
            l_Out["statusName"] = qxpxi_status_name(a_rDriver.openStatus());
            l_Out["statusMeaning"] = qxpxi_status_meaning(a_rDriver.openStatus());
            a_rRecorder.failure("QXCNTDRV_openController", a_rDriver.openStatus());
        }
        return l_Out;
    }
    l_Out["state"] = "open";
    tJson l_Vendor;
    tJson l_Model;
    const int32_t l_VendorStatus = a_rDriver.text(0x10000000, a_rVendor);
    const int32_t l_ModelStatus = a_rDriver.text(0x10000100, a_rModel);
    l_Out["vendor"] = l_VendorStatus == 0 ? tJson(a_rVendor) : tJson(nullptr);
    l_Out["model"] = l_ModelStatus == 0 ? tJson(a_rModel) : tJson(nullptr);
    a_rRecorder.record(l_Vendor, "QXCNTDRV_getAttributeUTF8(0x10000000)", l_VendorStatus);
    a_rRecorder.record(l_Model, "QXCNTDRV_getAttributeUTF8(0x10000100)", l_ModelStatus);
    if (l_VendorStatus != 0 || l_ModelStatus != 0) {
        a_rVendor.clear();
        a_rModel.clear();
    }
    return l_Out;
}

// a_rNames receives the name of every module the library named, shown or not.
tJson systemModuleSection(const cLibrary& a_rLibrary, const std::vector<tDescription>& a_rModules,
                          const cControllerDriver& a_rDriver, const tOptions& a_rOptions,
                          cCallRecorder& a_rRecorder, std::vector<std::string>& a_rNames) {
    tJson l_Out;
    l_Out["library"] = libraryJson(a_rLibrary, a_rRecorder);
    std::string l_Vendor;
    std::string l_Model;
    l_Out["controller"] = controllerJson(a_rDriver, l_Vendor, l_Model, a_rRecorder);

    // Remote identities, then embedded ones, then the controller's own unless described:
    // the order in which the library refreshes all identities.
    std::vector<tIdentity> l_Identities;
    for (const char* l_pStyle : {"remote", "embedded"}) {
        for (const tDescription& l_rModule : a_rModules) {
            if (l_rModule.style == l_pStyle) {
                l_Identities.push_back({l_rModule.vendor, l_rModule.model, &l_rModule, false});
            }
        }
    }
    if (!l_Vendor.empty() || !l_Model.empty()) {
        bool l_Listed = false;
        for (tIdentity& l_rIdentity : l_Identities) {
            if (l_rIdentity.vendor == l_Vendor && l_rIdentity.model == l_Model) {
                l_rIdentity.controller = true;
                l_Listed = true;
            }
        }
        if (!l_Listed) {
            l_Identities.push_back({l_Vendor, l_Model, nullptr, true});
        }
    }

    l_Out["identities"] = tJson::array();
    if (!a_rLibrary.loaded()) {
        return l_Out;
    }
    cBinder l_Binder(a_rLibrary, a_rRecorder, l_Out["library"]);
    tSysModuleApi l_Api;
    l_Api.getCount =
        l_Binder.bind<decltype(PXISA_SystemModule_GetCount)>("PXISA_SystemModule_GetCount");
    l_Api.getName =
        l_Binder.bind<decltype(PXISA_SystemModule_GetName)>("PXISA_SystemModule_GetName");
    l_Api.getInformation = l_Binder.bind<decltype(PXISA_SystemModule_GetInformation)>(
        "PXISA_SystemModule_GetInformation");
    l_Api.getEeprom = l_Binder.bind<decltype(PXISA_SystemModule_GetChassisEEPROM)>(
        "PXISA_SystemModule_GetChassisEEPROM");
    l_Api.getP2P = l_Binder.bind<decltype(QXPXI_SystemModule_GetEmbeddedP2PSupport)>(
        "QXPXI_SystemModule_GetEmbeddedP2PSupport");
    if (!l_Binder.complete()) {
        return l_Out;
    }
    for (const tIdentity& l_rIdentity : l_Identities) {
        const bool l_IdentityMatches =
            matches(a_rOptions.moduleFilter, l_rIdentity.vendor, l_rIdentity.model);
        tJson l_IdJson;
        l_IdJson["vendor"] = l_rIdentity.vendor;
        l_IdJson["model"] = l_rIdentity.model;
        l_IdJson["style"] = l_rIdentity.pDescription != nullptr
                                ? tJson(l_rIdentity.pDescription->style)
                                : tJson(nullptr);
        l_IdJson["file"] = l_rIdentity.pDescription != nullptr
                               ? tJson(l_rIdentity.pDescription->path)
                               : tJson(nullptr);
        l_IdJson["controller"] = l_rIdentity.controller;
        int32_t l_Count = 0;
        const int32_t l_Status =
            l_Api.getCount(l_rIdentity.vendor.c_str(), l_rIdentity.model.c_str(), &l_Count);
        tJson l_CountJson;
        l_CountJson["value"] = l_Count;
        a_rRecorder.record(l_CountJson,
                           "PXISA_SystemModule_GetCount(" + quoted(l_rIdentity.vendor) + ", " +
                               quoted(l_rIdentity.model) + ")",
                           l_Status);
        l_IdJson["count"] = l_CountJson;
        l_IdJson["modules"] = tJson::array();
        for (int32_t l_Index = 1; l_Status >= 0 && l_Index <= l_Count; ++l_Index) {
            tJson l_Module =
                moduleJson(l_Api, l_rIdentity, l_Index, a_rDriver, a_rOptions, a_rRecorder);
            if (l_Module.contains("name")) {
                a_rNames.push_back(l_Module["name"].get<std::string>());
            }
            if (l_IdentityMatches || l_Module.value("name", "") == a_rOptions.moduleFilter) {
                l_IdJson["modules"].push_back(l_Module);
            }
        }
        if (l_IdentityMatches || !l_IdJson["modules"].empty()) {
            l_Out["identities"].push_back(l_IdJson);
        }
    }
    return l_Out;
}

// ---- finders ---------------------------------------------------------------------------

struct tFinderAttribute {
    uint32_t id;
    const char* name;
    uint32_t itemClass;  // 0: every item
};

const tFinderAttribute kFinderStrings[] = {{QXPXI_FINDER_ATTR_VENDOR, "vendor", 0},
                                           {QXPXI_FINDER_ATTR_MODEL, "model", 0},
                                           {QXPXI_FINDER_ATTR_SLOT_PATH, "slotPath", 1}};
const tFinderAttribute kFinderU32[] = {{QXPXI_FINDER_ATTR_ITEM_CLASS, "itemClass", 0},
                                       {QXPXI_FINDER_ATTR_CONTROLLER_CLASS, "controllerClass", 1},
                                       {QXPXI_FINDER_ATTR_CONTROLLER_BUS, "controllerBus", 1},
                                       {QXPXI_FINDER_ATTR_CHASSIS_BUS, "chassisBus", 2}};

struct tFinderApi {
    decltype(nQXPXIFINDER100_openList)* openList = nullptr;
    decltype(nQXPXIFINDER100_closeList)* closeList = nullptr;
    decltype(nQXPXIFINDER100_getNthItem)* getNthItem = nullptr;
    decltype(nQXPXIFINDER100_getStringAttribute)* getString = nullptr;
    decltype(nQXPXIFINDER100_getU32Attribute)* getU32 = nullptr;
    decltype(nQXPXIFINDER100_getControllerIDSELMap)* getIdsel = nullptr;
};

tJson finderItemJson(const tFinderApi& a_rApi, const std::string& a_rFile, void* a_pList,
                     uint32_t a_Index, cCallRecorder& a_rRecorder) {
    tJson l_Item;
    l_Item["index"] = a_Index;
    void* l_pItem = nullptr;
    const std::string l_Prefix = a_rFile + ": nQXPXIFINDER100_";
    if (!a_rRecorder.record(l_Item, l_Prefix + "getNthItem(" + std::to_string(a_Index) + ")",
                            a_rApi.getNthItem(a_pList, a_Index, &l_pItem))) {
        return l_Item;
    }
    // The item class decides which attributes the item has; an unknown class is asked
    // for all of them, and what it does not support is not a failure.
    uint32_t l_Class = 0;
    const int32_t l_ClassStatus = a_rApi.getU32(l_pItem, QXPXI_FINDER_ATTR_ITEM_CLASS, &l_Class);
    const bool l_KnownClass = l_ClassStatus == 0 && (l_Class == 1 || l_Class == 2);
    tJson l_Strings;
    for (const tFinderAttribute& l_rAttribute : kFinderStrings) {
        if (l_KnownClass && l_rAttribute.itemClass != 0 && l_rAttribute.itemClass != l_Class) {
            continue;
        }
        const char* l_pValue = nullptr;
        const int32_t l_Status = a_rApi.getString(l_pItem, l_rAttribute.id, &l_pValue);
        tJson l_Value;
        l_Value["id"] = l_rAttribute.id;
        l_Value["value"] =
            l_Status >= 0 && l_pValue != nullptr ? tJson(std::string(l_pValue)) : tJson(nullptr);
        a_rRecorder.record(l_Value,
                           l_Prefix + "getStringAttribute(" + std::to_string(a_Index) + ", " +
                               hexId(l_rAttribute.id) + ")",
                           l_Status, !l_KnownClass && l_Status == kInvalidParameter);
        l_Strings[l_rAttribute.name] = l_Value;
    }
    l_Item["strings"] = l_Strings;
    tJson l_Numbers;
    for (const tFinderAttribute& l_rAttribute : kFinderU32) {
        if (l_KnownClass && l_rAttribute.itemClass != 0 && l_rAttribute.itemClass != l_Class) {
            continue;
        }
        uint32_t l_Number = 0;
        const int32_t l_Status = a_rApi.getU32(l_pItem, l_rAttribute.id, &l_Number);
        tJson l_Value;
        l_Value["id"] = l_rAttribute.id;
        l_Value["value"] = l_Status >= 0 ? tJson(l_Number) : tJson(nullptr);
        a_rRecorder.record(l_Value,
                           l_Prefix + "getU32Attribute(" + std::to_string(a_Index) + ", " +
                               hexId(l_rAttribute.id) + ")",
                           l_Status,
                           !l_KnownClass && l_rAttribute.id != QXPXI_FINDER_ATTR_ITEM_CLASS &&
                               l_Status == kInvalidParameter);
        l_Numbers[l_rAttribute.name] = l_Value;
    }
    l_Item["u32"] = l_Numbers;
    if (l_Class == QXPXI_FINDER_ITEM_CLASS_CONTROLLER) {
        const uint8_t* l_pMap = nullptr;
        tJson l_Map;
        const int32_t l_Status = a_rApi.getIdsel(l_pItem, &l_pMap);
        if (a_rRecorder.record(l_Map,
                               l_Prefix + "getControllerIDSELMap(" + std::to_string(a_Index) + ")",
                               l_Status) &&
            l_pMap != nullptr) {
            l_Map["map"] = std::vector<uint32_t>(l_pMap, l_pMap + 32);
        }
        l_Item["idselMap"] = l_Map;
    }
    return l_Item;
}

tJson finderJson(const cLibrary& a_rLibrary, cCallRecorder& a_rRecorder) {
    tJson l_Out;
    l_Out["library"] = libraryJson(a_rLibrary, a_rRecorder);
    l_Out["items"] = tJson::array();
    if (!a_rLibrary.loaded()) {
        return l_Out;
    }
    cBinder l_Binder(a_rLibrary, a_rRecorder, l_Out["library"]);
    tFinderApi l_Api;
    l_Api.openList = l_Binder.bind<decltype(nQXPXIFINDER100_openList)>("nQXPXIFINDER100_openList");
    l_Api.closeList =
        l_Binder.bind<decltype(nQXPXIFINDER100_closeList)>("nQXPXIFINDER100_closeList");
    l_Api.getNthItem =
        l_Binder.bind<decltype(nQXPXIFINDER100_getNthItem)>("nQXPXIFINDER100_getNthItem");
    l_Api.getString = l_Binder.bind<decltype(nQXPXIFINDER100_getStringAttribute)>(
        "nQXPXIFINDER100_getStringAttribute");
    l_Api.getU32 =
        l_Binder.bind<decltype(nQXPXIFINDER100_getU32Attribute)>("nQXPXIFINDER100_getU32Attribute");
    l_Api.getIdsel = l_Binder.bind<decltype(nQXPXIFINDER100_getControllerIDSELMap)>(
        "nQXPXIFINDER100_getControllerIDSELMap");
    if (!l_Binder.complete()) {
        return l_Out;
    }
    uint32_t l_Count = 0;
    void* l_pList = nullptr;
    const int32_t l_Status = l_Api.openList(&l_Count, &l_pList);
    tJson l_CountJson;
    l_CountJson["value"] = l_Count;
    a_rRecorder.record(l_CountJson, a_rLibrary.file() + ": nQXPXIFINDER100_openList", l_Status);
    l_Out["count"] = l_CountJson;
    if (l_Status >= 0 && l_pList != nullptr) {
        for (uint32_t l_Index = 0; l_Index < l_Count; ++l_Index) {
            l_Out["items"].push_back(
                finderItemJson(l_Api, a_rLibrary.file(), l_pList, l_Index, a_rRecorder));
        }
        l_Api.closeList(l_pList);
    }
    return l_Out;
}

// Which way the controller was (or was not) identified, as the embedded controller finder
// goes: the controller driver when a session opens, else the SMBIOS manufacturer and
// product matched against the PXI embedded controller descriptions.
tJson controllerIdentification(const tJson& a_rController, const tJson& a_rSmbios,
                               const std::vector<tDescription>& a_rControllers) {
    tJson l_Out;
    l_Out["way"] = nullptr;
    if (a_rController["present"].get<bool>()) {
        l_Out["way"] = "controller driver";
        l_Out["text"] = "by the controller driver: " + a_rController.value("vendor", "?") + " " +
                        a_rController.value("model", "?");
        return l_Out;
    }
    const std::string l_Driver =
        a_rController["state"] == "none"         ? "no controller driver on this machine"
        : a_rController["state"] == "no service" ? "no controller driver service"
                                                 : "the controller driver failed";
    if (a_rSmbios["status"] != 0) {
        l_Out["text"] = "not identified: " + l_Driver + ", and no SMBIOS data (" +
                        a_rSmbios["dumpFile"].get<std::string>() + ": " +
                        a_rSmbios.value("statusMeaning", "unreadable") + ")";
        return l_Out;
    }
    auto l_Lower = [](std::string a_Text) {
        for (char& l_rChar : a_Text) {
            l_rChar = static_cast<char>(std::tolower(static_cast<unsigned char>(l_rChar)));
        }
        return a_Text;
    };
    const std::string l_Manufacturer = a_rSmbios.value("manufacturer", "");
    const std::string l_Product = a_rSmbios.value("productName", "");
    if (l_Lower(l_Manufacturer).find("quarrix") == std::string::npos) {
        l_Out["text"] = "not identified: " + l_Driver + ", and the SMBIOS manufacturer \"" +
                        l_Manufacturer + "\" is not Quarrix";
        return l_Out;
    }
    for (const tDescription& l_rDescription : a_rControllers) {
        const std::string* l_pPart =
            iniValue(l_rDescription.sections, "Controller", "SMBIOSProduct");
        const std::string* l_pExact =
            iniValue(l_rDescription.sections, "Controller", "SMBIOSProductExact");
        if ((l_pPart != nullptr && !l_pPart->empty() &&
             l_Lower(l_Product).find(l_Lower(*l_pPart)) != std::string::npos) ||
            (l_pExact != nullptr && !l_pExact->empty() && *l_pExact == l_Product)) {
            l_Out["way"] = "SMBIOS";
            l_Out["description"] = l_rDescription.path;
            l_Out["text"] = "from SMBIOS (" + l_Driver + "): product \"" + l_Product + "\" is " +
                            l_rDescription.vendor + " " + l_rDescription.model + " (" +
                            l_rDescription.path + ")";
            return l_Out;
        }
    }
    l_Out["text"] = "not identified: " + l_Driver + ", and no controller description matches " +
                    "the SMBIOS product \"" + l_Product + "\"";
    return l_Out;
}

tJson skippedJson(const std::vector<tSkipped>& a_rSkipped) {
    tJson l_Out = tJson::array();
    for (const tSkipped& l_rSkipped : a_rSkipped) {
        l_Out.push_back({{"file", l_rSkipped.path}, {"reason", l_rSkipped.reason}});
    }
    return l_Out;
}

tJson platformServicesJson() {
    tJson l_Out = tJson::array();
    for (const char* l_pFile : kServiceFiles) {
        cLibrary l_Service(l_pFile, {});
        l_Out.push_back({{"file", l_pFile},
                         {"found", l_Service.loaded()},
                         {"path", l_Service.loaded() ? tJson(l_Service.path()) : tJson(nullptr)}});
    }
    return l_Out;
}

// "--chassis \"X\": no chassis driver description names this model; there are: ...".
std::string unknownFilter(const std::string& a_rOption, const std::string& a_rFilter,
                          const std::string& a_rNoSuch, const std::vector<std::string>& a_rKnown) {
    std::string l_Text = a_rOption + " " + quoted(a_rFilter) + ": " + a_rNoSuch;
    if (a_rKnown.empty()) {
        return l_Text + ", and there is none";
    }
    l_Text += "; there are:";
    for (const std::string& l_rKnown : a_rKnown) {
        l_Text += "\n  " + l_rKnown;
    }
    return l_Text;
}

// A --module filter that names no identity and no module; empty when it names one. Module
// names begin with "vendor model (", which is enough when the library named none.
std::string unknownModuleFilter(const tOptions& a_rOptions,
                                const std::vector<tDescription>& a_rModules,
                                const tJson& a_rSection, const std::vector<std::string>& a_rNames) {
    std::vector<std::pair<std::string, std::string>> l_Identities;
    for (const tDescription& l_rModule : a_rModules) {
        l_Identities.emplace_back(l_rModule.vendor, l_rModule.model);
    }
    const tJson& l_rController = a_rSection["controller"];
    if (l_rController["vendor"].is_string() && l_rController["model"].is_string()) {
        l_Identities.emplace_back(l_rController["vendor"].get<std::string>(),
                                  l_rController["model"].get<std::string>());
    }
    const std::string& l_rFilter = a_rOptions.moduleFilter;
    std::vector<std::string> l_Known;
    for (const auto& l_rIdentity : l_Identities) {
        const std::string l_Full = l_rIdentity.first + " " + l_rIdentity.second;
        if (matches(l_rFilter, l_rIdentity.first, l_rIdentity.second) ||
            (a_rNames.empty() && l_rFilter.rfind(l_Full + " (", 0) == 0)) {
            return std::string();
        }
        if (std::find(l_Known.begin(), l_Known.end(), l_Full) == l_Known.end()) {
            l_Known.push_back(l_Full);  // the controller's own identity is often described
        }
    }
    for (const std::string& l_rName : a_rNames) {
        if (l_rName == l_rFilter) {
            return std::string();
        }
        l_Known.push_back(l_rName);
    }
    return unknownFilter("--module", l_rFilter,
                         "no system module description, controller or module has this name",
                         l_Known);
}

}  // namespace

tJson collectInventory(const tOptions& a_rOptions, const tLayout& a_rLayout,
                       const tSimulation& a_rSimulation) {
    cCallRecorder l_Recorder(a_rOptions.verbose);
    tJson l_Doc;
    l_Doc["schema"] = "pxi-inventory/1";

    tJson l_Environment;
    const bool l_Simulated = !a_rSimulation.standIns.empty();
    l_Environment["simulated"] = l_Simulated;
    l_Environment["machine"] = l_Simulated ? tJson(a_rSimulation.machine) : tJson(nullptr);
    l_Environment["standInServices"] = l_Simulated ? tJson(a_rSimulation.standIns) : tJson(nullptr);
    l_Environment["topology"] =
        a_rOptions.topology.empty() ? tJson(nullptr) : tJson(a_rOptions.topology);
    l_Environment["platformServices"] = platformServicesJson();
    l_Doc["environment"] = l_Environment;

    const tDirectories l_Dirs = resolveDirectories();
    tJson l_DirJson;
    l_DirJson["relocationService"] = l_Dirs.relocated;
    l_DirJson["libdir"] = l_Dirs.libdir;
    l_DirJson["datadir"] = l_Dirs.datadir;
    l_DirJson["chassisDrivers"] = l_Dirs.chassisDrivers();
    l_DirJson["systemModules"] = l_Dirs.systemModules();
    l_DirJson["controllers"] = l_Dirs.controllers();
    // A directory that is not there explains an empty inventory better than no word.
    l_DirJson["missing"] = tJson::array();
    for (const std::string& l_rDir :
         {l_Dirs.chassisDrivers(), l_Dirs.systemModules(), l_Dirs.controllers()}) {
        struct stat l_Stat;
        if (stat(l_rDir.c_str(), &l_Stat) != 0 || !S_ISDIR(l_Stat.st_mode)) {
            l_DirJson["missing"].push_back(l_rDir);
        }
    }
    for (const auto& l_rAnswer : {std::make_pair("libdir", l_Dirs.libdirStatus),
                                  std::make_pair("datadir", l_Dirs.datadirStatus)}) {
        if (l_rAnswer.second != 0) {
            tJson l_Failure;
            l_Recorder.record(l_Failure,
                              std::string("get_relocated_dir(\"") + l_rAnswer.first + "\")",
                              l_rAnswer.second);
            l_DirJson[std::string(l_rAnswer.first) + "Relocation"] = l_Failure;
        }
    }
    std::vector<tSkipped> l_Skipped;
    const std::vector<tDescription> l_Drivers =
        scanChassisDrivers(l_Dirs.chassisDrivers(), l_Skipped);
    const std::vector<tDescription> l_Modules =
        scanSystemModules(l_Dirs.systemModules(), l_Skipped);
    const std::vector<tDescription> l_Controllers =
        scanControllers(l_Dirs.controllers(), l_Skipped);
    l_DirJson["skipped"] = skippedJson(l_Skipped);
    l_Doc["descriptionDirectories"] = l_DirJson;

    // A model no description names is a mistake to report, not an empty inventory.
    if (!a_rOptions.chassisFilter.empty()) {
        std::vector<std::string> l_Known;
        bool l_Named = false;
        for (const tDescription& l_rDriver : l_Drivers) {
            l_Known.push_back(l_rDriver.vendor + " " + l_rDriver.model);
            l_Named =
                l_Named || matches(a_rOptions.chassisFilter, l_rDriver.vendor, l_rDriver.model);
        }
        if (!l_Named) {
            l_Doc["unknownFilter"] =
                unknownFilter("--chassis", a_rOptions.chassisFilter,
                              "no chassis driver description names this model", l_Known);
            return l_Doc;
        }
    }

    const bool l_Filtered = !a_rOptions.chassisFilter.empty() || !a_rOptions.moduleFilter.empty();
    const bool l_Inventory = a_rOptions.view == eView::inventory;
    tJson l_Bridges;
    tJson l_Pci;
    if (l_Inventory || a_rOptions.view == eView::bridges) {
        l_Bridges = collectPciBridges(l_Recorder);
        l_Pci = collectPciFunctions(a_rOptions, l_Simulated ? a_rSimulation.machine : "");
        const tJson l_Outside = bridgesOutsideDomain0(l_Pci["functions"]);
        if (!l_Outside.empty()) {
            l_Bridges["outsideDomain0"] = l_Outside;
        }
        l_Doc["pciBridges"] = l_Bridges;
        l_Doc["pciDevices"] = {{"source", l_Pci["source"]},
                               {"problem", l_Pci.value("problem", tJson())},
                               {"functions", l_Pci["functions"].size()}};
    }
    if (l_Inventory || a_rOptions.view == eView::smbus) {
        l_Doc["smbusAdapters"] = collectSmbusAdapters(l_Recorder);
        if (!l_Simulated) {
            addI2cNodeAccess(l_Doc["smbusAdapters"]);
        }
    }
    tJson l_Smbios;
    if (l_Inventory || a_rOptions.view == eView::smbios) {
        l_Smbios = collectSmbios(a_rSimulation);
        l_Doc["smbios"] = l_Smbios;
    }
    const std::vector<std::string> l_Fallback = {a_rLayout.libDir};
    if (a_rOptions.view == eView::bridges) {
        tJson l_Pairs = tJson::array();
        for (const tDescription& l_rDriver : l_Drivers) {
            if (matches(a_rOptions.chassisFilter, l_rDriver.vendor, l_rDriver.model)) {
                l_Pairs.push_back({{"vendor", l_rDriver.vendor},
                                   {"model", l_rDriver.model},
                                   {"file", l_rDriver.path},
                                   {"bridgePairs", bridgePairMatches(l_rDriver, l_Bridges)}});
            }
        }
        l_Doc["chassisBridgePairs"] = l_Pairs;
    }
    if (l_Inventory && (!l_Filtered || !a_rOptions.chassisFilter.empty())) {
        cLibrary l_Chassis("libQXPXIeCDu.so", l_Fallback);
        l_Doc["chassis"] = chassisSection(l_Chassis, l_Drivers, l_Bridges, a_rOptions, l_Recorder);
        addChassisDevices(l_Doc["chassis"], l_Pci["functions"]);
    }
    if (l_Inventory && (!l_Filtered || !a_rOptions.moduleFilter.empty())) {
        cControllerDriver l_Driver;
        cLibrary l_SysModule("libQXPXIeSMu.so", l_Fallback);
        std::vector<std::string> l_Names;
        l_Doc["systemModules"] =
            systemModuleSection(l_SysModule, l_Modules, l_Driver, a_rOptions, l_Recorder, l_Names);
        if (!a_rOptions.moduleFilter.empty()) {
            const std::string l_Unknown =
                unknownModuleFilter(a_rOptions, l_Modules, l_Doc["systemModules"], l_Names);
            if (!l_Unknown.empty()) {
                l_Doc["unknownFilter"] = l_Unknown;
                return l_Doc;
            }
        }
        l_Doc["controllerIdentification"] =
            controllerIdentification(l_Doc["systemModules"]["controller"], l_Smbios, l_Controllers);
    }
    if (l_Inventory && !l_Filtered) {
        l_Doc["finders"] = tJson::array();
        for (const char* l_pFile : {"libqx7402.so", "libqxpxiecf.so"}) {
            cLibrary l_Finder(l_pFile, l_Fallback);
            l_Doc["finders"].push_back(finderJson(l_Finder, l_Recorder));
        }
        addFinderChassisDevices(l_Doc["finders"], l_Pci["functions"]);
    }
    l_Doc["failures"] = l_Recorder.failures();
    if (a_rOptions.verbose) {
        l_Doc["calls"] = l_Recorder.calls();
    }
    l_Doc["exitStatus"] = l_Recorder.failed() ? kExitFailures : kExitAnswered;
    return l_Doc;
}

}  // namespace nQxPxiInventory
