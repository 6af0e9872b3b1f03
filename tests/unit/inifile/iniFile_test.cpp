// cIniFile's frame: what every operation does when nothing is open, when the record
// already holds an error, on a read-only document, and its own status codes.
#include <gtest/gtest.h>

#include <functional>

#include "iniTestUtil.h"

namespace {

using namespace iniTest;

struct tOperation {
    const char* name;
    bool changes;  // a setter or remover
    std::function<void(cIniFile&, tStatusRecord*)> call;
};

// Every operation that takes a status record, with harmless arguments.
std::vector<tOperation> operations() {
    static std::string s_String;
    static std::vector<std::string> s_Strings;
    static std::vector<int32_t> s_Ints;
    static int32_t s_Int;
    static uint32_t s_UInt;
    return {
        {"getPath", false, [](cIniFile& a_r, tStatusRecord* a_p) { a_r.getPath(s_String, a_p); }},
        {"save", false, [](cIniFile& a_r, tStatusRecord* a_p) { a_r.save(a_p); }},
        {"getSectionNames", false,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.getSectionNames(s_Strings, a_p); }},
        {"hasSection", false, [](cIniFile& a_r, tStatusRecord* a_p) { a_r.hasSection("A", a_p); }},
        {"hasKey", false, [](cIniFile& a_r, tStatusRecord* a_p) { a_r.hasKey("A", "k", a_p); }},
        {"removeKey", true,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.removeKey("A", "k", a_p); }},
        {"removeSection", true,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.removeSection("A", a_p); }},
        {"renameSection", true,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.renameSection("A", "B", a_p); }},
        {"getString", false,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.getString("A", "k", s_String, a_p); }},
        {"setString", true,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.setString("A", "k", "x", a_p); }},
        {"getHex", false,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.getHex("A", "k", s_UInt, a_p); }},
        {"setHex", true, [](cIniFile& a_r, tStatusRecord* a_p) { a_r.setHex("A", "k", 1, a_p); }},
        {"getInt", false,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.getInt("A", "k", s_Int, a_p); }},
        {"setInt", true, [](cIniFile& a_r, tStatusRecord* a_p) { a_r.setInt("A", "k", 1, a_p); }},
        {"getUInt", false,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.getUInt("A", "k", s_UInt, a_p); }},
        {"setUInt", true, [](cIniFile& a_r, tStatusRecord* a_p) { a_r.setUInt("A", "k", 1, a_p); }},
        {"getIntList", false,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.getIntList("A", "k", s_Ints, a_p); }},
        {"setIntList", true,
         [](cIniFile& a_r, tStatusRecord* a_p) {
             a_r.setIntList("A", "k", {1, 2}, a_p);
         }},
        {"getStringList", false,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.getStringList("A", "k", s_Strings, a_p); }},
        {"setStringList", true,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.setStringList("A", "k", {"a"}, a_p); }},
        {"isChangedOnDisk", false,
         [](cIniFile& a_r, tStatusRecord* a_p) { a_r.isChangedOnDisk(a_p); }},
        {"reset", true, [](cIniFile& a_r, tStatusRecord* a_p) { a_r.reset(a_p); }},
        {"open", true, [](cIniFile& a_r, tStatusRecord* a_p) { a_r.open("/nonexistent", 0, a_p); }},
    };
}

TEST(IniFile, NothingOpen) {
    for (const tOperation& l_rOperation : operations()) {
        SCOPED_TRACE(l_rOperation.name);
        cIniFile l_Ini;
        tStatusRecord l_Status;
        l_rOperation.call(l_Ini, &l_Status);
        const std::string l_Name = l_rOperation.name;
        int64_t l_Expected = kStatusIniNotOpen;
        if (l_Name == "getPath" || l_Name == "reset")
            l_Expected = 0;
        if (l_Name == "isChangedOnDisk")
            l_Expected = kStatusNotInitialized;
        if (l_Name == "open")
            l_Expected = kStatusFileAccessFailed;
        EXPECT_EQ(l_Expected, l_Status.code);
    }
}

TEST(IniFile, AnErrorOnEntryStopsEveryOperation) {
    tScratchDir l_Dir;
    const std::string l_Path = l_Dir.write("a.ini", "[A]\nk=1\n");
    for (const tOperation& l_rOperation : operations()) {
        SCOPED_TRACE(l_rOperation.name);
        tOpenIniFile l_Ini;
        tStatusRecord l_Status;
        l_Ini.open(l_Path.c_str(), 0, &l_Status);
        ASSERT_EQ(0, l_Status.code);
        QX_SET_STATUS(l_Status, qxapalerr_invalidParameter);
        const uint64_t l_Line = l_Status.line;
        l_rOperation.call(l_Ini, &l_Status);
        EXPECT_EQ(qxapalerr_invalidParameter, l_Status.code);
        EXPECT_EQ(l_Line, l_Status.line);
        ASSERT_TRUE(l_Ini.isOpen());
        EXPECT_EQ("[A]{k=1}", dump(*l_Ini.document()));
        EXPECT_EQ("[A]\nk=1\n", readAll(l_Path));
    }
}

TEST(IniFile, ReadOnlyRefusesChanges) {
    tScratchDir l_Dir;
    const std::string l_Path = l_Dir.write("a.ini", "[A]\nk=1\n");
    for (const tOperation& l_rOperation : operations()) {
        if (!l_rOperation.changes || std::string(l_rOperation.name) == "open" ||
            std::string(l_rOperation.name) == "reset") {
            continue;
        }
        SCOPED_TRACE(l_rOperation.name);
        tOpenIniFile l_Ini;
        tStatusRecord l_Status;
        l_Ini.open(l_Path.c_str(), iIniFile::kOpenReadOnly, &l_Status);
        ASSERT_EQ(0, l_Status.code);
        l_rOperation.call(l_Ini, &l_Status);
        EXPECT_EQ(kStatusIniReadOnly, l_Status.code);
        EXPECT_EQ("[A]{k=1}", dump(*l_Ini.document()));
    }
}

TEST(IniFile, NullStatusIsHarmless) {
    tScratchDir l_Dir;
    const std::string l_Path = l_Dir.write("a.ini", "[A]\nk=1\n");
    for (const tOperation& l_rOperation : operations()) {
        tOpenIniFile l_Ini;
        tStatusRecord l_Status;
        l_Ini.open(l_Path.c_str(), 0, &l_Status);
        l_rOperation.call(l_Ini, nullptr);
        EXPECT_EQ("[A]{k=1}", dump(*l_Ini.document())) << l_rOperation.name;
    }
}

TEST(IniFile, OpenOutcomes) {
    tScratchDir l_Dir;
    const std::string l_Path = l_Dir.write("a.ini", "[A]\nk=1\n");
    struct tCase {
        const char* path;
        int64_t status;
        bool open;
    };
    const std::string l_Missing = l_Dir.file("missing.ini");
    const std::string l_Wide = l_Dir.write("wide.ini", std::string("\xFF\xFE[\0A\0]\0", 8));
    for (const tCase& l_rCase :
         {tCase{nullptr, kStatusEmptyPath, false}, tCase{"", kStatusEmptyPath, false},
          tCase{l_Missing.c_str(), kStatusFileAccessFailed, true},
          tCase{l_Dir.path().c_str(), kStatusFileAccessFailed, true},
          tCase{l_Wide.c_str(), kStatusFileAccessFailed, true}, tCase{l_Path.c_str(), 0, true}}) {
        SCOPED_TRACE(l_rCase.path ? l_rCase.path : "(null)");
        cIniFile l_Ini;
        tStatusRecord l_Status;
        l_Ini.open(l_Path.c_str(), 0, &l_Status);  // something open before
        l_Ini.open(l_rCase.path, 0, &l_Status);
        EXPECT_EQ(l_rCase.status, l_Status.code);
        std::vector<std::string> l_Names;
        tStatusRecord l_After;
        l_Ini.getSectionNames(l_Names, &l_After);
        if (l_rCase.status == kStatusEmptyPath) {
            // Refused before anything was closed.
            EXPECT_EQ(std::vector<std::string>{"A"}, l_Names);
        } else if (l_rCase.status != 0) {
            EXPECT_EQ(0, l_After.code);
            EXPECT_TRUE(l_Names.empty());
        }
    }
}

// A path longer than the document's path field is refused; it never opens the file that
// a cut path would name.
TEST(IniFile, OverlongPathIsRefusedNotCut) {
    tScratchDir l_Dir;
    const size_t l_Room = tIniDocument::kMaxPathLength - l_Dir.path().size() - 1;
    const std::string l_Name(l_Room, 'n');
    const std::string l_CutPath = l_Dir.write(l_Name, "[A]\nk=1\n");
    ASSERT_EQ(tIniDocument::kMaxPathLength, l_CutPath.size());
    const std::string l_Long = l_CutPath + "-longer.ini";
    std::ofstream(l_Long) << "[B]\nk=2\n";

    cIniFile l_Ini;
    tStatusRecord l_Status;
    l_Ini.open(l_Long.c_str(), 0, &l_Status);
    EXPECT_EQ(kStatusFileAccessFailed, l_Status.code);
    tStatusRecord l_Query;
    EXPECT_FALSE(l_Ini.hasSection("A", &l_Query));
    EXPECT_FALSE(l_Ini.hasSection("B", &l_Query));
    l_Ini.setInt("C", "k", 3, &l_Query);
    ASSERT_EQ(0, l_Query.code);
    l_Ini.save(&l_Query);
    EXPECT_EQ(kStatusIniWriteFailed, l_Query.code);
    EXPECT_EQ("[B]\nk=2\n", readAll(l_Long));
    EXPECT_EQ("[A]\nk=1\n", readAll(l_CutPath));
    ::unlink(l_Long.c_str());

    // The longest path that fits still works.
    cIniFile l_Fits;
    tStatusRecord l_FitsStatus;
    l_Fits.open(l_CutPath.c_str(), 0, &l_FitsStatus);
    EXPECT_EQ(0, l_FitsStatus.code);
    EXPECT_TRUE(l_Fits.hasSection("A", &l_FitsStatus));
}

TEST(IniFile, EditingOperations) {
    tScratchDir l_Dir;
    tOpenIniFile l_Ini;
    tStatusRecord l_Status;
    l_Ini.open(l_Dir.write("a.ini", "[A]\nk=1\nj=2\n[B]\nm=3\n[C]\nn=4\n").c_str(), 0, &l_Status);
    ASSERT_EQ(0, l_Status.code);
    std::string l_Path;
    l_Ini.getPath(l_Path, &l_Status);
    EXPECT_EQ(l_Dir.file("a.ini"), l_Path);

    struct tStep {
        std::function<void(tStatusRecord*)> call;
        int64_t status;
        const char* model;
    };
    const std::vector<tStep> l_Steps = {
        {[&](tStatusRecord* a_p) { l_Ini.hasSection("B", a_p); }, 0,
         "[A]{k=1}{j=2}[B]{m=3}[C]{n=4}"},
        // The section found last is gone: lookups must not use its old place.
        {[&](tStatusRecord* a_p) { l_Ini.removeSection("B", a_p); }, 0, "[A]{k=1}{j=2}[C]{n=4}"},
        {[&](tStatusRecord* a_p) { l_Ini.setInt("C", "x", 5, a_p); }, 0,
         "[A]{k=1}{j=2}[C]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.removeSection("B", a_p); }, kStatusIniSectionNotFound,
         "[A]{k=1}{j=2}[C]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.removeKey("A", "k", a_p); }, 0, "[A]{j=2}[C]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.removeKey("A", "k", a_p); }, kStatusIniKeyNotFound,
         "[A]{j=2}[C]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.removeKey("Z", "k", a_p); }, kStatusIniKeyNotFound,
         "[A]{j=2}[C]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.renameSection("C", "  D  ", a_p); }, 0,
         "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.renameSection("C", "E", a_p); }, kStatusIniSectionNotFound,
         "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.renameSection("D", " ", a_p); }, kStatusIniWriteFailed,
         "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.setString("A", " ", "v", a_p); }, kStatusIniWriteFailed,
         "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.setString(nullptr, "k", "v", a_p); },
         kStatusIniWriteFailed, "[A]{j=2}[D]{n=4}{x=5}"},
        // Names that would write another line, header, separator or comment into the file.
        {[&](tStatusRecord* a_p) { l_Ini.setInt("A", "k\n[Evil]\nx", 1, a_p); },
         kStatusIniWriteFailed, "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.setInt("A", "k=1", 1, a_p); }, kStatusIniWriteFailed,
         "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.setInt("A", ";k", 1, a_p); }, kStatusIniWriteFailed,
         "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.setInt("A", "[k", 1, a_p); }, kStatusIniWriteFailed,
         "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.setString("A]B", "k", "v", a_p); }, kStatusIniWriteFailed,
         "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.renameSection("D", "D\rE", a_p); }, kStatusIniWriteFailed,
         "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.setInt("A [x", "k;[", 1, a_p); }, 0,
         "[A]{j=2}[D]{n=4}{x=5}[A [x]{k;[=1}"},
        {[&](tStatusRecord* a_p) { l_Ini.removeSection("A [x", a_p); }, 0, "[A]{j=2}[D]{n=4}{x=5}"},
        {[&](tStatusRecord* a_p) { l_Ini.setString(" New ", " k ", nullptr, a_p); }, 0,
         "[A]{j=2}[D]{n=4}{x=5}[New]{k=/\"}"},
        {[&](tStatusRecord* a_p) { l_Ini.setUInt("A", "j", 4294967295u, a_p); }, 0,
         "[A]{j=4294967295}[D]{n=4}{x=5}[New]{k=/\"}"},
        {[&](tStatusRecord* a_p) { l_Ini.setInt("A", "j", INT32_MIN, a_p); }, 0,
         "[A]{j=-2147483648}[D]{n=4}{x=5}[New]{k=/\"}"},
        {[&](tStatusRecord* a_p) { l_Ini.setHex("A", "h", 0x1f, a_p); }, 0,
         "[A]{j=-2147483648}{h=0x1f/\"}[D]{n=4}{x=5}[New]{k=/\"}"},
        {[&](tStatusRecord* a_p) { l_Ini.setHex("A", "h", 0, a_p); }, 0,
         "[A]{j=-2147483648}{h=0/\"}[D]{n=4}{x=5}[New]{k=/\"}"},
        {[&](tStatusRecord* a_p) {
             l_Ini.setIntList("D", "n", {1, -2, 3}, a_p);
         },
         0, "[A]{j=-2147483648}{h=0/\"}[D]{n=1,-2,3/\"}{x=5}[New]{k=/\"}"},
        {[&](tStatusRecord* a_p) {
             l_Ini.setStringList("New", "k", {"a", "", "b\tc"}, a_p);
         },
         0, "[A]{j=-2147483648}{h=0/\"}[D]{n=1,-2,3/\"}{x=5}[New]{k=a,,b\\tc/\"}"},
    };
    for (size_t i = 0; i < l_Steps.size(); ++i) {
        SCOPED_TRACE(i);
        tStatusRecord l_StepStatus;
        l_Steps[i].call(&l_StepStatus);
        EXPECT_EQ(l_Steps[i].status, l_StepStatus.code);
        EXPECT_EQ(l_Steps[i].model, dump(*l_Ini.document()));
    }
    std::vector<std::string> l_Names = {"before"};
    l_Ini.getSectionNames(l_Names, &l_Status);
    EXPECT_EQ((std::vector<std::string>{"before", "A", "D", "New"}), l_Names);
}

TEST(IniFile, ResetGivesEngineDefaults) {
    tScratchDir l_Dir;
    tOpenIniFile l_Ini;
    tStatusRecord l_Status;
    l_Ini.open(l_Dir.write("a.ini", "[A]\nk=1\n").c_str(), 0, &l_Status);
    EXPECT_FALSE(l_Ini.hasSection("a", &l_Status));  // case-sensitive after open
    EXPECT_EQ(-1, l_Ini.document()->m_MaxLineLength);
    EXPECT_EQ(0x28u, l_Ini.document()->m_WriteOptions);

    l_Ini.reset(&l_Status);
    ASSERT_EQ(0, l_Status.code);
    EXPECT_FALSE(l_Ini.hasSection("A", &l_Status));
    l_Ini.setInt("Chassis", "K", 1, &l_Status);
    EXPECT_TRUE(l_Ini.hasKey(" chassis ", "k", &l_Status));
    EXPECT_EQ(80, l_Ini.document()->m_MaxLineLength);
    EXPECT_EQ(0x2Eu, l_Ini.document()->m_WriteOptions);
    EXPECT_EQ(0, l_Status.code);
}

TEST(IniFile, ChangedOnDisk) {
    tScratchDir l_Dir;
    const std::string l_Path = l_Dir.write("a.ini", "[A]\nk=1\n");
    cIniFile l_Ini;
    tStatusRecord l_Status;
    l_Ini.open(l_Path.c_str(), 0, &l_Status);
    EXPECT_FALSE(l_Ini.isChangedOnDisk(&l_Status));

    const timespec l_Times[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, l_Path.c_str(), l_Times, 0));
    EXPECT_TRUE(l_Ini.isChangedOnDisk(&l_Status));
    l_Ini.setInt("A", "k", 2, &l_Status);
    l_Ini.save(&l_Status);
    EXPECT_FALSE(l_Ini.isChangedOnDisk(&l_Status));
    ::unlink(l_Path.c_str());
    EXPECT_TRUE(l_Ini.isChangedOnDisk(&l_Status));
    EXPECT_EQ(0, l_Status.code);

    cIniFile l_NeverLoaded;
    l_NeverLoaded.open(l_Dir.file("missing.ini").c_str(), 0, &l_Status);
    l_Status.clear();
    EXPECT_TRUE(l_NeverLoaded.isChangedOnDisk(&l_Status));
    EXPECT_EQ(0, l_Status.code);
}

}  // namespace
