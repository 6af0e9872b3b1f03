// Typed getters and list getters: each value of a small fixture file and what it gives.
#include <gtest/gtest.h>

#include "iniTestUtil.h"

namespace {

using namespace iniTest;

// One key per case, written as "k<index>=<text>" under [N]; an absent key is the case
// "missing".
class IniGetters : public ::testing::Test {
protected:
    void load(const std::vector<std::string>& a_rValues) {
        std::string l_Text = "[N]\n";
        for (size_t i = 0; i < a_rValues.size(); ++i) {
            l_Text += "k" + std::to_string(i) + "=" + a_rValues[i] + "\n";
        }
        tStatusRecord l_Status;
        m_Ini.open(m_Dir.write("n.ini", l_Text).c_str(), iIniFile::kOpenReadOnly, &l_Status);
        ASSERT_EQ(0, l_Status.code);
    }
    static std::string key(size_t a_Index) { return "k" + std::to_string(a_Index); }
    // Writes one key per case (its text), then runs a_rCheck(case, key) for each case,
    // traced by its text.
    template <typename tCase, typename tCheck>
    void forEachCase(const std::vector<tCase>& a_rCases, tCheck&& a_rCheck) {
        std::vector<std::string> l_Texts;
        for (const tCase& l_rCase : a_rCases)
            l_Texts.push_back(l_rCase.text);
        load(l_Texts);
        for (size_t i = 0; i < a_rCases.size(); ++i) {
            SCOPED_TRACE(a_rCases[i].text);
            a_rCheck(a_rCases[i], key(i).c_str());
        }
    }

    struct tNumberCase {
        std::string text;  // as written after "=" in the file
        int64_t status;
        int64_t value;  // when status is 0
    };
    // Writes one key per case, then reads each with the getter into a value that starts as
    // a_Untouched: each case gives its status, and its value on success, else leaves the
    // value untouched.
    template <typename tValue>
    using tGetter = void (cIniFile::*)(const char*, const char*, tValue&, tStatusRecord*) const;
    template <typename tValue>
    void checkNumbers(const std::vector<tNumberCase>& a_rCases, tValue a_Untouched,
                      tGetter<tValue> a_pGet) {
        forEachCase(a_rCases, [&](const tNumberCase& a_rCase, const char* a_pKey) {
            tStatusRecord l_Status;
            tValue l_Value = a_Untouched;
            (m_Ini.*a_pGet)("N", a_pKey, l_Value, &l_Status);
            EXPECT_EQ(a_rCase.status, l_Status.code);
            EXPECT_EQ(a_rCase.status == 0 ? a_rCase.value : a_Untouched, l_Value);
        });
    }

    tScratchDir m_Dir;
    cIniFile m_Ini;
};

TEST_F(IniGetters, GetInt) {
    const std::vector<tNumberCase> l_Cases = {
        {"42", 0, 42},
        {"\" 42 \"", 0, 42},
        {"+7", 0, 7},
        {"-2147483648", 0, INT32_MIN},
        {"2147483647", 0, INT32_MAX},
        {"2147483648", kStatusIniValueInvalid, 0},
        {"-2147483649", kStatusIniValueInvalid, 0},
        {"4294967296", kStatusIniValueInvalid, 0},
        {"99999999999999999999", kStatusIniValueInvalid, 0},
        {"12a", kStatusIniValueInvalid, 0},
        {"- 1", kStatusIniValueInvalid, 0},
        {"+-1", kStatusIniValueInvalid, 0},
        {"0x10", kStatusIniValueInvalid, 0},
        {"1 2", kStatusIniValueInvalid, 0},
        {"\"  \"", kStatusIniKeyNotFound, 0},
        {"", kStatusIniKeyNotFound, 0},  // the line is dropped
    };
    checkNumbers(l_Cases, int32_t(-77), &cIniFile::getInt);
}

TEST_F(IniGetters, GetUInt) {
    const std::vector<tNumberCase> l_Cases = {
        {"42", 0, 42},
        {"\"\t42 \"", 0, 42},
        {"+42", 0, 42},
        {"4294967295", 0, 4294967295},
        {"4294967296", kStatusIniValueInvalid, 0},
        {"-1", kStatusIniValueInvalid, 0},
        {"-0", kStatusIniValueInvalid, 0},
        {"0x1", kStatusIniValueInvalid, 0},
        {"\" \"", kStatusIniKeyNotFound, 0},
    };
    checkNumbers(l_Cases, uint32_t(77), &cIniFile::getUInt);
}

TEST_F(IniGetters, GetHex) {
    const std::vector<tNumberCase> l_Cases = {
        {"0x1F", 0, 0x1F},
        {"1f", 0, 0x1F},
        {"\"  0Xab\"", 0, 0xAB},
        {"FFFFFFFF", 0, 0xFFFFFFFF},
        {"0x00000000FFFFFFFF", 0, 0xFFFFFFFF},
        {"12g", 0, 0x12},
        {"0x", 0, 0},
        {"-1", 0, 0xFFFFFFFF},
        {"0x100000000", kStatusIniItemInvalid, 0},
        {"zz", kStatusIniItemInvalid, 0},
        {"x1", kStatusIniItemInvalid, 0},
        {"\" \"", kStatusIniItemInvalid, 0},
    };
    checkNumbers(l_Cases, uint32_t(77), &cIniFile::getHex);
}

TEST_F(IniGetters, MissingKeyOrSectionForEveryGetter) {
    load({"1"});
    for (const std::pair<const char*, const char*>& l_rWhere :
         {std::make_pair("N", "nokey"), std::make_pair("NoSection", "k0"),
          std::make_pair<const char*, const char*>(nullptr, "k0"),
          std::make_pair<const char*, const char*>("N", nullptr)}) {
        std::string l_String = "keep";
        int32_t l_Int = 5;
        uint32_t l_UInt = 5;
        std::vector<int32_t> l_Ints;
        std::vector<std::string> l_Strings;
        const std::vector<std::function<void(tStatusRecord*)>> l_Calls = {
            [&](tStatusRecord* a_p) {
                m_Ini.getString(l_rWhere.first, l_rWhere.second, l_String, a_p);
            },
            [&](tStatusRecord* a_p) { m_Ini.getInt(l_rWhere.first, l_rWhere.second, l_Int, a_p); },
            [&](tStatusRecord* a_p) {
                m_Ini.getUInt(l_rWhere.first, l_rWhere.second, l_UInt, a_p);
            },
            [&](tStatusRecord* a_p) { m_Ini.getHex(l_rWhere.first, l_rWhere.second, l_UInt, a_p); },
            [&](tStatusRecord* a_p) {
                m_Ini.getIntList(l_rWhere.first, l_rWhere.second, l_Ints, a_p);
            },
            [&](tStatusRecord* a_p) {
                m_Ini.getStringList(l_rWhere.first, l_rWhere.second, l_Strings, a_p);
            },
        };
        for (const auto& l_rCall : l_Calls) {
            tStatusRecord l_Status;
            l_rCall(&l_Status);
            EXPECT_EQ(kStatusIniKeyNotFound, l_Status.code);
        }
        EXPECT_EQ("keep", l_String);
        EXPECT_EQ(5, l_Int);
        EXPECT_EQ(5u, l_UInt);
        EXPECT_TRUE(l_Ints.empty() && l_Strings.empty());
        tStatusRecord l_Status;
        EXPECT_FALSE(m_Ini.hasKey(l_rWhere.first, l_rWhere.second, &l_Status));
        EXPECT_EQ(0, l_Status.code);
    }
}

TEST_F(IniGetters, IntLists) {
    struct tCase {
        std::string text;
        int64_t status;
        std::vector<int32_t> appended;
    };
    const std::vector<tCase> l_Cases = {
        {"1,2,", 0, {1, 2}},
        {"1,,2", kStatusIniItemInvalid, {1}},
        {",1", kStatusIniItemInvalid, {}},
        {"\" 3, -4,5x,+6\"", 0, {3, -4, 5, 6}},
        {"7,a,8", kStatusIniItemInvalid, {7}},
        {"2147483647,-2147483648", 0, {INT32_MAX, INT32_MIN}},
        {"1,2147483648", kStatusIniItemInvalid, {1}},
        {"\"\"", 0, {}},
    };
    forEachCase(l_Cases, [&](const tCase& a_rCase, const char* a_pKey) {
        tStatusRecord l_Status;
        std::vector<int32_t> l_Values = {99};  // appended to, never replaced
        m_Ini.getIntList("N", a_pKey, l_Values, &l_Status);
        EXPECT_EQ(a_rCase.status, l_Status.code);
        std::vector<int32_t> l_Expected = {99};
        l_Expected.insert(l_Expected.end(), a_rCase.appended.begin(), a_rCase.appended.end());
        EXPECT_EQ(l_Expected, l_Values);
    });
}

TEST_F(IniGetters, StringLists) {
    struct tCase {
        std::string text;
        std::vector<std::string> appended;
    };
    const std::vector<tCase> l_Cases = {
        {"a,b,", {"a", "b"}},
        {",a", {"", "a"}},
        {"a,,b", {"a", "", "b"}},
        {"\"a, b ,\"", {"a", " b "}},
        {"\"\"", {}},
        {",", {""}},
        {"one", {"one"}},
    };
    forEachCase(l_Cases, [&](const tCase& a_rCase, const char* a_pKey) {
        tStatusRecord l_Status;
        std::vector<std::string> l_Values = {"old"};
        m_Ini.getStringList("N", a_pKey, l_Values, &l_Status);
        EXPECT_EQ(0, l_Status.code);
        std::vector<std::string> l_Expected = {"old"};
        l_Expected.insert(l_Expected.end(), a_rCase.appended.begin(), a_rCase.appended.end());
        EXPECT_EQ(l_Expected, l_Values);
    });
}

}  // namespace
