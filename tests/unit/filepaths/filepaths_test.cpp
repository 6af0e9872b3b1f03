// Installation directories, description directories and the two file-system queries.
// The directory table is built once per process, so every case that depends on what the
// relocation service answers re-runs itself in a fresh process (see inFreshProcess).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "config/pxiFilePaths/cPxiFilePaths.h"
#include "runtime/status/qxStatusCodes.h"

using namespace QX_NS;

namespace {

constexpr const char* kChildMarker = "QX_FILEPATHS_CHILD";

// In the parent: re-runs the current test in a new process with the given extra
// environment and expects it to pass; returns false. In that child: returns true, and
// the test body goes on to check what a fresh directory table holds.
bool inFreshProcess(const std::vector<std::string>& a_rEnvironment) {
    if (std::getenv(kChildMarker) != nullptr)
        return true;
    const ::testing::TestInfo* l_pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string l_Filter =
        std::string("--gtest_filter=") + l_pInfo->test_suite_name() + "." + l_pInfo->name();
    const pid_t l_Pid = fork();
    if (l_Pid == 0) {
        setenv(kChildMarker, "1", 1);
        for (const std::string& l_rSetting : a_rEnvironment) {
            const size_t l_Equals = l_rSetting.find('=');
            setenv(l_rSetting.substr(0, l_Equals).c_str(), l_rSetting.substr(l_Equals + 1).c_str(),
                   1);
        }
        execl("/proc/self/exe", "filepaths_child", l_Filter.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int l_Status = 0;
    EXPECT_EQ(waitpid(l_Pid, &l_Status, 0), l_Pid);
    EXPECT_TRUE(WIFEXITED(l_Status) && WEXITSTATUS(l_Status) == 0)
        << "the test failed in its own process (status " << l_Status << ")";
    return false;
}

// A machine file for the stand-in relocation service, in a directory of its own.
std::string writeMachine(const std::string& a_rJson) {
    char l_Template[] = "/tmp/qxfilepathsXXXXXX";
    const char* l_pDir = mkdtemp(l_Template);
    if (l_pDir == nullptr)
        return "";
    const std::string l_Path = std::string(l_pDir) + "/machine.json";
    std::ofstream(l_Path) << a_rJson;
    return l_Path;
}

// The directory of the stand-in services; a test that relies on them fails at once
// when the relocation stand-in was not built.
std::string buildServicesDir() {
    const char* l_pBuild = std::getenv("QX_BUILD_DIR");
    const std::string l_Dir =
        std::string(l_pBuild != nullptr ? l_pBuild : QX_BUILD_DIR) + "/services";
    EXPECT_EQ(access((l_Dir + "/libqxrelocations.so.0").c_str(), R_OK), 0)
        << "the stand-in relocation service is missing from " << l_Dir;
    return l_Dir;
}

std::string directoryOf(uint32_t a_Kind, int64_t* a_pCode = nullptr) {
    tStatusRecord l_Status;
    std::string l_Directory = "<untouched>";
    cPxiFilePaths::getDescriptionDirectory(a_Kind, l_Directory, &l_Status);
    if (a_pCode != nullptr)
        *a_pCode = l_Status.code;
    return l_Directory;
}

std::string relocated(const char* a_pName, int32_t* a_pCode = nullptr) {
    tJsonStatus l_Status;
    std::string l_Value = "<untouched>";
    cPxiFilePaths::getRelocatedDir(a_pName, l_Value, l_Status);
    if (a_pCode != nullptr)
        *a_pCode = l_Status.code;
    return l_Value;
}

struct tKindCase {
    uint32_t kind;
    const char* directory;
};

void expectDirectories(const std::vector<tKindCase>& a_rCases) {
    for (const tKindCase& l_rCase : a_rCases) {
        int64_t l_Code = 1;
        EXPECT_EQ(directoryOf(l_rCase.kind, &l_Code), l_rCase.directory) << "kind " << l_rCase.kind;
        EXPECT_EQ(l_Code, 0) << "kind " << l_rCase.kind;
    }
}

}  // namespace

TEST(InstallationPaths, DefaultsWithoutRelocationLibrary) {
    if (!inFreshProcess({"LD_LIBRARY_PATH=/nonexistent"}))
        return;
    expectDirectories({
        {2, "/usr/share/qxpxi/hardware_descriptions/controllers/"},
        {16, "/usr/lib/qxpxihw/pxiechassis/"},
        {256, "/usr/lib/qxpxihw/pxiesysmodules/"},
        {512, "/usr/lib/qxpxihw/pxiesysmodules/"},
        {768, "/usr/lib/qxpxihw/pxiesysmodules/"},
        {1024, "/usr/share/pxisa/chassis/"},
        {2048, "/usr/share/pxisa/chassis/"},
    });
    EXPECT_EQ(relocated("multiarchlibdir"), "/usr/lib/x86_64-linux-gnu");
    EXPECT_EQ(relocated("initddir"), "/etc/init.d");
}

TEST(InstallationPaths, DefaultsWhenTheServiceLacksItsFunction) {
    // A library of the service's name without get_relocated_dir: the defaults stand and
    // nothing is reported.
    std::string l_Dir;
    if (std::getenv(kChildMarker) == nullptr) {
        char l_Template[] = "/tmp/qxnorelocXXXXXX";
        ASSERT_NE(mkdtemp(l_Template), nullptr);
        l_Dir = l_Template;
        const std::string l_Other = buildServicesDir() + "/libqxpcibrd.so.1";
        ASSERT_EQ(access(l_Other.c_str(), R_OK), 0) << l_Other;
        ASSERT_EQ(symlink(l_Other.c_str(), (l_Dir + "/libqxrelocations.so.0").c_str()), 0);
    }
    const bool l_InChild = inFreshProcess({"LD_LIBRARY_PATH=" + l_Dir});
    if (!l_InChild) {
        EXPECT_EQ(std::system(("rm -rf '" + l_Dir + "'").c_str()), 0);
        return;
    }
    expectDirectories({{2, "/usr/share/qxpxi/hardware_descriptions/controllers/"},
                       {16, "/usr/lib/qxpxihw/pxiechassis/"}});
}

TEST(InstallationPaths, UnknownKindsAndNames) {
    if (!inFreshProcess({"LD_LIBRARY_PATH=/nonexistent"}))
        return;
    for (const uint32_t l_Kind : {0u, 1u, 4u, 3u, 1536u, 4096u}) {
        int64_t l_Code = 0;
        EXPECT_EQ(directoryOf(l_Kind, &l_Code), "<untouched>") << "kind " << l_Kind;
        EXPECT_EQ(l_Code, kStatusDbKindInvalid) << "kind " << l_Kind;
    }
    for (const char* l_pName :
         {"LIBDIR", "libdir ", "lib", "", static_cast<const char*>(nullptr)}) {
        int32_t l_Code = 0;
        EXPECT_EQ(relocated(l_pName, &l_Code), "<untouched>");
        EXPECT_EQ(l_Code, kStatusUnknownKey) << (l_pName ? l_pName : "(null)");
    }
    // An error already held makes both do nothing.
    tStatusRecord l_Record;
    QX_SET_STATUS(l_Record, kStatusNotFound);
    std::string l_Directory = "<untouched>";
    cPxiFilePaths::getDescriptionDirectory(2, l_Directory, &l_Record);
    EXPECT_EQ(l_Directory, "<untouched>");
    EXPECT_EQ(l_Record.code, kStatusNotFound);
}

TEST(InstallationPaths, RelocatedDatadirMovesOnlyItsKinds) {
    if (!inFreshProcess({"LD_LIBRARY_PATH=" + buildServicesDir(),
                         "QXPXI_SIM_MACHINE=" +
                             writeMachine(R"({"relocations": {"datadir": "/opt/x/share"}})")})) {
        return;
    }
    expectDirectories({
        {2, "/opt/x/share/qxpxi/hardware_descriptions/controllers/"},
        {1024, "/opt/x/share/pxisa/chassis/"},
        {2048, "/opt/x/share/pxisa/chassis/"},
        {16, "/usr/lib/qxpxihw/pxiechassis/"},
        {256, "/usr/lib/qxpxihw/pxiesysmodules/"},
        {512, "/usr/lib/qxpxihw/pxiesysmodules/"},
    });
    EXPECT_EQ(relocated("datarootdir"), "/usr/share");
}

TEST(InstallationPaths, ServiceWithoutAnswersLeavesDefaults) {
    if (!inFreshProcess({"LD_LIBRARY_PATH=" + buildServicesDir(),
                         "QXPXI_SIM_MACHINE=" + writeMachine(R"({"relocations": {}})")})) {
        return;
    }
    expectDirectories({{2, "/usr/share/qxpxi/hardware_descriptions/controllers/"},
                       {16, "/usr/lib/qxpxihw/pxiechassis/"}});
    EXPECT_EQ(relocated("prefixdir"), "/usr");
}

TEST(InstallationPaths, FailedAnswerIsReportedByEveryLookup) {
    // The second name asked fails: the first keeps its relocation, the later ones are not
    // asked and keep their defaults, and every lookup reports the failure.
    if (!inFreshProcess({"LD_LIBRARY_PATH=" + buildServicesDir(),
                         "QXPXI_SIM_MACHINE=" +
                             writeMachine(R"({"relocations": {"prefixdir": "/p", "libdir": "/l"},
                   "faults": [{"function": "get_relocated_dir", "status": -1, "fromCall": 2}]})")})) {
        return;
    }
    int32_t l_Code = 0;
    EXPECT_EQ(relocated("prefixdir", &l_Code), "/p");
    EXPECT_EQ(l_Code, kStatusNotFound);
    EXPECT_EQ(relocated("libdir", &l_Code), "/usr/lib");
    EXPECT_EQ(l_Code, kStatusNotFound);
    int64_t l_RecordCode = 0;
    directoryOf(16, &l_RecordCode);
    EXPECT_EQ(l_RecordCode, kStatusNotFound);
}

class FileSearch : public ::testing::Test {
protected:
    void SetUp() override {
        char l_Template[] = "/tmp/qxfindfilesXXXXXX";
        ASSERT_NE(mkdtemp(l_Template), nullptr);
        m_Dir = l_Template;
    }
    void TearDown() override {
        const std::string l_Command = "rm -rf '" + m_Dir + "'";
        EXPECT_EQ(std::system(l_Command.c_str()), 0);
    }
    void touch(const char* a_pName) { std::ofstream(m_Dir + "/" + a_pName) << "x"; }

    std::string m_Dir;
};

TEST_F(FileSearch, MatchesAreSortedByName) {
    for (const char* l_pName : {"b.ini", "a.ini", "c.txt", "A.ini", "a.ini.bak"})
        touch(l_pName);
    std::vector<std::string> l_Files = {"kept"};
    tStatusRecord l_Status;
    cPxiFilePaths::findFiles((m_Dir + "/*.ini").c_str(), l_Files, &l_Status);
    EXPECT_EQ(l_Status.code, 0);
    EXPECT_EQ(l_Files, (std::vector<std::string>{"kept", m_Dir + "/A.ini", m_Dir + "/a.ini",
                                                 m_Dir + "/b.ini"}));
}

TEST_F(FileSearch, NoMatchIsAWarning) {
    for (const std::string& l_rPattern : {m_Dir + "/*.ini", m_Dir + "/missing/*.ini"}) {
        std::vector<std::string> l_Files = {"kept"};
        tStatusRecord l_Status;
        cPxiFilePaths::findFiles(l_rPattern.c_str(), l_Files, &l_Status);
        EXPECT_EQ(l_Status.code, kStatusNoFilesMatched) << l_rPattern;
        EXPECT_EQ(l_Files, std::vector<std::string>{"kept"});
    }
    // The warning gives way to a later error in the same record.
    tStatusRecord l_Status;
    std::vector<std::string> l_Files;
    cPxiFilePaths::findFiles((m_Dir + "/*.ini").c_str(), l_Files, &l_Status);
    cPxiFilePaths::findFiles("", l_Files, &l_Status);
    EXPECT_EQ(l_Status.code, kStatusNoPattern);
    tStatusRecord l_Null;
    cPxiFilePaths::findFiles(nullptr, l_Files, &l_Null);
    EXPECT_EQ(l_Null.code, kStatusNoPattern);
}

TEST_F(FileSearch, FileTimes) {
    touch("a.ini");
    const std::string l_Path = m_Dir + "/a.ini";
    struct timespec l_Times[2] = {{1000, 0}, {2000, 0}};  // access, modification
    ASSERT_EQ(utimensat(AT_FDCWD, l_Path.c_str(), l_Times, 0), 0);

    time_t l_Modified = 0;
    time_t l_Accessed = 0;
    tStatusRecord l_Status;
    cPxiFilePaths::getFileTimes(l_Path.c_str(), &l_Modified, &l_Accessed, &l_Status);
    EXPECT_EQ(l_Status.code, 0);
    EXPECT_EQ(l_Modified, 2000);
    EXPECT_EQ(l_Accessed, 1000);
    l_Modified = 0;
    cPxiFilePaths::getFileTimes(l_Path.c_str(), &l_Modified, nullptr, &l_Status);
    EXPECT_EQ(l_Modified, 2000);

    struct tCase {
        std::string path;
        bool askModified;
        int64_t code;
    };
    for (const tCase& l_rCase :
         std::vector<tCase>{{"", true, kStatusInvalidArgument},
                            {l_Path, false, kStatusInvalidArgument},
                            {m_Dir + "/none", true, kStatusFileAccessFailed}}) {
        tStatusRecord l_Failed;
        time_t l_Time = 7;
        cPxiFilePaths::getFileTimes(l_rCase.path.c_str(), l_rCase.askModified ? &l_Time : nullptr,
                                    nullptr, &l_Failed);
        EXPECT_EQ(l_Failed.code, l_rCase.code) << l_rCase.path;
        EXPECT_EQ(l_Time, 7);
    }
}
