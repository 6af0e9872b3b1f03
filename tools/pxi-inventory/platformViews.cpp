#include "tools/pxi-inventory/platformViews.h"

#include <cstdio>
#include <vector>

#include "qxpxi/services/qxpcibrd.h"
#include "qxpxi/services/qxsmbus.h"
#include "qxpxi/qxstatus.h"
#include "tools/pxi-inventory/cLibrary.h"
#include "tools/pxi-inventory/eeprom.h"
#include "tools/pxi-inventory/launch.h"
#include "tools/pxi-inventory/pciDevices.h"

namespace nQxPxiInventory {

namespace {

constexpr int32_t kPciBufferTooSmall = -313002;
constexpr int32_t kSmBusNoAdapters = -52006;
constexpr int32_t kSmBusUnsupported = -52002;
constexpr uint32_t kSecondaryBus = 0x20000300;

std::string hex(unsigned a_Value, int a_Digits) {
    char l_Buffer[16];
    std::snprintf(l_Buffer, sizeof(l_Buffer), "%0*X", a_Digits, a_Value);
    return l_Buffer;
}

tJson libraryMissing(const cLibrary& a_rLibrary, cCallRecorder& a_rRecorder) {
    tJson l_Out;
    a_rRecorder.unavailable(l_Out, "dlopen(" + a_rLibrary.file() + ")", a_rLibrary.error());
    return l_Out;
}

// Size then fill: a null array and a count of 0 first.
template <typename tItem, typename tCall>
int32_t listOf(std::vector<tItem>& a_rItems, tCall a_Call) {
    uint32_t l_Count = 0;
    int32_t l_Status = a_Call(nullptr, &l_Count);
    if (l_Status == kPciBufferTooSmall && l_Count > 0 && l_Count < 65536) {
        a_rItems.assign(l_Count, tItem{});
        l_Status = a_Call(a_rItems.data(), &l_Count);
        a_rItems.resize(l_Status == 0 ? l_Count : 0);
    }
    return l_Status;
}

}  // namespace

tJson collectPciBridges(cCallRecorder& a_rRecorder) {
    cLibrary l_Library(kPciBridgeServiceFile, {});
    if (!l_Library.loaded()) {
        return libraryMissing(l_Library, a_rRecorder);
    }
    std::string l_Error;
    auto l_pOpen =
        l_Library.symbol<decltype(QxPciBrd_OpenSession)>("QxPciBrd_OpenSession", l_Error);
    auto l_pClose =
        l_Library.symbol<decltype(QxPciBrd_CloseSession)>("QxPciBrd_CloseSession", l_Error);
    auto l_pFind = l_Library.symbol<decltype(QxPciBrd_FindBridgesByPciIds)>(
        "QxPciBrd_FindBridgesByPciIds", l_Error);
    auto l_pRoots =
        l_Library.symbol<decltype(QxPciBrd_GetRootBuses)>("QxPciBrd_GetRootBuses", l_Error);
    auto l_pAddress =
        l_Library.symbol<decltype(QxPciBrd_GetBridgeAddress)>("QxPciBrd_GetBridgeAddress", l_Error);
    auto l_pIds =
        l_Library.symbol<decltype(QxPciBrd_GetBridgeIds)>("QxPciBrd_GetBridgeIds", l_Error);
    auto l_pPath = l_Library.symbol<decltype(QxPciBrd_GetBridgeSlotPath)>(
        "QxPciBrd_GetBridgeSlotPath", l_Error);
    auto l_pAttribute =
        l_Library.symbol<decltype(QxPciBrd_GetAttributeU32)>("QxPciBrd_GetAttributeU32", l_Error);
    tJson l_Out;
    l_Out["service"] = l_Library.path();
    if (!l_pOpen || !l_pClose || !l_pFind || !l_pRoots || !l_pAddress || !l_pIds || !l_pPath ||
        !l_pAttribute) {
        a_rRecorder.unavailable(l_Out, kPciBridgeServiceFile, l_Error);
        return l_Out;
    }
    uint32_t l_Session = 0xFFFFFFFF;
    if (!a_rRecorder.record(l_Out, "QxPciBrd_OpenSession", l_pOpen(0, &l_Session))) {
        // The Linux service keeps why, instead of printing it.
        std::string l_Ignored;
        auto l_pWhy =
            l_Library.symbol<int32_t(char*, uint32_t*)>("QxPciBrd_GetLastError", l_Ignored);
        char l_Why[512] = {};
        uint32_t l_Size = sizeof(l_Why);
        if (l_pWhy != nullptr && l_pWhy(l_Why, &l_Size) == 0 && l_Why[0] != '\0') {
            l_Out["serviceMessage"] = std::string(l_Why);
        }
        return l_Out;
    }
    // Bridges outside PCI domain 0 have no place in the service's 8-bit bus numbers; the
    // Linux service counts the ones it left out.
    using tOmitted = int32_t(uint32_t, uint32_t*);
    std::string l_Ignored;
    tOmitted* l_pOmitted = l_Library.symbol<tOmitted>("QxPciBrd_GetOmittedBridgeCount", l_Ignored);
    if (l_pOmitted != nullptr) {
        uint32_t l_Count = 0;
        if (l_pOmitted(l_Session, &l_Count) == 0) {
            l_Out["omittedBridges"] = l_Count;
        }
    }
    std::vector<uint8_t> l_Roots;
    const int32_t l_RootStatus = listOf(l_Roots, [&](uint8_t* a_pBuses, uint32_t* a_pCount) {
        return l_pRoots(l_Session, a_pBuses, a_pCount);
    });
    tJson l_RootJson;
    a_rRecorder.record(l_RootJson, "QxPciBrd_GetRootBuses", l_RootStatus);
    l_Out["rootBuses"] = std::vector<uint32_t>(l_Roots.begin(), l_Roots.end());
    std::vector<uint32_t> l_Bridges;
    const int32_t l_FindStatus = listOf(l_Bridges, [&](uint32_t* a_pBridges, uint32_t* a_pCount) {
        return l_pFind(l_Session, nullptr, nullptr, nullptr, nullptr, a_pBridges, a_pCount);
    });
    a_rRecorder.record(l_Out, "QxPciBrd_FindBridgesByPciIds(any)", l_FindStatus);
    l_Out["bridges"] = tJson::array();
    // One call on every bridge that fails alike is one failure, with the bridges listed.
    for (uint32_t l_Bridge : l_Bridges) {
        tJson l_Item;
        uint8_t l_Bus = 0, l_Device = 0, l_Function = 0;
        uint16_t l_Ids[4] = {};
        uint32_t l_Secondary = 0;
        const std::string l_Ref = "0x" + hex(l_Bridge, 1);
        if (a_rRecorder.recordInGroup(
                l_Item, "QxPciBrd_GetBridgeAddress(", l_Ref,
                l_pAddress(l_Session, l_Bridge, &l_Bus, &l_Device, &l_Function))) {
            l_Item["address"] = hex(l_Bus, 2) + ":" + hex(l_Device, 2) + "." + hex(l_Function, 1);
        }
        tJson l_IdCall;
        if (a_rRecorder.recordInGroup(
                l_IdCall, "QxPciBrd_GetBridgeIds(", l_Ref,
                l_pIds(l_Session, l_Bridge, &l_Ids[0], &l_Ids[1], &l_Ids[2], &l_Ids[3]))) {
            l_Item["vendorId"] = hex(l_Ids[0], 4);
            l_Item["deviceId"] = hex(l_Ids[1], 4);
            l_Item["subsystemVendorId"] = hex(l_Ids[2], 4);
            l_Item["subsystemId"] = hex(l_Ids[3], 4);
        } else {
            l_Item["ids"] = l_IdCall;
        }
        tJson l_BusCall;
        if (a_rRecorder.recordInGroup(
                l_BusCall, "QxPciBrd_GetAttributeU32(", l_Ref,
                l_pAttribute(l_Session, l_Bridge, kSecondaryBus, &l_Secondary), false,
                ", 0x20000300)")) {
            l_Item["secondaryBus"] = l_Secondary;
        } else {
            l_Item["secondaryBusCall"] = l_BusCall;
        }
        uint32_t l_Size = 0;
        int32_t l_PathStatus = l_pPath(l_Session, l_Bridge, nullptr, &l_Size);
        if (l_PathStatus == kPciBufferTooSmall && l_Size > 0 && l_Size < 4096) {
            std::vector<char> l_Text(l_Size + 1, '\0');
            l_PathStatus = l_pPath(l_Session, l_Bridge, l_Text.data(), &l_Size);
            if (l_PathStatus == 0) {
                l_Item["slotPath"] = std::string(l_Text.data());
            }
        }
        if (l_PathStatus != 0) {
            tJson l_PathCall;
            a_rRecorder.recordInGroup(l_PathCall, "QxPciBrd_GetBridgeSlotPath(", l_Ref,
                                      l_PathStatus);
            l_Item["slotPathCall"] = l_PathCall;
        }
        l_Out["bridges"].push_back(l_Item);
    }
    tJson l_CloseCall;
    if (!a_rRecorder.record(l_CloseCall, "QxPciBrd_CloseSession", l_pClose(l_Session))) {
        l_Out["closeSession"] = l_CloseCall;
    }
    return l_Out;
}

tJson bridgePairMatches(const tDescription& a_rDriver, const tJson& a_rBridges) {
    tJson l_Pairs = tJson::array();
    for (uint32_t l_Level = 1; l_Level <= rootBusLevels(a_rDriver); ++l_Level) {
        const std::string l_Key = "Bridge" + std::to_string(l_Level) + "SubsystemID";
        const std::string& l_rText = *iniValue(a_rDriver.sections, "RootBusBridges", l_Key);
        tJson l_Pair;
        l_Pair["level"] = l_Level;
        l_Pair["key"] = l_Key;
        l_Pair["value"] = l_rText;
        unsigned l_Vendor = 0, l_Id = 0;
        if (std::sscanf(l_rText.c_str(), "%x:%x", &l_Vendor, &l_Id) != 2) {
            l_Pair["bridges"] = nullptr;  // the library refuses such a description
            l_Pairs.push_back(l_Pair);
            continue;
        }
        const std::string l_WantVendor = hex(l_Vendor & 0xFFFF, 4);
        const std::string l_WantId = hex(l_Id & 0xFFFF, 4);
        l_Pair["subsystemVendorId"] = l_WantVendor;
        l_Pair["subsystemId"] = l_WantId;
        l_Pair["bridges"] = tJson::array();
        if (a_rBridges.contains("bridges")) {
            for (const tJson& l_rBridge : a_rBridges["bridges"]) {
                if (l_rBridge.value("subsystemVendorId", "") == l_WantVendor &&
                    l_rBridge.value("subsystemId", "") == l_WantId) {
                    l_Pair["bridges"].push_back(l_rBridge.value("address", "?"));
                }
            }
        }
        l_Pairs.push_back(l_Pair);
    }
    addOtherDomainMatches(l_Pairs, a_rBridges.value("outsideDomain0", tJson::array()));
    return l_Pairs;
}

tJson collectSmbusAdapters(cCallRecorder& a_rRecorder) {
    cLibrary l_Library("libqxsmbus.so.2", {});
    if (!l_Library.loaded()) {
        return libraryMissing(l_Library, a_rRecorder);
    }
    std::string l_Error;
    auto l_pOpenList = l_Library.symbol<decltype(QXSMBusOpenList)>("QXSMBusOpenList", l_Error);
    auto l_pCloseList = l_Library.symbol<decltype(QXSMBusCloseList)>("QXSMBusCloseList", l_Error);
    auto l_pGet = l_Library.symbol<decltype(QXSMBusGetAttribute)>("QXSMBusGetAttribute", l_Error);
    auto l_pOpen = l_Library.symbol<decltype(QXSMBusOpen)>("QXSMBusOpen", l_Error);
    auto l_pClose = l_Library.symbol<decltype(QXSMBusClose)>("QXSMBusClose", l_Error);
    tJson l_Out;
    l_Out["service"] = l_Library.path();
    if (!l_pOpenList || !l_pCloseList || !l_pGet || !l_pOpen || !l_pClose) {
        a_rRecorder.unavailable(l_Out, "libqxsmbus.so.2", l_Error);
        return l_Out;
    }
    uint32_t l_Count = 0;
    int32_t l_Status = 0;
    void** l_ppSessions = l_pOpenList(&l_Count, &l_Status);
    l_Out["adapters"] = tJson::array();
    if (l_Status == kSmBusNoAdapters) {
        l_Out["status"] = l_Status;  // no adapter: an answer, not a failure
        return l_Out;
    }
    if (!a_rRecorder.record(l_Out, "QXSMBusOpenList", l_Status) || l_ppSessions == nullptr) {
        return l_Out;
    }
    for (uint32_t l_Index = 0; l_Index < l_Count; ++l_Index) {
        void* l_pSession = l_ppSessions[l_Index];
        tJson l_Adapter;
        tJson l_Failed = tJson::array();
        const std::string l_Prefix =
            "QXSMBusGetAttribute(sessions[" + std::to_string(l_Index) + "], ";
        // An adapter that is no PCI device has no ids and no PCI address to give (-52002):
        // an answer, not a failure.
        auto l_Get = [&](uint32_t a_Id, void* a_pValue) {
            const int32_t l_Code = l_pGet(l_pSession, a_Id, a_pValue);
            const bool l_Expected = a_Id >= 101 && a_Id <= 107 && l_Code == kSmBusUnsupported;
            tJson l_Call;
            l_Call["attribute"] = a_Id;
            const bool l_Ok = a_rRecorder.recordInGroup(l_Call, l_Prefix, std::to_string(a_Id),
                                                        l_Code, l_Expected);
            if (!l_Ok && !l_Expected) {
                l_Failed.push_back(l_Call);
            }
            return l_Ok;
        };
        for (const auto& l_rText :
             {std::make_pair(301u, "resource"), std::make_pair(302u, "description")}) {
            const char* l_pText = nullptr;
            l_Adapter[l_rText.second] = l_Get(l_rText.first, &l_pText) && l_pText != nullptr
                                            ? tJson(std::string(l_pText))
                                            : tJson(nullptr);
        }
        int32_t l_Usable = 0;
        l_Adapter["usable"] = l_Get(1002, &l_Usable) ? tJson(l_Usable > 0) : tJson(nullptr);
        uint32_t l_Vendor = 0, l_Product = 0;
        if (l_Get(103, &l_Vendor) && l_Get(104, &l_Product)) {
            l_Adapter["vendorId"] = hex(l_Vendor & 0xFFFF, 4);
            l_Adapter["productId"] = hex(l_Product & 0xFFFF, 4);
        }
        uint16_t l_Bus = 0, l_Device = 0, l_Function = 0;
        if (l_Get(105, &l_Bus) && l_Get(106, &l_Device) && l_Get(107, &l_Function)) {
            l_Adapter["pciAddress"] =
                hex(l_Bus & 0xFF, 2) + ":" + hex(l_Device & 0x1F, 2) + "." + hex(l_Function & 7, 1);
        }
        if (!l_Failed.empty()) {
            l_Adapter["failedAttributes"] = l_Failed;
        }
        // The library opens the adapter a description names by its resource name, not
        // through the list: one that the list offers but that cannot be opened by name
        // fails there, out of sight of the list.
        if (l_Adapter["resource"].is_string()) {
            const std::string l_Resource = l_Adapter["resource"].get<std::string>();
            void* l_pOpened = nullptr;
            tJson l_OpenCall;
            if (a_rRecorder.recordInGroup(l_OpenCall, "QXSMBusOpen(", "\"" + l_Resource + "\"",
                                          l_pOpen(l_Resource.c_str(), &l_pOpened)) &&
                l_pOpened != nullptr) {
                tJson l_CloseCall;
                a_rRecorder.recordInGroup(l_CloseCall, "QXSMBusClose(", "\"" + l_Resource + "\"",
                                          l_pClose(l_pOpened));
            }
            l_Adapter["open"] = l_OpenCall;
        }
        l_Out["adapters"].push_back(l_Adapter);
    }
    tJson l_CloseList;
    if (!a_rRecorder.record(l_CloseList, "QXSMBusCloseList", l_pCloseList(l_Count, l_ppSessions))) {
        l_Out["closeList"] = l_CloseList;
    }
    return l_Out;
}

tJson readEepromThroughService(const std::string& a_rResource, cCallRecorder& a_rRecorder) {
    tJson l_Out;
    l_Out["resource"] = a_rResource;
    cLibrary l_Library("libqxsmbus.so.2", {});
    std::string l_Error;
    auto l_pOpen = l_Library.symbol<decltype(QXSMBusOpen)>("QXSMBusOpen", l_Error);
    auto l_pClose = l_Library.symbol<decltype(QXSMBusClose)>("QXSMBusClose", l_Error);
    auto l_pRead =
        l_Library.symbol<decltype(QXSMBusGetChassisEEPROM)>("QXSMBusGetChassisEEPROM", l_Error);
    std::string l_NoAttributes;
    auto l_pGet =
        l_Library.symbol<decltype(QXSMBusGetAttribute)>("QXSMBusGetAttribute", l_NoAttributes);
    if (!l_pOpen || !l_pClose || !l_pRead) {
        a_rRecorder.unavailable(l_Out, "libqxsmbus.so.2",
                                l_Library.loaded() ? l_Error : l_Library.error());
        return l_Out;
    }
    const std::string l_Args = "\"" + a_rResource + "\"";
    void* l_pSession = nullptr;
    tEepromImage l_Image{};
    if (!a_rRecorder.record(l_Out, "QXSMBusOpen(" + l_Args + ")",
                            l_pOpen(a_rResource.c_str(), &l_pSession))) {
        return l_Out;
    }
    const bool l_Read = a_rRecorder.record(
        l_Out, "QXSMBusGetChassisEEPROM(" + l_Args + ", 0, 256)",
        l_pRead(l_pSession, 0, static_cast<uint32_t>(l_Image.size()), l_Image.data()));
    // The Linux service keeps why a transaction failed (attribute 303), naming the node.
    const char* l_pWhy = nullptr;
    if (!l_Read && l_pGet != nullptr && l_pGet(l_pSession, 303, &l_pWhy) == 0 &&
        l_pWhy != nullptr && *l_pWhy != '\0') {
        l_Out["serviceMessage"] = std::string(l_pWhy);
    }
    tJson l_CloseCall;
    a_rRecorder.record(l_CloseCall, "QXSMBusClose(" + l_Args + ")", l_pClose(l_pSession));
    if (!l_Read) {
        return l_Out;
    }
    const tJson l_Decoded = decodeEeprom(l_Image, true);
    for (const auto& l_rItem : l_Decoded.items()) {
        l_Out[l_rItem.key()] = l_rItem.value();
    }
    return l_Out;
}

}  // namespace nQxPxiInventory
