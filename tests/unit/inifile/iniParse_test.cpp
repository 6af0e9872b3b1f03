// Lines and what the reader makes of them, one tiny text per case.
#include <gtest/gtest.h>

#include "iniTestUtil.h"

namespace {

using namespace iniTest;

struct tParseCase {
    const char* name;
    std::string text;
    std::string expected;
    uint32_t readOptions = 0x02;
    uint32_t caseSensitive = 1;  // as after open
};

// A literal with its NUL bytes.
template <size_t N>
std::string bytes(const char (&a_rText)[N]) {
    return std::string(a_rText, N - 1);
}

const std::vector<tParseCase>& parseCases() {
    static const std::vector<tParseCase> l_Cases = {
        {"plain", "[A]\nk=v\n", "[A]{k=v}"},
        {"blanks around name and value", "[S]\n  Key =  value  \n", "[S]{Key=value}"},
        {"first equals separates", "[S]\nKey = a=b\n", "[S]{Key=a=b}"},
        {"empty value dropped, empty quotes kept", "[S]\na=\nb = \nc=\"\"\n", "[S]{c=/\"}"},
        {"comments, no equals, keys before header", "x=1\n[A]\n;c=2\nnoequals\n=v\nk=v\n",
         "[A]{k=v}"},
        {"no inline comments", "[A]\nk=v ; not a comment\n", "[A]{k=v ; not a comment}"},
        {"duplicates merge in first place", "[A]\na=1\nb=2\n[B]\nc=3\n[A]\na=9\nd=4\n",
         "[A]{a=9}{b=2}{d=4}[B]{c=3}"},
        {"names case-sensitive after open", "[Chassis1]\nk=1\nK=2\n[chassis1]\nk=3\n",
         "[Chassis1]{k=1}{K=2}[chassis1]{k=3}"},
        {"names case-insensitive by default", "[Chassis1]\nk=1\n[ chassis1 ]\nK=2\n",
         "[Chassis1]{k=2}", 0x02, 0},
        {"header forms", "[ A ] tail\nk=1\n[B\nj=2\n[]\n[  ]\nm=3\n", "[A]{k=1}{j=2}{m=3}"},
        {"header name ends at first bracket", "[A]]\nk=1\n[x]y]\nj=2\n", "[A]{k=1}[x]{j=2}"},
        {"double quotes stripped", "[A]\nk=\"a b \"\nj=\"x\nm=\"\n", "[A]{k=a b /\"}{j=\"x}{m=\"}"},
        {"single quotes only with option", "[A]\nk='v'\n", "[A]{k='v'}"},
        {"single quotes stripped with option", "[A]\nk='v'\nj=\"w\"\n", "[A]{k=v/'}{j=\"w\"}",
         0x04},
        {"empty values kept with option", "[A]\nk=\nj=  \n", "[A]{k=}{j=}", 0x03},
        {"colons and (null) section", "a:1\n[S]\nb:=2\nc=3:4\nd : x=y\n",
         "[(null)]{a=1}[S]{b=2}{c=3:4}{d=x=y}", 0x0A},
        {"continuation keys joined", "[A]\nList Line0001 = a,b\nList Line0002 = ,c\n",
         "[A]{List=a,b,c}"},
        {"runs start at 1 and take any base name",
         "[A]\na Line0001=1\nx Line0007=2\nb Line1=3\nb Line3=4\nc=5\n", "[A]{a=12}{b=34}{c=5}"},
        {"not continuation keys",
         "[A]\nk Line0002=1\nk Line=2\nk Line12a=3\nk Line99999999999=4\nkLine1=5\n",
         "[A]{k Line0002=1}{k Line=2}{k Line12a=3}{k Line99999999999=4}{kLine1=5}"},
        {"joined name trimmed", "[A]\nk \t  Line0001=x\nk Line0002=y\n", "[A]{k=xy}"},
        {"first ' Line' decides", "[A]\nMy Line Line0001=x\n", "[A]{My Line Line0001=x}"},
        {"quoted pieces keep their blanks", "[A]\nk Line0001=\"a \"\nk Line0002=\" b\"\n",
         "[A]{k=a  b/\"}"},
        {"CR LF", "[A]\r\nk=v\r\nj=w\r\n", "[A]{k=v}{j=w}"},
        {"CR only", "[A]\rk=v\rj=w", "[A]{k=v}{j=w}"},
        {"LF CR and mixed", "[A]\n\rk=v\r\n\r\nj=w\n\n\r\rm=x", "[A]{k=v}{j=w}{m=x}"},
        {"NUL ends a line", bytes("[A]\0k=v\0\0j=w"), "[A]{k=v}{j=w}"},
        {"last line without line end", "[A]\nk=v", "[A]{k=v}"},
        {"UTF-8 mark skipped", "\xEF\xBB\xBF[A]\nk=v\n", "[A]{k=v}"},
        {"tabs are blanks", "\t[A]\t\n\tk\t=\tv\t\n", "[A]{k=v}"},
        {"no escapes interpreted", "[A]\nk=\"a\\tb\"\n", "[A]{k=a\\tb/\"}"},
    };
    return l_Cases;
}

TEST(IniParse, LinesGiveTheirModel) {
    for (const tParseCase& l_rCase : parseCases()) {
        SCOPED_TRACE(l_rCase.name);
        tIniDocument l_Document;
        l_Document.m_ReadOptions = l_rCase.readOptions;
        l_Document.m_CaseSensitive = l_rCase.caseSensitive;
        ASSERT_EQ(kIniOk, l_Document.loadFromMemory(l_rCase.text.data(), l_rCase.text.size()));
        EXPECT_EQ(l_rCase.expected, dump(l_Document));
    }
}

TEST(IniParse, SameModelFromFileAndFromMemory) {
    tScratchDir l_Dir;
    for (const tParseCase& l_rCase : parseCases()) {
        SCOPED_TRACE(l_rCase.name);
        if (l_rCase.readOptions != 0x02 || l_rCase.caseSensitive != 1)
            continue;
        tOpenIniFile l_Ini;
        tStatusRecord l_Status;
        l_Ini.open(l_Dir.write("case.ini", l_rCase.text).c_str(), 0, &l_Status);
        ASSERT_EQ(0, l_Status.code);
        EXPECT_EQ(l_rCase.expected, dump(*l_Ini.document()));
    }
}

TEST(IniParse, WithoutMergingDuplicatesAreKept) {
    tIniDocument l_Document;
    l_Document.m_MergeDuplicates = 0;
    const std::string l_Text = "[A]\nk=1\nk=2\n[A]\nk=3\n";
    ASSERT_EQ(kIniOk, l_Document.loadFromMemory(l_Text.data(), l_Text.size()));
    EXPECT_EQ("[A]{k=1}{k=2}[A]{k=3}", dump(l_Document));
}

TEST(IniParse, WideMarksAreRefused) {
    const std::vector<std::string> l_Marks = {
        bytes("\xFF\xFE[\0A\0]\0"), bytes("\xFE\xFF\0[\0A\0]"), bytes("\xFF\xFE\0\0[\0\0\0"),
        bytes("\0\0\xFE\xFF\0\0\0["), bytes("\xFF\xFE")};
    for (const std::string& l_rText : l_Marks) {
        tIniDocument l_Document;
        EXPECT_EQ(kIniUnsupportedEncoding,
                  l_Document.loadFromMemory(l_rText.data(), l_rText.size()));
        EXPECT_TRUE(l_Document.m_Sections.empty());
    }
}

// Many sections and keys, merged through the load-time index, give the same result as
// a simple lookup; a section re-entered after it grew large still merges.
TEST(IniParse, LargeSectionsMergeLikeSmallOnes) {
    std::string l_Text;
    for (int l_Round = 0; l_Round < 2; ++l_Round) {
        for (int s = 0; s < 50; ++s) {
            l_Text += "[S" + std::to_string(s) + "]\n";
            for (int k = 0; k < 40; ++k) {
                l_Text +=
                    "Key" + std::to_string(k) + "=" + std::to_string(l_Round * 1000 + k) + "\n";
            }
        }
    }
    tIniDocument l_Document;
    l_Document.m_CaseSensitive = 0;
    ASSERT_EQ(kIniOk, l_Document.loadFromMemory(l_Text.data(), l_Text.size()));
    ASSERT_EQ(50u, l_Document.m_Sections.size());
    for (const tIniSection& l_rSection : l_Document.m_Sections)
        ASSERT_EQ(40u, l_rSection.keys.size());
    const tIniKey* l_pKey = l_Document.findKey("s49", "KEY39");
    ASSERT_NE(nullptr, l_pKey);
    EXPECT_EQ("1039", l_pKey->value);
    EXPECT_EQ("Key39", l_pKey->name);
}

}  // namespace
