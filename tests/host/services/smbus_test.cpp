// The SMBus stand-in, loaded by file name: adapter lists, attributes, and every
// transaction kind against the bytes of the simulated devices.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/services/serviceBindings.h"

namespace {

constexpr int32_t kNotFound = -52006;

nlohmann::json smbusMachine() {
    nlohmann::json l_Machine = nlohmann::json::parse(R"({
      "smbus": {"adapters": [
        {"resource": "QXSMBUS::0::31::3::0", "description": "controller SMBus",
         "attributes": {"1002": 1, "101": 7, "103": "0x8086", "104": "0xA323",
                        "105": 0, "106": 31, "107": 3},
         "devices": {
           "0xA4": {"chassisEeprom": {"vendor": "Quarrix", "model": "QX PXIe-1092",
                                      "serialNumber": "1092B0001", "linkConfiguration": 1}},
           "0x50": {"fill": 0}
         }},
        {"resource": "QXSMBUS::16::0::0::0", "attributes": {"1002": 0, "105": 16}}
      ]}
    })");
    // Device 0x50 counts up: byte i holds i.
    for (int l_Index = 0; l_Index < 256; ++l_Index) {
        l_Machine["smbus"]["adapters"][0]["devices"]["0x50"]["bytes"].push_back(l_Index);
    }
    return l_Machine;
}

class SmBusService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_Bus.QXSMBusOpen("QXSMBUS::0::31::3::0", &m_pSession), 0);
        ASSERT_NE(m_pSession, nullptr);
    }
    void TearDown() override { m_Bus.QXSMBusClose(m_pSession); }

    qxtest::cSimMachine m_Machine{smbusMachine()};
    qxsimtest::tSmBus m_Bus;
    void* m_pSession = nullptr;
};

TEST_F(SmBusService, OpenListHandsOutOneSessionPerAdapterInFileOrder) {
    uint32_t l_Count = 0;
    int32_t l_Status = 1;
    void** l_pList = m_Bus.QXSMBusOpenList(&l_Count, &l_Status);
    ASSERT_EQ(l_Status, 0);
    ASSERT_EQ(l_Count, 2u);
    ASSERT_NE(l_pList, nullptr);
    std::vector<std::string> l_Names;
    for (uint32_t l_Index = 0; l_Index < l_Count; ++l_Index) {
        const char* l_pName = nullptr;
        ASSERT_EQ(m_Bus.QXSMBusGetAttribute(l_pList[l_Index], 301, &l_pName), 0);
        l_Names.push_back(l_pName);
    }
    EXPECT_EQ(l_Names, (std::vector<std::string>{"QXSMBUS::0::31::3::0", "QXSMBUS::16::0::0::0"}));
    int32_t l_Usable = -1;
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(l_pList[1], 1002, &l_Usable), 0);
    EXPECT_EQ(l_Usable, 0);
    // List sessions go back with their list, not one by one.
    EXPECT_LT(m_Bus.QXSMBusClose(l_pList[0]), 0);
    EXPECT_EQ(m_Bus.QXSMBusCloseList(l_Count, l_pList), 0);
}

TEST(SmBusServiceList, NoAdaptersAnswerNotFoundAndANullList) {
    qxtest::cSimMachine l_Machine(nlohmann::json::parse(R"({"smbus": {"adapters": []}})"));
    qxsimtest::tSmBus l_Bus;
    uint32_t l_Count = 5;
    int32_t l_Status = 0;
    EXPECT_EQ(l_Bus.QXSMBusOpenList(&l_Count, &l_Status), nullptr);
    EXPECT_EQ(l_Status, kNotFound);
    EXPECT_EQ(l_Count, 0u);
}

TEST_F(SmBusService, AttributesHaveTheirDocumentedTypesAndTextsStayOwnedByTheSession) {
    uint32_t l_Vendor = 0, l_Product = 0;
    uint16_t l_Bus = 0xFFFF, l_Device = 0, l_Function = 0;
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(m_pSession, 103, &l_Vendor), 0);
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(m_pSession, 104, &l_Product), 0);
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(m_pSession, 105, &l_Bus), 0);
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(m_pSession, 106, &l_Device), 0);
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(m_pSession, 107, &l_Function), 0);
    EXPECT_EQ(std::vector<uint32_t>({l_Vendor, l_Product, l_Bus, l_Device, l_Function}),
              std::vector<uint32_t>({0x8086, 0xA323, 0, 31, 3}));
    // A 16-bit attribute writes 16 bits only.
    std::array<uint16_t, 2> l_Guard = {0xAAAA, 0xAAAA};
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(m_pSession, 106, l_Guard.data()), 0);
    EXPECT_EQ(l_Guard[1], 0xAAAA);

    const char* l_pName = nullptr;
    const char* l_pAgain = nullptr;
    const char* l_pDescription = nullptr;
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(m_pSession, 301, &l_pName), 0);
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(m_pSession, 301, &l_pAgain), 0);
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(m_pSession, 302, &l_pDescription), 0);
    EXPECT_EQ(l_pName, l_pAgain) << "the text is the service's own, not a fresh copy";
    EXPECT_STREQ(l_pName, "QXSMBUS::0::31::3::0");
    EXPECT_STREQ(l_pDescription, "controller SMBus");

    const int32_t l_One = 1;
    ASSERT_EQ(m_Bus.QXSMBusSetAttribute(m_pSession, 1001, &l_One), 0);
    int32_t l_Value = 0;
    ASSERT_EQ(m_Bus.QXSMBusGetAttribute(m_pSession, 1001, &l_Value), 0);
    EXPECT_EQ(l_Value, 1);
    EXPECT_LT(m_Bus.QXSMBusGetAttribute(m_pSession, 999, &l_Value), 0);
    EXPECT_LT(m_Bus.QXSMBusGetAttribute(m_pSession, 103, nullptr), 0);
}

TEST_F(SmBusService, EveryTransactionKindReadsAndWritesTheDeviceBytes) {
    uint8_t l_Byte = 0;
    uint16_t l_Word = 0;
    // Reads of the counting device, with the read bit set or not.
    ASSERT_EQ(m_Bus.QXSMBusReadByte(m_pSession, 0x51, 0x10, 0, &l_Byte), 0);
    EXPECT_EQ(l_Byte, 0x10);
    ASSERT_EQ(m_Bus.QXSMBusReadWord(m_pSession, 0x50, 0x20, 1, &l_Word), 0);
    EXPECT_EQ(l_Word, 0x2120);
    ASSERT_EQ(m_Bus.QXSMBusSendByte(m_pSession, 0x50, 0xFE, 0), 0);
    ASSERT_EQ(m_Bus.QXSMBusReceiveByte(m_pSession, 0x50, 0, &l_Byte), 0);
    EXPECT_EQ(l_Byte, 0xFE);
    ASSERT_EQ(m_Bus.QXSMBusReceiveByte(m_pSession, 0x50, 0, &l_Byte), 0);
    EXPECT_EQ(l_Byte, 0xFF);
    ASSERT_EQ(m_Bus.QXSMBusReceiveByte(m_pSession, 0x50, 0, &l_Byte), 0);
    EXPECT_EQ(l_Byte, 0x00) << "the register pointer wraps";

    // Writes, each read back through another kind.
    ASSERT_EQ(m_Bus.QXSMBusWriteByte(m_pSession, 0x50, 0x30, 0xAB, 0), 0);
    ASSERT_EQ(m_Bus.QXSMBusReadWord(m_pSession, 0x50, 0x30, 0, &l_Word), 0);
    EXPECT_EQ(l_Word, 0x31AB);
    ASSERT_EQ(m_Bus.QXSMBusWriteWord(m_pSession, 0x50, 0x40, 0xBEEF, 0), 0);
    ASSERT_EQ(m_Bus.QXSMBusReadByte(m_pSession, 0x50, 0x41, 0, &l_Byte), 0);
    EXPECT_EQ(l_Byte, 0xBE);
    ASSERT_EQ(m_Bus.QXSMBusProcessCall(m_pSession, 0x50, 0x50, 0x1234, 0, &l_Word), 0);
    EXPECT_EQ(l_Word, 0x1234);
    const uint8_t l_Block[3] = {9, 8, 7};
    ASSERT_EQ(m_Bus.QXSMBusWriteBlock(m_pSession, 0x50, 0x60, 3, l_Block, 0), 0);

    std::array<uint8_t, 256> l_Buffer{};
    uint8_t l_Count = 0;
    ASSERT_EQ(m_Bus.QXSMBusReadBlock(m_pSession, 0x50, 0x60, 0, &l_Count, l_Buffer.data()), 0);
    EXPECT_EQ(l_Count, 32);
    EXPECT_EQ(std::vector<uint8_t>(l_Buffer.begin(), l_Buffer.begin() + 4),
              (std::vector<uint8_t>{9, 8, 7, 0x63}));
    ASSERT_EQ(m_Bus.QXSMBusReadBlock(m_pSession, 0x50, 240, 0, &l_Count, l_Buffer.data()), 0);
    EXPECT_EQ(l_Count, 16) << "a block read stops at the end of the device";
    ASSERT_EQ(m_Bus.QXSMBusReadI2CEEPROM(m_pSession, 0x50, 0x3E, 4, l_Buffer.data()), 0);
    EXPECT_EQ(std::vector<uint8_t>(l_Buffer.begin(), l_Buffer.begin() + 4),
              (std::vector<uint8_t>{0x3E, 0x3F, 0xEF, 0xBE}));
    EXPECT_EQ(m_Bus.QXSMBusQuickWrite(m_pSession, 0x50), 0);
    EXPECT_EQ(m_Bus.QXSMBusQuickRead(m_pSession, 0xA5), 0);

    // Writes last for the next session on the unchanged machine.
    void* l_pOther = nullptr;
    ASSERT_EQ(m_Bus.QXSMBusOpen("QXSMBUS::0::31::3::0", &l_pOther), 0);
    ASSERT_EQ(m_Bus.QXSMBusReadByte(l_pOther, 0x50, 0x30, 0, &l_Byte), 0);
    EXPECT_EQ(l_Byte, 0xAB);
    m_Bus.QXSMBusClose(l_pOther);
}

TEST_F(SmBusService, AbsentDevicesAndOutOfRangeRequestsFailWithoutTouchingTheBuffer) {
    std::array<uint8_t, 256> l_Buffer;
    l_Buffer.fill(0xCC);
    uint8_t l_Byte = 0xCC;
    uint8_t l_Count = 0;
    const std::vector<std::pair<const char*, std::function<int32_t()>>> l_Cases = {
        {"quick read, no device", [&] { return m_Bus.QXSMBusQuickRead(m_pSession, 0x70); }},
        {"read byte, no device",
         [&] { return m_Bus.QXSMBusReadByte(m_pSession, 0x70, 0, 0, &l_Byte); }},
        {"EEPROM beyond 256 bytes",
         [&] { return m_Bus.QXSMBusGetChassisEEPROM(m_pSession, 200, 57, l_Buffer.data()); }},
        {"I2C read beyond 256 bytes",
         [&] { return m_Bus.QXSMBusReadI2CEEPROM(m_pSession, 0x50, 255, 2, l_Buffer.data()); }},
        {"block write beyond 256 bytes",
         [&] { return m_Bus.QXSMBusWriteBlock(m_pSession, 0x50, 254, 3, l_Buffer.data(), 0); }},
        {"read block with no buffer",
         [&] { return m_Bus.QXSMBusReadBlock(m_pSession, 0x50, 0, 0, &l_Count, nullptr); }},
        {"unknown session", [&] { return m_Bus.QXSMBusReadByte(&l_Byte, 0x50, 0, 0, &l_Byte); }},
    };
    for (const auto& [l_pName, l_rCall] : l_Cases) {
        EXPECT_LT(l_rCall(), 0) << l_pName;
    }
    EXPECT_EQ(l_Byte, 0xCC);
    EXPECT_EQ(l_Buffer[0], 0xCC);
    void* l_pSession = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(m_Bus.QXSMBusOpen("QXSMBUS::9::9::9::0", &l_pSession), kNotFound);
    EXPECT_EQ(l_pSession, nullptr);
}

TEST_F(SmBusService, TheChassisEepromImageCarriesSignatureFieldsAndChecksum) {
    std::array<uint8_t, 256> l_Image{};
    ASSERT_EQ(m_Bus.QXSMBusGetChassisEEPROM(m_pSession, 0, 256, l_Image.data()), 0);
    EXPECT_EQ(std::vector<uint8_t>(l_Image.begin(), l_Image.begin() + 3),
              (std::vector<uint8_t>{0x5A, 0x31, 0x00}));
    EXPECT_STREQ(reinterpret_cast<const char*>(&l_Image[5]), "Quarrix");
    EXPECT_STREQ(reinterpret_cast<const char*>(&l_Image[65]), "QX PXIe-1092");
    EXPECT_STREQ(reinterpret_cast<const char*>(&l_Image[106]), "1092B0001");
    EXPECT_EQ(l_Image[124], 1);
    uint32_t l_Sum = 0;
    for (size_t l_Index = 0; l_Index < l_Image.size(); ++l_Index) {
        if (l_Index != 121 && l_Index != 122) {
            l_Sum += l_Image[l_Index];
        }
    }
    EXPECT_EQ(l_Sum & 0xFFFF, l_Image[121] + 256u * l_Image[122]);
    // A part of the image reads the same bytes.
    std::array<uint8_t, 8> l_Part{};
    ASSERT_EQ(m_Bus.QXSMBusGetChassisEEPROM(m_pSession, 65, 8, l_Part.data()), 0);
    EXPECT_EQ(std::memcmp(l_Part.data(), &l_Image[65], 8), 0);
}

TEST_F(SmBusService, ParallelTransactionsOnSeveralSessionsStayConsistent) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    std::vector<std::thread> l_Threads;
    std::vector<int> l_Failures(kThreads, 0);
    for (int l_Thread = 0; l_Thread < kThreads; ++l_Thread) {
        l_Threads.emplace_back([&, l_Thread] {
            void* l_pSession = nullptr;
            if (m_Bus.QXSMBusOpen("QXSMBUS::0::31::3::0", &l_pSession) != 0) {
                ++l_Failures[l_Thread];
                return;
            }
            const uint8_t l_Register = static_cast<uint8_t>(0x80 + 2 * l_Thread);
            for (int l_Round = 0; l_Round < kRounds; ++l_Round) {
                const uint16_t l_Value = static_cast<uint16_t>(l_Thread * 1000 + l_Round);
                uint16_t l_Back = 0;
                std::array<uint8_t, 256> l_Image{};
                if (m_Bus.QXSMBusWriteWord(l_pSession, 0x50, l_Register, l_Value, 0) != 0 ||
                    m_Bus.QXSMBusReadWord(l_pSession, 0x50, l_Register, 0, &l_Back) != 0 ||
                    l_Back != l_Value ||
                    m_Bus.QXSMBusGetChassisEEPROM(l_pSession, 0, 256, l_Image.data()) != 0 ||
                    l_Image[0] != 0x5A) {
                    ++l_Failures[l_Thread];
                }
            }
            m_Bus.QXSMBusClose(l_pSession);
        });
    }
    for (std::thread& l_rThread : l_Threads) {
        l_rThread.join();
    }
    EXPECT_EQ(l_Failures, std::vector<int>(kThreads, 0));
}

}  // namespace
