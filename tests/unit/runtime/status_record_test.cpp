// tStatusRecord: precedence of codes and the fixed-size copies of component and file.
#include <cstring>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "runtime/status/tStatusRecord.h"

namespace {

using namespace QX_NS;

struct tPrecedenceCase {
    const char* name;
    int64_t held;
    int64_t offered;
    bool changes;
};

void PrintTo(const tPrecedenceCase& a_rCase, std::ostream* a_pOut) {
    *a_pOut << a_rCase.name;
}

class StatusRecordPrecedence : public ::testing::TestWithParam<tPrecedenceCase> {};

TEST_P(StatusRecordPrecedence, KeepsOrReplacesTheHeldCodeAndItsPlace) {
    const tPrecedenceCase& l_rCase = GetParam();
    tStatusRecord l_Record;
    l_Record.set(l_rCase.held, "first", "first.cpp", 11);
    const bool l_Changed = l_Record.set(l_rCase.offered, "second", "second.cpp", 22);
    EXPECT_EQ(l_Changed, l_rCase.changes);
    const bool l_TookNew = l_rCase.changes;
    EXPECT_EQ(l_Record.code, l_TookNew ? l_rCase.offered : l_rCase.held);
    if (l_Record.code != 0) {
        // The place always describes the code held.
        EXPECT_STREQ(l_Record.file, l_TookNew ? "second.cpp" : "first.cpp");
        EXPECT_STREQ(l_Record.component, l_TookNew ? "second" : "first");
        EXPECT_EQ(l_Record.line, l_TookNew ? 22u : 11u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, StatusRecordPrecedence,
    ::testing::Values(tPrecedenceCase{"ErrorOnSuccess", 0, -52005, true},
                      tPrecedenceCase{"WarningOnSuccess", 0, 313300, true},
                      tPrecedenceCase{"ErrorReplacesWarning", 313300, -52005, true},
                      tPrecedenceCase{"WarningOnError", -52005, 313300, false},
                      tPrecedenceCase{"WarningOnWarning", 313300, 240050, false},
                      tPrecedenceCase{"SecondErrorIgnored", -52005, -52000, false},
                      tPrecedenceCase{"SuccessOnWarning", 313300, 0, false},
                      tPrecedenceCase{"SuccessOnError", -52005, 0, false},
                      tPrecedenceCase{"SuccessOnSuccess", 0, 0, false}),
    [](const ::testing::TestParamInfo<tPrecedenceCase>& a_rInfo) { return a_rInfo.param.name; });

struct tTruncationCase {
    const char* name;
    std::string component;
    std::string file;
    std::string storedComponent;
    std::string storedFile;
};

void PrintTo(const tTruncationCase& a_rCase, std::ostream* a_pOut) {
    *a_pOut << a_rCase.name;
}

std::string numbered(size_t a_Length) {
    std::string l_Text;
    for (size_t i = 0; i < a_Length; ++i)
        l_Text += static_cast<char>('a' + i % 26);
    return l_Text;
}

class StatusRecordTruncation : public ::testing::TestWithParam<tTruncationCase> {};

TEST_P(StatusRecordTruncation, StoresFieldsWithinTheirSize) {
    const tTruncationCase& l_rCase = GetParam();
    tStatusRecord l_Record;
    ASSERT_TRUE(l_Record.set(-1, l_rCase.component.c_str(), l_rCase.file.c_str(), 1));
    EXPECT_EQ(std::string(l_Record.component), l_rCase.storedComponent);
    EXPECT_EQ(std::string(l_Record.file), l_rCase.storedFile);
    EXPECT_EQ(l_Record.component[tStatusRecord::kComponentSize - 1], '\0');
    EXPECT_EQ(l_Record.file[tStatusRecord::kFileSize - 1], '\0');
}

const std::string kFile101 = numbered(101);

INSTANTIATE_TEST_SUITE_P(
    Fields, StatusRecordTruncation,
    ::testing::Values(
        tTruncationCase{"ShortFieldsWhole", "QXPXIeSMu", "a.cpp", "QXPXIeSMu", "a.cpp"},
        tTruncationCase{"ComponentOf12KeepsNine", "abcdefghijkl", "f", "abcdefghi", "f"},
        tTruncationCase{"FileOf100Whole", "c", numbered(100), "c", numbered(100)},
        tTruncationCase{"FileOf101KeepsBothEnds", "c", kFile101, "c",
                        kFile101.substr(0, 49) + ".." + kFile101.substr(52)}),
    [](const ::testing::TestParamInfo<tTruncationCase>& a_rInfo) { return a_rInfo.param.name; });

TEST(StatusRecord, FreshRecordIsFullSizeAndEmpty) {
    tStatusRecord l_Record;
    l_Record.set(-5, "x", "y", 3);
    l_Record.initialise();
    EXPECT_EQ(l_Record.size, 216u);
    EXPECT_EQ(l_Record.code, 0);
    EXPECT_STREQ(l_Record.component, "");
    EXPECT_STREQ(l_Record.file, "");
    EXPECT_EQ(l_Record.line, 0u);
    EXPECT_EQ(l_Record.extension[0], 0u);
}

TEST(StatusRecord, SmallRecordKeepsOnlyItsCode) {
    tStatusRecord l_Record;
    l_Record.size = 16;
    std::memset(l_Record.file, 'z', sizeof l_Record.file);
    EXPECT_TRUE(l_Record.set(-52005, "comp", "file.cpp", 9));
    EXPECT_EQ(l_Record.code, -52005);
    EXPECT_EQ(l_Record.file[0], 'z');
    l_Record.clear();
    EXPECT_EQ(l_Record.code, 0);
    EXPECT_EQ(l_Record.file[0], 'z');
}

TEST(StatusRecord, MergeCopiesPlaceAndExtensionsUpToTheFirstZero) {
    tStatusRecord l_Source;
    l_Source.set(-52005, "src", "src.cpp", 7);
    l_Source.extension[0] = 5;
    l_Source.extension[1] = 6;
    l_Source.extension[2] = 0;
    l_Source.extension[3] = 9;
    tStatusRecord l_Target;
    l_Target.set(313300, "tgt", "tgt.cpp", 1);
    EXPECT_TRUE(l_Target.merge(l_Source));
    EXPECT_EQ(l_Target.code, -52005);
    EXPECT_STREQ(l_Target.file, "src.cpp");
    EXPECT_EQ(l_Target.line, 7u);
    EXPECT_EQ(l_Target.extension[0], 5u);
    EXPECT_EQ(l_Target.extension[1], 6u);
    EXPECT_EQ(l_Target.extension[3], 0u);
    // A second error does not replace the first.
    tStatusRecord l_Later;
    l_Later.set(-1, "late", "late.cpp", 2);
    EXPECT_FALSE(l_Target.merge(l_Later));
    EXPECT_STREQ(l_Target.file, "src.cpp");
}

TEST(StatusRecord, MergeFromSmallRecordTakesCodeWithoutPlace) {
    tStatusRecord l_Source;
    l_Source.set(-7, "src", "src.cpp", 7);
    l_Source.size = 16;
    tStatusRecord l_Target;
    EXPECT_TRUE(l_Target.merge(l_Source));
    EXPECT_EQ(l_Target.code, -7);
    EXPECT_STREQ(l_Target.file, "");
    EXPECT_STREQ(l_Target.component, "");
    EXPECT_EQ(l_Target.line, 0u);
}

}  // namespace
