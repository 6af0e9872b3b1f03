// Converters of system module description values: the text comes from files on disk,
// so besides the well-formed forms the converters must stay inside the text and bound
// every number.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/inifile/tIniConversions.h"
#include "sysmodule/module/tSysModuleValueParsers.h"

namespace QX_NS {
namespace {

TEST(HexListTest, CutsAtCommasAndReadsAtMostFourDigits) {
    struct tCase {
        const char* text;
        std::vector<uint32_t> expected;
    };
    const tCase kCases[] = {
        {"00E8,00F0,00F8", {0xE8, 0xF0, 0xF8}},
        {" 00e8,  f0", {0xE8, 0xF0}},
        {"12345", {0x1234}},
        // Pieces without a number are left out instead of repeating a value.
        {"00E8,,zz,00F0,", {0xE8, 0xF0}},
        {"", {}},
        {",", {}},
    };
    for (const tCase& l_rCase : kCases) {
        std::vector<uint32_t> l_Values;
        parseHexList(l_rCase.text, l_Values);
        EXPECT_EQ(l_rCase.expected, l_Values) << l_rCase.text;
    }
}

TEST(PciBridgeIdsTest, CountsConversions) {
    struct tCase {
        const char* text;
        int converted;
    };
    const tCase kCases[] = {
        {"1234:5678:0:0", 4},
        {"1234:5678:0", 3},
        {"1234:5678:0:0 trailing text", 4},
        {" 1234: 5678", 2},
        {"12345:1:2:3", 1},
        {"xyz", 0},
        {"", 0},
    };
    for (const tCase& l_rCase : kCases) {
        tPciBridgeIds l_Ids;
        EXPECT_EQ(l_rCase.converted, parsePciBridgeIds(l_rCase.text, l_Ids)) << l_rCase.text;
    }
    tPciBridgeIds l_Ids;
    ASSERT_EQ(4, parsePciBridgeIds("1234:5678:abCD:0", l_Ids));
    EXPECT_EQ(0x1234, l_Ids.vendorId);
    EXPECT_EQ(0x5678, l_Ids.deviceId);
    EXPECT_EQ(0xABCD, l_Ids.subsystemVendorId);
    EXPECT_EQ(0, l_Ids.subsystemId);
}

TEST(DecimalListTest, StopsAtTheFirstMismatchAndKeepsWhatWasRead) {
    int32_t l_Values[6] = {-1, -1, -1, -1, -1, -1};
    EXPECT_EQ(6, parseDecimalList("8, 8,4,4,4,-4", l_Values, 6));
    EXPECT_EQ(-4, l_Values[5]);

    int32_t l_Short[6] = {-1, -1, -1, -1, -1, -1};
    EXPECT_EQ(3, parseDecimalList("4,4,4", l_Short, 6));
    EXPECT_EQ(4, l_Short[2]);
    EXPECT_EQ(-1, l_Short[3]);

    // The comma must follow the number directly.
    int32_t l_Spaced[2] = {0, 0};
    EXPECT_EQ(1, parseDecimalList("4 ,4", l_Spaced, 2));

    // Overlong numbers are clamped rather than overflowing.
    int32_t l_Huge[2] = {0, 0};
    EXPECT_EQ(2, parseDecimalList("99999999999999999999,-99999999999999999999", l_Huge, 2));
    EXPECT_EQ(INT32_MAX, l_Huge[0]);
    EXPECT_EQ(INT32_MIN, l_Huge[1]);
}

TEST(HexNumberTest, ReadsOneNumber) {
    uint32_t l_Value = 0;
    EXPECT_TRUE(parseHexNumber("12345678", l_Value));
    EXPECT_EQ(0x12345678u, l_Value);
    EXPECT_TRUE(parseHexNumber(" 0x1a", l_Value));
    EXPECT_EQ(0x1Au, l_Value);
    EXPECT_FALSE(parseHexNumber("vendor", l_Value));
    EXPECT_FALSE(parseHexNumber("", l_Value));
}

TEST(LinkStepTest, RecognisesStepsByHowTheyBegin) {
    struct tCase {
        const char* step;
        tLinkStepKind kind;
        bool hasValue;
        uint32_t devFn;
    };
    const tCase kCases[] = {
        {"smbus", tLinkStepKind::smbus, false, 0},
        {"smbusX", tLinkStepKind::smbus, false, 0},
        {"pop", tLinkStepKind::pop, false, 0},
        {"push8", tLinkStepKind::push, true, 8},
        {"push1a", tLinkStepKind::push, true, 0x1A},
        {"push", tLinkStepKind::push, false, 0},
        {"pushzz", tLinkStepKind::push, false, 0},
        {"swid:1234:5678:0:0", tLinkStepKind::swid, true, 0},
        {"swid:1234:5678:0", tLinkStepKind::swid, false, 0},
        {"swix:1234:5678:0:0", tLinkStepKind::swid, false, 0},
        {" pop", tLinkStepKind::unknown, false, 0},
        {"smb", tLinkStepKind::unknown, false, 0},
        {"", tLinkStepKind::unknown, false, 0},
    };
    for (const tCase& l_rCase : kCases) {
        const std::string l_Text = l_rCase.step;
        const tLinkStep l_Step = parseLinkStep(l_Text.c_str(), l_Text.size());
        EXPECT_EQ(l_rCase.kind, l_Step.kind) << l_rCase.step;
        EXPECT_EQ(l_rCase.hasValue, l_Step.hasValue) << l_rCase.step;
        if (l_rCase.kind == tLinkStepKind::push && l_rCase.hasValue) {
            EXPECT_EQ(l_rCase.devFn, l_Step.devFn) << l_rCase.step;
        }
    }
}

TEST(LinkStepTest, ReadsOnlyTheStepsOwnCharacters) {
    // The length ends the step even where the text goes on: "push" here has no number.
    const char* l_pText = "push8";
    const tLinkStep l_Step = parseLinkStep(l_pText, 4);
    EXPECT_EQ(tLinkStepKind::push, l_Step.kind);
    EXPECT_FALSE(l_Step.hasValue);
}

// The description file reader's conversions and the system module value parsers read
// numbers with one scanner. Where their rules differ, this table says how: the reader
// refuses a number it cannot hold, the value parsers keep the low 32 bits (hexadecimal)
// or clamp (decimal), as "%x" and "%d" would.
TEST(NumberRulesTest, ReaderRefusesWhatTheValueParsersCutOrClamp) {
    using nQxPxiDriverTools_1_0::parseHex32;
    using nQxPxiDriverTools_1_0::parseListInt;
    struct tCase {
        const char* text;
        bool hex;       // else decimal
        bool readerOk;  // parseHex32 / parseListInt
        uint32_t readerValue;
        bool parserOk;  // parseHexNumber / parseDecimalList
        uint32_t parserValue;
    };
    const tCase kCases[] = {
        // The same rules.
        {" 0x1A", true, true, 0x1A, true, 0x1A},
        {"0x", true, true, 0, true, 0},  // no digit after "0x": the 0 is the number
        {"-1", true, true, 0xFFFFFFFFu, true, 0xFFFFFFFFu},
        {"FFFFFFFF", true, true, 0xFFFFFFFFu, true, 0xFFFFFFFFu},
        {"zz", true, false, 0, false, 0},
        {"+", true, false, 0, false, 0},
        {"\v42", false, true, 42, true, 42},
        {"-2147483648", false, true, 0x80000000u, true, 0x80000000u},
        {"-", false, false, 0, false, 0},
        // Where they differ: wider than 32 bits.
        {"123456789", true, false, 0, true, 0x23456789},
        {"100000000", true, false, 0, true, 0},
        {"2147483648", false, false, 0, true, 0x7FFFFFFFu},
        {"-99999999999", false, false, 0, true, 0x80000000u},
    };
    for (const tCase& l_rCase : kCases) {
        const char* const l_pEnd = l_rCase.text + std::strlen(l_rCase.text);
        uint32_t l_Reader = 0;
        uint32_t l_Parser = 0;
        bool l_ReaderOk = false;
        bool l_ParserOk = false;
        if (l_rCase.hex) {
            l_ReaderOk = parseHex32(l_rCase.text, l_pEnd, l_Reader) == 0;
            l_ParserOk = parseHexNumber(l_rCase.text, l_Parser);
        } else {
            int32_t l_ReaderInt = 0;
            int32_t l_ParserInt = 0;
            l_ReaderOk = parseListInt(l_rCase.text, l_pEnd, l_ReaderInt) == 0;
            l_ParserOk = parseDecimalList(l_rCase.text, &l_ParserInt, 1) == 1;
            l_Reader = static_cast<uint32_t>(l_ReaderInt);
            l_Parser = static_cast<uint32_t>(l_ParserInt);
        }
        EXPECT_EQ(l_rCase.readerOk, l_ReaderOk) << l_rCase.text;
        EXPECT_EQ(l_rCase.parserOk, l_ParserOk) << l_rCase.text;
        if (l_rCase.readerOk) {
            EXPECT_EQ(l_rCase.readerValue, l_Reader) << l_rCase.text;
        }
        if (l_rCase.parserOk) {
            EXPECT_EQ(l_rCase.parserValue, l_Parser) << l_rCase.text;
        }
    }
}

}  // namespace
}  // namespace QX_NS
