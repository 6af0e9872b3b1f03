// The built-in adapter of the HPE Edgeline EL1000 / EL4000: its chassis EEPROM image,
// the serial number taken from SMBIOS, and reads that never leave the 256-byte image.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/pxismbuswrapper/cHpeSMBusWrapper.h"
#include "smbus_test_support.h"
#include "tests/support/qxTestSupport.h"

namespace QX_NS {
namespace {

using tImage = std::array<uint8_t, 256>;

// The image as the two models define it, written out independently of the adapter.
tImage expectedImage(bool a_Is4000, const std::string& a_rSerial) {
    tImage l_Image{};
    l_Image[0] = 0x5A;
    l_Image[1] = 0x31;
    l_Image[3] = 4;
    const std::string l_Maker = "Hewlett Packard Enterprise";
    memcpy(&l_Image[5], l_Maker.c_str(), l_Maker.size());
    const std::string l_Model = a_Is4000 ? "HPE Edgeline EL4000 PXI" : "HPE Edgeline EL1000 PXI";
    memcpy(&l_Image[65], l_Model.c_str(), l_Model.size());
    l_Image[105] = 0x41;
    memcpy(&l_Image[106], a_rSerial.c_str(), a_rSerial.size());
    l_Image[119] = a_Is4000 ? 5 : 3;
    l_Image[120] = a_Is4000 ? 4 : 2;
    l_Image[123] = 1;
    l_Image[124] = a_Is4000 ? 0 : 1;
    l_Image[125] = 11;
    l_Image[126] = 11;
    l_Image[127] = a_Is4000 ? 11 : 1;
    if (a_Is4000) {
        const uint8_t l_Slots[] = {11, 2, 1, 1, 11, 3, 1, 1, 11, 4, 1, 1, 11, 5, 1, 1};
        memcpy(&l_Image[128], l_Slots, sizeof(l_Slots));
        l_Image[144] = 11;
    } else {
        const uint8_t l_Slots[] = {1, 2, 0x32, 3, 11, 3, 0x31, 3, 11};
        memcpy(&l_Image[128], l_Slots, sizeof(l_Slots));
    }
    uint32_t l_Sum = 0;
    for (size_t l_Index = 0; l_Index < l_Image.size(); ++l_Index) {
        if (l_Index != 121 && l_Index != 122) {
            l_Sum += l_Image[l_Index];
        }
    }
    l_Image[121] = static_cast<uint8_t>(l_Sum & 0xFF);
    l_Image[122] = static_cast<uint8_t>((l_Sum >> 8) & 0xFF);
    return l_Image;
}

tImage readImage(cHpeSMBusWrapper& a_rAdapter, tStatusRecord& a_rStatus) {
    tImage l_Image{};
    a_rAdapter.ReadChassisEEPROM(l_Image.data(), &a_rStatus);
    return l_Image;
}

// Opens the adapter in a child process that sees a_rDump as the machine's SMBIOS dump
// (no dump at all when a_rDump is empty) and compares the image with the expectation.
void checkImageWithDump(const char* a_pResource, const std::vector<uint8_t>& a_rDump,
                        const tImage& a_rExpected) {
    qxtest::cTempDir l_Dir;
    std::string l_DumpPath;
    if (!a_rDump.empty()) {
        l_DumpPath = l_Dir.writeFile(
            "smbiosdmp",
            std::string(reinterpret_cast<const char*>(a_rDump.data()), a_rDump.size()));
    }
    const qxtest::tChildResult l_Result = qxtest::runWithSmbiosDump(l_DumpPath, [&]() {
        cHpeSMBusWrapper l_Adapter;
        tStatusRecord l_Status;
        l_Adapter.Open(a_pResource, &l_Status);
        const tImage l_Image = readImage(l_Adapter, l_Status);
        if (l_Status.code != 0) {
            printf("status %lld\n", static_cast<long long>(l_Status.code));
            return 1;
        }
        for (size_t l_Index = 0; l_Index < l_Image.size(); ++l_Index) {
            if (l_Image[l_Index] != a_rExpected[l_Index]) {
                printf("byte %zu: %u, expected %u\n", l_Index, l_Image[l_Index],
                       a_rExpected[l_Index]);
                return 2;
            }
        }
        return 0;
    });
    if (l_Result.skipped) {
        GTEST_SKIP() << l_Result.skipReason;
    }
    EXPECT_TRUE(l_Result.exited);
    EXPECT_EQ(0, l_Result.exitCode) << a_pResource << ": " << l_Result.stdOut << l_Result.stdErr;
}

TEST(HpeSMBusImageTest, MatchesBothModelsByteForByteWithTheSmbiosSerial) {
    const std::vector<uint8_t> l_Dump = smbustest::smbiosDumpWithSerial("CZ12345678AB");
    checkImageWithDump("HPSMBUS::EL1000", l_Dump, expectedImage(false, "CZ12345678AB"));
    checkImageWithDump("HPSMBUS::EL4000", l_Dump, expectedImage(true, "CZ12345678AB"));
}

TEST(HpeSMBusImageTest, SerialThatCannotBeReadGivesUnknownWithoutError) {
    // 13 characters do not fit the 12-character field: the lookup reports a buffer too
    // small. No dump at all, a dump without an enclosure structure and one whose serial
    // field holds no string (a warning of the lookup) do the same: no warning either.
    checkImageWithDump("HPSMBUS::EL4000", smbustest::smbiosDumpWithoutSerialString(),
                       expectedImage(true, "Unknown"));
    checkImageWithDump("HPSMBUS::EL4000", smbustest::smbiosDumpWithSerial("CZ12345678ABC"),
                       expectedImage(true, "Unknown"));
    checkImageWithDump("HPSMBUS::EL1000", {}, expectedImage(false, "Unknown"));
    checkImageWithDump("HPSMBUS::EL1000", smbustest::smbiosDumpWithSerial(""),
                       expectedImage(false, "Unknown"));
}

TEST(HpeSMBusImageTest, ChecksumCoversEveryOtherByte) {
    cHpeSMBusWrapper l_Adapter;
    tStatusRecord l_Status;
    l_Adapter.Open("HPSMBUS::EL4000", &l_Status);
    ASSERT_FALSE(l_Status.isError());
    const uint8_t* l_pImage = l_Adapter.image();
    uint32_t l_Sum = 0;
    for (size_t l_Index = 0; l_Index < 256; ++l_Index) {
        if (l_Index != 121 && l_Index != 122) {
            l_Sum += l_pImage[l_Index];
        }
    }
    EXPECT_EQ(l_Sum & 0xFFFF, static_cast<uint32_t>(l_pImage[121] | (l_pImage[122] << 8)));
}

TEST(HpeSMBusOpenTest, AcceptsOnlyTheTwoModels) {
    const char* const kNames[] = {"HPSMBUS::EL2000", "HPSMBUS::", "HPSMBUS::el1000", "", nullptr};
    for (const char* l_pName : kNames) {
        cHpeSMBusWrapper l_Adapter;
        tStatusRecord l_Status;
        l_Adapter.Open(l_pName, &l_Status);
        EXPECT_EQ(qxapalerr_invalidParameter, l_Status.code) << (l_pName ? l_pName : "null");
        std::string l_Name;
        tStatusRecord l_NameStatus;
        l_Adapter.GetResourceName(l_Name, &l_NameStatus);
        EXPECT_EQ(qxapalerr_softwareFaultAPALInternalUseOnly, l_NameStatus.code);
    }
}

class HpeSMBusOperationTest : public ::testing::Test {
protected:
    void SetUp() override {
        tStatusRecord l_Status;
        m_Adapter.Open("HPSMBUS::EL1000", &l_Status);
        ASSERT_FALSE(l_Status.isError());
    }
    cHpeSMBusWrapper m_Adapter;
};

TEST_F(HpeSMBusOperationTest, ReadsComeFromTheImage) {
    const uint8_t* l_pImage = m_Adapter.image();
    tStatusRecord l_Status;
    uint8_t l_Byte = 0;
    m_Adapter.ReadByte(0xA4, 124, 0, &l_Byte, &l_Status);
    EXPECT_EQ(1, l_Byte);
    uint16_t l_Word = 0;
    m_Adapter.ReadWord(0xA4, 0, 0, &l_Word, &l_Status);
    EXPECT_EQ(0x315A, l_Word);
    uint8_t l_Block[256] = {};
    uint8_t l_Count = 0;
    m_Adapter.ReadBlock(0xA4, 240, 0, &l_Count, l_Block, &l_Status);
    EXPECT_EQ(16, l_Count);
    EXPECT_EQ(0, memcmp(l_Block, l_pImage + 240, 16));
    m_Adapter.ReadBlock(0xA4, 100, 0, &l_Count, l_Block, &l_Status);
    EXPECT_EQ(32, l_Count);
    EXPECT_EQ(0, memcmp(l_Block, l_pImage + 100, 32));
    uint8_t l_Part[8] = {};
    m_Adapter.GetChassisEEPROM(248, 8, l_Part, &l_Status);
    EXPECT_EQ(0, memcmp(l_Part, l_pImage + 248, 8));
    m_Adapter.ReadI2CEEPROM(0xA4, 65, 8, l_Part, &l_Status);
    EXPECT_EQ(0, memcmp(l_Part, "HPE Edge", 8));
    std::string l_Name;
    m_Adapter.GetResourceName(l_Name, &l_Status);
    EXPECT_EQ("HPSMBUS::EL1000", l_Name);
    EXPECT_EQ(0, l_Status.code);
}

TEST_F(HpeSMBusOperationTest, RefusesWhatItCannotServe) {
    uint8_t l_Byte = 0;
    uint16_t l_Word = 0;
    uint8_t l_Buffer[300] = {};
    uint8_t l_Count = 0;
    struct tCase {
        const char* what;
        int32_t expected;
        std::function<void(tStatusRecord*)> call;
    };
    const tCase kCases[] = {
        {"quick write", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.QuickWrite(0xA4, a_p); }},
        {"quick read", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.QuickRead(0xA5, a_p); }},
        {"send byte", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.SendByte(0xA4, 1, 0, a_p); }},
        {"receive byte", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.ReceiveByte(0xA4, 0, &l_Byte, a_p); }},
        {"write byte", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.WriteByte(0xA4, 0, 1, 0, a_p); }},
        {"write word", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.WriteWord(0xA4, 0, 1, 0, a_p); }},
        {"process call", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.ProcessCall(0xA4, 0, 1, 0, &l_Word, a_p); }},
        {"write block", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.WriteBlock(0xA4, 0, 1, l_Buffer, 0, a_p); }},
        {"read byte elsewhere", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.ReadByte(0xA6, 0, 0, &l_Byte, a_p); }},
        {"read word at an odd offset", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.ReadWord(0xA4, 3, 0, &l_Word, a_p); }},
        {"read block elsewhere", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.ReadBlock(0x50, 0, 0, &l_Count, l_Buffer, a_p); }},
        {"i2c read elsewhere", qxapalerr_featureUnsupported,
         [&](tStatusRecord* a_p) { m_Adapter.ReadI2CEEPROM(0xA0, 0, 1, l_Buffer, a_p); }},
        // Reads that would run past the 256-byte image.
        {"eeprom past the end", qxapalerr_invalidParameter,
         [&](tStatusRecord* a_p) { m_Adapter.GetChassisEEPROM(200, 57, l_Buffer, a_p); }},
        {"eeprom huge length", qxapalerr_invalidParameter,
         [&](tStatusRecord* a_p) { m_Adapter.GetChassisEEPROM(0, 0xFFFFFFFF, l_Buffer, a_p); }},
        {"i2c past the end", qxapalerr_invalidParameter,
         [&](tStatusRecord* a_p) { m_Adapter.ReadI2CEEPROM(0xA4, 255, 2, l_Buffer, a_p); }},
    };
    for (const tCase& l_rCase : kCases) {
        tStatusRecord l_Status;
        l_rCase.call(&l_Status);
        EXPECT_EQ(l_rCase.expected, l_Status.code) << l_rCase.what;
    }
    // The last byte itself is within the image.
    tStatusRecord l_Status;
    m_Adapter.GetChassisEEPROM(200, 56, l_Buffer, &l_Status);
    EXPECT_EQ(0, l_Status.code);
}

TEST_F(HpeSMBusOperationTest, CloseForgetsTheModelButKeepsTheImage) {
    m_Adapter.Close();
    tStatusRecord l_Status;
    std::string l_Name;
    m_Adapter.GetResourceName(l_Name, &l_Status);
    EXPECT_EQ(qxapalerr_softwareFaultAPALInternalUseOnly, l_Status.code);
    EXPECT_EQ(0x5A, m_Adapter.image()[0]);
}

}  // namespace
}  // namespace QX_NS
