// Both controller driver wrappers against the stand-in controller driver service.
#include <gtest/gtest.h>

#include <string>

#include "platform/cntdrvwrapper/cCntDrvWrapper_ex.h"
#include "platform/cntdrvwrapper/cCntDrvWrapper_sc.h"
#include "runtime/status/qxerrException.h"
#include "tests/support/qxTestSupport.h"

using namespace nQxPxiUnitTest;
using nlohmann::json;

namespace {

json controllerMachine(json a_Faults = json::array()) {
    return json{
        {"controller",
         {{"text",
           {{"0x10000000", "Quarrix"}, {"0x10000100", "QX PXI-8880"}, {"0x1001F400", "00:1F,02"}}},
          {"u32", {{"0x20000500", 1}}},
          {"i32", {{"0x30000000", -7}}}}},
        {"faults", a_Faults}};
}

size_t callCount(const qxtest::cSimMachine& a_rMachine, const char* a_pFunction) {
    return a_rMachine.calls(a_pFunction).size();
}

}  // namespace

TEST(CntDrvWrapperSc, ReadsTextInTwoCallsAndReplacesTheCallersStatus) {
    qxtest::cSimMachine l_Machine(controllerMachine());
    tJsonStatus l_Status;
    cCntDrvWrapper_sc l_Driver(l_Status);
    ASSERT_EQ(l_Status.code, 0) << l_Status.text();
    l_Driver.OpenController(l_Status);
    ASSERT_TRUE(l_Driver.IsOpen());

    l_Machine.clearCalls();
    l_Status.setCode(313300);  // a warning the successful read replaces
    std::string l_Model = "before";
    l_Driver.GetAttributeUTF8(0x10000100, l_Model, l_Status);
    EXPECT_EQ(l_Model, "QX PXI-8880");
    EXPECT_EQ(l_Status.code, 0);
    EXPECT_EQ(callCount(l_Machine, "QXCNTDRV_getAttributeUTF8"), 2u);

    // An unknown attribute: the sizing answer reaches the caller with the call's text,
    // and the output is left alone.
    std::string l_Other = "kept";
    l_Driver.GetAttributeUTF8(0x7777, l_Other, l_Status);
    EXPECT_LT(l_Status.code, 0);
    EXPECT_EQ(l_Other, "kept");
    EXPECT_NE(std::string(l_Status.text()).find("__null, &l_BufferSize"), std::string::npos)
        << l_Status.text();

    // Once in error, nothing is called.
    l_Machine.clearCalls();
    uint32_t l_Value = 5;
    l_Driver.GetAttributeU32(0x20000500, l_Value, l_Status);
    EXPECT_EQ(l_Value, 5u);
    EXPECT_EQ(callCount(l_Machine, "QXCNTDRV_getAttributeU32"), 0u);
}

TEST(CntDrvWrapperSc, RecordsWarningsAndReadsNumbers) {
    qxtest::cSimMachine l_Machine(controllerMachine(
        json::array({{{"function", "QXCNTDRV_getAttributeU32"}, {"status", 17}}})));
    tJsonStatus l_Status;
    cCntDrvWrapper_sc l_Driver(l_Status);
    l_Driver.OpenController(l_Status);
    int32_t l_Signed = 0;
    l_Driver.GetAttributeI32(0x30000000, l_Signed, l_Status);
    EXPECT_EQ(l_Signed, -7);
    EXPECT_EQ(l_Status.code, 0);
    uint32_t l_Unsigned = 0;
    l_Driver.GetAttributeU32(0x20000500, l_Unsigned, l_Status);
    EXPECT_EQ(l_Status.code, 17);
    EXPECT_NE(std::string(l_Status.text()).find("GetAttributeU32"), std::string::npos);
}

TEST(CntDrvWrapperEx, ThrowsErrorsAndReturnsWarnings) {
    qxtest::cSimMachine l_Machine(controllerMachine(
        json::array({{{"function", "QXCNTDRV_getAttributeI32"}, {"status", 9}}})));
    cCntDrvWrapper_ex l_Driver;
    EXPECT_EQ(l_Driver.OpenController(), 0);

    std::string l_Vendor;
    EXPECT_EQ(l_Driver.GetAttributeUTF8(0x10000000, l_Vendor), 0);
    EXPECT_EQ(l_Vendor, "Quarrix");
    int32_t l_Value = 0;
    EXPECT_EQ(l_Driver.GetAttributeI32(0x30000000, l_Value), 9);

    try {
        std::string l_Missing;
        l_Driver.GetAttributeUTF8(0x7777, l_Missing);
        FAIL() << "no exception";
    } catch (const qxerr::Exception& l_rError) {
        EXPECT_LT(l_rError.code(), 0);
        EXPECT_NE(std::string(l_rError.what()).find("l_MacroStatus"), std::string::npos);
    }
}

TEST(CntDrvWrapperEx, OpenFailureThrowsAndSessionsAreClosedOnce) {
    {
        qxtest::cSimMachine l_Machine(
            json{{"controller", {{"canOpen", false}, {"openStatus", -26934}}}});
        cCntDrvWrapper_ex l_Driver;
        try {
            l_Driver.OpenController();
            FAIL() << "no exception";
        } catch (const qxerr::Exception& l_rError) {
            EXPECT_EQ(l_rError.code(), -26934);
        }
        EXPECT_FALSE(l_Driver.IsOpen());
    }

    qxtest::cSimMachine l_Machine(controllerMachine());
    {
        cCntDrvWrapper_ex l_Driver;
        l_Driver.CloseController();  // no session: the service is not called
        EXPECT_EQ(callCount(l_Machine, "QXCNTDRV_closeController"), 0u);
        l_Driver.OpenController();
        l_Driver.OpenController();  // the first session is closed, not lost
        EXPECT_EQ(callCount(l_Machine, "QXCNTDRV_closeController"), 1u);
    }
    // The destructor closes the open session.
    EXPECT_EQ(callCount(l_Machine, "QXCNTDRV_closeController"), 2u);
    EXPECT_EQ(callCount(l_Machine, "QXCNTDRV_openController"), 2u);
}

TEST(CntDrvBinding, MissingLibraryIsReportedByBothFlavours) {
    if (!qxtest::isChild()) {
        const qxtest::tChildResult l_Result =
            qxtest::rerunInFreshProcess({{"LD_LIBRARY_PATH", std::nullopt}});
        EXPECT_TRUE(l_Result.exited && l_Result.exitCode == 0)
            << l_Result.stdOut << l_Result.stdErr;
        return;
    }
    tJsonStatus l_Status;
    cCntDrvWrapper_sc l_Driver(l_Status);
    EXPECT_EQ(l_Status.code, qxapalerr_invalidParameter);
    EXPECT_NE(std::string(l_Status.text()).find("\"path\":\"libqxcntdrv.so.1\""), std::string::npos)
        << l_Status.text();
    try {
        cCntDrvWrapper_ex l_Throwing;
        FAIL() << "no exception";
    } catch (const qxerr::Exception& l_rError) {
        EXPECT_EQ(l_rError.code(), qxapalerr_invalidParameter);
    }
}
