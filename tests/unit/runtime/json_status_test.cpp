// tJsonStatus and the in-place JSON writer and reader behind it.
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "runtime/status/jsonz.h"
#include "runtime/status/tJsonStatus.h"

namespace {

using namespace QX_NS;

const tSourceLocation kPlace{"dir/place.cpp", 42, "qxtest", "qxapalerr_invalidParameter"};

TEST(JsonStatus, SetWithLocationWritesMembersInOrder) {
    tJsonStatus l_Status;
    bool l_Complete = false;
    EXPECT_TRUE(l_Status.setWithLocation(-52005, kPlace, &l_Complete));
    EXPECT_TRUE(l_Complete);
    EXPECT_EQ(l_Status.code, -52005);
    EXPECT_STREQ(l_Status.text(),
                 R"({"error_constant":"qxapalerr_invalidParameter","file":"dir/place.cpp",)"
                 R"("line":42,"component":"qxtest"})");
    EXPECT_EQ(l_Status.capacity, 512u);
    EXPECT_EQ(l_Status.json[511], 'J');

    tJsonStatus l_NoConstant;
    l_NoConstant.setWithLocationNoConstant(-313008, tSourceLocation{"f.cpp", 1, nullptr, "x"});
    EXPECT_STREQ(l_NoConstant.text(), R"({"file":"f.cpp","line":1})");
}

TEST(JsonStatus, TextFollowsTheCodeHeld) {
    tJsonStatus l_Status;
    l_Status.setWithLocation(313300, tSourceLocation{"warn.cpp", 1, "qxtest", "warning"});
    // An error replaces the warning and its text; a later error changes nothing.
    EXPECT_TRUE(l_Status.setWithLocation(-52005, kPlace));
    EXPECT_EQ(std::string(l_Status.text()).find("warn.cpp"), std::string::npos);
    const std::string l_Text = l_Status.text();
    EXPECT_FALSE(l_Status.setWithLocation(-52000, tSourceLocation{"late.cpp", 2, "qxtest", "m"}));
    EXPECT_FALSE(l_Status.setCode(313300));
    EXPECT_EQ(l_Status.text(), l_Text);
    EXPECT_EQ(l_Status.code, -52005);
    // setCode alone resets the text when it changes the code.
    tJsonStatus l_Warned;
    l_Warned.setWithLocation(313300, kPlace);
    EXPECT_TRUE(l_Warned.setCode(-1));
    EXPECT_STREQ(l_Warned.text(), "{}");
}

TEST(JsonStatus, ClearAndCopy) {
    tJsonStatus l_Source;
    l_Source.setWithLocation(-52005, kPlace);
    tJsonStatus l_Copy;
    l_Copy.setCode(313300);
    l_Copy.copyFrom(l_Source);
    EXPECT_EQ(l_Copy.code, -52005);
    EXPECT_STREQ(l_Copy.text(), l_Source.text());
    EXPECT_NE(l_Copy.json, l_Source.json);

    tJsonStatus l_Empty;
    l_Copy.copyFrom(l_Empty);
    EXPECT_EQ(l_Copy.code, 0);
    EXPECT_EQ(l_Copy.json, nullptr);

    l_Source.clear();
    EXPECT_EQ(l_Source.code, 0);
    EXPECT_STREQ(l_Source.text(), "{}");
    EXPECT_EQ(l_Source.capacity, 512u);
}

TEST(JsonStatus, ReallocateRoundsToPowersOfTwo) {
    struct tCase {
        int64_t request;
        uint32_t capacity;
    };
    for (const tCase& l_rCase :
         {tCase{1, 512}, tCase{512, 512}, tCase{513, 1024}, tCase{1024, 1024}, tCase{5000, 8192}}) {
        tJsonStatus l_Status;
        ASSERT_TRUE(l_Status.reallocate(&l_Status, l_rCase.request)) << l_rCase.request;
        EXPECT_EQ(l_Status.capacity, l_rCase.capacity) << l_rCase.request;
        EXPECT_STREQ(l_Status.text(), "{}");
        EXPECT_EQ(l_Status.json[l_Status.capacity - 1], 'J');
    }
    tJsonStatus l_Status;
    l_Status.setWithLocation(-1, kPlace);
    const std::string l_Text = l_Status.text();
    EXPECT_TRUE(l_Status.reallocate(&l_Status, 100));  // not above: nothing happens
    EXPECT_EQ(l_Status.capacity, 512u);
    EXPECT_FALSE(l_Status.reallocate(&l_Status, -3));
    EXPECT_TRUE(l_Status.reallocate(&l_Status, 2000));
    EXPECT_EQ(l_Status.capacity, 2048u);
    EXPECT_EQ(l_Status.text(), l_Text);
    EXPECT_TRUE(l_Status.reallocate(&l_Status, 0));
    EXPECT_EQ(l_Status.json, nullptr);
    EXPECT_EQ(l_Status.capacity, 0u);
}

TEST(JsonStatus, AppendPointRefusesOversizedRequestsWithoutChange) {
    tJsonStatus l_Status;
    l_Status.setWithLocation(-1, kPlace);
    const std::string l_Text = l_Status.text();
    EXPECT_EQ(l_Status.appendPoint(2147483646u), nullptr);
    EXPECT_EQ(l_Status.capacity, 512u);
    EXPECT_EQ(l_Status.text(), l_Text);
    char* l_pPoint = l_Status.appendPoint(10);
    ASSERT_NE(l_pPoint, nullptr);
    EXPECT_EQ(*l_pPoint, '}');
    EXPECT_EQ(l_pPoint[1], '\0');
}

TEST(JsonStatus, FailedGrowthLeavesCodeAndReportsIncomplete) {
    tJsonStatus l_Status;
    l_Status.reallocate = [](tJsonStatus*, int64_t a_Capacity) { return a_Capacity == 0; };
    bool l_Complete = true;
    EXPECT_TRUE(l_Status.setWithLocation(-52005, kPlace, &l_Complete));
    EXPECT_FALSE(l_Complete);
    EXPECT_EQ(l_Status.code, -52005);
    EXPECT_STREQ(l_Status.text(), "");
}

// The writer on a status of its own, as every user reaches it.
class JsonWriter : public ::testing::Test {
protected:
    void SetUp() override { m_pPoint = m_Status.appendPoint(0); }
    std::string text() const { return m_Status.text(); }
    tJsonStatus m_Status;
    char* m_pPoint = nullptr;
};

TEST_F(JsonWriter, SeparatorsAndNestedObjects) {
    jsonz::tWriter l_Writer = jsonz::writerFor(&m_Status);
    char* l_p = jsonz::addString(l_Writer, m_pPoint, "a", "1");
    EXPECT_EQ(text(), R"({"a":"1"})");
    l_p = jsonz::addObject(l_Writer, l_p, "o");
    EXPECT_EQ(text(), R"({"a":"1","o":{}})");
    l_p = jsonz::addUnsigned(l_Writer, l_p, "u", 4294967295u);
    l_p = jsonz::addSigned(l_Writer, l_p, "s", -7);
    l_p = jsonz::leaveObject(l_p);
    l_p = jsonz::addString(l_Writer, l_p, "z", "}{");
    ASSERT_NE(l_p, nullptr);
    EXPECT_EQ(text(), R"({"a":"1","o":{"u":4294967295,"s":-7},"z":"}{"})");
    // Inserting in front of an existing first member puts the comma after it.
    jsonz::addString(l_Writer, m_Status.json + 1, "first", "");
    EXPECT_EQ(text(), R"({"first":"","a":"1","o":{"u":4294967295,"s":-7},"z":"}{"})");
    EXPECT_TRUE(nlohmann::json::accept(text()));
}

TEST_F(JsonWriter, EscapesEveryControlByte) {
    struct tCase {
        const char* input;
        const char* written;
    };
    const tCase l_Cases[] = {
        {"\x01", R"(\u0001)"},           {"\x7f", R"(\u007f)"}, {"\x1f", R"(\u001f)"},
        {"\b\t\n\f\r", R"(\b\t\n\f\r)"}, {"\"\\", R"(\"\\)"},   {"/\xc3\xa9~", "/\xc3\xa9~"},
    };
    for (const tCase& l_rCase : l_Cases) {
        m_Status.clear();
        char* l_p = jsonz::addString(jsonz::writerFor(&m_Status), m_Status.appendPoint(0),
                                     l_rCase.input, l_rCase.input);
        ASSERT_NE(l_p, nullptr);
        const std::string l_Escaped = l_rCase.written;
        EXPECT_EQ(text(), "{\"" + l_Escaped + "\":\"" + l_Escaped + "\"}") << l_rCase.written;
        EXPECT_EQ(nlohmann::json::parse(text()).begin().value(), l_rCase.input);
    }
}

TEST_F(JsonWriter, GrowsPastTheFirstBufferKeepingTheText) {
    const std::string l_Long(3000, 'x');
    char* l_p = jsonz::addString(jsonz::writerFor(&m_Status), m_pPoint, "a", "1");
    l_p = jsonz::addString(jsonz::writerFor(&m_Status), l_p, "long", l_Long.c_str());
    ASSERT_NE(l_p, nullptr);
    EXPECT_EQ(m_Status.capacity, 4096u);
    EXPECT_EQ(m_Status.json[m_Status.capacity - 1], 'J');
    EXPECT_EQ(text(), R"({"a":"1","long":")" + l_Long + "\"}");
    // The returned point belongs to the grown buffer.
    EXPECT_NE(jsonz::addSigned(jsonz::writerFor(&m_Status), l_p, "n", 1), nullptr);
    EXPECT_EQ(nlohmann::json::parse(text())["n"], 1);
}

TEST(JsonzBuffer, InitialiseAndNoGrowth) {
    char l_Buffer[8];
    EXPECT_EQ(jsonz::initialise(l_Buffer, sizeof l_Buffer, "{}"), l_Buffer + 1);
    EXPECT_EQ(l_Buffer[7], 'J');
    EXPECT_EQ(l_Buffer[2], '\0');
    // Text plus NUL must leave the marker its byte.
    EXPECT_EQ(jsonz::initialise(l_Buffer, sizeof l_Buffer, "{\"ab\"}"), l_Buffer + 5);
    EXPECT_EQ(jsonz::initialise(l_Buffer, sizeof l_Buffer, "{\"abc\"}"), nullptr);
    // Without a growth function an insertion that does not fit fails and changes nothing.
    jsonz::initialise(l_Buffer, sizeof l_Buffer, "{}");
    EXPECT_EQ(jsonz::addString(jsonz::tWriter{nullptr, nullptr}, l_Buffer + 1, "a", "b"), nullptr);
    EXPECT_STREQ(l_Buffer, "{}");
}

TEST(JsonzReader, FindsMembersAndFallsBackOnDefaults) {
    const char* l_pText = R"( { "s" : "a\"b", "o":{"line":5,"x":[1,{"y":"}"}]}, "line" : -12 } )";
    size_t l_Count = 0;
    const char* l_pRaw = jsonz::readString(jsonz::findMember(l_pText, "s"), "d", &l_Count);
    EXPECT_EQ(std::string(l_pRaw, l_Count), R"(a\"b)");
    char l_Out[16];
    jsonz::unescape(l_pRaw, l_Count, l_Out);
    EXPECT_STREQ(l_Out, "a\"b");
    // Only top-level members are found.
    EXPECT_EQ(jsonz::readInteger(jsonz::findMember(l_pText, "line"), 0), -12);

    struct tCase {
        const char* text;
        const char* name;
    };
    const tCase l_Absent[] = {
        {"{}", "s"},
        {"", "s"},
        {"[\"s\",1]", "s"},
        {"{\"s\"}", "s"},
        {"{\"s\":", "s"},
        {"{\"s\":\"abc", "s"},
        {"{\"t\":1 \"s\":\"v\"}", "s"},
        {"{\"s\":12}", "s"},
        {"{\"t\":\"x", "s"},
        {"{\"t\":{\"s\":\"v\"}}", "s"},
    };
    for (const tCase& l_rCase : l_Absent) {
        l_pRaw = jsonz::readString(jsonz::findMember(l_rCase.text, l_rCase.name), "dflt", &l_Count);
        EXPECT_STREQ(l_pRaw, "dflt") << l_rCase.text;
        EXPECT_EQ(l_Count, 4u) << l_rCase.text;
    }
    for (const char* l_pValue : {"\"7\"", "x1", "-", "99999999999999999999999", "12abc"}) {
        EXPECT_EQ(jsonz::readInteger(l_pValue, 3), 3) << l_pValue;
    }
    EXPECT_EQ(jsonz::readInteger(nullptr, 4), 4);
    EXPECT_EQ(jsonz::readInteger("17}", 0), 17);
}

TEST(JsonzReader, UnescapesEveryForm) {
    const std::string l_Raw = R"(a\\b\/c\n\t\u0041\u00e9\u20ac\q)";
    char l_Out[64];
    jsonz::unescape(l_Raw.data(), l_Raw.size(), l_Out);
    EXPECT_STREQ(l_Out, "a\\b/c\n\tA\xc3\xa9\xe2\x82\xacq");
    // An escape cut by the count is dropped, never read past.
    jsonz::unescape("ab\\u00", 6, l_Out);
    EXPECT_STREQ(l_Out, "ab");
    jsonz::unescape("ab\\", 3, l_Out);
    EXPECT_STREQ(l_Out, "ab");
}

}  // namespace
