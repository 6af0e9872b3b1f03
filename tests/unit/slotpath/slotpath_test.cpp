// Slot paths: the three text forms and the hop-scanning rules, formatting, and the two
// comparisons discovery relies on.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/slotpath/cByteString.h"
#include "config/slotpath/cSlotPath.h"

namespace {

using nQxPxiUnitTest::tStatusRecord;
using nQxPxiUnitTest::nQxPxiDriverTools_1_0::cByteString;
using nQxPxiUnitTest::nQxPxiDriverTools_1_0::cSlotPath;

// The hops of a path, first (the device) to last (on the root bus).
std::vector<int> hopsOf(const cSlotPath& a_rPath) {
    tStatusRecord l_Status;
    cSlotPath l_Copy;
    l_Copy.assign(a_rPath, &l_Status);
    std::vector<int> l_Hops;
    while (!l_Copy.isEmpty()) {
        l_Hops.push_back(l_Copy.getFirstHop(&l_Status));
        l_Copy.removeFirstHop();
    }
    EXPECT_FALSE(l_Status.isError());
    return l_Hops;
}

cSlotPath pathOf(const char* a_pText) {
    tStatusRecord l_Status;
    cSlotPath l_Path(a_pText, &l_Status);
    EXPECT_EQ(l_Status.code, 0) << a_pText;
    return l_Path;
}

std::string textOf(const cSlotPath& a_rPath) {
    tStatusRecord l_Status;
    std::string l_Text = "previous content";
    a_rPath.toString(l_Text, &l_Status);
    EXPECT_EQ(l_Status.code, 0);
    return l_Text;
}

struct tParseCase {
    const char* text;
    int64_t status;
    int bus;
    std::vector<int> hops;
};

TEST(SlotPathParse, TextFormsAndHopScanning) {
    const tParseCase l_Cases[] = {
        {"", 0, 0, {}},
        {"MR00:", 0, 0x00, {}},
        {"MRFF:", 0, 0xFF, {}},
        {"MR0A:1C,00", 0, 0x0A, {0x1C, 0x00}},
        {"MR0a:1c,e0", 0, 0x0A, {0x1C, 0xE0}},
        // Hops start five characters on whatever they are: "MR1:1C" reads "C".
        {"MR1:1C", 0, 0x01, {0x0C}},
        // A prefix cut short ends the text; nothing is read beyond it.
        {"MR1", 0, 0x01, {}},
        {"MR1:", 0, 0x01, {}},
        {"2:1C", 0, 2, {0x1C}},
        {"7:", 0, 7, {}},
        {"300:E0", 0, 300 % 256, {0xE0}},
        // No colon right after the number: bare form.
        {"10,00", 0, 0, {0x10, 0x00}},
        {"1C:00", 0, 0, {0x1C}},
        {"1C;00", 0, 0, {0x1C}},
        {"1C,00xyz", 0, 0, {0x1C, 0x00}},
        {"1C,", 0, 0, {0x1C}},
        {"123", 0, 0, {0x12}},
        {"1", 0, 0, {0x01}},
        {"1,2,3", 0, 0, {0x01}},
        {"01,02,03", 0, 0, {0x01, 0x02, 0x03}},
        {"ZZ", nQxPxiUnitTest::kStatusInvalidArgument, 0, {}},
        {"1C,ZZ", nQxPxiUnitTest::kStatusInvalidArgument, 0, {0x1C}},
        {"MR0A:1C,ZZ,00", nQxPxiUnitTest::kStatusInvalidArgument, 0x0A, {0x1C}},
        {"MRZZ:00", nQxPxiUnitTest::kStatusInvalidArgument, 0, {}},
    };
    for (const tParseCase& l_Case : l_Cases) {
        SCOPED_TRACE(l_Case.text);
        tStatusRecord l_Status;
        // Parsing replaces whatever the path held before.
        cSlotPath l_Path = pathOf("MR33:44,55,66");
        l_Path.parse(l_Case.text, &l_Status);
        EXPECT_EQ(l_Status.code, l_Case.status);
        EXPECT_EQ(l_Path.getBus(&l_Status), l_Case.status == 0 ? l_Case.bus : -1);
        EXPECT_EQ(hopsOf(l_Path), l_Case.hops);
        EXPECT_EQ(l_Path.hopCount(), l_Case.hops.size());
    }
}

TEST(SlotPathParse, ErrorStatusOnEntryChangesNothing) {
    cSlotPath l_Path = pathOf("MR0A:1C,00");
    tStatusRecord l_Status;
    QX_SET_STATUS(l_Status, nQxPxiUnitTest::qxapalerr_invalidParameter);
    l_Path.parse("MR01:E0", &l_Status);
    cSlotPath l_Other = pathOf("MR05:08");
    l_Path.assign(l_Other, &l_Status);
    EXPECT_EQ(l_Status.code, nQxPxiUnitTest::qxapalerr_invalidParameter);
    EXPECT_EQ(textOf(l_Path), "MR0A:1C,00");
    EXPECT_EQ(l_Path.getBus(&l_Status), -1);
    EXPECT_EQ(l_Path.getFirstHop(&l_Status), -1);
    EXPECT_EQ(l_Path.hopDistance(l_Other, &l_Status), cSlotPath::kNoDistance);
}

TEST(SlotPathParse, NullTextIsRejected) {
    tStatusRecord l_Status;
    cSlotPath l_Path(nullptr, &l_Status);
    EXPECT_EQ(l_Status.code, nQxPxiUnitTest::qxapalerr_invalidParameter);
    EXPECT_TRUE(l_Path.isEmpty());
}

TEST(SlotPathFormat, FullAndHopTextsRoundTrip) {
    struct {
        const char* text;
        const char* full;
        const char* hops;
    } const l_Cases[] = {
        {"MR0A:1C,00", "MR0A:1C,00", "1C,00"},
        {"MR1F:", "MR1F:", ""},
        {"2:e0", "MR02:E0", "E0"},
        {"00,E0", "MR00:00,E0", "00,E0"},
    };
    for (const auto& l_Case : l_Cases) {
        SCOPED_TRACE(l_Case.text);
        const cSlotPath l_Path = pathOf(l_Case.text);
        EXPECT_EQ(textOf(l_Path), l_Case.full);
        tStatusRecord l_Status;
        cByteString l_Hops;
        l_Hops.append("stale", &l_Status);
        EXPECT_EQ(l_Path.hopsToString(l_Hops, &l_Status), std::strlen(l_Case.hops));
        EXPECT_STREQ(l_Hops.c_str(), l_Case.hops);
        // The printed text parses back to the same path.
        EXPECT_EQ(textOf(pathOf(textOf(l_Path).c_str())), l_Case.full);
    }
}

TEST(SlotPathFormat, LongPathGrowsTheOutput) {
    tStatusRecord l_Status;
    cSlotPath l_Path;
    std::string l_Expected = "MR07:";
    for (int l_Hop = 0; l_Hop < 80; ++l_Hop) {
        l_Path.appendHop(static_cast<uint8_t>(l_Hop * 3), &l_Status);
        char l_Text[4];
        std::snprintf(l_Text, sizeof l_Text, l_Hop == 0 ? "%02X" : ",%02X", l_Hop * 3);
        l_Expected += l_Text;
    }
    l_Path.setBus(7);
    cByteString l_Out;
    l_Path.toString(l_Out, &l_Status);
    EXPECT_EQ(l_Status.code, 0);
    EXPECT_EQ(std::string(l_Out.c_str()), l_Expected);
    EXPECT_EQ(textOf(pathOf(l_Out.c_str())), l_Expected);
}

TEST(SlotPathHops, FirstHopIsTheDeviceAndRemovingItLeavesTheBridge) {
    cSlotPath l_Path = pathOf("MR00:00,E0");
    tStatusRecord l_Status;
    EXPECT_EQ(l_Path.getFirstHop(&l_Status), 0x00);
    l_Path.removeFirstHop();
    EXPECT_EQ(textOf(l_Path), "MR00:E0");
    EXPECT_EQ(l_Path.getFirstHop(&l_Status), 0xE0);
    l_Path.removeFirstHop();
    EXPECT_TRUE(l_Path.isEmpty());
    l_Path.removeFirstHop();
    EXPECT_EQ(l_Status.code, 0);
    EXPECT_EQ(l_Path.getFirstHop(&l_Status), -1);
    EXPECT_EQ(l_Status.code, nQxPxiUnitTest::kStatusSlotPathEmpty);
}

TEST(SlotPathHops, ClearKeepsTheBusAndAssignCopies) {
    cSlotPath l_Path = pathOf("MR0A:1C,00");
    cSlotPath l_Copy = pathOf("MR01:08,08,08");
    tStatusRecord l_Status;
    l_Copy.assign(l_Path, &l_Status);
    l_Path.clear();
    EXPECT_EQ(textOf(l_Path), "MR0A:");
    EXPECT_EQ(textOf(l_Copy), "MR0A:1C,00");
    cSlotPath l_Moved(std::move(l_Copy));
    EXPECT_EQ(textOf(l_Moved), "MR0A:1C,00");
    EXPECT_TRUE(l_Copy.isEmpty());
}

TEST(SlotPathCompare, IsUpstreamOf) {
    struct {
        const char* upper;
        const char* lower;
        bool expected;
    } const l_Cases[] = {
        {"MR00:E0", "MR00:00,E0", true},
        {"MR00:", "MR00:00,E0", true},
        {"MR00:08,E0", "MR00:00,08,E0", true},
        {"MR00:E0", "MR01:00,E0", false},
        {"MR00:E0", "MR00:00,E8", false},
        {"MR00:E0", "MR00:E0", false},
        {"MR00:", "MR00:", false},
        {"MR00:00,E0", "MR00:E0", false},
        // Hops are matched from the root bus side, not from the device side.
        {"MR00:00", "MR00:00,E0", false},
    };
    for (const auto& l_Case : l_Cases) {
        EXPECT_EQ(pathOf(l_Case.upper).isUpstreamOf(pathOf(l_Case.lower)), l_Case.expected)
            << l_Case.upper << " over " << l_Case.lower;
    }
}

TEST(SlotPathCompare, HopDistance) {
    struct {
        const char* a;
        const char* b;
        uint32_t expected;
    } const l_Cases[] = {
        {"MR00:00,E0", "MR00:00,E0", 0},
        {"MR00:00,E0", "MR00:E0", 1},
        {"MR00:E0", "MR00:00,E0", 1},
        {"MR00:00,E0", "MR00:08,E0", 2},
        {"MR00:00,08,E0", "MR00:10,E8", 5},
        {"MR00:E0", "MR01:E0", 3},
        {"MR00:", "MR02:", 1},
        {"MR00:", "MR00:00,E0", 2},
    };
    for (const auto& l_Case : l_Cases) {
        tStatusRecord l_Status;
        EXPECT_EQ(pathOf(l_Case.a).hopDistance(pathOf(l_Case.b), &l_Status), l_Case.expected)
            << l_Case.a << " to " << l_Case.b;
        EXPECT_EQ(l_Status.code, 0);
    }
}

TEST(ByteString, GrowsToAtLeast127ThenByHalf) {
    tStatusRecord l_Status;
    cByteString l_Text;
    EXPECT_STREQ(l_Text.c_str(), "");
    l_Text.append("abc", &l_Status);
    EXPECT_EQ(l_Text.capacity(), 127u);
    const std::string l_Long(125, 'x');
    l_Text.append(l_Long.c_str(), &l_Status);
    EXPECT_EQ(l_Text.capacity(), 190u);
    EXPECT_EQ(l_Text.length(), 128u);
    EXPECT_EQ(std::string(l_Text.c_str()), "abc" + l_Long);
    const std::string l_Huge(400, 'y');
    l_Text.append(l_Huge.c_str(), &l_Status);
    EXPECT_EQ(l_Text.capacity(), 528u);
    EXPECT_EQ(l_Status.code, 0);
}

}  // namespace
