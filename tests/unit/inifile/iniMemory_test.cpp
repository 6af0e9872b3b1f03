// Memory exhaustion: the Nth allocation fails, for N = 0, 1, 2 ... until the whole
// sequence runs through. Every step must end with a defined status, no exception may
// escape, and the file on disk is either the old one or the new one, never a mix.
// Replacing operator new does not mix with AddressSanitizer, so the test is left out of
// sanitizer builds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "iniTestUtil.h"

#if !defined(__SANITIZE_ADDRESS__)

// The replacement below pairs malloc with free on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
long g_AllocationsBeforeFailure = -1;  // -1: never fail
}

void* operator new(size_t a_Size) {
    if (g_AllocationsBeforeFailure >= 0 && g_AllocationsBeforeFailure-- == 0) {
        throw std::bad_alloc();
    }
    void* l_p = std::malloc(a_Size == 0 ? 1 : a_Size);
    if (l_p == nullptr)
        throw std::bad_alloc();
    return l_p;
}
void operator delete(void* a_p) noexcept {
    std::free(a_p);
}
void operator delete(void* a_p, size_t) noexcept {
    std::free(a_p);
}

namespace {

using namespace iniTest;

bool oneOf(int64_t a_Code, std::initializer_list<int64_t> a_Allowed) {
    for (int64_t l_Code : a_Allowed) {
        if (l_Code == a_Code)
            return true;
    }
    return false;
}

TEST(IniMemory, EveryFailingAllocationGivesADefinedStatus) {
    tScratchDir l_Dir;
    const std::string l_Long(300, 'v');
    const std::string l_Old =
        "[A]\nk=" + l_Long + "\nlist=a,b,c\nLong Line0001=x\nLong Line0002=y\n";
    const std::string l_Path = l_Dir.write("m.ini", l_Old);
    const std::string l_New =
        "[A]\nk = " + l_Long + "\nlist = a,b,c\nLong = xy\nn = \"" + l_Long + "\"\n";

    bool l_Completed = false;
    for (long l_FailAt = 0; !l_Completed && l_FailAt < 100000; ++l_FailAt) {
        int64_t l_Code = 0;
        std::string l_Value;
        std::vector<std::string> l_Items;
        {
            // One record through the chain, as callers use it: the first error stops it.
            cIniFile l_Ini;
            tStatusRecord l_Status;
            g_AllocationsBeforeFailure = l_FailAt;
            l_Ini.open(l_Path.c_str(), 0, &l_Status);
            l_Ini.getString("A", "k", l_Value, &l_Status);
            l_Ini.getStringList("A", "list", l_Items, &l_Status);
            l_Ini.setString("A", "n", l_Long.c_str(), &l_Status);
            l_Ini.getSectionNames(l_Items, &l_Status);
            l_Ini.save(&l_Status);
            l_Completed = g_AllocationsBeforeFailure >= 0;
            g_AllocationsBeforeFailure = -1;
            l_Code = l_Status.code;
        }
        SCOPED_TRACE(l_FailAt);
        ASSERT_TRUE(oneOf(l_Code, {0, kStatusFileAccessFailed, kStatusIniCreateFailed,
                                   qxapalerr_memoryFull, kStatusIniWriteFailed}));
        if (l_Code == 0) {
            ASSERT_EQ(l_Long, l_Value);
            ASSERT_EQ((std::vector<std::string>{"a", "b", "c", "A"}), l_Items);
        }
        const std::string l_Now = readAll(l_Path);
        ASSERT_TRUE(l_Now == l_Old || (l_Now == l_New && l_Code == 0)) << l_Now << l_Code;
        ASSERT_EQ(std::vector<std::string>{"m.ini"}, l_Dir.entries());
        if (l_Now != l_Old)
            l_Dir.write("m.ini", l_Old);
    }
    EXPECT_TRUE(l_Completed);
}

}  // namespace

#endif
