// PXISA_SystemModule_SMBusOperation: every operation code with its argument rules, how
// the adapter is named, the nesting of operations 10 and 11, and faults of the adapter.
#include <algorithm>
#include <cstring>

#include <gmock/gmock.h>

#include "tests/host/sysmodule/sysModuleHost.h"

namespace smtest {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

constexpr uint8_t kSensor = 0x90;  // bytes 25, 0, 80, 0, 75, then 0

class SysModuleSMBus : public cSysModuleHost {
protected:
    void SetUp() override { start(exampleMachine(), false); }

    struct tResult {
        int32_t status;
        int32_t readCount;
        std::vector<uint8_t> read;  // the first bytes of the read buffer
    };
    tResult op(int32_t a_Operation, int32_t a_Address, int32_t a_Command,
               std::vector<uint8_t> a_Write = {}, int32_t a_WriteCount = -1,
               const char* a_pModule = kEmbeddedName, const char* a_pResource = kEmbeddedList) {
        tResult l_Result{0, -7, std::vector<uint8_t>(4, 0xEE)};
        uint8_t l_Read[256];
        memset(l_Read, 0xEE, sizeof l_Read);
        l_Result.status =
            lib().smbus(a_pModule, a_pResource, a_Operation, a_Address, a_Command, 0,
                        a_WriteCount >= 0 ? a_WriteCount : static_cast<int32_t>(a_Write.size()),
                        a_Write.data(), &l_Result.readCount, l_Read);
        l_Result.read.assign(l_Read, l_Read + 4);
        return l_Result;
    }
    // Adapters opened and closed through the service so far.
    size_t opened() {
        const std::vector<std::string> l_Lines = machine().calls("QXSMBusOpen");
        return static_cast<size_t>(
            std::count_if(l_Lines.begin(), l_Lines.end(), [](const std::string& a_rLine) {
                return a_rLine.find("opened=") != std::string::npos;
            }));
    }
    size_t closed() { return machine().calls("QXSMBusClose").size(); }
};

uint16_t word(const std::vector<uint8_t>& a_rBytes) {
    uint16_t l_Word = 0;
    memcpy(&l_Word, a_rBytes.data(), 2);
    return l_Word;
}

std::vector<uint8_t> bytesOf(uint16_t a_Word) {
    std::vector<uint8_t> l_Bytes(2);
    memcpy(l_Bytes.data(), &a_Word, 2);
    return l_Bytes;
}

TEST_F(SysModuleSMBus, TransactionsOfEveryCode) {
    EXPECT_EQ(op(0, kSensor | 1, 0).status, 0);
    EXPECT_EQ(op(0, kSensor, 0).status, 0);
    EXPECT_EQ(machine().calls("QXSMBusQuickRead").size(), 1u);
    EXPECT_EQ(machine().calls("QXSMBusQuickWrite").size(), 1u);
    EXPECT_THAT(machine().calls("QXSMBusQuickRead")[0], HasSubstr("address=0x91"));

    tResult l_Read = op(4, 0x100 | kSensor, 0x102);  // only the low 8 bits count
    EXPECT_EQ(l_Read.status, 0);
    EXPECT_EQ(l_Read.read[0], 80);
    EXPECT_EQ(l_Read.readCount, -7);  // only a block read reports a count

    EXPECT_EQ(op(3, kSensor, 1, {0x33}).status, 0);
    EXPECT_EQ(op(4, kSensor, 1).read[0], 0x33);

    EXPECT_EQ(op(5, kSensor, 8, bytesOf(0xBEEF)).status, 0);
    l_Read = op(6, kSensor, 8);
    EXPECT_EQ(l_Read.status, 0);
    EXPECT_EQ(word(l_Read.read), 0xBEEF);

    l_Read = op(7, kSensor, 12, bytesOf(0x1234));
    EXPECT_EQ(l_Read.status, 0);
    EXPECT_EQ(word(l_Read.read), 0x1234);

    EXPECT_EQ(op(1, kSensor, 0, {4}).status, 0);  // register pointer to 4
    l_Read = op(2, kSensor, 0);
    EXPECT_EQ(l_Read.status, 0);
    EXPECT_EQ(l_Read.read[0], 75);

    EXPECT_EQ(op(8, kSensor, 0x20, {1, 2, 3}).status, 0);
    l_Read = op(9, kSensor, 0x20);
    EXPECT_EQ(l_Read.status, 0);
    EXPECT_EQ(l_Read.readCount, 32);
    EXPECT_EQ(l_Read.read, (std::vector<uint8_t>{1, 2, 3, 0}));
    EXPECT_EQ(op(9, kSensor, 0xF0).readCount, 16);  // up to the end of the device

    EXPECT_EQ(op(4, 0x52, 0).status, -52011);  // nobody answers there
    // Every transaction opened the adapter for itself and closed it again.
    EXPECT_EQ(opened(), 14u);
    EXPECT_EQ(closed(), 14u);
}

TEST_F(SysModuleSMBus, MissingArgumentsAndUnknownCodes) {
    const uint8_t l_Data[2] = {1, 2};
    uint8_t l_Buffer[256];
    int32_t l_Count = 0;
    struct tCase {
        int32_t operation;
        int32_t writeCount;
        const uint8_t* write;
        int32_t* readCount;
        uint8_t* read;
        int32_t expected;
    };
    const tCase l_Cases[] = {
        {1, 2, l_Data, nullptr, nullptr, kInvalidParameter},
        {1, 1, nullptr, nullptr, nullptr, kInvalidParameter},
        {2, 0, nullptr, nullptr, l_Buffer, kInvalidParameter},
        {2, 0, nullptr, &l_Count, nullptr, kInvalidParameter},
        {3, 0, l_Data, nullptr, nullptr, kInvalidParameter},
        {4, 0, nullptr, &l_Count, nullptr, kInvalidParameter},
        {5, 1, l_Data, nullptr, nullptr, kInvalidParameter},
        {6, 0, nullptr, nullptr, l_Buffer, kInvalidParameter},
        {7, 2, l_Data, nullptr, l_Buffer, kInvalidParameter},
        {7, 2, nullptr, &l_Count, l_Buffer, kInvalidParameter},
        // Block operations check their pointers and the block size too.
        {8, 2, nullptr, nullptr, nullptr, kInvalidParameter},
        {8, 256, l_Data, nullptr, nullptr, kInvalidParameter},
        {8, -1, l_Data, nullptr, nullptr, kInvalidParameter},
        {9, 0, nullptr, nullptr, l_Buffer, kInvalidParameter},
        {9, 0, nullptr, &l_Count, nullptr, kInvalidParameter},
        {12, 0, nullptr, nullptr, nullptr, kFeatureUnsupported},
        {-1, 0, nullptr, nullptr, nullptr, kFeatureUnsupported},
    };
    for (const tCase& l_rCase : l_Cases)
        EXPECT_EQ(lib().smbus(kEmbeddedName, kEmbeddedList, l_rCase.operation, kSensor, 0, 0,
                              l_rCase.writeCount, l_rCase.write, l_rCase.readCount, l_rCase.read),
                  l_rCase.expected)
            << "operation " << l_rCase.operation << " write count " << l_rCase.writeCount;
    // The adapter was opened and released around every check, and nothing was sent.
    const size_t l_Cases_ = sizeof l_Cases / sizeof l_Cases[0];
    EXPECT_EQ(opened(), l_Cases_);
    EXPECT_EQ(closed(), l_Cases_);
    EXPECT_TRUE(machine().calls("QXSMBusWriteBlock").empty());
    EXPECT_EQ(op(11, 0, 0).status, kInvalidParameter);
    // Block sizes 0 and 255 are handed to the adapter as they are (this one refuses 0).
    lib().smbus(kEmbeddedName, kEmbeddedList, 8, kSensor, 0, 0, 0, l_Data, nullptr, nullptr);
    uint8_t l_Block[255] = {};
    EXPECT_EQ(
        lib().smbus(kEmbeddedName, kEmbeddedList, 8, kSensor, 1, 0, 255, l_Block, nullptr, nullptr),
        0);
    const std::vector<std::string> l_Blocks = machine().calls("QXSMBusWriteBlock");
    ASSERT_EQ(l_Blocks.size(), 2u);
    EXPECT_THAT(l_Blocks[0], HasSubstr("count=0 "));
    EXPECT_THAT(l_Blocks[1], HasSubstr("count=255 "));
}

TEST_F(SysModuleSMBus, TheAdapterIsNamedByTheResourceOrTheModuleName) {
    struct tCase {
        const char* module;
        const char* resource;
        int32_t expected;
        const char* opens;  // the resource the service is asked for, "" for none
    };
    const tCase l_Cases[] = {
        {"whatever", "QXSMBUS::16::0::0::0;PXI0::16-0.0::INSTR", 0, "QXSMBUS::16::0::0::0"},
        {"a (QXSMBUS::16::0::0::0) b", "x", 0, "QXSMBUS::16::0::0::0"},
        {kEmbeddedName, "PXI0::0-31.3::INSTR", 0, "QXSMBUS::0::31::3::0"},
        {kEmbeddedName, "x;QXSMBUS::16::0::0::0", 0, "QXSMBUS::0::31::3::0"},  // cut first
        {"Acme C1", "x", kInvalidParameter, ""},
        {"Acme ) C1 (", "x", kInvalidParameter, ""},
        {"Acme C1 (QXSMBUS::0::31::3::0", "x", kInvalidParameter, ""},
        {"Acme C1 (QXSMBUS::99::0::0::0)", "x", -52006, "QXSMBUS::99::0::0::0"},  // unknown
    };
    for (const tCase& l_rCase : l_Cases) {
        machine().clearCalls();
        EXPECT_EQ(op(0, 0xA4, 0, {}, 0, l_rCase.module, l_rCase.resource).status, l_rCase.expected)
            << l_rCase.module << " / " << l_rCase.resource;
        const std::vector<std::string> l_Opens = machine().calls("QXSMBusOpen");
        if (*l_rCase.opens == 0) {
            EXPECT_TRUE(l_Opens.empty()) << l_rCase.module;
        } else {
            ASSERT_EQ(l_Opens.size(), 1u) << l_rCase.module;
            EXPECT_THAT(l_Opens[0] + " ",
                        HasSubstr(std::string("resource=") + l_rCase.opens + " "));
        }
    }
    // The built-in adapter of the HPE systems is reached through the module name only.
    machine().clearCalls();
    const tResult l_Hp = op(4, 0xA4, 0, {}, 0, "Acme C1 (HPSMBUS::EL1000)", "x");
    EXPECT_EQ(l_Hp.status, 0);
    EXPECT_EQ(l_Hp.read[0], 0x5A);
    EXPECT_TRUE(machine().calls("QXSMBusOpen").empty());
}

TEST_F(SysModuleSMBus, OpenAndCloseNestByCount) {
    EXPECT_EQ(op(10, 0, 0).status, 0);
    EXPECT_EQ(op(10, 0, 0).status, 0);
    EXPECT_EQ(op(4, kSensor, 0).status, 0);
    EXPECT_EQ(opened(), 1u);  // the transaction used the adapter held open
    EXPECT_EQ(op(11, 0, 0).status, 0);
    EXPECT_EQ(closed(), 0u);
    EXPECT_EQ(op(11, 0, 0).status, 0);
    EXPECT_EQ(closed(), 1u);
    EXPECT_EQ(op(11, 0, 0).status, kInvalidParameter);
    // Held open by one resource, another adapter opens and closes on its own.
    EXPECT_EQ(op(10, 0, 0).status, 0);
    EXPECT_EQ(op(0, 0xA4, 0, {}, 0, kRemoteName, kRemoteList).status, 0);
    EXPECT_EQ(opened(), 3u);
    EXPECT_EQ(closed(), 2u);
    EXPECT_EQ(op(11, 0, 0).status, 0);
    EXPECT_EQ(closed(), 3u);
}

TEST_F(SysModuleSMBus, AdapterFaultsPassThroughAndTheAdapterIsReleased) {
    json l_Machine = exampleMachine();
    l_Machine["faults"] =
        json::array({{{"function", "QXSMBusReadByte"}, {"status", -52099}},
                     {{"function", "QXSMBusOpen"}, {"status", -52098}, {"fromCall", 3}}});
    start(l_Machine, false);
    EXPECT_EQ(op(4, kSensor, 0).status, -52099);
    EXPECT_EQ(op(10, 0, 0).status, 0);
    EXPECT_EQ(op(4, kSensor, 0).status, -52099);
    EXPECT_EQ(op(11, 0, 0).status, 0);
    EXPECT_EQ(opened(), 2u);
    EXPECT_EQ(closed(), 2u);
    // An adapter that cannot be opened is not registered.
    EXPECT_EQ(op(10, 0, 0).status, -52098);
    EXPECT_EQ(op(11, 0, 0).status, kInvalidParameter);
    EXPECT_EQ(closed(), 2u);
}

}  // namespace
}  // namespace smtest
