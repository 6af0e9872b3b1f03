// tPXIeSystemModule on simulated machines: naming, the chassis EEPROM checks, link paths
// through a PCI Express switch, attributes of two- and four-link chassis, and the
// peer-to-peer table of both construction variants.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "module_test_rig.h"
#include "platform/pxismbuswrapper/cQxSMBusWrapper.h"

namespace QX_NS {
namespace {

using moduletest::cRig;
using moduletest::description;
using moduletest::machine;

const nlohmann::json kTwoLinks = {{"linkConfiguration", 0}};
const nlohmann::json kFourLinks = {{"linkConfiguration", 1}};
const std::string kLinks2 = "Link1=smbus\nLink2=swid:1234:5678:0:0,push8,push0\n";
const std::string kLinks4 =
    "Link1=smbus\nLink2=smbus,pop\nLink3=swid:1234:5678:0:0,push8\n"
    "Link4=swid:1234:5678:0:0,push8,push0\n";

int32_t attribute(const tPXIeSystemModule& a_rModule, int32_t a_Id, tStatusRecord& a_rStatus) {
    int32_t l_Value = 12345;
    a_rModule.getAttribute(a_Id, &l_Value, &a_rStatus);
    return l_Value;
}

TEST(SystemModuleNamingTest, NamesTheModuleAfterItsAdapter) {
    cRig l_Rig(machine(kTwoLinks));
    tStatusRecord l_Status;
    auto l_pModule = l_Rig.described(description("Remote", kLinks2, ""), l_Status);
    ASSERT_EQ(0, l_Status.code);
    EXPECT_EQ("Acme C1 (QXSMBUS::0::31::3::0)", l_pModule->getModuleName());
    EXPECT_EQ("QXSMBUS::0::31::3::0;PXI0::0-31.3::INSTR", l_pModule->getResourceList());
    EXPECT_EQ(0, l_pModule->getConstructionStatus().code);

    // The built-in adapter: no PXI instrument name (an EL4000 chassis has two links).
    tStatusRecord l_Hpe;
    auto l_pHpe = l_Rig.described(
        description("Embedded", "Link1=push8\nLink2=swid:1234:5678:0:0,push8\n", ""), l_Hpe,
        "HPSMBUS::EL4000");
    ASSERT_EQ(0, l_Hpe.code);
    EXPECT_EQ("Acme C1 (HPSMBUS::EL4000)", l_pHpe->getModuleName());
    EXPECT_EQ("HPSMBUS::EL4000", l_pHpe->getResourceList());
    EXPECT_EQ(0, l_pHpe->getConstructionStatus().code);
    tStatusRecord l_Query;
    EXPECT_EQ(2, attribute(*l_pHpe, tPXIeSystemModule::kAttrLinkCount, l_Query));
}

TEST(SystemModuleNamingTest, FailuresBeforeNamingFailConstruction) {
    cRig l_Rig(machine(kTwoLinks));
    struct tCase {
        const char* style;
        int32_t status;
    };
    const tCase kCases[] = {{"remote", kStatusDescriptionInvalid}, {"", kStatusDescriptionInvalid}};
    for (const tCase& l_rCase : kCases) {
        tStatusRecord l_Status;
        l_Rig.described(description(l_rCase.style, kLinks2, ""), l_Status);
        EXPECT_EQ(l_rCase.status, l_Status.code) << l_rCase.style;
    }
    // A resource name of one character cannot name a module.
    tStatusRecord l_Bind;
    cQxSMBusWrapper l_Short(1, &l_Bind);
    l_Short.Open("X", &l_Bind);
    ASSERT_EQ(0, l_Bind.code);
    tStatusRecord l_Status;
    l_Rig.described(description("Remote", kLinks2, ""), l_Short, l_Status);
    EXPECT_EQ(qxapalerr_softwareFaultAPALInternalUseOnly, l_Status.code);
}

TEST(SystemModuleEepromTest, ChecksTheSignatureTheChecksumAndTheLinkConfiguration) {
    struct tCase {
        const char* what;
        nlohmann::json eeprom;
        int32_t stored;
    };
    const tCase kCases[] = {
        {"valid, four links", kFourLinks, 0},
        {"link configuration 2", {{"linkConfiguration", 2}}, kStatusEepromInvalid},
        {"wrong checksum",
         {{"linkConfiguration", 1}, {"checksum", 0}},
         kStatusEepromChecksumMismatch},
        // Both wrong: the signature's error is the one kept.
        {"wrong signature and checksum",
         {{"bytes", {{"0", 0x5B}}}, {"checksum", 0}},
         kStatusEepromInvalid},
        {"wrong signature only", {{"bytes", {{"1", 0x32}}}}, kStatusEepromInvalid},
    };
    for (const tCase& l_rCase : kCases) {
        cRig l_Rig(machine(l_rCase.eeprom));
        tStatusRecord l_Status;
        auto l_pModule = l_Rig.described(description("Embedded", kLinks2, kLinks4), l_Status);
        ASSERT_EQ(0, l_Status.code) << l_rCase.what;
        EXPECT_EQ(l_rCase.stored, l_pModule->getConstructionStatus().code) << l_rCase.what;
        // A stored error answers every query; the name stays.
        EXPECT_EQ("Acme C1 (QXSMBUS::0::31::3::0)", l_pModule->getModuleName());
        tStatusRecord l_Query;
        const int32_t l_Count = attribute(*l_pModule, tPXIeSystemModule::kAttrLinkCount, l_Query);
        EXPECT_EQ(l_rCase.stored, l_Query.code) << l_rCase.what;
        if (l_rCase.stored == 0) {
            EXPECT_EQ(4, l_Count);
            EXPECT_EQ(0x5A, l_pModule->getChassisEEPROM()[0]);
        }
        tStatusRecord l_P2P;
        EXPECT_EQ(-1, l_pModule->getP2PSupport(0xE8, 0xF0, &l_P2P));
        EXPECT_EQ(l_rCase.stored == 0 ? kStatusDescriptionInvalid : l_rCase.stored, l_P2P.code)
            << l_rCase.what;
    }
}

TEST(SystemModuleEepromTest, AFailedReadIsStored) {
    nlohmann::json l_Machine = machine(kTwoLinks);
    l_Machine["faults"] = {{{"function", "QXSMBusGetChassisEEPROM"}, {"status", -52011}}};
    cRig l_Rig(l_Machine);
    tStatusRecord l_Status;
    auto l_pModule = l_Rig.described(description("Remote", kLinks2, ""), l_Status);
    ASSERT_EQ(0, l_Status.code);
    EXPECT_EQ(-52011, l_pModule->getConstructionStatus().code);
}

TEST(SystemModuleLinkTest, WalksLinkPathsThroughTheBridges) {
    struct tCase {
        const char* path;
        int32_t stored;
        int32_t bus;    // attribute 101 when nothing is stored
        int32_t value;  // attribute 105
    };
    const tCase kCases[] = {
        // The switch's upstream bridge, device 1 on its bus, then device 0 behind that.
        {"swid:1234:5678:0:0,push8,push0", 0, 5, 2},
        {"swid:1234:5678:0:0", 0, 2, 16},
        // The bridge above the SMBus controller's bus (3), then its parent.
        {"smbus", 0, 3, 4},
        {"smbus,pop", 0, 2, 16},
        {"push8,push0,push0", 0, 3, 4},
        {"smbus,pop,", 0, 2, 16},
        {"push10,swid:1234:5678:0:0", kStatusDescriptionInvalid, 0, 0},
        {"smbus, pop", kStatusDescriptionInvalid, 0, 0},
        {"push", kStatusDescriptionInvalid, 0, 0},
        {"swid:1234:5678:0", kStatusDescriptionInvalid, 0, 0},
        {"smbus,,pop", kStatusDescriptionInvalid, 0, 0},
        {"frobnicate", kStatusDescriptionInvalid, 0, 0},
        {"swid:9999:9999:0:0", kStatusBridgeNotFound, 0, 0},
        // Same ids on unrelated buses: no unambiguous switch.
        {"swid:4321:8765:0:0", kStatusBridgeNotFound, 0, 0},
        // No bridge at 1:01.0: the PCI bridge service's answer.
        {"push8,push8", kStatusPciBrdNotFound, 0, 0},
    };
    cRig l_Rig(machine(kTwoLinks));
    for (const tCase& l_rCase : kCases) {
        tStatusRecord l_Status;
        auto l_pModule = l_Rig.described(
            description("Remote", std::string("Link1=") + l_rCase.path + "\nLink2=smbus\n", ""),
            l_Status);
        ASSERT_EQ(0, l_Status.code) << l_rCase.path;
        EXPECT_EQ(l_rCase.stored, l_pModule->getConstructionStatus().code) << l_rCase.path;
        if (l_rCase.stored == 0) {
            tStatusRecord l_Query;
            EXPECT_EQ(l_rCase.bus, attribute(*l_pModule, 101, l_Query)) << l_rCase.path;
            EXPECT_EQ(l_rCase.value, attribute(*l_pModule, 105, l_Query)) << l_rCase.path;
            EXPECT_EQ(3, attribute(*l_pModule, 102, l_Query)) << l_rCase.path;
            EXPECT_EQ(0, l_Query.code);
        }
    }
}

TEST(SystemModuleLinkTest, UntrustedLinkTextEndsCleanly) {
    std::string l_ManyPushes;
    for (int l_Index = 0; l_Index < 3000; ++l_Index) {
        l_ManyPushes += "push8,";
    }
    const std::string kPaths[] = {
        std::string(50000, ','),         l_ManyPushes, "swid:ffffffffffffffff:1:2:3",
        "push" + std::string(4000, 'f'), "",           "pop"};
    cRig l_Rig(machine(kTwoLinks));
    for (const std::string& l_rPath : kPaths) {
        tStatusRecord l_Status;
        auto l_pModule = l_Rig.described(
            description("Remote", "Link1=" + l_rPath + "\nLink2=smbus\n", ""), l_Status);
        ASSERT_EQ(0, l_Status.code);
        EXPECT_TRUE(l_pModule->getConstructionStatus().isError()) << l_rPath.substr(0, 40);
    }
}

TEST(SystemModuleLinkTest, DescriptionGapsAreStored) {
    struct tCase {
        const char* what;
        nlohmann::json eeprom;
        std::string description;
    };
    const tCase kCases[] = {
        {"four links, two-link section only", kFourLinks, description("Remote", kLinks2, "")},
        {"missing Link2", kTwoLinks, description("Remote", "Link1=smbus\n", "")},
        {"three widths", kTwoLinks,
         "[ModuleParams]\nModuleStyle=Remote\nMaximumLinkWidths=4,4,4\n[2LinkBusNumbers]\n" +
             kLinks2},
        {"no widths", kTwoLinks,
         "[ModuleParams]\nModuleStyle=Remote\n[2LinkBusNumbers]\n" + kLinks2},
    };
    for (const tCase& l_rCase : kCases) {
        cRig l_Rig(machine(l_rCase.eeprom));
        tStatusRecord l_Status;
        auto l_pModule = l_Rig.described(l_rCase.description, l_Status);
        ASSERT_EQ(0, l_Status.code) << l_rCase.what;
        EXPECT_EQ(kStatusDescriptionInvalid, l_pModule->getConstructionStatus().code)
            << l_rCase.what;
    }
}

TEST(SystemModuleAttributeTest, TwoLinkRemoteModule) {
    cRig l_Rig(machine(kTwoLinks));
    tStatusRecord l_Status;
    auto l_pModule = l_Rig.described(description("Remote", kLinks2, ""), l_Status);
    ASSERT_EQ(0, l_pModule->getConstructionStatus().code);
    struct tCase {
        int32_t id;
        int32_t value;
        int32_t status;
    };
    const tCase kCases[] = {
        {0, 8, 0},
        {1, 8, 0},
        {2, 4, 0},
        {5, 4, 0},
        {100, 2, 0},
        {101, 3, 0},
        {102, 5, 0},
        {105, 4, 0},
        {106, 2, 0},
        {109, 1, 0},
        // Links 3 and 4 do not exist on a two-link chassis: -1 is written, then refused.
        {103, -1, qxapalerr_featureUnsupported},
        {104, -1, qxapalerr_featureUnsupported},
        {107, -1, qxapalerr_featureUnsupported},
        {108, -1, qxapalerr_featureUnsupported},
        {6, 12345, qxapalerr_invalidParameter},
        {300, 12345, qxapalerr_invalidParameter},
        {-1, 12345, qxapalerr_invalidParameter},
    };
    for (const tCase& l_rCase : kCases) {
        tStatusRecord l_Query;
        EXPECT_EQ(l_rCase.value, attribute(*l_pModule, l_rCase.id, l_Query)) << l_rCase.id;
        EXPECT_EQ(l_rCase.status, l_Query.code) << l_rCase.id;
    }
    // Text 200 of a remote module is the adapter's description; 201 is empty.
    char l_Text[256];
    memset(l_Text, 'x', sizeof(l_Text));
    tStatusRecord l_Query;
    l_pModule->getAttribute(200, l_Text, &l_Query);
    EXPECT_EQ(0, l_Query.code);
    EXPECT_STREQ("chassis link adapter", l_Text);
    memset(l_Text, 'x', sizeof(l_Text));
    l_pModule->getAttribute(201, l_Text, &l_Query);
    EXPECT_EQ(tPXIeSystemModule::kStatusEmptyAttribute, l_Query.code);
    EXPECT_EQ('x', l_Text[0]);
    // A remote module routes no peer-to-peer traffic of its own.
    tStatusRecord l_P2P;
    EXPECT_EQ(-1, l_pModule->getP2PSupport(0xE8, 0xF0, &l_P2P));
    EXPECT_EQ(qxapalerr_featureUnsupported, l_P2P.code);
}

TEST(SystemModuleAttributeTest, FourLinkEmbeddedModuleWithAController) {
    nlohmann::json l_Machine = machine(kFourLinks);
    l_Machine["controller"]["text"]["0x10000200"] = std::string(256, 'c');
    cRig l_Rig(l_Machine);
    tStatusRecord l_Status;
    auto l_pModule =
        l_Rig.described(description("Embedded", "", kLinks4), l_Status, moduletest::kAdapter, true);
    ASSERT_EQ(0, l_pModule->getConstructionStatus().code);
    const int32_t kExpected[][2] = {{100, 4}, {101, 3},  {102, 2}, {103, 4}, {104, 5},
                                    {105, 4}, {106, 16}, {107, 8}, {108, 2}, {109, 0}};
    for (const auto& l_rCase : kExpected) {
        tStatusRecord l_Query;
        EXPECT_EQ(l_rCase[1], attribute(*l_pModule, l_rCase[0], l_Query)) << l_rCase[0];
        EXPECT_EQ(0, l_Query.code) << l_rCase[0];
    }
    // The controller's text of 256 characters does not fit: an empty string is written.
    char l_Text[256];
    memset(l_Text, 'x', sizeof(l_Text));
    tStatusRecord l_Query;
    l_pModule->getAttribute(200, l_Text, &l_Query);
    EXPECT_EQ(0, l_Query.code);
    EXPECT_EQ('\0', l_Text[0]);
}

TEST(SystemModuleP2PTest, TableFromTheDescription) {
    const std::string kRing =
        "[2LinkP2PConnectivity]\nPorts=00E8,00F0,00F8\n00E8=00F0\n00F0=00F8\n00F8=00E8\n";
    cRig l_Rig(machine(kTwoLinks));
    tStatusRecord l_Status;
    auto l_pModule = l_Rig.described(description("Embedded", kLinks2, "", kRing), l_Status);
    ASSERT_EQ(0, l_pModule->getConstructionStatus().code);
    struct tCase {
        uint32_t source;
        uint32_t target;
        int32_t result;
        int32_t status;
    };
    const tCase kCases[] = {
        {0xE8, 0xF0, 1, 0},
        {0xF0, 0xE8, 0, 0},
        {0xF8, 0xE8, 1, 0},
        {0xE8, 0xE8, 0, 0},
        {0x100, 0xE8, -1, qxapalerr_invalidParameter},
        {0xE8, 0x100, -1, qxapalerr_invalidParameter},
    };
    for (const tCase& l_rCase : kCases) {
        tStatusRecord l_Query;
        EXPECT_EQ(l_rCase.result,
                  l_pModule->getP2PSupport(l_rCase.source, l_rCase.target, &l_Query))
            << l_rCase.source << "->" << l_rCase.target;
        EXPECT_EQ(l_rCase.status, l_Query.code);
    }
}

TEST(SystemModuleP2PTest, MissingTableDataFailsEveryQuery) {
    // 00F0 has no key: the table never counts as loaded, so no query answers from the
    // part that was read.
    cRig l_Rig(machine(kTwoLinks));
    tStatusRecord l_Status;
    auto l_pModule =
        l_Rig.described(description("Embedded", kLinks2, "",
                                    "[2LinkP2PConnectivity]\nPorts=00E8,00F0\n00E8=00F0\n"),
                        l_Status);
    ASSERT_EQ(0, l_pModule->getConstructionStatus().code);
    for (int l_Try = 0; l_Try < 2; ++l_Try) {
        tStatusRecord l_Query;
        EXPECT_EQ(-1, l_pModule->getP2PSupport(0xE8, 0xE8, &l_Query));
        EXPECT_EQ(kStatusDescriptionInvalid, l_Query.code);
    }
}

TEST(SystemModuleControllerTest, LinksTextsAndTableComeFromTheControllerDriver) {
    cRig l_Rig(machine(kTwoLinks));
    tStatusRecord l_Status;
    auto l_pModule = l_Rig.controller(l_Status);
    ASSERT_EQ(0, l_Status.code);
    ASSERT_EQ(0, l_pModule->getConstructionStatus().code);
    EXPECT_TRUE(l_pModule->isControllerVariant());
    EXPECT_EQ("Quarrix QX-100 (QXSMBUS::0::31::3::0)", l_pModule->getModuleName());
    // Link 1 ends at D1 (bus 4, width 8), link 2 at D0 (bus 3, width 4); the driver's
    // widths are those of the two-link configuration.
    const int32_t kExpected[][2] = {{101, 4}, {105, 8}, {102, 3}, {106, 4}, {0, 8},
                                    {1, 4},   {2, -1},  {109, 0}, {100, 2}};
    for (const auto& l_rCase : kExpected) {
        tStatusRecord l_Query;
        EXPECT_EQ(l_rCase[1], attribute(*l_pModule, l_rCase[0], l_Query)) << l_rCase[0];
        EXPECT_EQ(0, l_Query.code) << l_rCase[0];
    }
    char l_Text[256] = {};
    tStatusRecord l_Query;
    l_pModule->getAttribute(200, l_Text, &l_Query);
    EXPECT_STREQ("controller text", l_Text);
    l_pModule->getAttribute(201, l_Text, &l_Query);
    EXPECT_STREQ("controller detail", l_Text);
    EXPECT_EQ(0, l_Query.code);

    // Port 00E8 reaches 00F0 (the target "ZZ" does not parse and is left out); port
    // 00F0 reaches nothing.
    struct tCase {
        uint32_t source;
        uint32_t target;
        int32_t result;
    };
    const tCase kCases[] = {{0xE8, 0xF0, 1}, {0xF0, 0xE8, 0}, {0xE8, 0xE8, 0}};
    for (const tCase& l_rCase : kCases) {
        tStatusRecord l_P2P;
        EXPECT_EQ(l_rCase.result, l_pModule->getP2PSupport(l_rCase.source, l_rCase.target, &l_P2P));
        EXPECT_EQ(0, l_P2P.code);
    }
    tStatusRecord l_Unknown;
    EXPECT_EQ(-1, l_pModule->getP2PSupport(0x1E8, 0xF0, &l_Unknown));
    EXPECT_EQ(qxapalerr_invalidParameter, l_Unknown.code);
}

TEST(SystemModuleControllerTest, ControllerFailuresAreStoredOrReported) {
    nlohmann::json l_Machine = machine(kFourLinks);
    // A four-link chassis needs the slot paths of links 3 and 4, which this driver lacks.
    cRig l_Rig(l_Machine);
    tStatusRecord l_Status;
    auto l_pModule = l_Rig.controller(l_Status);
    ASSERT_EQ(0, l_Status.code);
    EXPECT_TRUE(l_pModule->getConstructionStatus().isError());

    // The table is read when first asked for, with a controller access of its own.
    nlohmann::json l_NoPorts = machine(kTwoLinks);
    l_NoPorts["controller"]["u32"].erase("0x2006A400");
    cRig l_Rig2(l_NoPorts);
    tStatusRecord l_Status2;
    auto l_pModule2 = l_Rig2.controller(l_Status2);
    ASSERT_EQ(0, l_pModule2->getConstructionStatus().code);
    tStatusRecord l_P2P;
    EXPECT_EQ(-1, l_pModule2->getP2PSupport(0xE8, 0xF0, &l_P2P));
    EXPECT_TRUE(l_P2P.isError());
}

}  // namespace
}  // namespace QX_NS

namespace QX_NS {
namespace {

// Every outside call that construction makes fails in turn, from its first use on
// and then from later uses: the failure is reported (before naming) or stored (after
// it), never lost, and nothing is left open or leaked.
TEST(SystemModuleFaultTest, EveryFailingCallIsReportedOrStored) {
    const char* const kFunctions[] = {
        "QxPciBrd_FindBridgesByPciIds", "QxPciBrd_GetAttributeU32",
        "QxPciBrd_FindBridgeByAddress", "QxPciBrd_FindParentBridgeForBus",
        "QxPciBrd_GetBridgeParent",     "QXSMBusGetAttribute",
        "QXSMBusGetChassisEEPROM"};
    constexpr int32_t kInjected = -99;
    for (const char* l_pFunction : kFunctions) {
        for (uint32_t l_From = 1; l_From <= 6; ++l_From) {
            nlohmann::json l_Machine = machine(kFourLinks);
            l_Machine["faults"] = {
                {{"function", l_pFunction}, {"status", kInjected}, {"fromCall", l_From}}};
            cRig l_Rig(l_Machine);
            tStatusRecord l_Status;
            auto l_pModule = l_Rig.described(description("Remote", "", kLinks4), l_Status);
            const int64_t l_Outcome =
                l_Status.code != 0 ? l_Status.code : l_pModule->getConstructionStatus().code;
            EXPECT_TRUE(l_Outcome == 0 || l_Outcome == kInjected)
                << l_pFunction << " from call " << l_From << ": " << l_Outcome;
            if (l_Status.code == 0) {
                EXPECT_FALSE(l_pModule->getModuleName().empty());
            }
        }
    }
}

}  // namespace
}  // namespace QX_NS
