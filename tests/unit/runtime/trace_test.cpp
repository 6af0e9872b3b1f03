// Debug print, the console trace destination and the trace object.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "runtime/process/qxDebugPrint.h"
#include "runtime/trace/tConsoleTraceDestination.h"
#include "runtime/trace/tTrace.h"

namespace {

using namespace QX_NS;

// Replaces the output hook for one test and collects what it is given.
class DebugOutput : public ::testing::Test {
protected:
    void SetUp() override {
        m_Saved = debugPrintHooks();
        s_Written.clear();
        debugPrintHooks().output = [](const char* a_pMessage) { s_Written += a_pMessage; };
    }
    void TearDown() override { debugPrintHooks() = m_Saved; }
    static std::string s_Written;
    tDebugPrintHooks m_Saved{};
};

std::string DebugOutput::s_Written;

TEST_F(DebugOutput, FormatsAndCutsAt511Characters) {
    debugPrint("[%s|%s|%d] !!ASSERT!!\n", "qxtest", "f.cpp", 7);
    EXPECT_EQ(s_Written, "[qxtest|f.cpp|7] !!ASSERT!!\n");
    s_Written.clear();
    const std::string l_Long(600, 'm');
    debugPrint("%s", l_Long.c_str());
    EXPECT_EQ(s_Written, l_Long.substr(0, 511));
}

TEST_F(DebugOutput, ConsoleDestinationWritesTextAndExactByteCounts) {
    tConsoleTraceDestination l_Destination;
    l_Destination.writeText("100%d literal");
    EXPECT_EQ(s_Written, "100%d literal");
    s_Written.clear();
    const char l_Data[] = {'a', 'b', 'c', 'd'};  // not NUL-terminated
    l_Destination.writeBytes(l_Data, 3);
    EXPECT_EQ(s_Written, "abc");
    EXPECT_STREQ(l_Destination.name(), "qxsdbg_printf");
    EXPECT_TRUE(l_Destination.reservedSlot5());
}

TEST(ConsoleTraceDestination, DescribeCutsToTheBufferAndReportsTheNeededSize) {
    tConsoleTraceDestination l_Destination;
    struct tCase {
        size_t size;
        const char* stored;
    };
    for (const tCase& l_rCase :
         {tCase{10, " --destin"}, tCase{1, ""}, tCase{19, " --destination apa"},
          tCase{20, " --destination apal"}, tCase{64, " --destination apal"}}) {
        char l_Buffer[64];
        std::memset(l_Buffer, 'x', sizeof l_Buffer);
        size_t l_Needed = 0;
        l_Destination.describe(l_Buffer, l_rCase.size, &l_Needed);
        EXPECT_STREQ(l_Buffer, l_rCase.stored) << l_rCase.size;
        EXPECT_EQ(l_Needed, 20u) << l_rCase.size;
        if (l_rCase.size < sizeof l_Buffer) {
            EXPECT_EQ(l_Buffer[l_rCase.size], 'x');
        }
    }
    size_t l_Needed = 0;
    l_Destination.describe(nullptr, 0, &l_Needed);
    EXPECT_EQ(l_Needed, 20u);
}

TEST(Trace, BoundToItsDestinationWithGuardedFlags) {
    tConsoleTraceDestination l_Destination;
    tTrace l_Trace(&l_Destination);
    EXPECT_EQ(l_Trace.destination(), &l_Destination);
    EXPECT_EQ(l_Trace.flag(0), 0);
    l_Trace.setFlag(3, 0x5A);
    l_Trace.setFlag(tTrace::kFlagCount, 1);  // out of range: ignored
    EXPECT_EQ(l_Trace.flag(3), 0x5A);
    EXPECT_EQ(l_Trace.flag(tTrace::kFlagCount), 0);
}

}  // namespace
