// The embedded controller finder loaded as a host loads it, against the stand-in
// services: identification through the controller driver and through SMBIOS with the
// description database, the attributes, the IDSEL map and the open count.
#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "finderHost.h"
#include "tests/unit/smbios/smbiosDump.h"

using namespace ecftest;
using nlohmann::json;

namespace {

json pciWithControllerBridge() {
    // The bridge at MR00:E0 (device 28.0 on root bus 0), secondary bus 5.
    return json{{"bridges", json::array({{{"bus", 0},
                                          {"device", 28},
                                          {"function", 0},
                                          {"vendorId", 0x8086},
                                          {"deviceId", 0x1234},
                                          {"secondaryBus", 5}}})}};
}

json driverMachine(const std::string& a_rVendor, uint32_t a_Supported,
                   const std::string& a_rModel = "QX PXI-8880") {
    return json{
        {"pci", pciWithControllerBridge()},
        {"controller",
         {{"text", {{"0x10000000", a_rVendor}, {"0x10000100", a_rModel}, {"0x1001F400", "00:E0"}}},
          {"u32", {{"0x20000500", a_Supported}}}}}};
}

json smbiosMachine() {
    return json{{"pci", pciWithControllerBridge()}, {"controller", {{"canOpen", false}}}};
}

// One line describing what openList answered, and the record's texts when it found one.
std::string describeOpen(const cFinder& a_rFinder) {
    const tOpened l_Open = open(a_rFinder);
    std::string l_Out = "code=" + std::to_string(l_Open.code) +
                        " count=" + std::to_string(l_Open.count) +
                        (l_Open.list == nullptr ? " list=null" : " list=set");
    if (l_Open.code == 0 && l_Open.count == 1) {
        l_Out += " " + a_rFinder.text(l_Open.list, 0) + "|" + a_rFinder.text(l_Open.list, 1) + "|" +
                 a_rFinder.text(l_Open.list, 0x1F810);
        a_rFinder.closeList(l_Open.list);
    }
    return l_Out;
}

const char* const kNotFound = "code=0 count=0 list=null";

}  // namespace

TEST(QxPxiEcfHost, DriverWayAnswersEveryAttribute) {
    qxtest::cSimMachine l_Machine(driverMachine("Quarrix", 1));
    cFinder l_Finder;
    const tOpened l_Open = open(l_Finder);
    ASSERT_EQ(l_Open.code, 0);
    ASSERT_EQ(l_Open.count, 1u);
    ASSERT_NE(l_Open.list, nullptr);

    void* l_pItem = nullptr;
    EXPECT_EQ(l_Finder.getNthItem(l_Open.list, 1, &l_pItem), kInvalidParameter);
    EXPECT_EQ(l_Finder.getNthItem(l_Open.list, 0, nullptr), kInvalidParameter);
    ASSERT_EQ(l_Finder.getNthItem(l_Open.list, 0, &l_pItem), 0);
    EXPECT_EQ(l_pItem, l_Open.list);

    struct tStringCase {
        uint32_t attribute;
        std::string answer;
    };
    const tStringCase l_Strings[] = {
        {0, "Quarrix"},
        {1, "QX PXI-8880"},
        {0x1F810, "MR00:E0"},
        {0x1F810 + 3, "MR00:E0"},   // folds to the slot path
        {0x1F810 + 15, "MR00:E0"},  // folds to the slot path
        {0xF005, "<-52005>"},       // folds to 0xF000, which names nothing
        {2, "<-52005>"},
        {0x10000, "<-52005>"},
    };
    for (const tStringCase& l_rCase : l_Strings)
        EXPECT_EQ(l_Finder.text(l_pItem, l_rCase.attribute), l_rCase.answer) << l_rCase.attribute;

    struct tU32Case {
        uint32_t attribute;
        int32_t code;
        uint32_t value;
    };
    const tU32Case l_Numbers[] = {
        {0, 0, 1},        // item class: controller
        {0x10000, 0, 1},  // controller class
        {0x10001, 0, 5},  // secondary bus of the bridge at the slot path
        {0x20000, kInvalidParameter, 0},
        {0x1F810, kInvalidParameter, 0},
    };
    for (const tU32Case& l_rCase : l_Numbers) {
        uint32_t l_Value = 0;
        EXPECT_EQ(l_Finder.getU32(l_pItem, l_rCase.attribute, &l_Value), l_rCase.code)
            << l_rCase.attribute;
        if (l_rCase.code == 0) {
            EXPECT_EQ(l_Value, l_rCase.value) << l_rCase.attribute;
        }
    }

    // Handles other than the record, and missing out-pointers.
    int l_Other = 0;
    const char* l_pText = nullptr;
    uint32_t l_Value = 0;
    const uint8_t* l_pMap = nullptr;
    EXPECT_EQ(l_Finder.getString(&l_Other, 0, &l_pText), kInvalidParameter);
    EXPECT_EQ(l_Finder.getString(nullptr, 0, &l_pText), kInvalidParameter);
    EXPECT_EQ(l_Finder.getString(l_pItem, 0, nullptr), kInvalidParameter);
    EXPECT_EQ(l_Finder.getU32(&l_Other, 0, &l_Value), kInvalidParameter);
    EXPECT_EQ(l_Finder.getU32(l_pItem, 0, nullptr), kInvalidParameter);
    EXPECT_EQ(l_Finder.getIdselMap(&l_Other, &l_pMap), kInvalidParameter);
    EXPECT_EQ(l_Finder.getIdselMap(l_pItem, nullptr), kInvalidParameter);

    // The IDSEL map: one constant table; lines 25 to 31 select devices 9 to 15.
    const uint8_t* l_pSecond = nullptr;
    ASSERT_EQ(l_Finder.getIdselMap(l_pItem, &l_pMap), 0);
    ASSERT_EQ(l_Finder.getIdselMap(l_pItem, &l_pSecond), 0);
    EXPECT_EQ(l_pMap, l_pSecond);
    for (int l_Line = 0; l_Line < 32; ++l_Line)
        EXPECT_EQ(l_pMap[l_Line], l_Line < 25 ? 0xFF : l_Line - 16) << l_Line;

    l_Finder.closeList(l_Open.list);
    // After the last close the handle names nothing.
    EXPECT_EQ(l_Finder.getString(l_pItem, 0, &l_pText), kInvalidParameter);
}

TEST(QxPxiEcfHost, ArgumentChecksOfOpenAndNthItem) {
    qxtest::cSimMachine l_Machine(driverMachine("Quarrix", 1));
    cFinder l_Finder;
    uint32_t l_Count = 77;
    void* l_pList = &l_Count;
    EXPECT_EQ(l_Finder.openList(nullptr, &l_pList), kInvalidParameter);
    EXPECT_EQ(l_Finder.openList(&l_Count, nullptr), kInvalidParameter);
    EXPECT_EQ(l_Count, 77u);
    EXPECT_EQ(l_pList, &l_Count);
    // getNthItem does not look the list up: any non-null value comes back.
    void* l_pItem = nullptr;
    EXPECT_EQ(l_Finder.getNthItem(&l_Count, 0, &l_pItem), 0);
    EXPECT_EQ(l_pItem, &l_Count);
    EXPECT_EQ(l_Finder.getNthItem(nullptr, 0, &l_pItem), kInvalidParameter);
    // A close without an open list changes nothing.
    l_Finder.closeList(nullptr);
}

TEST(QxPxiEcfHost, DriverThatIsNotASupportedControllerGivesAnEmptyList) {
    struct tCase {
        const char* what;
        json machine;
    };
    const tCase l_Cases[] = {
        {"vendor with a trailing blank", driverMachine("Quarrix ", 1)},
        {"vendor in another case", driverMachine("quarrix", 1)},
        {"support attribute 0", driverMachine("Quarrix", 0)},
        {"support attribute 2", driverMachine("Quarrix", 2)},
    };
    for (const tCase& l_rCase : l_Cases) {
        qxtest::cSimMachine l_Machine(l_rCase.machine);
        cFinder l_Finder;
        EXPECT_EQ(describeOpen(l_Finder), kNotFound) << l_rCase.what;
    }
}

TEST(QxPxiEcfHost, DriverFailuresPassThrough) {
    // A slot path the parser refuses, and a model attribute the driver cannot read.
    json l_BadPath = driverMachine("Quarrix", 1);
    l_BadPath["controller"]["text"]["0x1001F400"] = "00:ZZ";
    json l_NoModel = driverMachine("Quarrix", 1);
    l_NoModel["controller"]["text"].erase("0x10000100");
    for (const json& l_rMachine : {l_BadPath, l_NoModel}) {
        qxtest::cSimMachine l_Machine(l_rMachine);
        cFinder l_Finder;
        const tOpened l_Open = open(l_Finder);
        EXPECT_LT(l_Open.code, 0);
        EXPECT_EQ(l_Open.count, 0u);
        EXPECT_EQ(l_Open.list, nullptr);
    }
}

TEST(QxPxiEcfHost, BusLookupFailsWithoutABridgeAtTheSlotPath) {
    json l_Machine = driverMachine("Quarrix", 1);
    l_Machine["pci"] = json::object();
    qxtest::cSimMachine l_Sim(l_Machine);
    cFinder l_Finder;
    const tOpened l_Open = open(l_Finder);
    ASSERT_EQ(l_Open.count, 1u);
    uint32_t l_Bus = 99;
    EXPECT_EQ(l_Finder.getU32(l_Open.list, 0x10001, &l_Bus), -313003);
    EXPECT_EQ(l_Bus, 99u);
    l_Finder.closeList(l_Open.list);
}

TEST(QxPxiEcfHost, RecordLivesUntilTheLastCloseAndIsBuiltAgainAfter) {
    qxtest::cSimMachine l_Machine(driverMachine("Quarrix", 1, "QX PXI-8880"));
    cFinder l_Finder;
    const tOpened l_First = open(l_Finder);
    ASSERT_EQ(l_First.count, 1u);
    l_Machine.write(driverMachine("Quarrix", 1, "QX PXI-8881"));
    const tOpened l_Second = open(l_Finder);
    ASSERT_EQ(l_Second.count, 1u);
    EXPECT_EQ(l_Second.list, l_First.list);
    // No second identification while the record exists.
    EXPECT_EQ(l_Machine.calls("QXCNTDRV_openController").size(), 1u);
    EXPECT_EQ(l_Finder.text(l_Second.list, 1), "QX PXI-8880");

    l_Finder.closeList(l_First.list);
    EXPECT_EQ(l_Finder.text(l_Second.list, 1), "QX PXI-8880");  // one open list remains
    l_Finder.closeList(l_Second.list);
    EXPECT_EQ(l_Finder.text(l_Second.list, 1), "<-52005>");

    const tOpened l_Third = open(l_Finder);
    ASSERT_EQ(l_Third.count, 1u);
    EXPECT_EQ(l_Machine.calls("QXCNTDRV_openController").size(), 2u);
    EXPECT_EQ(l_Finder.text(l_Third.list, 1), "QX PXI-8881");
    l_Finder.closeList(l_Third.list);
}

TEST(QxPxiEcfHost, DriverLibraryAbsentGivesInvalidParameter) {
    if (!qxtest::isChild()) {
        qxtest::cSimMachine l_Machine(driverMachine("Quarrix", 1));
        const qxtest::tChildResult l_Result =
            qxtest::rerunInFreshProcess({{"LD_LIBRARY_PATH", std::nullopt}});
        EXPECT_TRUE(l_Result.exited && l_Result.exitCode == 0)
            << l_Result.stdOut << l_Result.stdErr;
        return;
    }
    cFinder l_Finder;
    const tOpened l_Open = open(l_Finder);
    EXPECT_EQ(l_Open.code, kInvalidParameter);
    EXPECT_EQ(l_Open.count, 0u);
    EXPECT_EQ(l_Open.list, nullptr);
}

// ---- The SMBIOS way, each case in a child with its own /run ----

namespace {

const char* const kContainedDescription =
    "[Controller]\nType=Embedded\nVendor=Quarrix\nModel=QX PXI-8880\n"
    "SMBIOSProduct=qx-8880\n[Embedded]\nPCISlotPath=MR00:E0\n";
const char* const kExactDescription =
    "[Controller]\nType=Embedded\nVendor=Quarrix\nModel=QX PXI-8890\n"
    "SMBIOSProductExact=QX PXI-8890\n[Embedded]\nPCISlotPath=MR00:E0,00\n";
// Sorts first (vendor "Acme") but names neither product.
const char* const kUnrelatedDescription =
    "[Controller]\nType=Embedded\nVendor=Acme\nModel=Other\nSMBIOSProduct=nothing alike\n"
    "[Embedded]\nPCISlotPath=MR01:08\n";

smbiostest::tBytes systemDump(const char* a_pManufacturer, const std::string& a_rProduct) {
    return smbiostest::dumpImage(
        "qx host test",
        smbiostest::concat({smbiostest::structure(0, {1}, {"BIOS"}),
                            smbiostest::systemStructure(a_pManufacturer, a_rProduct),
                            smbiostest::structure(127, {}, {})}));
}

// Runs describeOpen in a child whose /run holds this dump image (no dump at all for an
// empty image); returns the child's line, or "skip: <reason>".
std::string openWithDump(const qxtest::cSimMachine& a_rMachine,
                         const smbiostest::tBytes& a_rImage) {
    std::string l_DumpPath;
    if (!a_rImage.empty())
        l_DumpPath =
            a_rMachine.dir().writeFile("smbiosdmp", std::string(a_rImage.begin(), a_rImage.end()));
    const qxtest::tChildResult l_Result = qxtest::runWithSmbiosDump(l_DumpPath, [] {
        cFinder l_Finder;
        std::cout << describeOpen(l_Finder) << std::flush;
        return 0;
    });
    if (l_Result.skipped)
        return "skip: " + l_Result.skipReason;
    if (!l_Result.exited || l_Result.exitCode != 0)
        return "child failed: " + l_Result.stdOut + l_Result.stdErr;
    return l_Result.stdOut;
}

// The same with a dump holding these system strings (no dump for a null manufacturer).
std::string openWithSmbios(const qxtest::cSimMachine& a_rMachine, const char* a_pManufacturer,
                           const std::string& a_rProduct) {
    return openWithDump(a_rMachine, a_pManufacturer == nullptr
                                        ? smbiostest::tBytes()
                                        : systemDump(a_pManufacturer, a_rProduct));
}

}  // namespace

TEST(QxPxiEcfHost, SmbiosWayMatchesDescriptions) {
    qxtest::cSimMachine l_Machine(smbiosMachine());
    l_Machine.writeControllerDescription("acme.ini", kUnrelatedDescription);
    l_Machine.writeControllerDescription("qx8880.ini", kContainedDescription);
    l_Machine.writeControllerDescription("qx8890.ini", kExactDescription);

    struct tCase {
        const char* what;
        const char* manufacturer;
        std::string product;
        std::string expected;
    };
    const std::vector<tCase> l_Cases = {
        {"contained product, other case", "QUARRIX Instruments Ltd", "Embedded Qx-8880 rev B",
         "code=0 count=1 list=set Quarrix|QX PXI-8880|MR00:E0"},
        {"exact product", "Quarrix", "QX PXI-8890",
         "code=0 count=1 list=set Quarrix|QX PXI-8890|MR00:E0,00"},
        {"exact product with more around it", "Quarrix", "QX PXI-8890 Rev B", kNotFound},
        {"exact product in another case", "Quarrix", "qx pxi-8890", kNotFound},
        {"manufacturer without the vendor", "Acme Corp", "QX-8880", kNotFound},
        {"no dump at all", nullptr, "", kNotFound},
    };
    for (const tCase& l_rCase : l_Cases) {
        const std::string l_Answer =
            openWithSmbios(l_Machine, l_rCase.manufacturer, l_rCase.product);
        if (l_Answer.rfind("skip: ", 0) == 0)
            GTEST_SKIP() << l_Answer;
        EXPECT_EQ(l_Answer, l_rCase.expected) << l_rCase.what;
    }
}

TEST(QxPxiEcfHost, DriverVendorMismatchDoesNotFallBackToSmbios) {
    qxtest::cSimMachine l_Machine(driverMachine("Quarrix ", 1));
    l_Machine.writeControllerDescription("qx8880.ini", kContainedDescription);
    const std::string l_Answer = openWithSmbios(l_Machine, "Quarrix", "QX-8880");
    if (l_Answer.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << l_Answer;
    EXPECT_EQ(l_Answer, kNotFound);
}

TEST(QxPxiEcfHost, BrokenSmbiosDumpPassesItsCodeThrough) {
    qxtest::cSimMachine l_Machine(smbiosMachine());
    l_Machine.writeControllerDescription("qx8880.ini", kContainedDescription);
    smbiostest::tBytes l_Image = systemDump("Quarrix", "QX-8880");
    // The BIOS structure's length byte (after header text, NUL and table length) below 4.
    l_Image[std::string("qx host test").size() + 1 + 2 + 1] = 2;
    const std::string l_Answer = openWithDump(l_Machine, l_Image);
    if (l_Answer.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << l_Answer;
    EXPECT_EQ(l_Answer, "code=-240053 count=0 list=null");
}
