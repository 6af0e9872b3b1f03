// Serialisation: separators, quotes, escapes, continuation lines with and without a
// split character, and reading what was written.
#include <gtest/gtest.h>

#include "iniTestUtil.h"

namespace {

using namespace iniTest;

std::string written(const tIniDocument& a_rDocument) {
    std::string l_Text;
    EXPECT_EQ(kIniOk, a_rDocument.write(l_Text));
    return l_Text;
}

TEST(IniWrite, LayoutAndSeparators) {
    tIniDocument l_Document;
    l_Document.m_ReadOptions = 0x0A;
    const std::string l_Text = "top=1\n[A]\nk=v\nq=\"x y\"\n[B]\n[C]\nj=2\n";
    ASSERT_EQ(kIniOk, l_Document.loadFromMemory(l_Text.data(), l_Text.size()));
    l_Document.m_WriteOptions = 0x28;
    EXPECT_EQ("top = 1\n\n[A]\nk = v\nq = \"x y\"\n\n[B]\n\n[C]\nj = 2\n", written(l_Document));
    l_Document.m_WriteOptions = 0x20;
    EXPECT_EQ("top=1\n\n[A]\nk=v\nq=\"x y\"\n\n[B]\n\n[C]\nj=2\n", written(l_Document));
    tIniDocument l_Empty;
    EXPECT_EQ("", written(l_Empty));

    // Unquoted values the reader would change are written quoted; single quotes that the
    // reader keeps stay as they are.
    tIniDocument l_Odd;
    const std::string l_Pieces = "[A]\nc Line0001=p\nc Line0002=\" \"\nd='q'\n";
    ASSERT_EQ(kIniOk, l_Odd.loadFromMemory(l_Pieces.data(), l_Pieces.size()));
    ASSERT_EQ(kIniOk, l_Odd.setValue("A", "k", "\"x\"", 0));
    ASSERT_EQ(kIniOk, l_Odd.setValue("A", "e", "", 0));
    l_Odd.m_WriteOptions = 0;
    const std::string l_Text2 = written(l_Odd);
    EXPECT_EQ("[A]\nc=\"p \"\nd='q'\nk=\"\"x\"\"\ne=\"\"\n", l_Text2);
    tIniDocument l_Back;
    ASSERT_EQ(kIniOk, l_Back.loadFromMemory(l_Text2.data(), l_Text2.size()));
    EXPECT_EQ("[A]{c=p /\"}{d='q'}{k=\"x\"/\"}{e=/\"}", dump(l_Back));
}

TEST(IniWrite, LongValuesBecomeContinuationKeys) {
    struct tCase {
        const char* name;
        int32_t maxLength;
        int32_t split;
        char quote;
        std::string value;
        std::string expected;  // the key's lines
        int quoteRead = -1;    // the quote character read back, when not the one set
    };
    const std::string l_26 = "abcdefghijklmnopqrstuvwxyz";
    const std::vector<tCase> l_Cases = {
        {"fits exactly", 28, 0, 0, l_26, "k=" + l_26 + "\n"},
        {"fits exactly quoted", 30, 0, '"', l_26, "k=\"" + l_26 + "\"\n"},
        // piece = 23 - 1 - 12 = 10
        {"pieces of the limit", 23, 0, 0, l_26,
         "k Line0001=abcdefghij\nk Line0002=klmnopqrst\nk Line0003=uvwxyz\n"},
        {"quoted pieces", 25, 0, '"', l_26,
         "k Line0001=\"abcdefghij\"\nk Line0002=\"klmnopqrst\"\nk Line0003=\"uvwxyz\"\n"},
        {"split after the last split character", 23, ',', 0, "ab,cd,efghijklmnop,qrstu",
         "k Line0001=ab,cd,\nk Line0002=efghijklmn\nk Line0003=op,qrstu\n"},
        {"no split character in the piece", 23, ',', 0, "abcdefghijklmnopqrstuvw",
         "k Line0001=abcdefghij\nk Line0002=klmnopqrst\nk Line0003=uvw\n"},
        {"split character right at the end", 23, ',', 0, "abcdefghi,jklmnopqrstuvw",
         "k Line0001=abcdefghi,\nk Line0002=jklmnopqrs\nk Line0003=tuvw\n"},
        // Unquoted blanks or quotes at a cut would be lost on reading: such a value goes
        // out in quoted pieces (piece = 20 - 1 - 12 - 2 = 5).
        {"blanks force quoted pieces", 20, 0, 0, "abcde fghi jklmno pq",
         "k Line0001=\"abcde\"\nk Line0002=\" fghi\"\nk Line0003=\" jklm\"\nk Line0004=\"no "
         "pq\"\n",
         '"'},
        {"quotes force quoted pieces", 20, 0, 0, "xxxxx\"abc\"yyyyyzzzz",
         "k Line0001=\"xxxxx\"\nk Line0002=\"\"abc\"\"\nk Line0003=\"yyyyy\"\nk "
         "Line0004=\"zzzz\"\n",
         '"'},
    };
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.name);
        tIniDocument l_Document;
        l_Document.m_WriteOptions = 0;
        l_Document.m_MaxLineLength = l_rCase.maxLength;
        l_Document.m_SplitChar = l_rCase.split;
        ASSERT_EQ(kIniOk, l_Document.setValue("S", "k", l_rCase.value.c_str(), l_rCase.quote));
        const std::string l_Text = written(l_Document);
        EXPECT_EQ("[S]\n" + l_rCase.expected, l_Text);

        // Reading joins the pieces again.
        tIniDocument l_Back;
        ASSERT_EQ(kIniOk, l_Back.loadFromMemory(l_Text.data(), l_Text.size()));
        ASSERT_EQ(1u, l_Back.m_Sections.size());
        ASSERT_EQ(1u, l_Back.m_Sections[0].keys.size());
        EXPECT_EQ("k", l_Back.m_Sections[0].keys[0].name);
        EXPECT_EQ(l_rCase.value, l_Back.m_Sections[0].keys[0].value);
        EXPECT_EQ(l_rCase.quoteRead >= 0 ? l_rCase.quoteRead : l_rCase.quote,
                  l_Back.m_Sections[0].keys[0].quote);
    }
}

TEST(IniWrite, RefusedLayouts) {
    tIniDocument l_Document;
    ASSERT_EQ(kIniOk, l_Document.setValue("S", "key", "a long value that needs pieces", '"'));
    std::string l_Text = "unchanged";
    l_Document.m_MaxLineLength = 17;  // 17 - 3 - 12 - 2 = 0
    EXPECT_EQ(kIniLineLimitTooSmall, l_Document.write(l_Text));
    l_Document.m_MaxLineLength = 18;
    EXPECT_EQ(kIniOk, l_Document.write(l_Text));
    l_Document.m_SplitChar = 128;
    EXPECT_EQ(kIniSignedInvalid, l_Document.write(l_Text));
}

// Through cIniFile: setString escapes and quotes, the file holds the escaped text, and
// reading it back gives the escaped text without the quotes.
TEST(IniWrite, EscapesSurviveSaveAndOpen) {
    tScratchDir l_Dir;
    const std::string l_Path = l_Dir.file("w.ini");
    {
        cIniFile l_Ini;
        tStatusRecord l_Status;
        l_Ini.open(l_Path.c_str(), 0, &l_Status);
        ASSERT_EQ(kStatusFileAccessFailed, l_Status.code);  // new file
        l_Status.clear();
        l_Ini.setString("S", "text",
                        "a\tb\nc\"d\\e\x01"
                        "f\x7f",
                        &l_Status);
        l_Ini.setInt("S", "int", -5, &l_Status);
        l_Ini.setUInt("S", "uint", 5, &l_Status);
        l_Ini.setHex("T", "hex", 0xbeef, &l_Status);
        l_Ini.save(&l_Status);
        ASSERT_EQ(0, l_Status.code);
    }
    EXPECT_EQ(
        "[S]\ntext = \"a\\tb\\nc\\\"d\\\\e\\x01f\\x7f\"\nint = -5\nuint = 5\n\n[T]\nhex = "
        "\"0xbeef\"\n",
        readAll(l_Path));
    struct stat l_Stat;
    ASSERT_EQ(0, ::stat(l_Path.c_str(), &l_Stat));
    EXPECT_EQ(0644u, l_Stat.st_mode & 07777);

    cIniFile l_Ini;
    tStatusRecord l_Status;
    l_Ini.open(l_Path.c_str(), iIniFile::kOpenReadOnly, &l_Status);
    std::string l_Text;
    l_Ini.getString("S", "text", l_Text, &l_Status);
    EXPECT_EQ("a\\tb\\nc\\\"d\\\\e\\x01f\\x7f", l_Text);
    uint32_t l_Hex = 0;
    l_Ini.getHex("T", "hex", l_Hex, &l_Status);
    EXPECT_EQ(0xbeefu, l_Hex);
    int32_t l_Int = 0;
    l_Ini.getInt("S", "int", l_Int, &l_Status);
    EXPECT_EQ(-5, l_Int);
    EXPECT_EQ(0, l_Status.code);
}

// After reset the engine splits lines at 80 characters; a long list goes out as
// continuation keys and comes back whole.
TEST(IniWrite, LongListRoundTripWithEngineDefaults) {
    tScratchDir l_Dir;
    const std::string l_Path = l_Dir.file("list.ini");
    std::vector<std::string> l_Items;
    // Blanks inside the list survive the cuts because every piece is quoted; the value
    // as a whole is stored trimmed, so the outer items have none.
    l_Items.push_back("first");
    for (int i = 0; i < 60; ++i)
        l_Items.push_back(" item " + std::to_string(i) + " ");
    l_Items.push_back("last");
    {
        cIniFile l_Ini;
        tStatusRecord l_Status;
        l_Ini.open(l_Path.c_str(), 0, &l_Status);
        l_Status.clear();
        l_Ini.reset(&l_Status);
        l_Ini.setStringList("Lists", "Names", l_Items, &l_Status);
        l_Ini.save(&l_Status);
        ASSERT_EQ(0, l_Status.code);
    }
    const std::string l_Text = readAll(l_Path);
    size_t l_Longest = 0;
    size_t l_Start = 0;
    for (size_t l_End; (l_End = l_Text.find('\n', l_Start)) != std::string::npos;
         l_Start = l_End + 1) {
        l_Longest = std::max(l_Longest, l_End - l_Start);
    }
    EXPECT_LE(l_Longest, 80u);
    EXPECT_NE(std::string::npos, l_Text.find("Names Line0001 = \""));

    cIniFile l_Ini;
    tStatusRecord l_Status;
    l_Ini.open(l_Path.c_str(), 0, &l_Status);
    std::vector<std::string> l_Back;
    l_Ini.getStringList("Lists", "Names", l_Back, &l_Status);
    EXPECT_EQ(0, l_Status.code);
    EXPECT_EQ(l_Items, l_Back);
}

}  // namespace
