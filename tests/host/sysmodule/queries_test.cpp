// Queries from the cache: names by index, attributes, the chassis EEPROM copy,
// peer-to-peer answers, argument checks, and a library that has no cache.
#include <cstdlib>
#include <cstring>

#include <gmock/gmock.h>

#include "tests/host/sysmodule/sysModuleHost.h"

namespace smtest {
namespace {

using nlohmann::json;

class SysModuleQueries : public cSysModuleHost {
protected:
    void SetUp() override {
        start(exampleMachine());
        ASSERT_EQ(lib().updateCache(), 0);
    }
};

TEST_F(SysModuleQueries, GetNameIndexes) {
    json l_Machine = exampleMachine();
    l_Machine["smbus"]["adapters"].push_back(
        adapter("QXSMBUS::9::0::0::0", 0x1093, 0x7A20, 1, 9, 0, 0));
    start(l_Machine);
    ASSERT_EQ(count(kVendor, kRemote), (tCount{0, 2}));
    EXPECT_EQ(name(kVendor, kRemote, 1).name, kRemoteName);
    EXPECT_EQ(name(kVendor, kRemote, 2).name, "Quarrix PXIe-8398 (QXSMBUS::9::0::0::0)");
    for (int32_t l_Index : {0, -1, 3, INT32_MIN}) {
        const tName l_Name = name(kVendor, kRemote, l_Index);
        EXPECT_EQ(l_Name.status, kInvalidParameter) << l_Index;
        EXPECT_EQ(l_Name.name, "<untouched>") << l_Index;
        EXPECT_EQ(l_Name.list, "<untouched>") << l_Index;
    }
    EXPECT_EQ(name(kVendor, "PXIe-839", 1).status, kInvalidParameter);  // no such identity
}

TEST_F(SysModuleQueries, EveryAttributeOfBothModules) {
    constexpr int32_t kUnsupported = kFeatureUnsupported;
    struct tCase {
        int32_t id;
        int32_t embeddedStatus, embedded;  // PXIe-8881 behind its switch
        int32_t remoteStatus, remote;      // PXIe-8398 behind the cabled port
    };
    const tCase l_Cases[] = {
        {0, 0, 8, 0, 4},
        {1, 0, 8, 0, 4},
        {2, 0, 4, 0, 4},
        {5, 0, 4, 0, 4},
        {100, 0, 2, 0, 2},
        {101, 0, 3, 0, 0x12},
        {102, 0, 8, 0, 0x18},
        {103, kUnsupported, -1, kUnsupported, -1},
        {104, kUnsupported, -1, kUnsupported, -1},
        {105, 0, 8, 0, 4},
        {106, 0, 8, 0, 4},
        {107, kUnsupported, -1, kUnsupported, -1},
        {108, kUnsupported, -1, kUnsupported, -1},
        {109, 0, 0, 0, 1},
        {6, kInvalidParameter, 0x7EADBEEF, kInvalidParameter, 0x7EADBEEF},
        {110, kInvalidParameter, 0x7EADBEEF, kInvalidParameter, 0x7EADBEEF},
        {300, kInvalidParameter, 0x7EADBEEF, kInvalidParameter, 0x7EADBEEF},
        {-1, kInvalidParameter, 0x7EADBEEF, kInvalidParameter, 0x7EADBEEF},
    };
    for (const tCase& l_rCase : l_Cases) {
        EXPECT_EQ(number(kEmbeddedName, l_rCase.id),
                  std::make_pair(l_rCase.embeddedStatus, l_rCase.embedded))
            << l_rCase.id;
        EXPECT_EQ(number(kRemoteName, l_rCase.id),
                  std::make_pair(l_rCase.remoteStatus, l_rCase.remote))
            << l_rCase.id;
    }
    EXPECT_EQ(text(kEmbeddedName, 200),
              std::make_pair(0, std::string("PXIe-8881 embedded controller")));
    EXPECT_EQ(text(kRemoteName, 200),
              std::make_pair(0, std::string("Quarrix PXIe-8398 chassis SMBus")));
    EXPECT_EQ(text(kEmbeddedName, 201), std::make_pair(kEmptyText, std::string("<untouched>")));
    EXPECT_EQ(number("Quarrix PXIe-8881", 100).first, kInvalidParameter);  // name must be whole
}

TEST_F(SysModuleQueries, ResourceListMustBeGivenButIsNotCompared) {
    int32_t l_Value = 0;
    EXPECT_EQ(lib().getInformation(kEmbeddedName, nullptr, 100, &l_Value), kInvalidParameter);
    EXPECT_EQ(lib().getInformation(kEmbeddedName, "x", 100, &l_Value), 0);
    EXPECT_EQ(l_Value, 2);
    EXPECT_EQ(lib().getInformation(kEmbeddedName, kRemoteList, 109, &l_Value), 0);
    EXPECT_EQ(l_Value, 0);
}

TEST_F(SysModuleQueries, ChassisEepromCopyIsTheImageTheModuleRead) {
    uint8_t l_Image[256];
    memset(l_Image, 0xEE, sizeof l_Image);
    ASSERT_EQ(lib().getEeprom(kEmbeddedName, kEmbeddedList, l_Image), 0);
    EXPECT_EQ(l_Image[0], 0x5A);
    EXPECT_EQ(l_Image[1], 0x31);
    EXPECT_EQ(l_Image[2], 0x00);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l_Image + 5)), "Quarrix");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l_Image + 106)), "1092B000117");
    unsigned l_Sum = 0;
    for (int l_Offset = 0; l_Offset < 256; ++l_Offset)
        if (l_Offset != 121 && l_Offset != 122)
            l_Sum += l_Image[l_Offset];
    EXPECT_EQ(l_Sum & 0xFFFF, l_Image[121] + 256u * l_Image[122]);

    uint8_t l_Remote[256];
    ASSERT_EQ(lib().getEeprom(kRemoteName, "", l_Remote), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l_Remote + 106)), "1092B000342");
    EXPECT_EQ(lib().getEeprom("nobody", "", l_Remote), kInvalidParameter);
}

TEST_F(SysModuleQueries, ConstructionErrorsAreReportedByTheQueries) {
    // The remote module's chassis EEPROM fails its checksum: the module is still named,
    // but its attributes, EEPROM copy and peer-to-peer answers report the failure.
    json l_Machine = exampleMachine();
    l_Machine["smbus"]["adapters"][1]["devices"]["0xA4"]["chassisEeprom"]["checksum"] = 0x1234;
    start(l_Machine);
    ASSERT_EQ(count(kVendor, kRemote), (tCount{0, 1}));
    EXPECT_EQ(name(kVendor, kRemote, 1).list, kRemoteList);
    EXPECT_EQ(number(kRemoteName, 100), std::make_pair(-26900, 0x7EADBEEF));
    uint8_t l_Image[256];
    memset(l_Image, 0xEE, sizeof l_Image);
    EXPECT_EQ(lib().getEeprom(kRemoteName, "", l_Image), -26900);
    EXPECT_EQ(l_Image[0], 0xEE);
    EXPECT_EQ(p2p(kRemoteName, {2, 0, 0}, {2, 1, 0}), std::make_pair(-26900, -7));
}

TEST_F(SysModuleQueries, PeerToPeerAnswers) {
    struct tCase {
        tPXISA_PciAddress source, target;
        std::pair<int32_t, int32_t> expected;
    };
    const tCase l_Cases[] = {
        {{2, 0, 0}, {2, 1, 0}, {0, 1}},
        {{2, 1, 0}, {2, 0, 0}, {0, 1}},
        {{2, 0, 0}, {2, 0, 0}, {0, 0}},
        {{1, 0, 0}, {2, 1, 0}, {kInvalidParameter, -7}},  // not a port of the module
        {{2, 0, 0}, {2, 2, 0}, {kInvalidParameter, -7}},
        {{2, 32, 0}, {2, 1, 0}, {kInvalidParameter, -7}},  // out of range
        {{2, 0, 8}, {2, 1, 0}, {kInvalidParameter, -7}},
        {{256, 0, 0}, {2, 1, 0}, {kInvalidParameter, -7}},
        {{2, 0, 0}, {2, 31, 8}, {kInvalidParameter, -7}},
        {{2, 0, 0}, {0x102, 1, 0}, {kInvalidParameter, -7}},  // no wrap into the key's bus
    };
    for (const tCase& l_rCase : l_Cases)
        EXPECT_EQ(p2p(kEmbeddedName, l_rCase.source, l_rCase.target), l_rCase.expected)
            << l_rCase.source.bus << ":" << l_rCase.source.device << "." << l_rCase.source.function
            << " -> " << l_rCase.target.bus << ":" << l_rCase.target.device << "."
            << l_rCase.target.function;
    EXPECT_EQ(p2p(kRemoteName, {2, 0, 0}, {2, 1, 0}), std::make_pair(kFeatureUnsupported, -7));
}

TEST_F(SysModuleQueries, NullArgumentsAreRejected) {
    int32_t l_Count = -7;
    char l_Text[256];
    uint8_t l_Image[256];
    int32_t l_Flag = -7;
    const tPXISA_PciAddress l_Port{2, 0, 0};
    const int32_t l_Codes[] = {
        lib().getCount(nullptr, kEmbedded, &l_Count),
        lib().getCount(kVendor, nullptr, &l_Count),
        lib().getCount(kVendor, kEmbedded, nullptr),
        lib().getCountNoCache(nullptr, kEmbedded, &l_Count),
        lib().getCountNoCache(kVendor, nullptr, &l_Count),
        lib().getCountNoCache(kVendor, kEmbedded, nullptr),
        lib().getName(nullptr, kEmbedded, 1, l_Text, l_Text),
        lib().getName(kVendor, nullptr, 1, l_Text, l_Text),
        lib().getName(kVendor, kEmbedded, 1, nullptr, l_Text),
        lib().getName(kVendor, kEmbedded, 1, l_Text, nullptr),
        lib().getInformation(nullptr, "", 100, &l_Count),
        lib().getInformation(kEmbeddedName, "", 100, nullptr),
        lib().getEeprom(nullptr, "", l_Image),
        lib().getEeprom(kEmbeddedName, nullptr, l_Image),
        lib().getEeprom(kEmbeddedName, "", nullptr),
        lib().getP2P(nullptr, "", l_Port, l_Port, &l_Flag),
        lib().getP2P(kEmbeddedName, nullptr, l_Port, l_Port, &l_Flag),
        lib().getP2P(kEmbeddedName, "", l_Port, l_Port, nullptr),
        lib().smbus(nullptr, "", 0, 0x50, 0, 0, 0, nullptr, nullptr, nullptr),
        lib().smbus(kEmbeddedName, nullptr, 0, 0x50, 0, 0, 0, nullptr, nullptr, nullptr),
    };
    for (size_t l_Index = 0; l_Index < sizeof l_Codes / sizeof l_Codes[0]; ++l_Index)
        EXPECT_EQ(l_Codes[l_Index], kInvalidParameter) << "call " << l_Index;
    EXPECT_EQ(l_Count, -7);
    EXPECT_EQ(l_Flag, -7);
}

// The library's locks cannot be created: it loads without a cache and without an SMBus
// registry, and every entry point answers its no-cache outcome.
TEST(SysModuleWithoutCache, EveryEntryPointAnswersItsNoCacheOutcome) {
    if (!qxtest::isChild()) {
        const char* l_pAsan = std::getenv("ASAN_OPTIONS");
        const qxtest::tChildResult l_Child = qxtest::rerunInFreshProcess(
            {{"LD_PRELOAD", qxtest::buildDir() + "/tests/lib/libqx_failpimutex.so"},
             {"ASAN_OPTIONS",
              std::string(l_pAsan != nullptr ? l_pAsan : "") + ":verify_asan_link_order=0"}});
        EXPECT_TRUE(l_Child.exited) << l_Child.stdErr;
        EXPECT_EQ(l_Child.exitCode, 0) << l_Child.stdOut << l_Child.stdErr;
        return;
    }
    qxtest::cSimMachine l_Machine(exampleMachine());
    l_Machine.copyExampleDescriptions();
    const cSysModuleLib l_Lib;
    EXPECT_EQ(count(l_Lib, kVendor, kEmbedded), (tCount{0, 0}));
    EXPECT_EQ(countNoCache(l_Lib, kVendor, kEmbedded), (tCount{kInternalFault, 0}));
    EXPECT_EQ(l_Lib.updateCache(), kInternalFault);
    EXPECT_EQ(name(l_Lib, kVendor, kEmbedded, 1).status, kInvalidParameter);
    int32_t l_Value = -7;
    EXPECT_EQ(l_Lib.getInformation(kEmbeddedName, "", 100, &l_Value), kInvalidParameter);
    uint8_t l_Image[256];
    EXPECT_EQ(l_Lib.getEeprom(kEmbeddedName, "", l_Image), kInvalidParameter);
    EXPECT_EQ(l_Lib.getP2P(kEmbeddedName, "", {2, 0, 0}, {2, 1, 0}, &l_Value), kInvalidParameter);
    EXPECT_EQ(l_Value, -7);
    uint8_t l_Byte = 0;
    int32_t l_Read = 0;
    EXPECT_EQ(
        l_Lib.smbus(kEmbeddedName, kEmbeddedList, 4, 0x90, 0, 0, 0, nullptr, &l_Read, &l_Byte),
        kInternalFault);
    EXPECT_EQ(l_Machine.calls("QXSMBusOpen").size(), 0u);
}

}  // namespace
}  // namespace smtest
