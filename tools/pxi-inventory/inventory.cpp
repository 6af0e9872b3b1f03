#include "tools/pxi-inventory/inventory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "qxpxi/QXPXIFinder.h"
#include "qxpxi/QXPXIeCDu.h"
#include "tools/pxi-inventory/sysModuleApi.h"
#include "tools/pxi-inventory/cLibrary.h"
#include "tools/pxi-inventory/callRecorder.h"
#include "tools/pxi-inventory/controllerDriver.h"
#include "tools/pxi-inventory/descriptions.h"
#include "tools/pxi-inventory/eeprom.h"

namespace nQxPxiInventory {

namespace {

constexpr int32_t kFeatureUnsupported = -52002;
constexpr int32_t kInvalidParameter = -52005;
constexpr int32_t kEmptyText = -2;

std::string quoted(const std::string& a_rText) {
    return "\"" + a_rText + "\"";
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
        tJson l_Model;
        l_Model["vendor"] = l_rDriver.vendor;
        l_Model["model"] = l_rDriver.model;
        l_Model["file"] = l_rDriver.path;
        const uint32_t l_Levels = rootBusLevels(l_rDriver);
        l_Model["rootBusLevels"] = l_Levels;
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
        a_rRecorder.record(l_Value,
                           "PXISA_SystemModule_GetInformation(" + l_ModArgs + ", " +
                               std::to_string(l_rAttribute.id) + ")",
                           l_Status,
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
        // A machine without an embedded controller has no controller driver session.
        l_Out["openStatus"] = a_rDriver.openStatus();
        return l_Out;
    }
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

tJson systemModuleSection(const cLibrary& a_rLibrary, const std::vector<tDescription>& a_rModules,
                          const cControllerDriver& a_rDriver, const tOptions& a_rOptions,
                          cCallRecorder& a_rRecorder) {
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
            l_IdJson["modules"].push_back(
                moduleJson(l_Api, l_rIdentity, l_Index, a_rDriver, a_rOptions, a_rRecorder));
        }
        l_Out["identities"].push_back(l_IdJson);
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
                               std::to_string(l_rAttribute.id) + ")",
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
                               std::to_string(l_rAttribute.id) + ")",
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

}  // namespace

tJson collectInventory(const tOptions& a_rOptions, const tLayout& a_rLayout) {
    cCallRecorder l_Recorder(a_rOptions.verbose);
    tJson l_Doc;
    l_Doc["schema"] = "pxi-inventory/1";

    tJson l_Environment;
    const char* l_pMachine = std::getenv(kMachineEnv);
    const char* l_pStandIns = std::getenv(kStandInsEnv);
    l_Environment["machine"] =
        l_pMachine != nullptr && *l_pMachine != '\0' ? tJson(l_pMachine) : tJson(nullptr);
    l_Environment["standInServices"] = l_pStandIns != nullptr ? tJson(l_pStandIns) : tJson(nullptr);
    l_Doc["environment"] = l_Environment;

    const tDirectories l_Dirs = resolveDirectories();
    tJson l_DirJson;
    l_DirJson["relocationService"] = l_Dirs.relocated;
    l_DirJson["libdir"] = l_Dirs.libdir;
    l_DirJson["datadir"] = l_Dirs.datadir;
    l_DirJson["chassisDrivers"] = l_Dirs.chassisDrivers();
    l_DirJson["systemModules"] = l_Dirs.systemModules();
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
    l_Doc["descriptionDirectories"] = l_DirJson;

    const std::vector<tDescription> l_Drivers = scanChassisDrivers(l_Dirs.chassisDrivers());
    const std::vector<tDescription> l_Modules = scanSystemModules(l_Dirs.systemModules());
    const std::vector<std::string> l_Fallback = {a_rLayout.libDir};
    {
        cLibrary l_Chassis("libQXPXIeCDu.so", l_Fallback);
        l_Doc["chassis"] = chassisSection(l_Chassis, l_Drivers, l_Recorder);
    }
    {
        cControllerDriver l_Driver;
        cLibrary l_SysModule("libQXPXIeSMu.so", l_Fallback);
        l_Doc["systemModules"] =
            systemModuleSection(l_SysModule, l_Modules, l_Driver, a_rOptions, l_Recorder);
    }
    l_Doc["finders"] = tJson::array();
    for (const char* l_pFile : {"libqx7402.so", "libqxpxiecf.so"}) {
        cLibrary l_Finder(l_pFile, l_Fallback);
        l_Doc["finders"].push_back(finderJson(l_Finder, l_Recorder));
    }
    l_Doc["failures"] = l_Recorder.failures();
    if (a_rOptions.verbose) {
        l_Doc["calls"] = l_Recorder.calls();
    }
    l_Doc["exitStatus"] = l_Recorder.failed() ? 1 : 0;
    return l_Doc;
}

}  // namespace nQxPxiInventory
