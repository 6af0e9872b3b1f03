#include "tests/hardening/support/hostScenarios.h"

#include <cstdio>
#include <sstream>

#include "qxpxi/QXPXIFinder.h"
#include "qxpxi/QXPXIeCDu.h"
#include "qxpxi/QXPXIeSMu.h"

namespace qxhard {

namespace {

constexpr const char* kVendor = "Quarrix";
constexpr const char* kChassisModel = "QX PXIe-1092";
constexpr const char* kModuleModels[] = {"PXIe-8881", "PXIe-8398"};

std::string hex(const uint8_t* a_pBytes, size_t a_Count) {
    std::string l_Text;
    char l_Byte[3];
    for (size_t l_Index = 0; l_Index < a_Count; ++l_Index) {
        std::snprintf(l_Byte, sizeof(l_Byte), "%02X", a_pBytes[l_Index]);
        l_Text += l_Byte;
    }
    return l_Text;
}

tSteps chassisScenario(const qxtest::cHostLibrary& a_rLib) {
    auto l_pGetCount = a_rLib.require<decltype(PXISA_Chassis_GetCount)>("PXISA_Chassis_GetCount");
    auto l_pRootBus = a_rLib.require<decltype(PXISA_Chassis_GetPCIRootBusNumber)>(
        "PXISA_Chassis_GetPCIRootBusNumber");
    auto l_pUpdate =
        a_rLib.require<decltype(QXPXI_Chassis_UpdateCache)>("QXPXI_Chassis_UpdateCache");
    auto l_pNoCache =
        a_rLib.require<decltype(QXPXI_Chassis_GetCount_NoCache)>("QXPXI_Chassis_GetCount_NoCache");
    tSteps l_Steps;
    auto l_RootBuses = [&](const char* a_pWhen) {
        for (uint32_t l_Chassis = 1; l_Chassis <= 2; ++l_Chassis)
            for (uint32_t l_Position = 1; l_Position <= 2; ++l_Position) {
                uint32_t l_Bus = 0;
                const int32_t l_Status =
                    l_pRootBus(kVendor, kChassisModel, l_Position, l_Chassis, &l_Bus);
                l_Steps.push_back({std::string("RootBus ") + a_pWhen + " " +
                                       std::to_string(l_Chassis) + "." + std::to_string(l_Position),
                                   l_Status, std::to_string(l_Bus)});
            }
    };
    uint32_t l_Count = 0xFFFF;
    l_Steps.push_back(
        {"GetCount", l_pGetCount(kVendor, kChassisModel, &l_Count), std::to_string(l_Count)});
    l_RootBuses("after GetCount");
    l_Steps.push_back({"UpdateCache", l_pUpdate(), ""});
    l_Count = 0xFFFF;
    l_Steps.push_back(
        {"NoCache", l_pNoCache(kVendor, kChassisModel, &l_Count), std::to_string(l_Count)});
    l_RootBuses("after UpdateCache");
    return l_Steps;
}

tSteps sysModuleScenario(const qxtest::cHostLibrary& a_rLib) {
    auto l_pGetCount =
        a_rLib.require<decltype(PXISA_SystemModule_GetCount)>("PXISA_SystemModule_GetCount");
    auto l_pGetName =
        a_rLib.require<decltype(PXISA_SystemModule_GetName)>("PXISA_SystemModule_GetName");
    auto l_pInfo = a_rLib.require<decltype(PXISA_SystemModule_GetInformation)>(
        "PXISA_SystemModule_GetInformation");
    auto l_pEeprom = a_rLib.require<decltype(PXISA_SystemModule_GetChassisEEPROM)>(
        "PXISA_SystemModule_GetChassisEEPROM");
    auto l_pSmBus = a_rLib.require<decltype(PXISA_SystemModule_SMBusOperation)>(
        "PXISA_SystemModule_SMBusOperation");
    auto l_pUpdate =
        a_rLib.require<decltype(QXPXI_SystemModule_UpdateCache)>("QXPXI_SystemModule_UpdateCache");
    auto l_pNoCache = a_rLib.require<decltype(QXPXI_SystemModule_GetCount_NoCache)>(
        "QXPXI_SystemModule_GetCount_NoCache");
    auto l_pP2p = a_rLib.require<decltype(QXPXI_SystemModule_GetEmbeddedP2PSupport)>(
        "QXPXI_SystemModule_GetEmbeddedP2PSupport");
    tSteps l_Steps;
    auto l_Queries = [&](const char* a_pModel) {
        char l_Name[512] = {};
        char l_List[512] = {};
        const int32_t l_NameStatus = l_pGetName(kVendor, a_pModel, 1, l_Name, l_List);
        l_Steps.push_back({std::string("GetName ") + a_pModel, l_NameStatus,
                           std::string(l_Name) + " | " + l_List});
        if (l_NameStatus != 0)
            return;
        for (int32_t l_Attribute :
             {PXISA_SYSTEMMODULE_ATTR_MAX_LINK_WIDTH_1, PXISA_SYSTEMMODULE_ATTR_LINK_BUS_1,
              PXISA_SYSTEMMODULE_ATTR_LINK_BUS_2, PXISA_SYSTEMMODULE_ATTR_MODULE_STYLE}) {
            int32_t l_Value = -7;
            const int32_t l_Status = l_pInfo(l_Name, l_List, l_Attribute, &l_Value);
            l_Steps.push_back(
                {std::string("GetInformation ") + a_pModel + " " + std::to_string(l_Attribute),
                 l_Status, std::to_string(l_Value)});
        }
        char l_Text[256] = {};
        const int32_t l_TextStatus =
            l_pInfo(l_Name, l_List, PXISA_SYSTEMMODULE_ATTR_TEXT_2, l_Text);
        l_Steps.push_back({std::string("GetInformation text ") + a_pModel, l_TextStatus, l_Text});
        uint8_t l_Eeprom[256] = {};
        const int32_t l_EepromStatus = l_pEeprom(l_Name, l_List, l_Eeprom);
        l_Steps.push_back({std::string("GetChassisEEPROM ") + a_pModel, l_EepromStatus,
                           hex(l_Eeprom, sizeof(l_Eeprom))});
        int32_t l_Supported = -7;
        const int32_t l_P2pStatus = l_pP2p(l_Name, l_List, {0, 0, 0}, {0, 1, 0}, &l_Supported);
        l_Steps.push_back(
            {std::string("P2P ") + a_pModel, l_P2pStatus, std::to_string(l_Supported)});
        // Raw SMBus: one operation on its own, then a held adapter around a block read.
        uint8_t l_Data[256] = {};
        int32_t l_Read = -7;
        const int32_t l_ByteStatus =
            l_pSmBus(l_Name, l_List, 4, 0xA4, 5, 0, 0, nullptr, &l_Read, l_Data);
        l_Steps.push_back(
            {std::string("SMBus read byte ") + a_pModel, l_ByteStatus, hex(l_Data, 1)});
        l_Steps.push_back({std::string("SMBus open ") + a_pModel,
                           l_pSmBus(l_Name, l_List, 10, 0, 0, 0, 0, nullptr, nullptr, nullptr),
                           ""});
        l_Read = -7;
        const int32_t l_BlockStatus =
            l_pSmBus(l_Name, l_List, 9, 0xA4, 0x40, 0, 0, l_Data, &l_Read, l_Data);
        l_Steps.push_back({std::string("SMBus read block ") + a_pModel, l_BlockStatus,
                           std::to_string(l_Read) + " " + hex(l_Data, l_Read > 0 ? l_Read : 0)});
        l_Steps.push_back({std::string("SMBus close ") + a_pModel,
                           l_pSmBus(l_Name, l_List, 11, 0, 0, 0, 0, nullptr, nullptr, nullptr),
                           ""});
    };
    for (const char* l_pModel : kModuleModels) {
        int32_t l_Count = -7;
        l_Steps.push_back({std::string("GetCount ") + l_pModel,
                           l_pGetCount(kVendor, l_pModel, &l_Count), std::to_string(l_Count)});
        l_Queries(l_pModel);
    }
    l_Steps.push_back({"UpdateCache", l_pUpdate(), ""});
    for (const char* l_pModel : kModuleModels) {
        int32_t l_Count = -7;
        l_Steps.push_back({std::string("NoCache ") + l_pModel,
                           l_pNoCache(kVendor, l_pModel, &l_Count), std::to_string(l_Count)});
        l_Queries(l_pModel);
    }
    return l_Steps;
}

tSteps chassisQuery(const qxtest::cHostLibrary& a_rLib) {
    auto l_pGetCount = a_rLib.require<decltype(PXISA_Chassis_GetCount)>("PXISA_Chassis_GetCount");
    uint32_t l_Count = 0xFFFF;
    const int32_t l_Status = l_pGetCount(kVendor, kChassisModel, &l_Count);
    return {{"GetCount", l_Status, std::to_string(l_Count)}};
}

// A discovery, the module's name, and an SMBus read that opens and releases its adapter.
tSteps sysModuleQuery(const qxtest::cHostLibrary& a_rLib) {
    auto l_pGetCount =
        a_rLib.require<decltype(PXISA_SystemModule_GetCount)>("PXISA_SystemModule_GetCount");
    auto l_pGetName =
        a_rLib.require<decltype(PXISA_SystemModule_GetName)>("PXISA_SystemModule_GetName");
    auto l_pSmBus = a_rLib.require<decltype(PXISA_SystemModule_SMBusOperation)>(
        "PXISA_SystemModule_SMBusOperation");
    tSteps l_Steps;
    int32_t l_Count = -7;
    l_Steps.push_back(
        {"GetCount", l_pGetCount(kVendor, kModuleModels[0], &l_Count), std::to_string(l_Count)});
    char l_Name[512] = {};
    char l_List[512] = {};
    l_Steps.push_back(
        {"GetName", l_pGetName(kVendor, kModuleModels[0], 1, l_Name, l_List), l_Name});
    uint8_t l_Byte = 0;
    int32_t l_Read = -7;
    l_Steps.push_back({"SMBus read byte",
                       l_pSmBus(l_Name, l_List, 4, 0xA4, 5, 0, 0, nullptr, &l_Read, &l_Byte),
                       std::to_string(l_Byte)});
    return l_Steps;
}

// Both plug-ins: open a list, read every item's attributes, close it.
tSteps finderScenario(const qxtest::cHostLibrary& a_rLib, const std::vector<uint32_t>& a_rStrings,
                      const std::vector<uint32_t>& a_rNumbers) {
    auto l_pOpen = a_rLib.require<decltype(nQXPXIFINDER100_openList)>("nQXPXIFINDER100_openList");
    auto l_pClose =
        a_rLib.require<decltype(nQXPXIFINDER100_closeList)>("nQXPXIFINDER100_closeList");
    auto l_pNth =
        a_rLib.require<decltype(nQXPXIFINDER100_getNthItem)>("nQXPXIFINDER100_getNthItem");
    auto l_pString = a_rLib.require<decltype(nQXPXIFINDER100_getStringAttribute)>(
        "nQXPXIFINDER100_getStringAttribute");
    auto l_pU32 = a_rLib.require<decltype(nQXPXIFINDER100_getU32Attribute)>(
        "nQXPXIFINDER100_getU32Attribute");
    auto l_pMap = a_rLib.require<decltype(nQXPXIFINDER100_getControllerIDSELMap)>(
        "nQXPXIFINDER100_getControllerIDSELMap");
    tSteps l_Steps;
    // Two rounds: the second finds what the first left behind, if anything.
    for (int l_Round = 0; l_Round < 2; ++l_Round) {
        uint32_t l_Count = 0xFFFF;
        void* l_pList = nullptr;
        const std::string l_RoundName = "round " + std::to_string(l_Round);
        l_Steps.push_back({"openList " + l_RoundName, l_pOpen(&l_Count, &l_pList),
                           std::to_string(l_Count) + (l_pList == nullptr ? " null" : " list")});
        for (uint32_t l_Index = 0; l_pList != nullptr && l_Index < l_Count; ++l_Index) {
            void* l_pItem = nullptr;
            const int32_t l_ItemStatus = l_pNth(l_pList, l_Index, &l_pItem);
            const std::string l_Item = l_RoundName + " item " + std::to_string(l_Index);
            l_Steps.push_back({"getNthItem " + l_Item, l_ItemStatus, ""});
            if (l_ItemStatus != 0)
                continue;
            for (uint32_t l_Attribute : a_rStrings) {
                const char* l_pValue = nullptr;
                const int32_t l_Status = l_pString(l_pItem, l_Attribute, &l_pValue);
                l_Steps.push_back({"string " + std::to_string(l_Attribute) + " " + l_Item, l_Status,
                                   l_pValue == nullptr ? "null" : l_pValue});
            }
            for (uint32_t l_Attribute : a_rNumbers) {
                uint32_t l_Value = 0xDEAD;
                const int32_t l_Status = l_pU32(l_pItem, l_Attribute, &l_Value);
                l_Steps.push_back({"u32 " + std::to_string(l_Attribute) + " " + l_Item, l_Status,
                                   std::to_string(l_Value)});
            }
            const uint8_t* l_pIdsel = nullptr;
            const int32_t l_MapStatus = l_pMap(l_pItem, &l_pIdsel);
            l_Steps.push_back({"IDSEL map " + l_Item, l_MapStatus,
                               l_pIdsel == nullptr ? "null" : hex(l_pIdsel, 32)});
        }
        if (l_pList != nullptr)
            l_pClose(l_pList);
    }
    return l_Steps;
}

tSteps chassisFinderScenario(const qxtest::cHostLibrary& a_rLib) {
    return finderScenario(a_rLib, {QXPXI_FINDER_ATTR_VENDOR, QXPXI_FINDER_ATTR_MODEL},
                          {QXPXI_FINDER_ATTR_ITEM_CLASS, QXPXI_FINDER_ATTR_CHASSIS_BUS});
}

// Both plug-ins: open a list and close it.
tSteps finderQuery(const qxtest::cHostLibrary& a_rLib) {
    auto l_pOpen = a_rLib.require<decltype(nQXPXIFINDER100_openList)>("nQXPXIFINDER100_openList");
    auto l_pClose =
        a_rLib.require<decltype(nQXPXIFINDER100_closeList)>("nQXPXIFINDER100_closeList");
    uint32_t l_Count = 0xFFFF;
    void* l_pList = nullptr;
    const int32_t l_Status = l_pOpen(&l_Count, &l_pList);
    if (l_pList != nullptr)
        l_pClose(l_pList);
    return {{"openList", l_Status, std::to_string(l_Count)}};
}

tSteps controllerFinderScenario(const qxtest::cHostLibrary& a_rLib) {
    return finderScenario(
        a_rLib, {QXPXI_FINDER_ATTR_VENDOR, QXPXI_FINDER_ATTR_MODEL, QXPXI_FINDER_ATTR_SLOT_PATH},
        {QXPXI_FINDER_ATTR_ITEM_CLASS, QXPXI_FINDER_ATTR_CONTROLLER_CLASS,
         QXPXI_FINDER_ATTR_CONTROLLER_BUS});
}

}  // namespace

std::string toString(const tSteps& a_rSteps) {
    std::ostringstream l_Out;
    for (const tStep& l_rStep : a_rSteps)
        l_Out << l_rStep.call << ": " << l_rStep.status << " " << l_rStep.output << "\n";
    return l_Out.str();
}

const std::vector<tScenario>& scenarios() {
    static const std::vector<tScenario> s_Scenarios = {
        {"QXPXIeCDu", "libQXPXIeCDu.so", chassisScenario, chassisQuery},
        {"QXPXIeSMu", "libQXPXIeSMu.so", sysModuleScenario, sysModuleQuery},
        {"qx7402", "libqx7402.so", chassisFinderScenario, finderQuery},
        {"qxpxiecf", "libqxpxiecf.so", controllerFinderScenario, finderQuery},
    };
    return s_Scenarios;
}

nlohmann::json exampleMachineForScenarios() {
    return qxtest::exampleMachine(false);
}

}  // namespace qxhard
