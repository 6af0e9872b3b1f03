// The SMBIOS dump writer on the real DMI table of a single-board computer, and on
// tables and entry points that are wrong.
#include <gtest/gtest.h>
#include <dirent.h>

#include <string>
#include <vector>

#include "tests/host/linux/linuxServices.h"

namespace {

using tBytes = std::vector<uint8_t>;

tBytes bytesOf(const std::string& a_rText) {
    return tBytes(a_rText.begin(), a_rText.end());
}

std::string textOf(const tBytes& a_rBytes) {
    return std::string(a_rBytes.begin(), a_rBytes.end());
}

// A 32-bit entry point giving a_Length, version 2.8; a 64-bit one giving a_Max, 3.2.0.
tBytes entryPoint32(unsigned a_Length) {
    tBytes l_Entry(31, 0);
    std::copy_n("_SM_", 4, l_Entry.begin());
    l_Entry[6] = 2;
    l_Entry[7] = 8;
    l_Entry[0x16] = static_cast<uint8_t>(a_Length & 0xFF);
    l_Entry[0x17] = static_cast<uint8_t>(a_Length >> 8);
    return l_Entry;
}

tBytes entryPoint64(unsigned a_Max) {
    tBytes l_Entry(24, 0);
    std::copy_n("_SM3_", 5, l_Entry.begin());
    l_Entry[7] = 3;
    l_Entry[8] = 2;
    for (int l_Byte = 0; l_Byte < 4; ++l_Byte) {
        l_Entry[12 + l_Byte] = static_cast<uint8_t>(a_Max >> (8 * l_Byte));
    }
    return l_Entry;
}

struct tRun {
    qxtest::tChildResult result;
    std::string dump;  // the output file afterwards, "(none)" when absent
};

class SmbiosDumpWriter : public ::testing::Test {
protected:
    // Runs the writer with the table (and entry point, unless null) given as files.
    tRun write(const tBytes& a_rTable, const tBytes* a_pEntry) {
        const std::string l_Table = m_Dir.writeFile("DMI", textOf(a_rTable));
        std::vector<std::string> l_Argv = {qxlinuxtest::linuxService("qxpxi-smbios-dump"),
                                           "--table",
                                           l_Table,
                                           "--entry-point",
                                           m_Dir.file("smbios_entry_point"),
                                           "--output",
                                           m_Output};
        if (a_pEntry != nullptr) {
            m_Dir.writeFile("smbios_entry_point", textOf(*a_pEntry));
        }
        tRun l_Run{qxtest::runCommand(l_Argv), "(none)"};
        try {
            l_Run.dump = qxtest::readFile(m_Output);
        } catch (const std::exception&) {
        }
        return l_Run;
    }
    // The names in the output's directory other than the output itself.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> l_Names;
        DIR* l_pDir = opendir(m_Dir.file("out").c_str());
        while (const dirent* l_pEntry = l_pDir == nullptr ? nullptr : readdir(l_pDir)) {
            const std::string l_Name = l_pEntry->d_name;
            if (l_Name != "." && l_Name != ".." && l_Name != "smbiosdmp") {
                l_Names.push_back(l_Name);
            }
        }
        if (l_pDir != nullptr) {
            closedir(l_pDir);
        }
        return l_Names;
    }

    qxtest::cTempDir m_Dir;
    std::string m_Output = m_Dir.file("out/new/smbiosdmp");
    const tBytes m_Real = bytesOf(qxtest::readFile(qxlinuxtest::realworld("dmi/DMI-upboard")));
};

std::string dumpOf(const std::string& a_rHeader, const tBytes& a_rTable) {
    std::string l_Dump = a_rHeader + std::string(1, '\0');
    l_Dump += static_cast<char>(a_rTable.size() & 0xFF);
    l_Dump += static_cast<char>(a_rTable.size() >> 8);
    return l_Dump + textOf(a_rTable);
}

TEST_F(SmbiosDumpWriter, WritesTheRealTableWithTheVersionOfItsEntryPoint) {
    ASSERT_EQ(m_Real.size(), 1798u);
    const tBytes l_Entry32 = entryPoint32(1798), l_Entry64 = entryPoint64(4096);
    struct {
        const tBytes* entry;
        const char* header;
    } const l_Cases[] = {{nullptr, "SMBIOS table"},
                         {&l_Entry32, "SMBIOS 2.8 table"},
                         {&l_Entry64, "SMBIOS 3.2.0 table"}};
    for (const auto& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.header);
        std::remove(m_Dir.file("smbios_entry_point").c_str());
        const tRun l_Run = write(m_Real, l_rCase.entry);
        EXPECT_EQ(l_Run.result.exitCode, 0) << l_Run.result.stdErr;
        EXPECT_EQ(l_Run.dump, dumpOf(l_rCase.header, m_Real));
    }
}

// Bytes after the end-of-table structure are dropped; they are no structures.
TEST_F(SmbiosDumpWriter, DropsWhatFollowsTheEndOfTable) {
    tBytes l_Padded = m_Real;
    l_Padded.insert(l_Padded.end(), {0xFF, 0x00, 0x12});
    const tRun l_Run = write(l_Padded, nullptr);
    EXPECT_EQ(l_Run.result.exitCode, 0) << l_Run.result.stdErr;
    EXPECT_EQ(l_Run.dump, dumpOf("SMBIOS table", m_Real));
}

// A wrong table or entry point leaves the previous dump as it was and no temporary
// file behind, and says what is wrong.
TEST_F(SmbiosDumpWriter, RefusesWrongTablesAndKeepsThePreviousDump) {
    m_Output = m_Dir.file("out/smbiosdmp");
    ASSERT_EQ(write(m_Real, nullptr).result.exitCode, 0);
    const std::string l_Previous = dumpOf("SMBIOS table", m_Real);
    const tBytes l_Truncated(m_Real.begin(), m_Real.begin() + 1000);
    tBytes l_Huge;
    while (l_Huge.size() <= 0xFFFF) {
        tBytes l_Structure(200, 0);
        l_Structure[0] = 200;
        l_Structure[1] = 198;  // formatted area of 198 bytes, then an empty string set
        l_Huge.insert(l_Huge.end(), l_Structure.begin(), l_Structure.end());
    }
    const tBytes l_Short = {1, 2, 0, 0};  // a header claiming 2 bytes
    const tBytes l_WrongLength = entryPoint32(1797), l_TooSmall = entryPoint64(1000);
    const tBytes l_NoEntry = bytesOf("not an entry point at all, 31 bytes");
    struct {
        const char* what;
        tBytes table;
        const tBytes* entry;
        const char* message;
    } const l_Cases[] = {
        {"empty", {}, nullptr, "empty"},
        {"truncated", l_Truncated, nullptr, "past the end"},
        {"structure shorter than its header", l_Short, nullptr, "shorter than its header"},
        {"longer than a dump can hold", l_Huge, nullptr, "65535"},
        {"length differs from the 32-bit entry point", m_Real, &l_WrongLength, "entry point"},
        {"larger than the 64-bit entry point allows", m_Real, &l_TooSmall, "larger"},
        {"no entry point", m_Real, &l_NoEntry, "not an SMBIOS entry point"},
    };
    for (const auto& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.what);
        std::remove(m_Dir.file("smbios_entry_point").c_str());
        const tRun l_Run = write(l_rCase.table, l_rCase.entry);
        EXPECT_EQ(l_Run.result.exitCode, 1);
        EXPECT_NE(l_Run.result.stdErr.find(l_rCase.message), std::string::npos)
            << l_Run.result.stdErr;
        EXPECT_EQ(l_Run.dump, l_Previous);
    }
    EXPECT_TRUE(leftovers().empty()) << leftovers().front();
}

TEST_F(SmbiosDumpWriter, UnreadableOrUnwritablePathsNameThemselves) {
    const std::string l_Writer = qxlinuxtest::linuxService("qxpxi-smbios-dump");
    const std::string l_Table = m_Dir.writeFile("DMI", textOf(m_Real));
    const std::string l_Missing = m_Dir.file("no/DMI");
    const std::string l_Blocked = m_Dir.writeFile("file", "") + "/smbiosdmp";
    struct {
        std::vector<std::string> argv;
        int exitCode;
        std::string named;
    } const l_Cases[] = {
        {{l_Writer, "--table", l_Missing, "--output", m_Output}, 1, l_Missing},
        {{l_Writer, "--table", l_Table, "--entry-point", m_Dir.path(), "--output", m_Output},
         1,
         m_Dir.path()},
        {{l_Writer, "--table", l_Table, "--output", l_Blocked}, 1, l_Blocked},
        {{l_Writer, "--table"}, 2, "usage"},
        {{l_Writer, "--bogus", "x"}, 2, "usage"},
    };
    for (const auto& l_rCase : l_Cases) {
        const qxtest::tChildResult l_Result = qxtest::runCommand(l_rCase.argv);
        EXPECT_EQ(l_Result.exitCode, l_rCase.exitCode) << l_rCase.named;
        EXPECT_NE(l_Result.stdErr.find(l_rCase.named), std::string::npos) << l_Result.stdErr;
    }
    // The paths also come from the environment.
    qxtest::cScopedEnv l_TableEnv("QXPXI_DMI_TABLE", l_Table);
    qxtest::cScopedEnv l_EntryEnv("QXPXI_DMI_ENTRY_POINT", m_Dir.file("none"));
    qxtest::cScopedEnv l_OutputEnv("QXPXI_SMBIOS_DUMP", m_Output);
    EXPECT_EQ(qxtest::runCommand({l_Writer}).exitCode, 0);
    EXPECT_EQ(qxtest::readFile(m_Output), dumpOf("SMBIOS table", m_Real));
}

}  // namespace
