// Typed reading of the system module keys of a controller description: which keys are
// optional, which failures are reported as a malformed description, and what the
// conversions keep.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/inifile/cIniFile.h"
#include "sysmodule/module/cSystemModuleDescription.h"
#include "tests/support/qxTestSupport.h"

namespace QX_NS {
namespace {

// One opened description file per test.
class DescriptionKeysTest : public ::testing::Test {
protected:
    const cSystemModuleDescription& open(const std::string& a_rText) {
        const std::string l_Path = m_Dir.writeFile("module.ini", a_rText);
        tStatusRecord l_Status;
        m_Ini.open(l_Path.c_str(), nQxPxiDriverTools_1_0::iIniFile::kOpenReadOnly, &l_Status);
        EXPECT_EQ(0, l_Status.code);
        return m_Description;
    }

    qxtest::cTempDir m_Dir;
    nQxPxiDriverTools_1_0::cIniFile m_Ini;
    cSystemModuleDescription m_Description{&m_Ini};
};

TEST_F(DescriptionKeysTest, ModuleStyleIsExactAndRequired) {
    struct tCase {
        const char* file;
        int32_t style;
        int32_t status;
    };
    const tCase kCases[] = {
        {"[ModuleParams]\nModuleStyle=Embedded\n", 0, 0},
        {"[ModuleParams]\nModuleStyle=Remote\n", 1, 0},
        {"[ModuleParams]\nModuleStyle=embedded\n", -1, kStatusDescriptionInvalid},
        {"[ModuleParams]\nModuleStyle=\n", -1, kStatusDescriptionInvalid},
        {"[ModuleParams]\nOther=Remote\n", -1, kStatusDescriptionInvalid},
    };
    for (const tCase& l_rCase : kCases) {
        const cSystemModuleDescription& l_rDescription = open(l_rCase.file);
        tStatusRecord l_Status;
        EXPECT_EQ(l_rCase.style, l_rDescription.getModuleStyle(&l_Status)) << l_rCase.file;
        EXPECT_EQ(l_rCase.status, l_Status.code) << l_rCase.file;
    }
    // Discovery reads the raw text and sees the getter's own status.
    std::string l_Text;
    tStatusRecord l_Status;
    open("[ModuleParams]\n").getModuleStyleText(l_Text, &l_Status);
    EXPECT_EQ(kStatusIniKeyNotFound, l_Status.code);
}

TEST_F(DescriptionKeysTest, IdentificationKeys) {
    const cSystemModuleDescription& l_rDescription =
        open("[ModuleId]\nSwitchID=1234:5678:0\nSMBUSVIDPID=12345678\nSMBIOSProduct=Box 9\n");
    tStatusRecord l_Status;
    tPciBridgeIds l_Ids;
    // Present but three numbers only.
    EXPECT_TRUE(l_rDescription.getSwitchId(l_Ids, &l_Status));
    EXPECT_EQ(kStatusDescriptionInvalid, l_Status.code);

    tStatusRecord l_VidPid;
    uint16_t l_Vendor = 0;
    uint16_t l_Product = 0;
    l_rDescription.getSmbusVidPid(l_Vendor, l_Product, &l_VidPid);
    EXPECT_EQ(0, l_VidPid.code);
    EXPECT_EQ(0x1234, l_Vendor);
    EXPECT_EQ(0x5678, l_Product);

    std::string l_Product2;
    EXPECT_TRUE(l_rDescription.getSmbiosProduct(l_Product2, &l_VidPid));
    EXPECT_EQ("Box 9", l_Product2);

    // Optional keys that are absent leave no error; required ones keep the getter's.
    const cSystemModuleDescription& l_rEmpty = open("[ModuleId]\nSMBUSVIDPID=none\n");
    tStatusRecord l_Optional;
    EXPECT_FALSE(l_rEmpty.getSwitchId(l_Ids, &l_Optional));
    EXPECT_FALSE(l_rEmpty.getSmbiosProduct(l_Product2, &l_Optional));
    EXPECT_EQ(0, l_Optional.code);
    l_rEmpty.getSmbusVidPid(l_Vendor, l_Product, &l_Optional);
    EXPECT_EQ(kStatusDescriptionInvalid, l_Optional.code);
    std::string l_Name;
    tStatusRecord l_Fixed;
    l_rEmpty.getSmbusFixedResName(l_Name, &l_Fixed);
    EXPECT_EQ(kStatusIniKeyNotFound, l_Fixed.code);
}

TEST_F(DescriptionKeysTest, LinkKeysFollowTheLinkCount) {
    const cSystemModuleDescription& l_rDescription = open(
        "[2LinkBusNumbers]\nLink1=smbus,pop,push0\nLink2=smbus, pop\n"
        "[ModuleParams]\nMaximumLinkWidths=4,4,4\n");
    std::string l_Path;
    tStatusRecord l_Status;
    l_rDescription.getLinkPath(2, 2, l_Path, &l_Status);
    EXPECT_EQ("smbus, pop", l_Path);
    EXPECT_EQ(0, l_Status.code);

    struct tCase {
        int32_t linkCount;
        uint32_t link;
        int32_t status;
    };
    // A 4-link chassis needs [4LinkBusNumbers]; a link count other than 2 or 4 comes
    // from an EEPROM that should not have passed.
    const tCase kCases[] = {{4, 1, kStatusDescriptionInvalid},
                            {2, 3, kStatusDescriptionInvalid},
                            {3, 1, kStatusEepromInvalid}};
    for (const tCase& l_rCase : kCases) {
        tStatusRecord l_CaseStatus;
        l_rDescription.getLinkPath(l_rCase.linkCount, l_rCase.link, l_Path, &l_CaseStatus);
        EXPECT_EQ(l_rCase.status, l_CaseStatus.code) << l_rCase.linkCount << " " << l_rCase.link;
    }

    int32_t l_Widths[6] = {-1, -1, -1, -1, -1, -1};
    tStatusRecord l_WidthStatus;
    l_rDescription.getMaximumLinkWidths(l_Widths, &l_WidthStatus);
    EXPECT_EQ(kStatusDescriptionInvalid, l_WidthStatus.code);
    EXPECT_EQ(4, l_Widths[2]);
    EXPECT_EQ(-1, l_Widths[3]);
}

TEST_F(DescriptionKeysTest, PeerToPeerKeysAreNamedByThePortKey) {
    const cSystemModuleDescription& l_rDescription =
        open("[4LinkP2PConnectivity]\nPorts=00E8,00E8,0100\n00E8=00F0\n");
    std::vector<uint32_t> l_Ports;
    tStatusRecord l_Status;
    l_rDescription.getP2PPorts(4, l_Ports, &l_Status);
    EXPECT_EQ((std::vector<uint32_t>{0xE8, 0xE8, 0x100}), l_Ports);
    std::vector<uint32_t> l_Targets;
    l_rDescription.getP2PTargets(4, 0xE8, l_Targets, &l_Status);
    EXPECT_EQ((std::vector<uint32_t>{0xF0}), l_Targets);
    EXPECT_EQ(0, l_Status.code);
    l_rDescription.getP2PTargets(4, 0x100, l_Targets, &l_Status);
    EXPECT_EQ(kStatusDescriptionInvalid, l_Status.code);

    tStatusRecord l_TwoLinks;
    l_rDescription.getP2PPorts(2, l_Ports, &l_TwoLinks);
    EXPECT_EQ(kStatusDescriptionInvalid, l_TwoLinks.code);
}

}  // namespace
}  // namespace QX_NS
