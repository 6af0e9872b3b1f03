// The PCI bridge service wrappers against a scripted service: size then fill, the
// recorded error constants, sessions, the exceptions of the throwing flavour, and a
// process in which the service library cannot be found.
#include <dlfcn.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake/fakePciBrd.h"
#include "platform/pcibrdwrapper/cPciBrdWrapper_ex.h"
#include "platform/pcibrdwrapper/cPciBrdWrapper_sc.h"
#include "runtime/status/qxerrException.h"

extern char** environ;

namespace {

using namespace nQxPxiUnitTest::nQxPciBrdWrapper_15_0;
using nQxPxiUnitTest::tJsonStatus;
using nQxPxiUnitTest::tStatusRecord;
using nQxPxiUnitTest::nQxPxiDriverTools_1_0::cSlotPath;
using nQxPxiUnitTest::qxerr::Exception;

constexpr int32_t kTooSmall = nQxPxiUnitTest::kStatusPciBrdBufferTooSmall;
constexpr int32_t kNotFound = nQxPxiUnitTest::kStatusPciBrdNotFound;

bool hasConstant(const tJsonStatus& a_rStatus, const std::string& a_rConstant) {
    const std::string l_Member = "\"error_constant\":\"" + a_rConstant + "\"";
    return std::strstr(a_rStatus.text(), l_Member.c_str()) != nullptr;
}

class PciBrdWrapper : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Loaded by full path; the wrappers' load by name then finds it by its soname.
        void* l_pLibrary = dlopen(QX_FAKE_PCIBRD, RTLD_NOW | RTLD_GLOBAL);
        ASSERT_NE(l_pLibrary, nullptr) << dlerror();
        using tControlFn = tFakePciBrdControl* (*)();
        s_pFake = reinterpret_cast<tControlFn>(dlsym(l_pLibrary, "fakePciBrd_control"))();
    }
    void SetUp() override {
        ASSERT_NE(s_pFake, nullptr);
        std::memset(s_pFake, 0, sizeof *s_pFake);
        s_pFake->nextSession = 100;
    }
    tFakePciBrdControl& fake() { return *s_pFake; }
    void script(const std::vector<uint32_t>& a_rEntries, int32_t a_Sizing = 0,
                int32_t a_Filling = 0, uint32_t a_FillingCount = 0) {
        fake().entryCount = static_cast<uint32_t>(a_rEntries.size());
        for (size_t i = 0; i < a_rEntries.size(); ++i)
            fake().entries[i] = a_rEntries[i];
        fake().sizingResult = a_Sizing;
        fake().fillingResult = a_Filling;
        fake().fillingCount = a_FillingCount;
    }

    static tFakePciBrdControl* s_pFake;
};

tFakePciBrdControl* PciBrdWrapper::s_pFake = nullptr;

const char* const kFindSizing =
    "m_PciBrdDynLib.FindBridgesByPciIds( m_Session, a_pVid, a_pPid, a_pSsVid, a_pSsPid, __null, "
    "&l_BridgeCount )";
const char* const kFindFilling =
    "m_PciBrdDynLib.FindBridgesByPciIds( m_Session, a_pVid, a_pPid, a_pSsVid, a_pSsPid, "
    "&l_Bridges[0], &l_BridgeCount )";

struct tListCase {
    const char* name;
    std::vector<uint32_t> entries;
    int32_t sizing;
    int32_t filling;
    uint32_t fillingCount;
    std::vector<uint32_t> expected;  // the output list starts as {99}
    int32_t code;                    // recorded by _sc; thrown (negative) or returned by _ex
    const char* constant;            // recorded by _sc with the code
};

const tListCase kListCases[] = {
    {"nothing to list leaves the list alone", {}, 0, 0, 0, {99}, 0, nullptr},
    {"three bridges", {5, 6, 7}, 0, 0, 0, {5, 6, 7}, 0, nullptr},
    {"fewer written than sized", {5, 6, 7}, 0, 0, 1, {5}, 0, nullptr},
    {"filling call too small", {5, 6}, 0, kTooSmall, 0, {99}, kTooSmall, kFindFilling},
    {"sizing call fails", {5}, -50, 0, 0, {99}, -50, kFindSizing},
    {"sizing warning", {}, 7, 0, 0, {99}, 7, kFindSizing},
    {"filling warning", {5, 6}, 0, 8, 0, {5, 6}, 8, kFindFilling},
};

TEST_F(PciBrdWrapper, StatusFlavourSizesThenFills) {
    const uint16_t l_SsVid = 0x1093;
    for (const tListCase& l_Case : kListCases) {
        SCOPED_TRACE(l_Case.name);
        script(l_Case.entries, l_Case.sizing, l_Case.filling, l_Case.fillingCount);
        tJsonStatus l_Status;
        cPciBrdWrapper_sc l_Wrapper(l_Status);
        std::vector<uint32_t> l_List{99};
        l_Wrapper.FindBridgesByPciIds(nullptr, nullptr, &l_SsVid, nullptr, l_List, l_Status);
        EXPECT_EQ(l_List, l_Case.expected);
        EXPECT_EQ(l_Status.code, l_Case.code);
        if (l_Case.constant != nullptr) {
            EXPECT_TRUE(hasConstant(l_Status, l_Case.constant)) << l_Status.text();
        }
    }
}

TEST_F(PciBrdWrapper, ExceptionFlavourSizesThenFills) {
    for (const tListCase& l_Case : kListCases) {
        SCOPED_TRACE(l_Case.name);
        script(l_Case.entries, l_Case.sizing, l_Case.filling, l_Case.fillingCount);
        cPciBrdWrapper_ex l_Wrapper;
        std::vector<uint32_t> l_List{99};
        int32_t l_Code = 0;
        try {
            l_Code = l_Wrapper.FindBridgesByPciIds(nullptr, nullptr, nullptr, nullptr, l_List);
        } catch (const Exception& a_rException) {
            l_Code = a_rException.code();
            EXPECT_NE(std::strstr(a_rException.what(), "\"error_constant\":\"l_MacroStatus\""),
                      nullptr);
            EXPECT_LT(l_Code, 0);
        }
        EXPECT_EQ(l_Code, l_Case.code);
        EXPECT_EQ(l_List, l_Case.expected);
    }
}

TEST_F(PciBrdWrapper, EachListOperationRecordsItsOwnCallTexts) {
    using tListCall = std::function<void(cPciBrdWrapper_sc&, tJsonStatus&)>;
    struct {
        tListCall call;
        const char* sizing;
        const char* filling;
    } const l_Cases[] = {
        {[](cPciBrdWrapper_sc& w, tJsonStatus& s) {
             std::vector<uint32_t> l;
             w.FindBridgesByPciIds(nullptr, nullptr, nullptr, nullptr, l, s);
         },
         kFindSizing, kFindFilling},
        {[](cPciBrdWrapper_sc& w, tJsonStatus& s) {
             std::vector<uint32_t> l;
             w.GetBridgeChildren(3, l, s);
         },
         "m_PciBrdDynLib.GetBridgeChildren( m_Session, a_Parent, __null, &l_ChildrenCount )",
         "m_PciBrdDynLib.GetBridgeChildren( m_Session, a_Parent, &l_Child[0], &l_ChildrenCount )"},
        {[](cPciBrdWrapper_sc& w, tJsonStatus& s) {
             std::vector<uint32_t> l;
             w.GetBusChildren(3, l, s);
         },
         "m_PciBrdDynLib.GetBusChildren( m_Session, a_Bus, __null, &l_ChildrenCount )",
         "m_PciBrdDynLib.GetBusChildren( m_Session, a_Bus, &l_Child[0], &l_ChildrenCount )"},
        {[](cPciBrdWrapper_sc& w, tJsonStatus& s) {
             std::vector<uint8_t> l;
             w.GetRootBuses(l, s);
         },
         "m_PciBrdDynLib.GetRootBuses( m_Session, __null, &l_RootBusCount )",
         "m_PciBrdDynLib.GetRootBuses( m_Session, &l_RootBuses[0], &l_RootBusCount )"},
    };
    for (const auto& l_Case : l_Cases) {
        SCOPED_TRACE(l_Case.sizing);
        for (const bool l_FailSizing : {true, false}) {
            script({1, 2}, l_FailSizing ? -50 : 0, l_FailSizing ? 0 : -51);
            tJsonStatus l_Status;
            cPciBrdWrapper_sc l_Wrapper(l_Status);
            l_Case.call(l_Wrapper, l_Status);
            EXPECT_EQ(l_Status.code, l_FailSizing ? -50 : -51);
            EXPECT_TRUE(hasConstant(l_Status, l_FailSizing ? l_Case.sizing : l_Case.filling))
                << l_Status.text();
        }
    }
}

TEST_F(PciBrdWrapper, RootBusesAreBytes) {
    script({0x03, 0x40});
    tJsonStatus l_Status;
    cPciBrdWrapper_sc l_Wrapper(l_Status);
    std::vector<uint8_t> l_Buses;
    l_Wrapper.GetRootBuses(l_Buses, l_Status);
    EXPECT_EQ(l_Status.code, 0);
    EXPECT_EQ(l_Buses, (std::vector<uint8_t>{0x03, 0x40}));
}

TEST_F(PciBrdWrapper, ErrorOnEntryCallsNothing) {
    tJsonStatus l_BindStatus;
    cPciBrdWrapper_sc l_Wrapper(l_BindStatus);
    ASSERT_EQ(l_BindStatus.code, 0);
    script({1, 2});
    tJsonStatus l_Status;
    l_Status.setCode(-1);
    std::vector<uint32_t> l_List;
    uint32_t l_Value = 0;
    l_Wrapper.OpenSession(0, l_Status);
    l_Wrapper.FindBridgesByPciIds(nullptr, nullptr, nullptr, nullptr, l_List, l_Status);
    l_Wrapper.GetAttributeU32(1, kPciBrdAttrSecondaryBus, l_Value, l_Status);
    EXPECT_EQ(fake().calls, 0u);
    EXPECT_FALSE(l_Wrapper.IsSessionOpen());
    EXPECT_EQ(l_Status.code, -1);
}

TEST_F(PciBrdWrapper, ReopeningClosesTheOpenSessionAndDestructionClosesTheLast) {
    {
        tJsonStatus l_Status;
        cPciBrdWrapper_sc l_Sc(l_Status);
        l_Sc.OpenSession(0, l_Status);
        EXPECT_TRUE(l_Sc.IsSessionOpen());
        l_Sc.OpenSession(0, l_Status);
        EXPECT_EQ(fake().closeCount, 1u);
        EXPECT_EQ(fake().lastClosed, 100u);
    }
    EXPECT_EQ(fake().closeCount, 2u);
    EXPECT_EQ(fake().lastClosed, 101u);
    {
        cPciBrdWrapper_ex l_Ex;
        l_Ex.OpenSession(0);
        l_Ex.OpenSession(0);
        EXPECT_EQ(fake().lastClosed, 102u);
        l_Ex.CloseSession();
        EXPECT_FALSE(l_Ex.IsSessionOpen());
    }
    // Closed by hand: the destructor does not close it again.
    EXPECT_EQ(fake().closeCount, 4u);
    EXPECT_EQ(fake().lastClosed, 103u);
}

TEST_F(PciBrdWrapper, FailedOpenLeavesNoSession) {
    fake().openResult = -77;
    {
        tJsonStatus l_Status;
        cPciBrdWrapper_sc l_Sc(l_Status);
        l_Sc.OpenSession(0, l_Status);
        EXPECT_EQ(l_Status.code, -77);
        EXPECT_TRUE(hasConstant(l_Status, "m_PciBrdDynLib.OpenSession( a_Flags, &m_Session )"));
        EXPECT_FALSE(l_Sc.IsSessionOpen());
        cPciBrdWrapper_ex l_Ex;
        EXPECT_THROW(l_Ex.OpenSession(0), Exception);
        EXPECT_FALSE(l_Ex.IsSessionOpen());
    }
    EXPECT_EQ(fake().closeCount, 0u);
}

TEST_F(PciBrdWrapper, SingleBridgeFindsAnswerNotFoundWithoutThrowing) {
    using tFind = std::function<int32_t(cPciBrdWrapper_ex&, uint32_t&)>;
    cSlotPath l_Path;
    tStatusRecord l_PathStatus;
    l_Path.parse("MR00:00,E0", &l_PathStatus);
    const tFind l_Finds[] = {
        [](cPciBrdWrapper_ex& w, uint32_t& b) { return w.FindBridgeByAddress(1, 2, 3, b); },
        [&](cPciBrdWrapper_ex& w, uint32_t& b) { return w.FindBridgeBySlotPath(l_Path, b); },
        [](cPciBrdWrapper_ex& w, uint32_t& b) { return w.FindParentBridgeForBus(4, b); },
        [](cPciBrdWrapper_ex& w, uint32_t& b) { return w.GetBridgeParent(5, b); },
    };
    cPciBrdWrapper_ex l_Wrapper;
    for (const tFind& l_Find : l_Finds) {
        fake().singleBridge = 42;
        fake().singleResult = kNotFound;
        uint32_t l_Bridge = 0;
        EXPECT_EQ(l_Find(l_Wrapper, l_Bridge), kNotFound);
        EXPECT_EQ(l_Bridge, kPciBrdNone);
        fake().singleResult = 3;
        EXPECT_EQ(l_Find(l_Wrapper, l_Bridge), 3);
        EXPECT_EQ(l_Bridge, 42u);
        fake().singleResult = -60;
        EXPECT_THROW(l_Find(l_Wrapper, l_Bridge), Exception);
    }
    EXPECT_STREQ(fake().slotPathAsked, "MR00:00,E0");
    // Elsewhere "no such bridge" is an error like any other.
    fake().singleResult = kNotFound;
    uint8_t l_Bus, l_Dev, l_Func;
    EXPECT_THROW(l_Wrapper.GetBridgeAddress(7, &l_Bus, &l_Dev, &l_Func), Exception);
}

TEST_F(PciBrdWrapper, StatusFlavourRecordsWarningsAndNotFound) {
    tJsonStatus l_Status;
    cPciBrdWrapper_sc l_Wrapper(l_Status);
    uint32_t l_Value = 0;
    fake().singleResult = 3;
    l_Wrapper.GetAttributeU32(1, kPciBrdAttrSecondaryBus, l_Value, l_Status);
    EXPECT_EQ(l_Status.code, 3);
    EXPECT_TRUE(hasConstant(l_Status,
                            "m_PciBrdDynLib.GetAttributeU32( m_Session, a_BridgeRef, "
                            "a_AttributeId, &a_rAttributeBuffer )"));
    fake().singleResult = kNotFound;
    uint32_t l_Bridge = 0;
    l_Wrapper.FindBridgeByAddress(1, 2, 3, l_Bridge, l_Status);
    EXPECT_EQ(l_Status.code, kNotFound);
    EXPECT_TRUE(hasConstant(
        l_Status,
        "m_PciBrdDynLib.FindBridgeByAddress( m_Session, a_Bus, a_Dev, a_Func, &a_rBridgeRef )"));
}

TEST_F(PciBrdWrapper, BridgeSlotPathIsSizedFetchedAndParsed) {
    std::strcpy(fake().slotPath, "MR02:08,E0");
    tJsonStatus l_Status;
    cPciBrdWrapper_sc l_Wrapper(l_Status);
    cSlotPath l_Path;
    l_Wrapper.GetBridgeSlotPath(9, l_Path, l_Status);
    ASSERT_EQ(l_Status.code, 0);
    std::string l_Text;
    tStatusRecord l_Record;
    l_Path.toString(l_Text, &l_Record);
    EXPECT_EQ(l_Text, "MR02:08,E0");

    std::strcpy(fake().slotPath, "ZZ");
    l_Wrapper.GetBridgeSlotPath(9, l_Path, l_Status);
    EXPECT_EQ(l_Status.code, nQxPxiUnitTest::kStatusInvalidArgument);
}

TEST(PciBrdDynLib, UnboundFunctionsAnswerNotLoaded) {
    tJsonStatus l_Status;
    l_Status.setCode(-1);  // nothing is bound into a failed status
    cPciBrdDynLib l_Lib(l_Status);
    uint32_t l_Out = 0, l_Count = 0;
    uint8_t l_Byte = 0;
    uint16_t l_Id = 0;
    cSlotPath l_Path;
    const int32_t l_Results[] = {
        l_Lib.OpenSession(0, &l_Out),
        l_Lib.FindBridgesByPciIds(0, nullptr, nullptr, nullptr, nullptr, nullptr, &l_Count),
        l_Lib.FindBridgeByAddress(0, 0, 0, 0, &l_Out),
        l_Lib.FindBridgeBySlotPath(0, l_Path, &l_Out),
        l_Lib.FindParentBridgeForBus(0, 0, &l_Out),
        l_Lib.GetBridgeParent(0, 0, &l_Out),
        l_Lib.GetBridgeChildren(0, 0, nullptr, &l_Count),
        l_Lib.GetBusChildren(0, 0, nullptr, &l_Count),
        l_Lib.GetRootBuses(0, nullptr, &l_Count),
        l_Lib.GetBridgeAddress(0, 0, &l_Byte, &l_Byte, &l_Byte),
        l_Lib.GetBridgeSlotPath(0, 0, l_Path),
        l_Lib.GetBridgeIds(0, 0, &l_Id, &l_Id, &l_Id, &l_Id),
        l_Lib.SetAttributeU32(0, 0, 0, 0),
        l_Lib.GetAttributeU32(0, 0, 0, &l_Out),
        l_Lib.OpenBridge(0, 0),
        l_Lib.EepromUpdate(0, 0, 0, 0, 0, 0, 0, nullptr),
    };
    for (const int32_t l_Result : l_Results)
        EXPECT_EQ(l_Result, nQxPxiUnitTest::kStatusPciBrdNotLoaded);
    EXPECT_EQ(l_Lib.CloseSession(0), 0);
    EXPECT_EQ(l_Lib.CloseBridge(0, 0), 0);
    EXPECT_EQ(l_Status.code, -1);
}

// Runs in a child process whose library search path holds no PCI bridge service.
TEST(PciBrdAbsentService, BindingFailsAndEveryCallIsSkipped) {
    if (std::getenv("QX_PCIBRD_ABSENT_CHILD") == nullptr) {
        std::vector<std::string> l_Env{"QX_PCIBRD_ABSENT_CHILD=1", "LD_LIBRARY_PATH=/nonexistent"};
        for (char** l_ppVar = environ; *l_ppVar != nullptr; ++l_ppVar) {
            if (std::strncmp(*l_ppVar, "LD_LIBRARY_PATH=", 16) != 0)
                l_Env.push_back(*l_ppVar);
        }
        std::vector<char*> l_EnvPointers;
        for (std::string& l_Var : l_Env)
            l_EnvPointers.push_back(&l_Var[0]);
        l_EnvPointers.push_back(nullptr);
        std::string l_Filter = "--gtest_filter=PciBrdAbsentService.*";
        char l_Exe[] = "/proc/self/exe";
        char* l_Argv[] = {l_Exe, &l_Filter[0], nullptr};
        pid_t l_Pid = 0;
        ASSERT_EQ(posix_spawn(&l_Pid, l_Exe, nullptr, nullptr, l_Argv, l_EnvPointers.data()), 0);
        int l_WaitStatus = 0;
        ASSERT_EQ(waitpid(l_Pid, &l_WaitStatus, 0), l_Pid);
        EXPECT_TRUE(WIFEXITED(l_WaitStatus) && WEXITSTATUS(l_WaitStatus) == 0);
        return;
    }
    tJsonStatus l_Status;
    cPciBrdWrapper_sc l_Sc(l_Status);
    EXPECT_EQ(l_Status.code, nQxPxiUnitTest::qxapalerr_invalidParameter);
    EXPECT_NE(std::strstr(l_Status.text(), "\"path\":\"libqxpcibrd.so.1\""), nullptr)
        << l_Status.text();
    std::vector<uint32_t> l_List{99};
    l_Sc.OpenSession(0, l_Status);
    l_Sc.FindBridgesByPciIds(nullptr, nullptr, nullptr, nullptr, l_List, l_Status);
    EXPECT_FALSE(l_Sc.IsSessionOpen());
    EXPECT_EQ(l_List, std::vector<uint32_t>{99});
    try {
        cPciBrdWrapper_ex l_Ex;
        ADD_FAILURE() << "binding an absent service did not throw";
    } catch (const Exception& a_rException) {
        EXPECT_EQ(a_rException.code(), nQxPxiUnitTest::qxapalerr_invalidParameter);
        EXPECT_NE(std::strstr(a_rException.what(), "libqxpcibrd.so.1"), nullptr);
    }
}

}  // namespace
