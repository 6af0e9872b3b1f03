// The controller driver stand-in, loaded by file name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/services/serviceBindings.h"

namespace {

constexpr int32_t kTooSmall = -26930;

nlohmann::json controllerMachine() {
    return nlohmann::json::parse(R"({
      "controller": {
        "text": {"0x10000000": "Quarrix", "0x10000100": "PXIe-8881", "0x10000200": ""},
        "u32": {"0x20000500": 1},
        "i32": {"0x20025A00": -4},
        "dbl": {"0x30000000": 1.5}
      }
    })");
}

class CntDrvService : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_Drv.QXCNTDRV_openController(&m_pSession), 0);
        ASSERT_NE(m_pSession, nullptr);
    }
    void TearDown() override { m_Drv.QXCNTDRV_closeController(m_pSession); }

    qxtest::cSimMachine m_Machine{controllerMachine()};
    qxsimtest::tCntDrv m_Drv;
    void* m_pSession = nullptr;
};

TEST_F(CntDrvService, TextAttributesAreSizedThenFilledWithTheNulCounted) {
    uint64_t l_Size = 0;
    EXPECT_EQ(m_Drv.QXCNTDRV_getAttributeUTF8(m_pSession, 0x10000100, nullptr, &l_Size), kTooSmall);
    EXPECT_EQ(l_Size, 10u);
    // One byte short: refused, buffer untouched, needed size given again.
    std::vector<char> l_Buffer(9, 'x');
    l_Size = l_Buffer.size();
    EXPECT_EQ(m_Drv.QXCNTDRV_getAttributeUTF8(m_pSession, 0x10000100, l_Buffer.data(), &l_Size),
              kTooSmall);
    EXPECT_EQ(l_Size, 10u);
    EXPECT_EQ(l_Buffer[0], 'x');
    l_Buffer.assign(10, 'x');
    l_Size = l_Buffer.size();
    ASSERT_EQ(m_Drv.QXCNTDRV_getAttributeUTF8(m_pSession, 0x10000100, l_Buffer.data(), &l_Size), 0);
    EXPECT_EQ(std::string(l_Buffer.data()), "PXIe-8881");
    // An empty text still needs its NUL.
    l_Size = 0;
    EXPECT_EQ(m_Drv.QXCNTDRV_getAttributeUTF8(m_pSession, 0x10000200, nullptr, &l_Size), kTooSmall);
    EXPECT_EQ(l_Size, 1u);
}

TEST_F(CntDrvService, NumericAttributesAnswerByTypeAndMissingOnesFail) {
    uint32_t l_U32 = 0;
    int32_t l_I32 = 0;
    double l_Dbl = 0;
    EXPECT_EQ(m_Drv.QXCNTDRV_getAttributeU32(m_pSession, 0x20000500, &l_U32), 0);
    EXPECT_EQ(l_U32, 1u);
    EXPECT_EQ(m_Drv.QXCNTDRV_getAttributeI32(m_pSession, 0x20025A00, &l_I32), 0);
    EXPECT_EQ(l_I32, -4);
    EXPECT_EQ(m_Drv.QXCNTDRV_getAttributeDBL(m_pSession, 0x30000000, &l_Dbl), 0);
    EXPECT_EQ(l_Dbl, 1.5);
    // An attribute given as one type is not answered as another, nor invented.
    EXPECT_LT(m_Drv.QXCNTDRV_getAttributeI32(m_pSession, 0x20000500, &l_I32), 0);
    uint64_t l_Size = 0;
    const int32_t l_Missing =
        m_Drv.QXCNTDRV_getAttributeUTF8(m_pSession, 0x1001F400, nullptr, &l_Size);
    EXPECT_LT(l_Missing, 0);
    EXPECT_NE(l_Missing, kTooSmall);
    EXPECT_LT(m_Drv.QXCNTDRV_getAttributeU32(m_pSession, 0x20000500, nullptr), 0);
}

TEST_F(CntDrvService, ClosedSessionsAreRefused) {
    void* l_pSession = nullptr;
    ASSERT_EQ(m_Drv.QXCNTDRV_openController(&l_pSession), 0);
    EXPECT_NE(l_pSession, m_pSession);
    EXPECT_EQ(m_Drv.QXCNTDRV_closeController(l_pSession), 0);
    uint32_t l_Value = 0;
    EXPECT_LT(m_Drv.QXCNTDRV_getAttributeU32(l_pSession, 0x20000500, &l_Value), 0);
    EXPECT_LT(m_Drv.QXCNTDRV_closeController(l_pSession), 0);
    EXPECT_LT(m_Drv.QXCNTDRV_getAttributeU32(nullptr, 0x20000500, &l_Value), 0);
}

TEST(CntDrvServiceOpen, AMachineWithoutAnOpenableControllerRefusesTheSession) {
    qxsimtest::tCntDrv l_Drv;
    const std::vector<std::pair<nlohmann::json, int32_t>> l_Cases = {
        {nlohmann::json::object(), -26934},
        {nlohmann::json::parse(R"({"controller": {"canOpen": false}})"), -26934},
        {nlohmann::json::parse(R"({"controller": {"canOpen": false, "openStatus": -26999}})"),
         -26999},
    };
    for (const auto& [l_rMachine, l_Status] : l_Cases) {
        qxtest::cSimMachine l_Machine(l_rMachine);
        void* l_pSession = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(l_Drv.QXCNTDRV_openController(&l_pSession), l_Status) << l_rMachine.dump();
        EXPECT_EQ(l_pSession, nullptr);
    }
}

}  // namespace
