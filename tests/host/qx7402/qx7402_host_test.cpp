// The chassis finder as a discovery host sees it: libqx7402.so loaded with dlopen and
// called through its six entry points, against the stand-in PCI bridge service serving
// a simulated machine.
#include <dlfcn.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "fake/fakePciBrd.h"
#include "qxpxi/QXPXIFinder.h"
#include "qxpxi/qxstatus.h"
#include "tests/support/qxTestSupport.h"

namespace {

using nlohmann::json;

constexpr int32_t kInvalid = QXPXI_STATUS_INVALID_PARAMETER;

// A bridge of the machine file; chassis bridges carry the QX PXI-7402 subsystem ids.
json bridge(const std::string& a_rName, unsigned a_Bus, unsigned a_Device, unsigned a_SecondaryBus,
            bool a_Chassis) {
    return json{{"name", a_rName},
                {"bus", a_Bus},
                {"device", a_Device},
                {"function", 0},
                {"vendorId", 0x8086},
                {"deviceId", 0x1234},
                {"subsystemVendorId", a_Chassis ? 0x1093 : 0x8086},
                {"subsystemId", a_Chassis ? 0x72B7 : 0x0001},
                {"secondaryBus", a_SecondaryBus}};
}

json machineWith(const json& a_rBridges) {
    return json{{"description", "qx7402 host test"},
                {"pci", {{"rootBuses", json::array({0})}, {"bridges", a_rBridges}}}};
}

// Root bus 0: a chassis at 1C.0 (bus 5), a plain bridge at 1D.0 (bus 9) and behind it a
// second chassis (bus 10). The service lists them in file order.
json twoChassisMachine() {
    return machineWith(
        json::array({bridge("chassisA", 0, 0x1C, 5, true), bridge("plain", 0, 0x1D, 9, false),
                     bridge("chassisB", 9, 0x00, 10, true)}));
}

class Qx7402Host : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The stand-in service keeps its machine cache for the life of the process and
        // never frees it; held loaded here, as a host that loads it once would, that
        // memory stays reachable instead of showing as a leak each time the finder's
        // binding unloads it. Fresh child processes choose their own service.
        if (!qxtest::isChild())
            dlopen("libqxpcibrd.so.1", RTLD_NOW | RTLD_GLOBAL);
    }

    void SetUp() override {
        ASSERT_TRUE(m_Library.loaded()) << m_Library.error();
        openList =
            m_Library.require<decltype(nQXPXIFINDER100_openList)>("nQXPXIFINDER100_openList");
        closeList =
            m_Library.require<decltype(nQXPXIFINDER100_closeList)>("nQXPXIFINDER100_closeList");
        getNthItem =
            m_Library.require<decltype(nQXPXIFINDER100_getNthItem)>("nQXPXIFINDER100_getNthItem");
        getString = m_Library.require<decltype(nQXPXIFINDER100_getStringAttribute)>(
            "nQXPXIFINDER100_getStringAttribute");
        getU32 = m_Library.require<decltype(nQXPXIFINDER100_getU32Attribute)>(
            "nQXPXIFINDER100_getU32Attribute");
        getIdselMap = m_Library.require<decltype(nQXPXIFINDER100_getControllerIDSELMap)>(
            "nQXPXIFINDER100_getControllerIDSELMap");
    }

    // The items of an open list, checked to answer as chassis of this model.
    std::vector<void*> itemsOf(void* a_pList, uint32_t a_Count) {
        std::vector<void*> l_Items;
        for (uint32_t i = 0; i < a_Count; ++i) {
            void* l_pItem = nullptr;
            EXPECT_EQ(getNthItem(a_pList, i, &l_pItem), 0);
            l_Items.push_back(l_pItem);
        }
        return l_Items;
    }
    uint32_t busOf(void* a_pItem) {
        uint32_t l_Bus = 0xDEAD;
        EXPECT_EQ(getU32(a_pItem, QXPXI_FINDER_ATTR_CHASSIS_BUS, &l_Bus), 0);
        return l_Bus;
    }
    // True when every query on the item is refused as an unknown handle.
    bool rejected(void* a_pItem) {
        const char* l_pText = "untouched";
        uint32_t l_Value = 77;
        return getString(a_pItem, QXPXI_FINDER_ATTR_VENDOR, &l_pText) == kInvalid &&
               getU32(a_pItem, QXPXI_FINDER_ATTR_ITEM_CLASS, &l_Value) == kInvalid &&
               std::string(l_pText) == "untouched" && l_Value == 77;
    }

    qxtest::cHostLibrary m_Library{"libqx7402.so"};
    decltype(nQXPXIFINDER100_openList)* openList = nullptr;
    decltype(nQXPXIFINDER100_closeList)* closeList = nullptr;
    decltype(nQXPXIFINDER100_getNthItem)* getNthItem = nullptr;
    decltype(nQXPXIFINDER100_getStringAttribute)* getString = nullptr;
    decltype(nQXPXIFINDER100_getU32Attribute)* getU32 = nullptr;
    decltype(nQXPXIFINDER100_getControllerIDSELMap)* getIdselMap = nullptr;
};

TEST_F(Qx7402Host, NullOutPointersAreRefusedAndNothingIsWritten) {
    qxtest::cSimMachine l_Machine(twoChassisMachine());
    uint32_t l_Count = 55;
    void* l_pList = &l_Count;
    EXPECT_EQ(openList(nullptr, &l_pList), kInvalid);
    EXPECT_EQ(l_pList, &l_Count);
    EXPECT_EQ(openList(&l_Count, nullptr), kInvalid);
    EXPECT_EQ(l_Count, 55u);
    EXPECT_TRUE(l_Machine.calls("QxPciBrd_OpenSession").empty());

    ASSERT_EQ(openList(&l_Count, &l_pList), 0);
    void* l_pItem = itemsOf(l_pList, l_Count).at(0);
    EXPECT_EQ(getNthItem(l_pList, 0, nullptr), kInvalid);
    EXPECT_EQ(getString(l_pItem, QXPXI_FINDER_ATTR_VENDOR, nullptr), kInvalid);
    EXPECT_EQ(getU32(l_pItem, QXPXI_FINDER_ATTR_ITEM_CLASS, nullptr), kInvalid);
    closeList(l_pList);
}

TEST_F(Qx7402Host, IdselMapIsUnsupportedWhateverTheArguments) {
    qxtest::cSimMachine l_Machine(twoChassisMachine());
    uint32_t l_Count = 0;
    void* l_pList = nullptr;
    ASSERT_EQ(openList(&l_Count, &l_pList), 0);
    void* l_pItem = itemsOf(l_pList, l_Count).at(0);
    const uint8_t* l_pMap = reinterpret_cast<const uint8_t*>(&l_Count);
    EXPECT_EQ(getIdselMap(nullptr, nullptr), QXPXI_STATUS_FEATURE_UNSUPPORTED);
    EXPECT_EQ(getIdselMap(l_pItem, nullptr), QXPXI_STATUS_FEATURE_UNSUPPORTED);
    EXPECT_EQ(getIdselMap(l_pItem, &l_pMap), QXPXI_STATUS_FEATURE_UNSUPPORTED);
    EXPECT_EQ(getIdselMap(&l_Count, &l_pMap), QXPXI_STATUS_FEATURE_UNSUPPORTED);
    EXPECT_EQ(l_pMap, reinterpret_cast<const uint8_t*>(&l_Count));
    closeList(l_pList);
}

TEST_F(Qx7402Host, FindsEveryChassisInServiceOrder) {
    struct {
        const char* name;
        json machine;
        std::vector<uint32_t> buses;
    } const l_Cases[] = {
        {"no bridges at all", machineWith(json::array()), {}},
        {"only a plain bridge", machineWith(json::array({bridge("plain", 0, 0x1D, 9, false)})), {}},
        {"one chassis", machineWith(json::array({bridge("chassis", 0, 0x1C, 0x42, true)})), {0x42}},
        {"two chassis, one behind a plain bridge", twoChassisMachine(), {5, 10}},
    };
    for (const auto& l_Case : l_Cases) {
        SCOPED_TRACE(l_Case.name);
        qxtest::cSimMachine l_Machine(l_Case.machine);
        uint32_t l_Count = 99;
        void* l_pList = &l_Count;
        ASSERT_EQ(openList(&l_Count, &l_pList), 0);
        ASSERT_EQ(l_Count, l_Case.buses.size());
        // The service session is closed again whatever was found.
        EXPECT_EQ(l_Machine.calls("QxPciBrd_CloseSession").size(),
                  l_Machine.calls("QxPciBrd_OpenSession").size());
        if (l_Count == 0) {
            // An empty answer is a null list that holds nothing.
            EXPECT_EQ(l_pList, nullptr);
            continue;
        }
        ASSERT_NE(l_pList, nullptr);
        const std::vector<void*> l_Items = itemsOf(l_pList, l_Count);
        for (size_t i = 0; i < l_Items.size(); ++i) {
            const char* l_pVendor = nullptr;
            const char* l_pModel = nullptr;
            uint32_t l_Class = 0;
            EXPECT_EQ(getString(l_Items[i], QXPXI_FINDER_ATTR_VENDOR, &l_pVendor), 0);
            EXPECT_EQ(getString(l_Items[i], QXPXI_FINDER_ATTR_MODEL, &l_pModel), 0);
            EXPECT_EQ(getU32(l_Items[i], QXPXI_FINDER_ATTR_ITEM_CLASS, &l_Class), 0);
            EXPECT_STREQ(l_pVendor, "Quarrix");
            EXPECT_STREQ(l_pModel, "QX PXI-7402");
            EXPECT_EQ(l_Class, QXPXI_FINDER_ITEM_CLASS_CHASSIS);
            EXPECT_EQ(busOf(l_Items[i]), l_Case.buses[i]);
        }
        // Identifiers a chassis does not answer, in both identifier spaces.
        const char* l_pText = "untouched";
        uint32_t l_Value = 77;
        for (const uint32_t l_Id : {2u, 0x1F810u, 0x1F813u, 0x20000u}) {
            EXPECT_EQ(getString(l_Items[0], l_Id, &l_pText), kInvalid) << std::hex << l_Id;
        }
        for (const uint32_t l_Id : {1u, 0x10000u, 0x10001u, 0x20001u}) {
            EXPECT_EQ(getU32(l_Items[0], l_Id, &l_Value), kInvalid) << std::hex << l_Id;
        }
        EXPECT_STREQ(l_pText, "untouched");
        EXPECT_EQ(l_Value, 77u);
        void* l_pItem = &l_Count;
        EXPECT_EQ(getNthItem(l_pList, l_Count, &l_pItem), kInvalid);
        EXPECT_EQ(getNthItem(l_pList, 0xFFFFFFFFu, &l_pItem), kInvalid);
        EXPECT_EQ(l_pItem, &l_Count);
        closeList(l_pList);
        // Closed: the list and its items are unknown handles now.
        EXPECT_EQ(getNthItem(l_pList, 0, &l_pItem), kInvalid);
        for (void* l_pClosed : l_Items)
            EXPECT_TRUE(rejected(l_pClosed));
    }
}

TEST_F(Qx7402Host, OverlappingListsOwnTheirItems) {
    qxtest::cSimMachine l_Machine(twoChassisMachine());
    for (const bool l_CloseFirstOpenedFirst : {true, false}) {
        SCOPED_TRACE(l_CloseFirstOpenedFirst ? "first opened closed first"
                                             : "last opened closed first");
        uint32_t l_Count1 = 0, l_Count2 = 0;
        void* l_pList1 = nullptr;
        void* l_pList2 = nullptr;
        ASSERT_EQ(openList(&l_Count1, &l_pList1), 0);
        ASSERT_EQ(openList(&l_Count2, &l_pList2), 0);
        ASSERT_NE(l_pList1, l_pList2);
        const std::vector<void*> l_Items1 = itemsOf(l_pList1, l_Count1);
        const std::vector<void*> l_Items2 = itemsOf(l_pList2, l_Count2);
        void* const l_pGone = l_CloseFirstOpenedFirst ? l_pList1 : l_pList2;
        void* const l_pKept = l_CloseFirstOpenedFirst ? l_pList2 : l_pList1;
        const std::vector<void*>& l_rGone = l_CloseFirstOpenedFirst ? l_Items1 : l_Items2;
        const std::vector<void*>& l_rKept = l_CloseFirstOpenedFirst ? l_Items2 : l_Items1;

        closeList(l_pGone);
        for (void* l_pItem : l_rGone)
            EXPECT_TRUE(rejected(l_pItem));
        // Closing it again, or closing what was never handed out, changes nothing.
        int l_NotAList = 0;
        closeList(l_pGone);
        closeList(&l_NotAList);
        closeList(nullptr);
        closeList(l_rKept[0]);  // an item is not a list
        EXPECT_EQ(busOf(l_rKept[0]), 5u);
        EXPECT_EQ(busOf(l_rKept[1]), 10u);
        void* l_pItem = nullptr;
        EXPECT_EQ(getNthItem(l_pKept, 1, &l_pItem), 0);
        EXPECT_EQ(l_pItem, l_rKept[1]);

        closeList(l_pKept);
        for (void* l_pClosed : l_rKept)
            EXPECT_TRUE(rejected(l_pClosed));
        EXPECT_EQ(getNthItem(l_pKept, 0, &l_pItem), kInvalid);
    }
    // With every list closed the finder starts afresh.
    uint32_t l_Count = 0;
    void* l_pList = nullptr;
    ASSERT_EQ(openList(&l_Count, &l_pList), 0);
    EXPECT_EQ(l_Count, 2u);
    closeList(l_pList);
}

TEST_F(Qx7402Host, ServiceFailuresComeBackAsTheyAreWithNothingHeld) {
    struct {
        const char* function;
        int32_t status;
        unsigned fromCall;
    } const l_Faults[] = {
        {"QxPciBrd_OpenSession", -313077, 1},
        {"QxPciBrd_FindBridgesByPciIds", -313078, 1},
        // The second chassis's bus number cannot be read: the first item goes too.
        {"QxPciBrd_GetAttributeU32", -313079, 2},
        {"QxPciBrd_GetAttributeU32", -313080, 1},
    };
    for (const auto& l_Fault : l_Faults) {
        SCOPED_TRACE(std::string(l_Fault.function) + " from call " +
                     std::to_string(l_Fault.fromCall));
        json l_Description = twoChassisMachine();
        l_Description["faults"] = json::array({{{"function", l_Fault.function},
                                                {"status", l_Fault.status},
                                                {"fromCall", l_Fault.fromCall}}});
        qxtest::cSimMachine l_Machine(l_Description);
        uint32_t l_Count = 99;
        void* l_pList = &l_Count;
        EXPECT_EQ(openList(&l_Count, &l_pList), l_Fault.status);
        EXPECT_EQ(l_Count, 0u);
        EXPECT_EQ(l_pList, nullptr);
        const size_t l_Opened = l_Machine.calls("QxPciBrd_OpenSession").size() -
                                (std::string(l_Fault.function) == "QxPciBrd_OpenSession" ? 1 : 0);
        EXPECT_EQ(l_Machine.calls("QxPciBrd_CloseSession").size(), l_Opened);
        // Once the fault is gone the finder answers normally: nothing was left behind.
        l_Machine.write(twoChassisMachine());
        ASSERT_EQ(openList(&l_Count, &l_pList), 0);
        EXPECT_EQ(l_Count, 2u);
        closeList(l_pList);
    }
}

TEST_F(Qx7402Host, FailureWhileAnotherListIsOpenKeepsThatList) {
    qxtest::cSimMachine l_Machine(twoChassisMachine());
    uint32_t l_Count = 0;
    void* l_pList = nullptr;
    ASSERT_EQ(openList(&l_Count, &l_pList), 0);
    const std::vector<void*> l_Items = itemsOf(l_pList, l_Count);
    json l_Faulty = twoChassisMachine();
    l_Faulty["faults"] =
        json::array({{{"function", "QxPciBrd_GetAttributeU32"}, {"status", -313081}}});
    l_Machine.write(l_Faulty);
    uint32_t l_Count2 = 9;
    void* l_pList2 = &l_Count2;
    EXPECT_EQ(openList(&l_Count2, &l_pList2), -313081);
    EXPECT_EQ(l_pList2, nullptr);
    EXPECT_EQ(busOf(l_Items[1]), 10u);
    closeList(l_pList);
    EXPECT_TRUE(rejected(l_Items[0]));
}

TEST_F(Qx7402Host, ServiceLibraryAbsentFromTheSearchPath) {
    if (!qxtest::isChild()) {
        const qxtest::tChildResult l_Child =
            qxtest::rerunInFreshProcess({{"LD_LIBRARY_PATH", std::string("/nonexistent")}});
        EXPECT_TRUE(l_Child.exited && l_Child.exitCode == 0) << l_Child.stdOut << l_Child.stdErr;
        return;
    }
    // Nothing was ever found, so no handle is known either.
    for (int l_Attempt = 0; l_Attempt < 2; ++l_Attempt) {
        uint32_t l_Count = 99;
        void* l_pList = &l_Count;
        EXPECT_EQ(openList(&l_Count, &l_pList), kInvalid);
        EXPECT_EQ(l_Count, 0u);
        EXPECT_EQ(l_pList, nullptr);
    }
}

TEST_F(Qx7402Host, BusNumberAboveSixteenBitsKeepsItsLowBits) {
    if (!qxtest::isChild()) {
        const qxtest::tChildResult l_Child = qxtest::rerunInFreshProcess({});
        EXPECT_TRUE(l_Child.exited && l_Child.exitCode == 0) << l_Child.stdOut << l_Child.stdErr;
        return;
    }
    // In this fresh process the scripted service is loaded first, so the finder's load
    // by name finds it; it answers every attribute read with the value below.
    void* l_pFake = dlopen(QX_FAKE_PCIBRD, RTLD_NOW | RTLD_GLOBAL);
    ASSERT_NE(l_pFake, nullptr) << dlerror();
    using tControlFn = tFakePciBrdControl* (*)();
    tFakePciBrdControl* l_pControl =
        reinterpret_cast<tControlFn>(dlsym(l_pFake, "fakePciBrd_control"))();
    l_pControl->entryCount = 2;
    l_pControl->entries[0] = 0x100;
    l_pControl->entries[1] = 0x101;
    l_pControl->singleBridge = 0x12345;
    uint32_t l_Count = 0;
    void* l_pList = nullptr;
    ASSERT_EQ(openList(&l_Count, &l_pList), 0);
    ASSERT_EQ(l_Count, 2u);
    for (void* l_pItem : itemsOf(l_pList, l_Count))
        EXPECT_EQ(busOf(l_pItem), 0x2345u);
    closeList(l_pList);
    EXPECT_EQ(l_pControl->closeCount, l_pControl->openCount);
}

TEST_F(Qx7402Host, ThreadsOpenQueryAndCloseTheirOwnLists) {
    qxtest::cSimMachine l_Machine(twoChassisMachine());
    constexpr int kThreads = 4;
    constexpr int kRounds = 40;
    // First with the shared state coming and going as the threads' lists do, then with
    // one list held open throughout so that it lives and is shared by all.
    for (const bool l_Hold : {false, true}) {
        SCOPED_TRACE(l_Hold ? "one list held open" : "no list held");
        uint32_t l_HeldCount = 0;
        void* l_pHeld = nullptr;
        if (l_Hold) {
            ASSERT_EQ(openList(&l_HeldCount, &l_pHeld), 0);
        }
        std::atomic<int> l_Failures{0};
        std::vector<std::thread> l_Threads;
        for (int t = 0; t < kThreads; ++t) {
            l_Threads.emplace_back([&, t] {
                for (int r = 0; r < kRounds; ++r) {
                    uint32_t l_Count = 0;
                    void* l_pList = nullptr;
                    if (openList(&l_Count, &l_pList) != 0 || l_Count != 2) {
                        ++l_Failures;
                        continue;
                    }
                    const uint32_t l_Expected[] = {5, 10};
                    for (uint32_t i = 0; i < l_Count; ++i) {
                        void* l_pItem = nullptr;
                        uint32_t l_Bus = 0;
                        const char* l_pModel = nullptr;
                        if (getNthItem(l_pList, i, &l_pItem) != 0 ||
                            getU32(l_pItem, QXPXI_FINDER_ATTR_CHASSIS_BUS, &l_Bus) != 0 ||
                            getString(l_pItem, QXPXI_FINDER_ATTR_MODEL, &l_pModel) != 0 ||
                            l_Bus != l_Expected[i]) {
                            ++l_Failures;
                        }
                    }
                    if ((r + t) % 2 == 0)
                        std::this_thread::yield();
                    closeList(l_pList);
                }
            });
        }
        for (std::thread& l_Thread : l_Threads)
            l_Thread.join();
        EXPECT_EQ(l_Failures.load(), 0);
        if (l_Hold) {
            EXPECT_EQ(busOf(itemsOf(l_pHeld, l_HeldCount).at(1)), 10u);
            closeList(l_pHeld);
        }
    }
    EXPECT_EQ(l_Machine.calls("QxPciBrd_CloseSession").size(),
              l_Machine.calls("QxPciBrd_OpenSession").size());
}

}  // namespace
