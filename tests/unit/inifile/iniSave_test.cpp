// Safe save: every failing step leaves the old file as it was and no temporary file
// behind; a good save replaces the file whole and keeps its mode.
#include <gtest/gtest.h>

#include "config/inifile/tIniFileOps.h"
#include "iniTestUtil.h"

namespace {

using namespace iniTest;

const char* const kOld = "[A]\nk=old\n";

int g_SyncCalls = 0;
int g_RenameCalls = 0;

struct tFault {
    const char* name;
    void (*inject)(tIniFileOps&);
    int32_t engineResult;
};

const std::vector<tFault>& faults() {
    static const std::vector<tFault> l_Faults = {
        {"probe open",
         [](tIniFileOps& a_r) {
             a_r.openFile = [](const char*, const char*) -> FILE* { return nullptr; };
         },
         kIniAccessDenied},
        {"unique temporary file", [](tIniFileOps& a_r) { a_r.makeTemp = [](char*) { return -1; }; },
         kIniTempFileFailed},
        {"output stream",
         [](tIniFileOps& a_r) {
             a_r.openDescriptor = [](int, const char*) -> FILE* { return nullptr; };
         },
         kIniOutputOpenFailed},
        {"named temporary file",
         [](tIniFileOps& a_r) {
             a_r.openFile = [](const char* a_pPath, const char* a_pMode) -> FILE* {
                 const std::string l_Path = a_pPath;
                 if (l_Path.size() > 4 && l_Path.compare(l_Path.size() - 4, 4, ".TMP") == 0) {
                     return nullptr;
                 }
                 return std::fopen(a_pPath, a_pMode);
             };
         },
         kIniOutputOpenFailed},
        {"torn write",
         [](tIniFileOps& a_r) {
             a_r.writeFile = [](const void* a_p, size_t a_Size, size_t a_Count, FILE* a_pFile) {
                 return std::fwrite(a_p, a_Size, a_Count / 2, a_pFile);
             };
         },
         kIniWriteError},
        {"flush", [](tIniFileOps& a_r) { a_r.flushFile = [](FILE*) { return EOF; }; },
         kIniWriteError},
        {"sync", [](tIniFileOps& a_r) { a_r.syncDescriptor = [](int) { return -1; }; },
         kIniWriteError},
        {"close",
         [](tIniFileOps& a_r) {
             a_r.closeFile = [](FILE* a_pFile) {
                 std::fclose(a_pFile);
                 return EOF;
             };
         },
         kIniWriteError},
        {"rename",
         [](tIniFileOps& a_r) { a_r.renamePath = [](const char*, const char*) { return -1; }; },
         kIniAccessDenied},
    };
    return l_Faults;
}

class IniSave : public ::testing::Test {
protected:
    void TearDown() override { iniFileOps() = defaultIniFileOps(); }

    // Opens the old file and changes one value, with the given write options.
    void openAndChange(tOpenIniFile& a_rIni, uint32_t a_WriteOptions) {
        tStatusRecord l_Status;
        a_rIni.open(m_Path.c_str(), 0, &l_Status);
        ASSERT_EQ(0, l_Status.code);
        a_rIni.document()->m_WriteOptions = a_WriteOptions;
        a_rIni.setString("A", "k", "new", &l_Status);
        ASSERT_EQ(0, l_Status.code);
    }

    tScratchDir m_Dir;
    std::string m_Path = m_Dir.write("old.ini", kOld);
};

// Write options: as after open (0x28), safe save with a named temporary file (0x2A),
// engine defaults (0x2E), and none at all.
const uint32_t kModes[] = {0x28, 0x2A, 0x2E, 0x00};

TEST_F(IniSave, EveryFailureKeepsTheOldFile) {
    for (uint32_t l_Mode : kModes) {
        for (const tFault& l_rFault : faults()) {
            const bool l_Named = l_Mode == 0x2A;
            const std::string l_Name = l_rFault.name;
            if ((l_Named && (l_Name == "unique temporary file" || l_Name == "output stream")) ||
                (!l_Named && l_Name == "named temporary file") ||
                (l_Name == "sync" && (l_Mode & 0x20) == 0)) {
                continue;  // the step does not happen in this mode
            }
            SCOPED_TRACE(std::string(l_rFault.name) + " mode " + std::to_string(l_Mode));
            tOpenIniFile l_Ini;
            openAndChange(l_Ini, l_Mode);
            l_rFault.inject(iniFileOps());
            EXPECT_EQ(l_rFault.engineResult, l_Ini.document()->save(m_Path.c_str()));
            tStatusRecord l_Status;
            l_Ini.save(&l_Status);
            iniFileOps() = defaultIniFileOps();
            EXPECT_EQ(kStatusIniWriteFailed, l_Status.code);
            EXPECT_EQ(kOld, readAll(m_Path));
            EXPECT_EQ(std::vector<std::string>{"old.ini"}, m_Dir.entries());
        }
    }
}

TEST_F(IniSave, GoodSaveReplacesTheFileWholeAndKeepsItsMode) {
    for (uint32_t l_Mode : kModes) {
        SCOPED_TRACE(l_Mode);
        ASSERT_EQ(0, ::chmod(m_Path.c_str(), 0640));
        struct stat l_Before;
        ASSERT_EQ(0, ::stat(m_Path.c_str(), &l_Before));
        tOpenIniFile l_Ini;
        openAndChange(l_Ini, l_Mode);
        g_SyncCalls = 0;
        iniFileOps().syncDescriptor = [](int a_Fd) {
            ++g_SyncCalls;
            return ::fsync(a_Fd);
        };
        tStatusRecord l_Status;
        l_Ini.save(&l_Status);
        iniFileOps() = defaultIniFileOps();
        ASSERT_EQ(0, l_Status.code);
        const std::string l_Separator = (l_Mode & 0x08) ? " = " : "=";
        EXPECT_EQ("[A]\nk" + l_Separator + "\"new\"\n", readAll(m_Path));
        EXPECT_EQ(std::vector<std::string>{"old.ini"}, m_Dir.entries());
        struct stat l_After;
        ASSERT_EQ(0, ::stat(m_Path.c_str(), &l_After));
        EXPECT_EQ(0640u, l_After.st_mode & 07777);
        EXPECT_EQ(l_Before.st_uid, l_After.st_uid);
        EXPECT_NE(l_Before.st_ino, l_After.st_ino);  // a new file took the old one's place
        // The file (when asked for) and then the directory are synchronised.
        EXPECT_EQ((l_Mode & 0x20) ? 2 : 1, g_SyncCalls);
        std::ofstream(m_Path, std::ios::binary) << kOld;
    }
}

TEST_F(IniSave, MissingDirectoryFailsCleanly) {
    tOpenIniFile l_Ini;
    tStatusRecord l_Status;
    const std::string l_Path = m_Dir.file("no/such.ini");
    l_Ini.open(l_Path.c_str(), 0, &l_Status);
    l_Status.clear();
    l_Ini.setInt("A", "k", 1, &l_Status);
    EXPECT_EQ(kIniAccessDenied, l_Ini.document()->save(l_Path.c_str()));
    l_Ini.save(&l_Status);
    EXPECT_EQ(kStatusIniWriteFailed, l_Status.code);
    EXPECT_EQ(std::vector<std::string>{"old.ini"}, m_Dir.entries());
}

// Verify-after-save saves again while the time stamp has not moved, five times at most.
TEST_F(IniSave, VerifyAfterSave) {
    const timespec l_Frozen[2] = {{1000, 0}, {1000, 0}};
    struct tCase {
        bool verify;
        bool freeze;
        int renames;
        int64_t status;
    };
    for (const tCase& l_rCase : {tCase{false, true, 1, 0}, tCase{true, false, 1, 0},
                                 tCase{true, true, 5, kStatusIniWriteFailed}}) {
        SCOPED_TRACE(std::to_string(l_rCase.verify) + std::to_string(l_rCase.freeze));
        ASSERT_EQ(0, ::utimensat(AT_FDCWD, m_Path.c_str(), l_Frozen, 0));
        tOpenIniFile l_Ini;
        openAndChange(l_Ini, 0x28);
        l_Ini.setVerifySave(l_rCase.verify);
        EXPECT_EQ(l_rCase.verify, l_Ini.getVerifySave());
        g_RenameCalls = 0;
        if (l_rCase.freeze) {
            iniFileOps().renamePath = [](const char* a_pFrom, const char* a_pTo) {
                ++g_RenameCalls;
                const int l_Result = std::rename(a_pFrom, a_pTo);
                const timespec l_Times[2] = {{1000, 0}, {1000, 0}};
                ::utimensat(AT_FDCWD, a_pTo, l_Times, 0);
                return l_Result;
            };
        } else {
            iniFileOps().renamePath = [](const char* a_pFrom, const char* a_pTo) {
                ++g_RenameCalls;
                return std::rename(a_pFrom, a_pTo);
            };
        }
        tStatusRecord l_Status;
        l_Ini.save(&l_Status);
        iniFileOps() = defaultIniFileOps();
        EXPECT_EQ(l_rCase.status, l_Status.code);
        EXPECT_EQ(l_rCase.renames, g_RenameCalls);
        EXPECT_EQ(std::vector<std::string>{"old.ini"}, m_Dir.entries());
    }
}

}  // namespace
