// The service-backed SMBus access against the stand-in SMBus service: the factory's
// choice of adapter, sessions opened and closed on every path, attribute reads, and the
// adapter list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/pxismbuswrapper/cHpeSMBusWrapper.h"
#include "platform/pxismbuswrapper/cPxiSmBusListWrapper.h"
#include "platform/pxismbuswrapper/cQxSMBusWrapper.h"
#include "platform/pxismbuswrapper/cSMBusWrapperFactory.h"
#include "smbus_test_support.h"
#include "tests/support/qxTestSupport.h"

namespace QX_NS {
namespace {

size_t countCalls(const qxtest::cSimMachine& a_rMachine, const std::string& a_rFunction) {
    return a_rMachine.calls(a_rFunction).size();
}

nlohmann::json machineWithPrefixedAdapters() {
    nlohmann::json l_Machine = smbustest::twoAdapterMachine();
    for (const char* l_pResource :
         {"PXI0::1-0.0::INSTR", "pxi0::1-0.0::INSTR", "QXUSB8::7", "AARDVARK::2", "KTSMBUS::1"}) {
        l_Machine["smbus"]["adapters"].push_back({{"resource", l_pResource}});
    }
    return l_Machine;
}

TEST(SMBusFactoryTest, ChoosesTheAdapterByHowTheNameBegins) {
    qxtest::cSimMachine l_Machine(machineWithPrefixedAdapters());
    enum class tKind { service, hpe, none };
    struct tCase {
        const char* resource;
        tKind kind;
        int32_t status;
        bool opensSession;  // reaches QXSMBusOpen
    };
    const tCase kCases[] = {
        {"QXSMBUS::0::31::3::0", tKind::service, 0, true},
        {"PXI0::1-0.0::INSTR", tKind::service, 0, true},
        {"QXUSB8::7", tKind::service, 0, true},
        {"AARDVARK::2", tKind::service, 0, true},
        {"HPSMBUS::EL4000", tKind::hpe, 0, false},
        // Lower-case "pxi" is no known prefix, even though the service has the adapter.
        {"pxi0::1-0.0::INSTR", tKind::none, qxapalerr_invalidParameter, false},
        // Version 2 of the service cannot be bound.
        {"KTSMBUS::1", tKind::none, qxapalerr_invalidParameter, false},
        {"HPSMBUS::EL9999", tKind::none, qxapalerr_invalidParameter, false},
        {"SMBUS::1", tKind::none, qxapalerr_invalidParameter, false},
        {"", tKind::none, qxapalerr_invalidParameter, false},
        // Known prefix, unknown adapter: the service's answer.
        {"QXSMBUS::9::9::9::0", tKind::none, kStatusNotFound, true},
    };
    for (const tCase& l_rCase : kCases) {
        l_Machine.clearCalls();
        tStatusRecord l_Status;
        boost::shared_ptr<iSMBusWrapper> l_Adapter;
        cSMBusWrapperFactory::create(l_rCase.resource, l_Adapter, &l_Status);
        EXPECT_EQ(l_rCase.status, l_Status.code) << l_rCase.resource;
        EXPECT_EQ(l_rCase.opensSession ? 1u : 0u, countCalls(l_Machine, "QXSMBusOpen"))
            << l_rCase.resource;
        switch (l_rCase.kind) {
            case tKind::service: {
                auto* l_pQx = dynamic_cast<cQxSMBusWrapper*>(l_Adapter.get());
                ASSERT_NE(nullptr, l_pQx) << l_rCase.resource;
                EXPECT_TRUE(l_pQx->isOpen());
                EXPECT_EQ(1u, l_pQx->version());
                std::string l_Name;
                l_Adapter->GetResourceName(l_Name, &l_Status);
                EXPECT_EQ(l_rCase.resource, l_Name);
                // Every open is followed by attribute 1001 set to 1.
                const std::vector<std::string> l_Sets = l_Machine.calls("QXSMBusSetAttribute");
                ASSERT_EQ(1u, l_Sets.size()) << l_rCase.resource;
                EXPECT_NE(std::string::npos, l_Sets[0].find("attribute=1001 value=1")) << l_Sets[0];
                l_Adapter->Close();
                EXPECT_EQ(1u, countCalls(l_Machine, "QXSMBusClose"));
                break;
            }
            case tKind::hpe:
                EXPECT_NE(nullptr, dynamic_cast<cHpeSMBusWrapper*>(l_Adapter.get()));
                break;
            case tKind::none:
                EXPECT_EQ(nullptr, l_Adapter.get()) << l_rCase.resource;
                break;
        }
    }
    tStatusRecord l_Status;
    boost::shared_ptr<iSMBusWrapper> l_Adapter;
    cSMBusWrapperFactory::create(nullptr, l_Adapter, &l_Status);
    EXPECT_EQ(qxapalerr_invalidParameter, l_Status.code);
}

TEST(SMBusFactoryTest, AnOpenThatFailsHalfWayLeavesNoSessionOpen) {
    nlohmann::json l_Json = smbustest::twoAdapterMachine();
    l_Json["faults"] = {{{"function", "QXSMBusSetAttribute"}, {"status", -52011}}};
    qxtest::cSimMachine l_Machine(l_Json);
    tStatusRecord l_Status;
    boost::shared_ptr<iSMBusWrapper> l_Adapter;
    cSMBusWrapperFactory::create(smbustest::kAdapterA, l_Adapter, &l_Status);
    EXPECT_EQ(-52011, l_Status.code);
    EXPECT_EQ(nullptr, l_Adapter.get());
    EXPECT_EQ(1u, countCalls(l_Machine, "QXSMBusOpen"));
    EXPECT_EQ(1u, countCalls(l_Machine, "QXSMBusClose"));
}

TEST(SMBusFactoryTest, DoesNothingOnAnErrorStatus) {
    qxtest::cSimMachine l_Machine(smbustest::twoAdapterMachine());
    tStatusRecord l_Status;
    QX_SET_STATUS(l_Status, kStatusIniKeyNotFound);
    boost::shared_ptr<iSMBusWrapper> l_Adapter;
    cSMBusWrapperFactory::create(smbustest::kAdapterA, l_Adapter, &l_Status);
    EXPECT_EQ(kStatusIniKeyNotFound, l_Status.code);
    EXPECT_EQ(nullptr, l_Adapter.get());
    EXPECT_EQ(0u, countCalls(l_Machine, "QXSMBusOpen"));
}

class QxSMBusWrapperTest : public ::testing::Test {
protected:
    void SetUp() override {
        tStatusRecord l_Status;
        m_Adapter.Open(smbustest::kAdapterA, &l_Status);
        ASSERT_EQ(0, l_Status.code);
    }

    qxtest::cSimMachine m_Machine{smbustest::twoAdapterMachine()};
    tStatusRecord m_BindStatus;
    cQxSMBusWrapper m_Adapter{1, &m_BindStatus};
};

TEST_F(QxSMBusWrapperTest, ReadsTheAdapterAttributes) {
    tStatusRecord l_Status;
    EXPECT_TRUE(m_Adapter.IsUsable(&l_Status));
    uint32_t l_Vendor = 0;
    uint32_t l_Product = 0;
    m_Adapter.GetIdentity(nullptr, nullptr, &l_Vendor, &l_Product, &l_Status);
    EXPECT_EQ(0x1234u, l_Vendor);
    EXPECT_EQ(0x5678u, l_Product);
    uint16_t l_Bus = 0xFFFF;
    uint16_t l_Device = 0;
    uint16_t l_Function = 0;
    m_Adapter.GetPciAddress(&l_Bus, &l_Device, &l_Function, &l_Status);
    EXPECT_EQ(0, l_Bus);
    EXPECT_EQ(31, l_Device);
    EXPECT_EQ(3, l_Function);
    std::string l_Text;
    m_Adapter.GetDescription(l_Text, &l_Status);
    EXPECT_EQ("first adapter", l_Text);
    EXPECT_EQ(0, l_Status.code);
    // Identity values the adapter does not have are the service's error.
    uint32_t l_Identity1 = 0;
    m_Adapter.GetIdentity(&l_Identity1, nullptr, nullptr, nullptr, &l_Status);
    EXPECT_EQ(qxapalerr_featureUnsupported, l_Status.code);
}

TEST_F(QxSMBusWrapperTest, TransactionsReachTheDevice) {
    tStatusRecord l_Status;
    uint8_t l_Image[256] = {};
    m_Adapter.ReadChassisEEPROM(l_Image, &l_Status);
    EXPECT_EQ(0x5A, l_Image[0]);
    EXPECT_EQ(1, l_Image[124]);
    uint8_t l_Byte = 0;
    m_Adapter.ReadByte(0x50, 2, 0, &l_Byte, &l_Status);
    EXPECT_EQ(3, l_Byte);
    m_Adapter.WriteByte(0x50, 9, 0x77, 0, &l_Status);
    m_Adapter.ReadByte(0x50, 9, 0, &l_Byte, &l_Status);
    EXPECT_EQ(0x77, l_Byte);
    EXPECT_EQ(0, l_Status.code);
    // No device at 0x60: the service's error, and the next call is skipped.
    m_Adapter.QuickRead(0x61, &l_Status);
    EXPECT_EQ(-52011, l_Status.code);
    m_Machine.clearCalls();
    m_Adapter.ReadByte(0x50, 2, 0, &l_Byte, &l_Status);
    EXPECT_EQ(0u, countCalls(m_Machine, "QXSMBusReadByte"));
}

TEST_F(QxSMBusWrapperTest, RecordsWarningsAndLetsAnErrorReplaceThem) {
    nlohmann::json l_Json = smbustest::twoAdapterMachine();
    l_Json["faults"] = {{{"function", "QXSMBusReadByte"}, {"status", 7}}};
    m_Machine.write(l_Json);
    cQxSMBusWrapper l_Adapter(1, &m_BindStatus);
    tStatusRecord l_Status;
    l_Adapter.Open(smbustest::kAdapterA, &l_Status);
    uint8_t l_Byte = 0;
    l_Adapter.ReadByte(0x50, 0, 0, &l_Byte, &l_Status);
    EXPECT_EQ(7, l_Status.code);
    l_Adapter.QuickWrite(0x60, &l_Status);
    EXPECT_EQ(-52011, l_Status.code);
}

TEST(QxSMBusWrapperLifetimeTest, DestroyingAnOpenWrapperClosesItsOwnSession) {
    qxtest::cSimMachine l_Machine(smbustest::twoAdapterMachine());
    {
        tStatusRecord l_Status;
        cQxSMBusWrapper l_Adapter(1, &l_Status);
        l_Adapter.Open(smbustest::kAdapterA, &l_Status);
        // A second open of the same wrapper does not leak the first session.
        l_Adapter.Open(smbustest::kAdapterB, &l_Status);
        ASSERT_EQ(0, l_Status.code);
    }
    EXPECT_EQ(2u, countCalls(l_Machine, "QXSMBusOpen"));
    EXPECT_EQ(2u, countCalls(l_Machine, "QXSMBusClose"));
}

TEST(QxSMBusWrapperLifetimeTest, AnUnboundWrapperMakesNoCall) {
    qxtest::cSimMachine l_Machine(smbustest::twoAdapterMachine());
    tStatusRecord l_BindStatus;
    cQxSMBusWrapper l_Adapter(2, &l_BindStatus);
    EXPECT_EQ(qxapalerr_invalidParameter, l_BindStatus.code);
    // Later calls with fresh records report the failed binding instead of calling.
    tStatusRecord l_Status;
    l_Adapter.Open(smbustest::kAdapterA, &l_Status);
    EXPECT_EQ(qxapalerr_invalidParameter, l_Status.code);
    EXPECT_TRUE(l_Machine.calls().empty());
}

TEST(SMBusListTest, ListsEveryAdapterInServiceOrder) {
    qxtest::cSimMachine l_Machine(smbustest::twoAdapterMachine());
    tStatusRecord l_Status;
    {
        cPxiSmBusListWrapper l_List(1, &l_Status);
        l_List.open(&l_Status);
        ASSERT_EQ(0, l_Status.code);
        ASSERT_EQ(2u, l_List.count());
        ASSERT_EQ(2u, l_List.adapters().size());
        std::string l_Name;
        l_List.adapters()[0]->GetResourceName(l_Name, &l_Status);
        EXPECT_EQ(smbustest::kAdapterA, l_Name);
        l_List.adapters()[1]->GetResourceName(l_Name, &l_Status);
        EXPECT_EQ(smbustest::kAdapterB, l_Name);
        EXPECT_FALSE(l_List.adapters()[1]->IsUsable(&l_Status));
        EXPECT_EQ(0, l_Status.code);

        // Opening again returns the first list before asking for a new one.
        l_Machine.clearCalls();
        l_List.open(&l_Status);
        EXPECT_EQ(0, l_Status.code);
        const std::vector<std::string> l_Calls = l_Machine.calls();
        ASSERT_EQ(2u, l_Calls.size());
        EXPECT_EQ(0u, l_Calls[0].rfind("QXSMBusCloseList count=2", 0)) << l_Calls[0];
        EXPECT_EQ(0u, l_Calls[1].rfind("QXSMBusOpenList", 0)) << l_Calls[1];
        EXPECT_EQ(2u, l_List.adapters().size());
        l_Machine.clearCalls();
    }
    // Destruction returns the list; adopted sessions are never closed one by one.
    EXPECT_EQ(1u, countCalls(l_Machine, "QXSMBusCloseList"));
    EXPECT_EQ(0u, countCalls(l_Machine, "QXSMBusClose"));
}

TEST(SMBusListTest, AnEmptyMachineIsAnEmptyListAndFaultsAreReported) {
    qxtest::cSimMachine l_Empty(nlohmann::json::parse(R"({"smbus": {"adapters": []}})"));
    tStatusRecord l_Status;
    cPxiSmBusListWrapper l_List(1, &l_Status);
    l_List.open(&l_Status);
    EXPECT_EQ(0, l_Status.code);
    EXPECT_EQ(0u, l_List.count());
    EXPECT_TRUE(l_List.adapters().empty());

    nlohmann::json l_Json = smbustest::twoAdapterMachine();
    l_Json["faults"] = {{{"function", "QXSMBusOpenList"}, {"status", -52000}}};
    l_Empty.write(l_Json);
    l_List.open(&l_Status);
    EXPECT_EQ(-52000, l_Status.code);
    EXPECT_TRUE(l_List.adapters().empty());

    tStatusRecord l_Version;
    cPxiSmBusListWrapper l_Version2(2, &l_Version);
    EXPECT_EQ(qxapalerr_invalidParameter, l_Version.code);
}

}  // namespace
}  // namespace QX_NS
