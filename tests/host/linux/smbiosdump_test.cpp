// The SMBIOS dump writer on the real DMI table of a single-board computer, on the forms
// firmware and the kernel give tables and entry points in, on wrong ones, and on what
// it writes over.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/host/linux/dmiFiles.h"
#include "tests/host/linux/linuxServices.h"

namespace {

using qxlinuxtest::bytesOf;
using qxlinuxtest::entryPoint32;
using qxlinuxtest::entryPoint64;
using qxlinuxtest::tBytes;
using qxlinuxtest::textOf;

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
    std::string m_Output = m_Dir.makeDir("out") + "/smbiosdmp";
    const tBytes m_Real = bytesOf(qxtest::readFile(qxlinuxtest::realworld("dmi/DMI-upboard")));
};

mode_t modeOf(const std::string& a_rPath) {
    struct stat l_Stat {};
    return lstat(a_rPath.c_str(), &l_Stat) == 0 ? l_Stat.st_mode : 0;
}

std::string dumpOf(const std::string& a_rHeader, const tBytes& a_rTable) {
    std::string l_Dump = a_rHeader + std::string(1, '\0');
    l_Dump += static_cast<char>(a_rTable.size() & 0xFF);
    l_Dump += static_cast<char>(a_rTable.size() >> 8);
    return l_Dump + textOf(a_rTable);
}

TEST_F(SmbiosDumpWriter, WritesTheRealTableWithTheVersionOfItsEntryPoint) {
    ASSERT_EQ(m_Real.size(), 1798u);
    const tBytes l_Entry32 = entryPoint32(1798), l_Entry64 = entryPoint64(4096);
    // Firmware that says 2.51 means 2.6, as the kernel reads it.
    tBytes l_Wrong = l_Entry32;
    l_Wrong[7] = 0x33;
    l_Wrong = qxlinuxtest::resized(l_Wrong, 31);
    struct {
        const tBytes* entry;
        const char* header;
    } const l_Cases[] = {{nullptr, "SMBIOS table"},
                         {&l_Entry32, "SMBIOS 2.8 table"},
                         {&l_Wrong, "SMBIOS 2.6 table"},
                         {&l_Entry64, "SMBIOS 3.2.0 table"}};
    for (const auto& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.header);
        std::remove(m_Dir.file("smbios_entry_point").c_str());
        const tRun l_Run = write(m_Real, l_rCase.entry);
        EXPECT_EQ(l_Run.result.exitCode, 0) << l_Run.result.stdErr;
        EXPECT_EQ(l_Run.dump, dumpOf(l_rCase.header, m_Real));
    }
}

// What follows the end-of-table structure: padding is dropped; whole structures are
// kept behind a 32-bit or legacy entry point (the kernel keeps them: some firmware puts
// OEM structures there), and dropped elsewhere.
TEST_F(SmbiosDumpWriter, KeepsStructuresAfterTheEndOfTableAsTheKernelDoes) {
    const tBytes l_Oem = qxlinuxtest::structure(0xC0, 6, {"OEM"});
    tBytes l_WithOem = m_Real, l_Padded = m_Real;
    l_WithOem.insert(l_WithOem.end(), l_Oem.begin(), l_Oem.end());
    l_Padded.insert(l_Padded.end(), {0xFF, 0x00, 0x12});
    tBytes l_OemPadded = l_WithOem;
    l_OemPadded.insert(l_OemPadded.end(), {0, 0, 0, 0, 0});
    const auto l_Length = [](const tBytes& a_rTable) {
        return static_cast<uint16_t>(a_rTable.size());
    };
    const tBytes l_Entry32 = entryPoint32(l_Length(l_WithOem)),
                 l_EntryPadded = entryPoint32(l_Length(l_OemPadded));
    const tBytes l_Legacy = qxlinuxtest::legacyOf(l_Entry32), l_Entry64 = entryPoint64(8192);
    struct {
        const char* what;
        const tBytes& table;
        const tBytes* entry;
        std::string dump;
    } const l_Cases[] = {
        {"padding, no entry point", l_Padded, nullptr, dumpOf("SMBIOS table", m_Real)},
        {"OEM structure, no entry point", l_WithOem, nullptr, dumpOf("SMBIOS table", m_Real)},
        {"OEM structure, 64-bit", l_WithOem, &l_Entry64, dumpOf("SMBIOS 3.2.0 table", m_Real)},
        {"OEM structure, 32-bit", l_WithOem, &l_Entry32, dumpOf("SMBIOS 2.8 table", l_WithOem)},
        {"OEM structure, legacy", l_WithOem, &l_Legacy, dumpOf("SMBIOS 2.8 table", l_WithOem)},
        {"OEM structure and padding, 32-bit", l_OemPadded, &l_EntryPadded,
         dumpOf("SMBIOS 2.8 table", l_WithOem)},
    };
    for (const auto& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.what);
        std::remove(m_Dir.file("smbios_entry_point").c_str());
        const tRun l_Run = write(l_rCase.table, l_rCase.entry);
        EXPECT_EQ(l_Run.result.exitCode, 0) << l_Run.result.stdErr;
        EXPECT_EQ(l_Run.dump, l_rCase.dump);
    }
}

// A table longer than the dump's 16-bit length: the whole leading structures that fit,
// an end-of-table structure after them, and a word on what was left out.
TEST_F(SmbiosDumpWriter, ATableTooLongForTheDumpKeepsItsLeadingStructures) {
    tBytes l_Huge = qxlinuxtest::withoutEnd(m_Real);
    const size_t l_RealPart = l_Huge.size();
    const tBytes l_Oem = qxlinuxtest::structure(0xC0, 200, {});  // 202 bytes
    size_t l_OemCount = 0;
    for (; l_Huge.size() <= 0xFFFF + 1000; ++l_OemCount) {
        l_Huge.insert(l_Huge.end(), l_Oem.begin(), l_Oem.end());
    }
    const tBytes l_End = qxlinuxtest::structure(127, 4, {});
    l_Huge.insert(l_Huge.end(), l_End.begin(), l_End.end());
    const tBytes l_Entry = entryPoint64(0x100000);
    const tRun l_Run = write(l_Huge, &l_Entry);
    EXPECT_EQ(l_Run.result.exitCode, 0) << l_Run.result.stdErr;
    // As many OEM structures as fit in 65535 bytes with the 6-byte end-of-table structure.
    const size_t l_Kept = (0xFFFF - 6 - l_RealPart) / l_Oem.size();
    tBytes l_Expected(l_Huge.begin(),
                      l_Huge.begin() + static_cast<long>(l_RealPart + l_Kept * l_Oem.size()));
    l_Expected.insert(l_Expected.end(), {127, 4, 0xFF, 0xFE, 0, 0});
    EXPECT_EQ(l_Run.dump, dumpOf("SMBIOS 3.2.0 table", l_Expected));
    // The OEM structures that did not fit, and the end-of-table structure.
    const size_t l_LeftOut = l_OemCount - l_Kept + 1;
    EXPECT_NE(l_Run.result.stdErr.find("the last " + std::to_string(l_LeftOut) + " structure(s)"),
              std::string::npos)
        << l_Run.result.stdErr;
}

// A wrong table or entry point leaves the previous dump as it was and no temporary
// file behind, and says what is wrong.
TEST_F(SmbiosDumpWriter, RefusesWrongTablesAndKeepsThePreviousDump) {
    ASSERT_EQ(write(m_Real, nullptr).result.exitCode, 0);
    const std::string l_Previous = dumpOf("SMBIOS table", m_Real);
    const tBytes l_Truncated(m_Real.begin(), m_Real.begin() + 1000);
    const tBytes l_Short = {1, 2, 0, 0};  // a header claiming 2 bytes
    const tBytes l_WrongLength = entryPoint32(1797), l_TooSmall = entryPoint64(1000);
    const tBytes l_NoEntry = bytesOf("not an entry point at all, 31 bytes");
    const tBytes l_Cut = qxlinuxtest::resized(entryPoint32(1798), 29);
    struct {
        const char* what;
        tBytes table;
        const tBytes* entry;
        const char* message;
    } const l_Cases[] = {
        {"empty", {}, nullptr, "empty"},
        {"truncated", l_Truncated, nullptr, "past the end"},
        {"structure shorter than its header", l_Short, nullptr, "shorter than its header"},
        {"longer than the 32-bit entry point says", m_Real, &l_WrongLength, "larger"},
        {"larger than the 64-bit entry point allows", m_Real, &l_TooSmall, "larger"},
        {"no entry point", m_Real, &l_NoEntry, "not an SMBIOS entry point"},
        {"32-bit entry point cut short", m_Real, &l_Cut, "not an SMBIOS entry point"},
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
    // A given output names a place the caller prepared: no directory is made for it.
    const std::string l_NoDirectory = m_Dir.file("no/smbiosdmp");
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
        {{l_Writer, "--table", l_Table, "--output", l_NoDirectory}, 1, l_NoDirectory},
        {{l_Writer, "--table"}, 2, "usage"},
        {{l_Writer, "--bogus", "x"}, 2, "usage"},
    };
    for (const auto& l_rCase : l_Cases) {
        const qxtest::tChildResult l_Result = qxtest::runCommand(l_rCase.argv);
        EXPECT_EQ(l_Result.exitCode, l_rCase.exitCode) << l_rCase.named;
        EXPECT_NE(l_Result.stdErr.find(l_rCase.named), std::string::npos) << l_Result.stdErr;
    }
    EXPECT_EQ(modeOf(m_Dir.file("no")), 0u);
}

TEST_F(SmbiosDumpWriter, HelpAndVersionGoToStandardOutput) {
    const std::string l_Writer = qxlinuxtest::linuxService("qxpxi-smbios-dump");
    const struct {
        const char* option;
        const char* shown;
    } l_Cases[] = {{"--help", "--entry-point FILE"}, {"--version", "qxpxi-smbios-dump (qxpxi) "}};
    for (const auto& l_rCase : l_Cases) {
        const qxtest::tChildResult l_Result = qxtest::runCommand({l_Writer, l_rCase.option});
        EXPECT_EQ(l_Result.exitCode, 0) << l_rCase.option;
        EXPECT_NE(l_Result.stdOut.find(l_rCase.shown), std::string::npos) << l_Result.stdOut;
        EXPECT_EQ(l_Result.stdErr, "") << l_rCase.option;
    }
}

// Sets the umask for the writers this process starts.
class cScopedUmask {
public:
    explicit cScopedUmask(mode_t a_Mask) : m_Old(umask(a_Mask)) {}
    ~cScopedUmask() { umask(m_Old); }

private:
    mode_t m_Old;
};

// What is not a regular file is refused and left as it is: a device node (the writer
// once replaced /dev/full with a regular file), a FIFO, a directory, and a symbolic link
// at a given output. At the default place a link is replaced, never followed.
TEST_F(SmbiosDumpWriter, NeverDamagesWhatItWritesOver) {
    const std::string l_Writer = qxlinuxtest::linuxService("qxpxi-smbios-dump");
    const std::string l_Table = m_Dir.writeFile("DMI", textOf(m_Real));
    const std::string l_Fifo = m_Dir.file("fifo"), l_Link = m_Dir.file("link");
    const std::string l_Victim = m_Dir.writeFile("victim", "precious");
    ASSERT_EQ(mkfifo(l_Fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(l_Victim.c_str(), l_Link.c_str()), 0);
    // A writer that failed this test as root would replace the device node it was given:
    // root gets a node of its own (like /dev/null), others try /dev/null, which they
    // cannot replace.
    std::string l_Device = "/dev/null";
    if (geteuid() == 0) {
        l_Device = m_Dir.file("null");
        if (mknod(l_Device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
            l_Device = l_Fifo;
        }
    }
    for (const std::string& l_rTarget : {l_Device, l_Fifo, m_Dir.path(), l_Link}) {
        SCOPED_TRACE(l_rTarget);
        const mode_t l_Before = modeOf(l_rTarget);
        const qxtest::tChildResult l_Result =
            qxtest::runCommand({l_Writer, "--table", l_Table, "--output", l_rTarget});
        EXPECT_EQ(l_Result.exitCode, 1);
        EXPECT_NE(l_Result.stdErr.find(l_rTarget + ": exists and is not a regular file"),
                  std::string::npos)
            << l_Result.stdErr;
        EXPECT_EQ(modeOf(l_rTarget), l_Before);
    }
    EXPECT_TRUE(S_ISCHR(modeOf(l_Device)) || l_Device == l_Fifo);
    EXPECT_EQ(qxtest::readFile(l_Victim), "precious");

    // At the default place (moved here), under a umask that would hide it from others.
    const cScopedUmask l_Umask(077);
    const qxtest::cScopedEnv l_TableEnv("QXPXI_DMI_TABLE", l_Table);
    const qxtest::cScopedEnv l_EntryEnv("QXPXI_DMI_ENTRY_POINT", m_Dir.file("none"));
    for (const std::string& l_rDefault : {l_Link, m_Dir.file("run/a/b/smbiosdmp")}) {
        SCOPED_TRACE(l_rDefault);
        const qxtest::cScopedEnv l_OutputEnv("QXPXI_SMBIOS_DUMP", l_rDefault);
        const qxtest::tChildResult l_Result = qxtest::runCommand({l_Writer});
        EXPECT_EQ(l_Result.exitCode, 0) << l_Result.stdErr;
        EXPECT_EQ(modeOf(l_rDefault), S_IFREG | 0644);
        EXPECT_EQ(qxtest::readFile(l_rDefault), dumpOf("SMBIOS table", m_Real));
    }
    EXPECT_EQ(qxtest::readFile(l_Victim), "precious");
    // The missing directories of the default place are made readable by every user.
    EXPECT_EQ(modeOf(m_Dir.file("run/a")), S_IFDIR | 0755);
    EXPECT_EQ(modeOf(m_Dir.file("run/a/b")), S_IFDIR | 0755);
}

// At the built-in place, in a private /run: the writer's own directories get 0755 even
// when an earlier run under another umask made them 0700.
TEST_F(SmbiosDumpWriter, MakesItsOwnDirectoriesReadableAtTheBuiltInPlace) {
    const std::string l_Writer = qxlinuxtest::linuxService("qxpxi-smbios-dump");
    const std::string l_Table = m_Dir.writeFile("DMI", textOf(m_Real));
    const qxtest::tChildResult l_Child = qxtest::runWithSmbiosDump("", [&] {
        const cScopedUmask l_Umask(077);
        const qxtest::cScopedEnv l_TableEnv("QXPXI_DMI_TABLE", l_Table);
        const qxtest::cScopedEnv l_EntryEnv("QXPXI_DMI_ENTRY_POINT", m_Dir.file("none"));
        const qxtest::cScopedEnv l_OutputEnv("QXPXI_SMBIOS_DUMP", std::nullopt);
        for (const char* l_pDir : {"/run/qxpxisv", "/run/qxpxisv/smbios"}) {
            if (mkdir(l_pDir, 0700) != 0) {
                return 1;
            }
        }
        const qxtest::tChildResult l_Result = qxtest::runCommand({l_Writer});
        std::printf("%d %o %o %o %o", l_Result.exitCode, modeOf("/run"), modeOf("/run/qxpxisv"),
                    modeOf("/run/qxpxisv/smbios"), modeOf("/run/qxpxisv/smbios/smbiosdmp"));
        std::fflush(stdout);
        return 0;
    });
    if (l_Child.skipped) {
        GTEST_SKIP() << l_Child.skipReason;
    }
    EXPECT_EQ(l_Child.stdOut, "0 40755 40755 40755 100644") << l_Child.stdErr;
}

}  // namespace
