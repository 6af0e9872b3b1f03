// Reading files: chunk boundaries, lines of any length, read errors.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "config/inifile/tIniFileOps.h"
#include "iniTestUtil.h"

namespace {

using namespace iniTest;

std::string modelOf(const std::string& a_rPath, int64_t* a_pCode = nullptr) {
    tOpenIniFile l_Ini;
    tStatusRecord l_Status;
    l_Ini.open(a_rPath.c_str(), iIniFile::kOpenReadOnly, &l_Status);
    if (a_pCode != nullptr)
        *a_pCode = l_Status.code;
    return l_Ini.isOpen() ? dump(*l_Ini.document()) : "(closed)";
}

// Line ends, pairs and lines fall on every position around the first chunk boundaries,
// with and without a byte-order mark in front.
TEST(IniFileRead, ChunkBoundaries) {
    tScratchDir l_Dir;
    for (const std::string l_Mark : {"", "\xEF\xBB\xBF"}) {
        for (size_t l_Pad = 2060; l_Pad < 2100; ++l_Pad) {
            SCOPED_TRACE(l_Pad);
            const std::string l_Text =
                l_Mark + ";" + std::string(l_Pad, 'c') + "\r\n[A]\r\nkey=value\r\nk2=v2\n\rk3=v3";
            const std::string l_Path = l_Dir.write("chunk.ini", l_Text);
            EXPECT_EQ("[A]{key=value}{k2=v2}{k3=v3}", modelOf(l_Path));
        }
    }
}

TEST(IniFileRead, MegabyteLine) {
    tScratchDir l_Dir;
    const std::string l_Big(1 << 20, 'x');
    const std::string l_Path = l_Dir.write(
        "big.ini", "[A]\nbig = \"" + l_Big + "\"\r\nafter=1\n" + std::string(3 << 20, ';'));
    cIniFile l_Ini;
    tStatusRecord l_Status;
    l_Ini.open(l_Path.c_str(), 0, &l_Status);
    std::string l_Value;
    l_Ini.getString("A", "big", l_Value, &l_Status);
    int32_t l_After = 0;
    l_Ini.getInt("A", "after", l_After, &l_Status);
    EXPECT_EQ(0, l_Status.code);
    EXPECT_TRUE(l_Value == l_Big);
    EXPECT_EQ(1, l_After);
}

class IniReadFault : public ::testing::Test {
protected:
    void TearDown() override { iniFileOps() = defaultIniFileOps(); }
};

TEST_F(IniReadFault, ReadErrorFailsTheLoadAndLeavesAnEmptyDocument) {
    tScratchDir l_Dir;
    const std::string l_Path = l_Dir.write("r.ini", "[A]\nk=v\n" + std::string(5000, ';'));
    // The first read (the mark) works; the next fails without reaching the end.
    iniFileOps().readFile = [](void* a_p, size_t a_Size, size_t a_Count, FILE* a_pFile) -> size_t {
        return a_Count == 4 ? std::fread(a_p, a_Size, a_Count, a_pFile) : 0;
    };
    tIniDocument l_Document;
    EXPECT_EQ(kIniReadError, l_Document.load(l_Path.c_str()));
    int64_t l_Code = 0;
    EXPECT_EQ("", modelOf(l_Path, &l_Code));
    EXPECT_EQ(kStatusFileAccessFailed, l_Code);
    iniFileOps() = defaultIniFileOps();
    EXPECT_EQ("[A]{k=v}", modelOf(l_Path, &l_Code));
    EXPECT_EQ(0, l_Code);
}

TEST(IniFileRead, EngineResultsOfBadPaths) {
    tScratchDir l_Dir;
    tIniDocument l_Document;
    EXPECT_EQ(kIniInvalidPath, l_Document.load(nullptr));
    EXPECT_EQ(kIniInvalidPath, l_Document.load(""));
    EXPECT_EQ(kIniInvalidPath, l_Document.load(l_Dir.file("missing").c_str()));
    EXPECT_EQ(kIniInvalidPath, l_Document.load(std::string(300, 'a').c_str()));
    EXPECT_EQ(kIniOpenFailed, l_Document.load(l_Dir.path().c_str()));
    // Neither waits for a writer that never comes nor reads without end.
    const std::string l_Fifo = l_Dir.file("fifo.ini");
    ASSERT_EQ(0, ::mkfifo(l_Fifo.c_str(), 0600));
    EXPECT_EQ(kIniOpenFailed, l_Document.load(l_Fifo.c_str()));
    const std::string l_Device = l_Dir.file("zero.ini");
    ASSERT_EQ(0, ::symlink("/dev/zero", l_Device.c_str()));
    EXPECT_EQ(kIniOpenFailed, l_Document.load(l_Device.c_str()));
    EXPECT_EQ(kIniInvalidPath, l_Document.save(std::string(300, 'a').c_str()));
}

}  // namespace
