// The SMBIOS provider on well-formed dumps and on truncated or hostile ones.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/smbios/cQxSmBiosLinuxProvider.h"
#include "platform/smbios/qxSmBios.h"
#include "smbiosDump.h"

using namespace nQxPxiUnitTest;
using namespace smbiostest;

namespace {

struct tAnswer {
    int64_t code;
    std::string text;
    uint32_t length;
};

tAnswer ask(cQxSmBiosProvider& a_rProvider, uint32_t a_Code, uint32_t a_Instance = 0,
            uint32_t a_BufferSize = 256) {
    tStatusRecord l_Status;
    char l_Buffer[512];
    std::memset(l_Buffer, 'x', sizeof(l_Buffer));
    uint32_t l_Length = a_BufferSize;
    a_rProvider.lookup(a_Code, a_Instance, a_BufferSize == 0 ? nullptr : l_Buffer, &l_Length,
                       &l_Status);
    tAnswer l_Answer{l_Status.code, "", l_Length};
    if (l_Status.code >= 0)
        l_Answer.text.assign(l_Buffer, strnlen(l_Buffer, sizeof(l_Buffer)));
    return l_Answer;
}

tBytes goodTable() {
    return concat({structure(0, {1, 0}, {"BIOS Vendor"}),
                   systemStructure("QUARRIX Instruments Ltd", "QX PXI-8880 Embedded"),
                   // Second system structure; product field holds string 0 (no string),
                   // the wanted-string field at offset 6 names string 3 of 2.
                   structure(1, {1, 0, 3, 0}, {"Second maker", "unused"}),
                   structure(3, {0, 0, 0, 1}, {"SER-0042"}), structure(127, {}, {})});
}

class SmBiosLookup : public ::testing::Test {
protected:
    void SetUp() override {
        m_Path = m_Dir.write("dump", dumpImage("qxsim smbios dump v1", goodTable()));
    }
    cTempDir m_Dir;
    std::string m_Path;
};

}  // namespace

TEST_F(SmBiosLookup, AnswersEveryKindOfFieldCode) {
    struct tCase {
        const char* what;
        uint32_t code;
        uint32_t instance;
        int64_t status;
        const char* text;
    };
    const tCase l_Cases[] = {
        {"manufacturer", 0x104, 0, 0, "QUARRIX Instruments Ltd"},
        {"product", 0x105, 0, 0, "QX PXI-8880 Embedded"},
        {"second structure of the type", 0x104, 1, 0, "Second maker"},
        {"instance past the last", 0x104, 2, kStatusSmBiosNotFound, nullptr},
        {"field holds no string", 0x105, 1, kStatusSmBiosNoString, ""},
        {"string number beyond the set", 0x106, 1, kStatusSmBiosCorrupt, nullptr},
        {"field past the formatted area", 0x108, 0, kStatusSmBiosNotFound, nullptr},
        {"type 3 after the others", 0x307, 0, 0, "SER-0042"},
        {"type absent", 0x204, 0, kStatusSmBiosNotFound, nullptr},
        {"numeric size class", 0x20104, 0, kStatusSmBiosNotFound, nullptr},
        {"unknown size class", 0x50104, 0, kStatusSmBiosNotFound, nullptr},
        {"header text", cQxSmBiosProvider::kFieldHeaderText, 0, 0, "qxsim smbios dump v1"},
        {"header text, instance 1", cQxSmBiosProvider::kFieldHeaderText, 1, kStatusSmBiosNotFound,
         nullptr},
    };
    cQxSmBiosLinuxProvider l_Provider(m_Path.c_str());
    for (const tCase& l_rCase : l_Cases) {
        const tAnswer l_Answer = ask(l_Provider, l_rCase.code, l_rCase.instance);
        EXPECT_EQ(l_Answer.code, l_rCase.status) << l_rCase.what;
        if (l_rCase.text != nullptr) {
            EXPECT_EQ(l_Answer.text, l_rCase.text) << l_rCase.what;
        }
    }
}

TEST_F(SmBiosLookup, SizesTheBufferInTwoCalls) {
    cQxSmBiosLinuxProvider l_Provider(m_Path.c_str());
    tStatusRecord l_Status;
    uint32_t l_Length = 0;
    l_Provider.lookup(0x307, 0, nullptr, &l_Length, &l_Status);
    EXPECT_EQ(l_Status.code, kStatusSmBiosBufferTooSmall);
    EXPECT_EQ(l_Length, 9u);  // "SER-0042" and its NUL

    // Exactly the size asked for is enough; one byte less is not.
    EXPECT_EQ(ask(l_Provider, 0x307, 0, 9).text, "SER-0042");
    const tAnswer l_Short = ask(l_Provider, 0x307, 0, 8);
    EXPECT_EQ(l_Short.code, kStatusSmBiosBufferTooSmall);
    EXPECT_EQ(l_Short.length, 9u);

    // The header text is sized the same way: the length asked for includes the NUL.
    const tAnswer l_Header = ask(l_Provider, cQxSmBiosProvider::kFieldHeaderText, 0, 3);
    EXPECT_EQ(l_Header.code, kStatusSmBiosBufferTooSmall);
    EXPECT_EQ(ask(l_Provider, cQxSmBiosProvider::kFieldHeaderText, 0, l_Header.length).code, 0);
}

TEST_F(SmBiosLookup, RejectsMissingPointers) {
    cQxSmBiosLinuxProvider l_Provider(m_Path.c_str());
    tStatusRecord l_Status;
    l_Provider.lookup(0x104, 0, nullptr, nullptr, &l_Status);
    EXPECT_EQ(l_Status.code, qxapalerr_invalidParameter);

    tStatusRecord l_Status2;
    uint32_t l_Length = 100;  // large enough, but nowhere to copy to
    l_Provider.lookup(0x104, 0, nullptr, &l_Length, &l_Status2);
    EXPECT_EQ(l_Status2.code, qxapalerr_invalidParameter);

    // A status already in error is left alone and nothing is loaded or looked up.
    cQxSmBiosLinuxProvider l_Fresh(m_Path.c_str());
    tStatusRecord l_Failed;
    QX_SET_STATUS(l_Failed, kStatusNotFound);
    char l_Buffer[64] = "untouched";
    l_Length = sizeof(l_Buffer);
    l_Fresh.lookup(0x104, 0, l_Buffer, &l_Length, &l_Failed);
    EXPECT_EQ(l_Failed.code, kStatusNotFound);
    EXPECT_STREQ(l_Buffer, "untouched");
    EXPECT_FALSE(l_Fresh.isLoaded());
}

TEST(SmBiosProvider, StringLengthLimitIs128) {
    cTempDir l_Dir;
    const std::string l_Path = l_Dir.write(
        "dump",
        dumpImage("h", concat({systemStructure(std::string(128, 'a'), std::string(129, 'b'))})));
    cQxSmBiosLinuxProvider l_Provider(l_Path.c_str());
    EXPECT_EQ(ask(l_Provider, 0x104, 0, 512).text, std::string(128, 'a'));
    EXPECT_EQ(ask(l_Provider, 0x105, 0, 512).code, kStatusSmBiosCorrupt);
}

TEST(SmBiosProvider, OverlongHeaderAndEmptyTableStillLoad) {
    cTempDir l_Dir;
    cQxSmBiosLinuxProvider l_Long(
        l_Dir.write("long", dumpImage(std::string(300, 'h'), goodTable())).c_str());
    EXPECT_EQ(ask(l_Long, 0x104).text, "QUARRIX Instruments Ltd");
    const tAnswer l_Header = ask(l_Long, cQxSmBiosProvider::kFieldHeaderText);
    EXPECT_EQ(l_Header.code, 0);
    EXPECT_EQ(l_Header.text, "");

    cQxSmBiosLinuxProvider l_Empty(l_Dir.write("empty", dumpImage("h", {})).c_str());
    EXPECT_EQ(ask(l_Empty, 0x104).code, kStatusSmBiosNotFound);
    EXPECT_TRUE(l_Empty.isLoaded());
    EXPECT_EQ(ask(l_Empty, cQxSmBiosProvider::kFieldHeaderText).text, "h");
}

TEST(SmBiosProvider, BrokenDumpsGiveDefinedCodes) {
    const tBytes l_System = systemStructure("Quarrix", "QX");
    tBytes l_ShortLength = dumpImage("h", l_System);
    l_ShortLength.resize(2);  // header and one byte of the length
    tBytes l_ShortTable = dumpImage("h", l_System);
    l_ShortTable.pop_back();
    const tBytes l_Unterminated = {'h', 'e', 'a', 'd'};

    tBytes l_LengthBelow4 = l_System;
    l_LengthBelow4[1] = 2;
    tBytes l_LengthZero = concat({structure(0, {}, {}), l_System});
    l_LengthZero[1] = 0;
    tBytes l_LengthPastEnd = l_System;
    l_LengthPastEnd[1] = 0xF0;
    tBytes l_NoFinalNul = l_System;  // "Quarrix\0QX" without the NUL of QX and of the set
    l_NoFinalNul.resize(l_NoFinalNul.size() - 2);
    tBytes l_Fragment = concat({structure(0, {}, {}), {1, 8}});  // header of 2 bytes only
    tBytes l_NoSetEnd = structure(0, {}, {"abc"});               // no double NUL, then a system
    l_NoSetEnd.pop_back();
    l_NoSetEnd = concat({l_NoSetEnd, {'z'}});

    struct tCase {
        const char* what;
        tBytes image;
        uint32_t code;
        int64_t status;
    };
    const tCase l_Cases[] = {
        {"header without NUL", l_Unterminated, 0x104, kStatusSmBiosCorrupt},
        {"table length cut", l_ShortLength, 0x104, kStatusSmBiosCorrupt},
        {"table shorter than its length", l_ShortTable, 0x104, kStatusSmBiosCorrupt},
        {"empty file", {}, 0x104, kStatusSmBiosCorrupt},
        {"structure length below 4", dumpImage("h", l_LengthBelow4), 0x104, kStatusSmBiosCorrupt},
        {"structure length 0 before the match", dumpImage("h", l_LengthZero), 0x104,
         kStatusSmBiosCorrupt},
        {"structure length past the end", dumpImage("h", l_LengthPastEnd), 0x104,
         kStatusSmBiosCorrupt},
        {"last string without NUL", dumpImage("h", l_NoFinalNul), 0x105, kStatusSmBiosCorrupt},
        {"earlier string intact", dumpImage("h", l_NoFinalNul), 0x104, 0},
        {"structure header cut", dumpImage("h", l_Fragment), 0x104, kStatusSmBiosCorrupt},
        {"string set without its end", dumpImage("h", l_NoSetEnd), 0x104, kStatusSmBiosNotFound},
    };
    cTempDir l_Dir;
    int l_Index = 0;
    for (const tCase& l_rCase : l_Cases) {
        const std::string l_Path = l_Dir.write("d" + std::to_string(l_Index++), l_rCase.image);
        cQxSmBiosLinuxProvider l_Provider(l_Path.c_str());
        EXPECT_EQ(ask(l_Provider, l_rCase.code).code, l_rCase.status) << l_rCase.what;

        // The same image through memory gives the same answer.
        cQxSmBiosLinuxProvider l_Memory("/nonexistent/dump");
        tStatusRecord l_Status;
        l_Memory.loadFromMemory(l_rCase.image.data(), l_rCase.image.size(), &l_Status);
        if (!l_Status.isError()) {
            EXPECT_EQ(ask(l_Memory, l_rCase.code).code, l_rCase.status) << l_rCase.what;
        } else {
            EXPECT_EQ(l_Status.code, l_rCase.status) << l_rCase.what;
        }
    }
}

TEST(SmBiosProvider, FailedLoadIsRetriedOnTheNextLookup) {
    cTempDir l_Dir;
    const std::string l_Path = l_Dir.file("later");
    cQxSmBiosLinuxProvider l_Provider(l_Path.c_str());
    EXPECT_EQ(ask(l_Provider, 0x104).code, kStatusSmBiosUnavailable);

    tBytes l_Cut = dumpImage("h", goodTable());
    l_Cut.resize(l_Cut.size() - 5);
    l_Dir.write("later", l_Cut);
    EXPECT_EQ(ask(l_Provider, 0x104).code, kStatusSmBiosCorrupt);
    EXPECT_FALSE(l_Provider.isLoaded());

    l_Dir.write("later", dumpImage("h", goodTable()));
    EXPECT_EQ(ask(l_Provider, 0x105).text, "QX PXI-8880 Embedded");

    // Once loaded, a change of the file is not seen.
    l_Dir.write("later", dumpImage("h", concat({systemStructure("Other", "Other")})));
    EXPECT_EQ(ask(l_Provider, 0x105).text, "QX PXI-8880 Embedded");
}

TEST(SmBiosProvider, LibraryProviderReadsTheFixedPath) {
    auto& l_rProvider = dynamic_cast<cQxSmBiosLinuxProvider&>(getSmBiosProvider());
    EXPECT_EQ(l_rProvider.dumpPath(), "/run/qxpxisv/smbios/smbiosdmp");
    char l_Buffer[64];
    uint32_t l_Length = sizeof(l_Buffer);
    const int32_t l_Code = SmBiosGetFirstString(kSmBiosSystemProductName, l_Buffer, &l_Length);
    // This machine may or may not have a dump; without one the answer is "unavailable".
    if (access("/run/qxpxisv/smbios/smbiosdmp", R_OK) != 0) {
        EXPECT_EQ(l_Code, kStatusSmBiosUnavailable);
    }
    EXPECT_EQ(SmBiosGetString(kSmBiosSystemProductName, 0, l_Buffer, nullptr),
              qxapalerr_invalidParameter);
}
