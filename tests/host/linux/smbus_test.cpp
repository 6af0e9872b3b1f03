// The i2c-dev SMBus service on a fake machine: adapters found in a fake sysfs tree,
// transactions run through the fake i2c-dev layer of the service's test build.
#include <gtest/gtest.h>
#include <glob.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/linux/fakeSmBusTree.h"
#include "tests/host/linux/linuxServices.h"

namespace {

using qxlinuxtest::cFakeSmBusTree;
using qxlinuxtest::tSmBus;

constexpr uint8_t kEeprom = 0xA4;

std::vector<uint8_t> pattern() {
    std::vector<uint8_t> l_Bytes(256);
    for (size_t l_Index = 0; l_Index < l_Bytes.size(); ++l_Index) {
        l_Bytes[l_Index] = static_cast<uint8_t>(l_Index ^ 0x5A);
    }
    return l_Bytes;
}

// The adapter list, closed on every path.
class cList {
public:
    explicit cList(tSmBus& a_rBus) : m_rBus(a_rBus) {
        m_pSessions = m_rBus.QXSMBusOpenList(&m_Count, &m_Status);
    }
    ~cList() {
        if (m_pSessions != nullptr) {
            m_rBus.QXSMBusCloseList(m_Count, m_pSessions);
        }
    }
    int32_t status() const { return m_Status; }
    uint32_t count() const { return m_Count; }
    void* operator[](uint32_t a_Index) const { return m_pSessions[a_Index]; }

private:
    tSmBus& m_rBus;
    uint32_t m_Count = 99;
    int32_t m_Status = 99;
    void** m_pSessions = nullptr;
};

std::string text(tSmBus& a_rBus, void* a_pSession, uint32_t a_Attribute) {
    const char* l_pText = nullptr;
    EXPECT_EQ(a_rBus.QXSMBusGetAttribute(a_pSession, a_Attribute, &l_pText), 0);
    return l_pText == nullptr ? std::string("(null)") : std::string(l_pText);
}

class LinuxSmBus : public ::testing::Test {
protected:
    void SetUp() override {
        // Two ports of one SMBus controller, and adapters that are no SMBus controller
        // of domain 0: a graphics card's DDC, another domain's, a platform one.
        m_Tree.addAdapter(3, "0000:00:1f.4", "SMBus I801 adapter at efa0");
        m_Tree.addAdapter(4, "0000:00:1f.4", "SMBus I801 aux port");
        m_Tree.addAdapter(6, "0000:00:02.0", "i915 gmbus dpb", 0x030000);
        m_Tree.addAdapter(7, "0001:00:1f.4", "SMBus other domain");
        m_Tree.addPlatformAdapter(5);
        m_Tree.writeNode(3, qxlinuxtest::deviceLine(kEeprom, pattern()) +
                                "nack 50\ntimeout 52\nbusy 54\npecerror 56\nclaimed 58\n");
    }

    cFakeSmBusTree m_Tree;
    tSmBus m_Bus{qxlinuxtest::fakeSmBusService()};
};

TEST_F(LinuxSmBus, ListsThePciSmBusControllersWithTheirIdentity) {
    cList l_List(m_Bus);
    ASSERT_EQ(l_List.status(), 0);
    ASSERT_EQ(l_List.count(), 2u);
    EXPECT_EQ(text(m_Bus, l_List[0], 301), "QXSMBUS::0::31::4::0");
    EXPECT_EQ(text(m_Bus, l_List[1], 301), "QXSMBUS::0::31::4::1");
    EXPECT_EQ(text(m_Bus, l_List[0], 302), "SMBus I801 adapter at efa0 (" + m_Tree.node(3) + ")");
    struct {
        uint32_t attribute;
        uint32_t value;
    } const l_Numbers[] = {{101, 0x1028}, {102, 0x0869}, {103, 0x8086}, {104, 0xa323}};
    for (const auto& l_rCase : l_Numbers) {
        uint32_t l_Value = 0;
        EXPECT_EQ(m_Bus.QXSMBusGetAttribute(l_List[0], l_rCase.attribute, &l_Value), 0);
        EXPECT_EQ(l_Value, l_rCase.value) << l_rCase.attribute;
    }
    uint16_t l_Address[3] = {9, 9, 9};
    for (uint32_t l_Attribute = 105; l_Attribute <= 107; ++l_Attribute) {
        EXPECT_EQ(m_Bus.QXSMBusGetAttribute(l_List[0], l_Attribute, &l_Address[l_Attribute - 105]),
                  0);
    }
    EXPECT_EQ(l_Address[0], 0);
    EXPECT_EQ(l_Address[1], 31);
    EXPECT_EQ(l_Address[2], 4);
    int32_t l_Usable = 0, l_Opened = 1;
    EXPECT_EQ(m_Bus.QXSMBusGetAttribute(l_List[0], 1002, &l_Usable), 0);
    EXPECT_EQ(l_Usable, 1);
    EXPECT_EQ(m_Bus.QXSMBusSetAttribute(l_List[0], 1001, &l_Opened), 0);
    l_Opened = 0;
    EXPECT_EQ(m_Bus.QXSMBusGetAttribute(l_List[0], 1001, &l_Opened), 0);
    EXPECT_EQ(l_Opened, 1);
    EXPECT_EQ(m_Bus.QXSMBusSetAttribute(l_List[0], 103, &l_Opened),
              QXSMBUS_LINUX_FEATURE_UNSUPPORTED);
    // Listing opens no device node.
    EXPECT_TRUE(m_Tree.log().empty());
    // A list's session is returned with its list, not alone.
    EXPECT_EQ(m_Bus.QXSMBusClose(l_List[0]), QXSMBUS_LINUX_INVALID_PARAMETER);
}

TEST(LinuxSmBusEmpty, NoAdapterIsNotFoundWithAnEmptyList) {
    cFakeSmBusTree l_Tree;
    l_Tree.addPlatformAdapter(0);
    tSmBus l_Bus(qxlinuxtest::fakeSmBusService());
    uint32_t l_Count = 5;
    int32_t l_Status = 0;
    EXPECT_EQ(l_Bus.QXSMBusOpenList(&l_Count, &l_Status), nullptr);
    EXPECT_EQ(l_Status, QXSMBUS_LINUX_NOT_FOUND);
    EXPECT_EQ(l_Count, 0u);
    void* l_pSession = reinterpret_cast<void*>(1);
    EXPECT_EQ(l_Bus.QXSMBusOpen("QXSMBUS::0::31::4::0", &l_pSession), QXSMBUS_LINUX_NOT_FOUND);
    EXPECT_EQ(l_pSession, nullptr);
}

// Every transaction of the contract is one I2C_SMBUS ioctl of the matching kind, in
// the right direction; the fake device keeps what is written.
TEST_F(LinuxSmBus, EveryTransactionIsOneIoctlOfItsKind) {
    void* l_pSession = nullptr;
    ASSERT_EQ(m_Bus.QXSMBusOpen("QXSMBUS::0::31::4::0", &l_pSession), 0);
    const std::vector<uint8_t> l_Image = pattern();
    const std::string l_Node = m_Tree.node(3) + " SMBUS ";
    auto l_Last = [&] {
        std::string l_Line;
        for (const std::string& l_rLine : m_Tree.log()) {
            if (l_rLine.compare(0, l_Node.size(), l_Node) == 0) {
                l_Line = l_rLine.substr(l_Node.size());
            }
        }
        return l_Line;
    };
    uint8_t l_Byte = 0;
    uint16_t l_Word = 0;
    EXPECT_EQ(m_Bus.QXSMBusQuickWrite(l_pSession, kEeprom), 0);
    EXPECT_EQ(l_Last(), "W A4 00 0 pec=0");
    EXPECT_EQ(m_Bus.QXSMBusQuickRead(l_pSession, kEeprom | 1), 0);
    EXPECT_EQ(l_Last(), "R A4 00 0 pec=0");
    EXPECT_EQ(m_Bus.QXSMBusSendByte(l_pSession, kEeprom, 0x10, 0), 0);
    EXPECT_EQ(l_Last(), "W A4 10 1 pec=0");
    EXPECT_EQ(m_Bus.QXSMBusReceiveByte(l_pSession, kEeprom, 0, &l_Byte), 0);
    EXPECT_EQ(l_Last(), "R A4 00 1 pec=0");
    EXPECT_EQ(l_Byte, l_Image[0x10]);
    EXPECT_EQ(m_Bus.QXSMBusWriteByte(l_pSession, kEeprom, 0x20, 0x77, 1), 0);
    EXPECT_EQ(l_Last(), "W A4 20 2 pec=1");
    EXPECT_EQ(m_Bus.QXSMBusReadByte(l_pSession, kEeprom, 0x20, 0, &l_Byte), 0);
    EXPECT_EQ(l_Last(), "R A4 20 2 pec=0");
    EXPECT_EQ(l_Byte, 0x77);
    EXPECT_EQ(m_Bus.QXSMBusWriteWord(l_pSession, kEeprom, 0x30, 0xBEEF, 0), 0);
    EXPECT_EQ(l_Last(), "W A4 30 3 pec=0");
    EXPECT_EQ(m_Bus.QXSMBusReadWord(l_pSession, kEeprom, 0x30, 0, &l_Word), 0);
    EXPECT_EQ(l_Last(), "R A4 30 3 pec=0");
    EXPECT_EQ(l_Word, 0xBEEF);
    EXPECT_EQ(m_Bus.QXSMBusProcessCall(l_pSession, kEeprom, 0x40, 0x1234, 0, &l_Word), 0);
    EXPECT_EQ(l_Last(), "W A4 40 4 pec=0");
    EXPECT_EQ(l_Word, static_cast<uint16_t>(~0x1234));
    const uint8_t l_Block[3] = {1, 2, 3};
    EXPECT_EQ(m_Bus.QXSMBusWriteBlock(l_pSession, kEeprom, 0x50, 3, l_Block, 0), 0);
    EXPECT_EQ(l_Last(), "W A4 50 5 pec=0");
    uint8_t l_Count = 0;
    uint8_t l_Read[256] = {};
    EXPECT_EQ(m_Bus.QXSMBusReadBlock(l_pSession, kEeprom, 0x50, 0, &l_Count, l_Read), 0);
    EXPECT_EQ(l_Last(), "R A4 50 5 pec=0");
    ASSERT_EQ(l_Count, 3);
    EXPECT_EQ(std::memcmp(l_Read, l_Block, 3), 0);
    EXPECT_EQ(m_Bus.QXSMBusClose(l_pSession), 0);
    EXPECT_EQ(m_Bus.QXSMBusClose(l_pSession), QXSMBUS_LINUX_INVALID_PARAMETER);
}

// EEPROM reads use reads only: I2C block reads where the adapter has them, else bytes.
TEST_F(LinuxSmBus, EepromReadsAreReadsOnly) {
    for (const char* l_pFuncs : {"", "funcs 0x00080000\n"}) {  // all; byte data only
        SCOPED_TRACE(l_pFuncs);
        m_Tree.writeNode(3, std::string(l_pFuncs) + qxlinuxtest::deviceLine(kEeprom, pattern()) +
                                qxlinuxtest::deviceLine(0xA0, {0x11, 0x22, 0x33}));
        void* l_pSession = nullptr;
        ASSERT_EQ(m_Bus.QXSMBusOpen("QXSMBUS::0::31::4::0", &l_pSession), 0);
        std::vector<uint8_t> l_Eeprom(256);
        EXPECT_EQ(m_Bus.QXSMBusGetChassisEEPROM(l_pSession, 0, 256, l_Eeprom.data()), 0);
        EXPECT_EQ(l_Eeprom, pattern());
        uint8_t l_Part[3] = {};
        EXPECT_EQ(m_Bus.QXSMBusReadI2CEEPROM(l_pSession, 0xA0, 0, 3, l_Part), 0);
        EXPECT_EQ(l_Part[2], 0x33);
        EXPECT_EQ(m_Bus.QXSMBusGetChassisEEPROM(l_pSession, 200, 57, l_Eeprom.data()),
                  QXSMBUS_LINUX_INVALID_PARAMETER);
        EXPECT_EQ(m_Bus.QXSMBusClose(l_pSession), 0);
    }
    EXPECT_TRUE(m_Tree.writes().empty()) << m_Tree.writes().front();
}

// QXPXI_SMBUS_EEPROM_ADDRESS moves the chassis EEPROM; a value that is not one byte
// leaves it at 0xA4.
TEST_F(LinuxSmBus, TheChassisEepromAddressCanBeMoved) {
    std::vector<uint8_t> l_Other = pattern();
    l_Other[1] = 0x31;
    m_Tree.writeNode(3, qxlinuxtest::deviceLine(0xAE, l_Other) +
                            qxlinuxtest::deviceLine(0x02, l_Other) +
                            qxlinuxtest::deviceLine(kEeprom, pattern()));
    struct {
        const char* value;
        uint8_t second;  // the EEPROM's second byte: 0x31 moved, else the one at 0xA4
    } const l_Cases[] = {{"0xAE", 0x31},         {"0x02", 0x31},     {"0x1zz", pattern()[1]},
                         {"256", pattern()[1]},  {"", pattern()[1]}, {"-1", pattern()[1]},
                         {"0xAE ", pattern()[1]}};
    for (const auto& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.value);
        qxtest::cScopedEnv l_Address("QXPXI_SMBUS_EEPROM_ADDRESS", std::string(l_rCase.value));
        void* l_pSession = nullptr;
        ASSERT_EQ(m_Bus.QXSMBusOpen("QXSMBUS::0::31::4::0", &l_pSession), 0);
        uint8_t l_Start[3] = {};
        EXPECT_EQ(m_Bus.QXSMBusGetChassisEEPROM(l_pSession, 0, 3, l_Start), 0);
        EXPECT_EQ(l_Start[1], l_rCase.second);
        EXPECT_EQ(m_Bus.QXSMBusClose(l_pSession), 0);
    }
}

// An adapter whose parent PCI device does not show its class, vendor or device as a
// number is no SMBus controller the service can name: it is not listed.
TEST(LinuxSmBusSysfs, AParentWithoutReadableIdsIsNotListed) {
    struct {
        const char* file;
        const char* text;  // null: the file is missing
    } const l_Cases[] = {{"class", nullptr}, {"vendor", nullptr},      {"device", nullptr},
                         {"class", "zz\n"},  {"vendor", "\n"},         {"device", "0xa3zz\n"},
                         {"vendor", "-1\n"}, {"class", "0x0c0500 x\n"}};
    for (const auto& l_rCase : l_Cases) {
        SCOPED_TRACE(std::string(l_rCase.file) + " " + (l_rCase.text ? l_rCase.text : "missing"));
        cFakeSmBusTree l_Tree;
        l_Tree.addAdapter(3, "0000:00:1f.4", "SMBus I801 adapter at efa0");
        l_Tree.addAdapter(4, "0000:00:1f.3", "SMBus second controller");
        const std::string l_File =
            "sys/devices/pci0000:00/0000:00:1f.4/" + std::string(l_rCase.file);
        if (l_rCase.text == nullptr) {
            unlink(l_Tree.dir().file(l_File).c_str());
        } else {
            l_Tree.dir().writeFile(l_File, l_rCase.text);
        }
        tSmBus l_Bus(qxlinuxtest::fakeSmBusService());
        cList l_List(l_Bus);
        ASSERT_EQ(l_List.count(), 1u);
        EXPECT_EQ(text(l_Bus, l_List[0], 301), "QXSMBUS::0::31::3::0");
    }
}

// Each failure of the bus or of the device node is its own status, and the session's
// last error names the device node. A node that is not the listed adapter's i2c-dev
// device is refused before any ioctl; an adapter's answer of the wrong length never
// reaches the caller's buffer.
TEST_F(LinuxSmBus, FailuresAreDistinctStatusesNamingTheNode) {
    const std::string l_Device = qxlinuxtest::deviceLine(kEeprom, pattern());
    const std::string l_Target = m_Tree.dir().writeFile("elsewhere", l_Device);
    struct {
        const char* what;
        std::string node;  // text of /dev/i2c-3, "-" unchanged, "" removed, "@" a link
        uint8_t address;
        int32_t pec;
        bool eeprom;  // a 3-byte EEPROM read instead of a byte read
        int32_t status;
        const char* words;
    } const l_Cases[] = {
        {"nack", "-", 0x50, 0, false, QXSMBUS_LINUX_NO_ACKNOWLEDGE, "no acknowledge"},
        {"absent device", "-", 0x60, 0, false, QXSMBUS_LINUX_NO_ACKNOWLEDGE, "no acknowledge"},
        {"timeout", "-", 0x52, 0, false, QXSMBUS_LINUX_TIMEOUT, "timed out"},
        {"busy", "-", 0x54, 0, false, QXSMBUS_LINUX_BUSY, "busy"},
        {"pec", "-", 0x56, 1, false, QXSMBUS_LINUX_PEC_ERROR, "PEC"},
        {"claimed", "-", 0x58, 0, false, QXSMBUS_LINUX_BUSY, "kernel driver"},
        {"no pec", "funcs 0x00080000\n", kEeprom, 1, false, QXSMBUS_LINUX_FEATURE_UNSUPPORTED,
         "PEC"},
        {"empty block", l_Device + "blocklength A4 0\n", kEeprom, 0, true, QXSMBUS_LINUX_IO_ERROR,
         "wrong length"},
        {"block longer than asked", l_Device + "blocklength A4 32\n", kEeprom, 0, true,
         QXSMBUS_LINUX_IO_ERROR, "wrong length"},
        {"permission", "refuse EACCES\n", kEeprom, 0, false, QXSMBUS_LINUX_PERMISSION_DENIED,
         "permission denied"},
        {"missing node", "", kEeprom, 0, false, QXSMBUS_LINUX_NO_DEVICE_NODE, "i2c-dev"},
        {"symbolic link", "@", kEeprom, 0, false, QXSMBUS_LINUX_NO_DEVICE_NODE, "symbolic link"},
        {"regular file", "stat regular\n" + l_Device, kEeprom, 0, false,
         QXSMBUS_LINUX_NO_DEVICE_NODE, "not an i2c-dev device node"},
        {"another major", "stat char 4 3\n" + l_Device, kEeprom, 0, false,
         QXSMBUS_LINUX_NO_DEVICE_NODE, "not an i2c-dev device node"},
        {"another adapter's node", "stat char 89 7\n" + l_Device, kEeprom, 0, false,
         QXSMBUS_LINUX_NOT_FOUND, "adapter 7"},
    };
    for (const auto& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.what);
        if (l_rCase.node.empty()) {
            m_Tree.removeNode(3);
        } else if (l_rCase.node == "@") {
            m_Tree.linkNode(3, l_Target);
        } else if (l_rCase.node != "-") {
            m_Tree.writeNode(3, l_rCase.node);
        }
        void* l_pSession = nullptr;
        ASSERT_EQ(m_Bus.QXSMBusOpen("QXSMBUS::0::31::4::0", &l_pSession), 0);
        const size_t l_Logged = m_Tree.log().size();
        uint8_t l_Bytes[40];
        std::memset(l_Bytes, 0xEE, sizeof(l_Bytes));
        if (l_rCase.eeprom) {
            EXPECT_EQ(m_Bus.QXSMBusReadI2CEEPROM(l_pSession, l_rCase.address, 0, 3, l_Bytes),
                      l_rCase.status);
            EXPECT_EQ(l_Bytes[3], 0xEE) << "written beyond the 3 bytes asked for";
        } else {
            EXPECT_EQ(m_Bus.QXSMBusReadByte(l_pSession, l_rCase.address, 0, l_rCase.pec, l_Bytes),
                      l_rCase.status);
            EXPECT_EQ(l_Bytes[0], 0xEE);
        }
        const std::string l_Error = text(m_Bus, l_pSession, QXSMBUS_LINUX_ATTR_LAST_ERROR);
        EXPECT_NE(l_Error.find(m_Tree.node(3)), std::string::npos) << l_Error;
        EXPECT_NE(l_Error.find(l_rCase.words), std::string::npos) << l_Error;
        if (l_rCase.status == QXSMBUS_LINUX_NO_DEVICE_NODE ||
            l_rCase.status == QXSMBUS_LINUX_NOT_FOUND) {
            EXPECT_EQ(m_Tree.log().size(), l_Logged) << "an ioctl on a refused node";
        }
        EXPECT_EQ(m_Bus.QXSMBusClose(l_pSession), 0);
    }
}

// When i2c-3 is no longer the adapter that was listed (the adapters were renumbered
// after a module reload), a session refuses to talk to it, even one whose node was
// open while the adapter went away.
TEST_F(LinuxSmBus, ARenumberedAdapterIsRefused) {
    cList l_List(m_Bus);
    ASSERT_EQ(l_List.count(), 2u);
    m_Tree.writeNode(3, qxlinuxtest::deviceLine(kEeprom, pattern()) + "gone 50\n");
    uint8_t l_Byte = 0;
    ASSERT_EQ(m_Bus.QXSMBusReadByte(l_List[0], kEeprom, 1, 0, &l_Byte), 0);
    EXPECT_EQ(m_Bus.QXSMBusReadByte(l_List[0], 0x50, 1, 0, &l_Byte), QXSMBUS_LINUX_NO_DEVICE_NODE);
    m_Tree.addAdapter(3, "0000:00:1f.3", "SMBus another controller");
    const size_t l_Logged = m_Tree.log().size();
    EXPECT_EQ(m_Bus.QXSMBusReadByte(l_List[0], kEeprom, 1, 0, &l_Byte), QXSMBUS_LINUX_NOT_FOUND);
    const std::string l_Error = text(m_Bus, l_List[0], QXSMBUS_LINUX_ATTR_LAST_ERROR);
    EXPECT_NE(l_Error.find("renumbered"), std::string::npos) << l_Error;
    EXPECT_NE(l_Error.find("0000:00:1f.3"), std::string::npos) << l_Error;
    EXPECT_EQ(m_Tree.log().size(), l_Logged);
    // The same name on another controller is another adapter as well.
    m_Tree.addAdapter(3, "0000:00:1f.3", "SMBus I801 adapter at efa0");
    EXPECT_EQ(m_Bus.QXSMBusReadByte(l_List[0], kEeprom, 1, 0, &l_Byte), QXSMBUS_LINUX_NOT_FOUND);
    m_Tree.addAdapter(3, "0000:00:1f.4", "SMBus I801 adapter at efa0");
    EXPECT_EQ(m_Bus.QXSMBusReadByte(l_List[0], kEeprom, 1, 0, &l_Byte), 0);
}

// A library inside a host keeps off its terminal: failures go to standard error only
// when QXPXI_DEBUG asks for it.
TEST_F(LinuxSmBus, StandardErrorOnlyWhenDebugAsks) {
    for (const char* l_pDebug : {"", "1"}) {
        SCOPED_TRACE(l_pDebug);
        const qxtest::tChildResult l_Child = qxtest::runInChild([&] {
            qxtest::cScopedEnv l_Debug("QXPXI_DEBUG", std::string(l_pDebug));
            cList l_List(m_Bus);
            uint8_t l_Byte = 0;
            return m_Bus.QXSMBusReadByte(l_List[1], kEeprom, 0, 0, &l_Byte) ==
                           QXSMBUS_LINUX_NO_DEVICE_NODE
                       ? 0
                       : 1;
        });
        EXPECT_EQ(l_Child.exitCode, 0);
        EXPECT_EQ(l_Child.stdErr,
                  *l_pDebug == '\0'
                      ? ""
                      : "qxsmbus: " + m_Tree.node(4) +
                            ": no such device node (is the i2c-dev module loaded?)\n");
    }
}

// The device node goes away between two transactions of a list's session (the module
// was unloaded, the adapter unplugged): a status, and the list still closes whole.
TEST_F(LinuxSmBus, ANodeRemovedBetweenCallsIsAStatus) {
    cList l_List(m_Bus);
    ASSERT_EQ(l_List.count(), 2u);
    uint8_t l_Byte = 0;
    EXPECT_EQ(m_Bus.QXSMBusReadByte(l_List[1], kEeprom, 0, 0, &l_Byte),
              QXSMBUS_LINUX_NO_DEVICE_NODE);  // i2c-4 never had a node
    m_Tree.removeNode(3);
    EXPECT_EQ(m_Bus.QXSMBusReadByte(l_List[0], kEeprom, 0, 0, &l_Byte),
              QXSMBUS_LINUX_NO_DEVICE_NODE);
    m_Tree.writeNode(3, qxlinuxtest::deviceLine(kEeprom, pattern()));
    EXPECT_EQ(m_Bus.QXSMBusReadByte(l_List[0], kEeprom, 1, 0, &l_Byte), 0);
    EXPECT_EQ(l_Byte, pattern()[1]);
}

TEST_F(LinuxSmBus, BadArgumentsAndFirmwareAreRefusedWithoutTouchingTheBus) {
    void* l_pSession = nullptr;
    ASSERT_EQ(m_Bus.QXSMBusOpen("QXSMBUS::0::31::4::0", &l_pSession), 0);
    uint8_t l_Data[40] = {};
    uint8_t l_Count = 0;
    EXPECT_EQ(m_Bus.QXSMBusWriteBlock(l_pSession, kEeprom, 0, 0, l_Data, 0),
              QXSMBUS_LINUX_INVALID_PARAMETER);
    EXPECT_EQ(m_Bus.QXSMBusWriteBlock(l_pSession, kEeprom, 0, 33, l_Data, 0),
              QXSMBUS_LINUX_INVALID_PARAMETER);
    EXPECT_EQ(m_Bus.QXSMBusReadBlock(l_pSession, kEeprom, 0, 0, &l_Count, nullptr),
              QXSMBUS_LINUX_INVALID_PARAMETER);
    EXPECT_EQ(m_Bus.QXSMBusReadByte(l_pSession, kEeprom, 0, 0, nullptr),
              QXSMBUS_LINUX_INVALID_PARAMETER);
    EXPECT_EQ(m_Bus.QXSMBusWriteFirmware(l_pSession, l_Data, sizeof(l_Data)),
              QXSMBUS_LINUX_FEATURE_UNSUPPORTED);
    EXPECT_EQ(m_Bus.QXSMBusGetAttribute(l_pSession, 999, l_Data),
              QXSMBUS_LINUX_FEATURE_UNSUPPORTED);
    EXPECT_EQ(m_Bus.QXSMBusClose(l_pSession), 0);
    EXPECT_EQ(m_Bus.QXSMBusReadByte(l_pSession, kEeprom, 0, 0, l_Data),
              QXSMBUS_LINUX_INVALID_PARAMETER);
    EXPECT_EQ(m_Bus.QXSMBusOpen(nullptr, &l_pSession), QXSMBUS_LINUX_INVALID_PARAMETER);
    EXPECT_EQ(m_Bus.QXSMBusCloseList(1, nullptr), QXSMBUS_LINUX_INVALID_PARAMETER);
    EXPECT_TRUE(m_Tree.log().empty());
}

// Two threads on one session: each sees the outcome of its own calls in the last
// error, and the text one thread got stays as it was while the other thread works.
class LinuxSmBusThreads : public LinuxSmBus {};

TEST_F(LinuxSmBusThreads, TheLastErrorStaysWithItsThread) {
    void* l_pSession = nullptr;
    ASSERT_EQ(m_Bus.QXSMBusOpen("QXSMBUS::0::31::4::0", &l_pSession), 0);
    std::atomic<int> l_Faults{0};
    std::atomic<bool> l_Done{false};
    std::thread l_Failing([&] {
        for (int l_Round = 0; l_Round < 100; ++l_Round) {
            uint8_t l_Byte = 0;
            m_Bus.QXSMBusReadByte(l_pSession, 0x50, 0, 0, &l_Byte);
            const char* l_pText = nullptr;
            m_Bus.QXSMBusGetAttribute(l_pSession, QXSMBUS_LINUX_ATTR_LAST_ERROR, &l_pText);
            const std::string l_Got = l_pText;
            std::this_thread::yield();
            if (l_Got.find("no acknowledge") == std::string::npos || l_Got != l_pText) {
                ++l_Faults;
            }
        }
        l_Done = true;
    });
    while (!l_Done) {
        uint8_t l_Byte = 0;
        const char* l_pText = nullptr;
        if (m_Bus.QXSMBusReadByte(l_pSession, kEeprom, 0, 0, &l_Byte) != 0 ||
            m_Bus.QXSMBusGetAttribute(l_pSession, QXSMBUS_LINUX_ATTR_LAST_ERROR, &l_pText) != 0 ||
            std::string(l_pText) != "") {
            ++l_Faults;
        }
    }
    l_Failing.join();
    EXPECT_EQ(l_Faults, 0);
    EXPECT_EQ(m_Bus.QXSMBusClose(l_pSession), 0);
}

// On a machine with i2c adapters, the real service lists them without a transaction.
TEST(LinuxSmBusRealAdapters, ListsTheMachinesAdapters) {
    glob_t l_Nodes{};
    const bool l_Any = glob("/dev/i2c-*", 0, nullptr, &l_Nodes) == 0;
    globfree(&l_Nodes);
    if (!l_Any) {
        GTEST_SKIP() << "this machine has no /dev/i2c-* (no adapter, or i2c-dev not loaded)";
    }
    qxtest::cScopedEnv l_Sysfs("QXPXI_SYSFS_ROOT", std::nullopt);
    qxtest::cScopedEnv l_Dev("QXPXI_DEV_ROOT", std::nullopt);
    tSmBus l_Bus(qxlinuxtest::linuxService("libqxsmbus.so.2"));
    cList l_List(l_Bus);
    if (l_List.status() == QXSMBUS_LINUX_NOT_FOUND) {
        GTEST_SKIP() << "i2c adapters exist, but none on a PCI SMBus controller";
    }
    ASSERT_EQ(l_List.status(), 0);
    for (uint32_t l_Index = 0; l_Index < l_List.count(); ++l_Index) {
        EXPECT_EQ(text(l_Bus, l_List[l_Index], 301).compare(0, 9, "QXSMBUS::"), 0);
        EXPECT_NE(text(l_Bus, l_List[l_Index], 302).find("/dev/i2c-"), std::string::npos);
    }
}

}  // namespace
