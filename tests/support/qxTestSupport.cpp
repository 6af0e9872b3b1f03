#include "tests/support/qxTestSupport.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace qxtest {

namespace fs = std::filesystem;

namespace {

std::string envOr(const char* a_pName, const char* a_pFallback) {
    const char* l_pValue = std::getenv(a_pName);
    return l_pValue != nullptr && *l_pValue != '\0' ? l_pValue : a_pFallback;
}

void writeWhole(const std::string& a_rPath, const std::string& a_rContent) {
    std::ofstream l_File(a_rPath, std::ios::binary | std::ios::trunc);
    l_File << a_rContent;
    l_File.close();
    if (!l_File) {
        throw std::runtime_error("cannot write " + a_rPath);
    }
}

bool isInside(const std::string& a_rPath, const std::string& a_rDir) {
    const std::string l_Path = fs::weakly_canonical(a_rPath).string();
    const std::string l_Dir = fs::weakly_canonical(a_rDir).string();
    return l_Path.compare(0, l_Dir.size(), l_Dir) == 0 &&
           (l_Path.size() == l_Dir.size() || l_Path[l_Dir.size()] == '/');
}

// A temporary file that collects one output stream of a child.
struct tCapture {
    tCapture() {
        char l_Template[] = "/tmp/qxtest-out-XXXXXX";
        fd = mkstemp(l_Template);
        if (fd < 0) {
            throw std::runtime_error("mkstemp failed");
        }
        unlink(l_Template);
    }
    ~tCapture() { close(fd); }
    std::string read() const {
        std::string l_Text;
        lseek(fd, 0, SEEK_SET);
        char l_Buffer[4096];
        ssize_t l_Got = 0;
        while ((l_Got = ::read(fd, l_Buffer, sizeof(l_Buffer))) > 0) {
            l_Text.append(l_Buffer, static_cast<size_t>(l_Got));
        }
        return l_Text;
    }
    int fd;
};

constexpr int kSkipExit = 77;

tChildResult forkAndWait(const std::function<int()>& a_Body) {
    tChildResult l_Result;
    tCapture l_Out;
    tCapture l_Err;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t l_Pid = fork();
    if (l_Pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (l_Pid == 0) {
        dup2(l_Out.fd, 1);
        dup2(l_Err.fd, 2);
        int l_Code = 99;
        try {
            l_Code = a_Body();
        } catch (const std::exception& l_rError) {
            std::fprintf(stderr, "exception: %s\n", l_rError.what());
        } catch (...) {
            std::fprintf(stderr, "unknown exception\n");
        }
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(l_Code);
    }
    int l_Status = 0;
    while (waitpid(l_Pid, &l_Status, 0) < 0 && errno == EINTR) {
    }
    l_Result.exited = WIFEXITED(l_Status);
    l_Result.exitCode = l_Result.exited ? WEXITSTATUS(l_Status) : -1;
    l_Result.signal = WIFSIGNALED(l_Status) ? WTERMSIG(l_Status) : 0;
    l_Result.stdOut = l_Out.read();
    l_Result.stdErr = l_Err.read();
    return l_Result;
}

}  // namespace

std::string buildDir() {
    return envOr("QX_BUILD_DIR", QX_BUILD_DIR);
}
std::string sourceDir() {
    return envOr("QX_SOURCE_DIR", QX_SOURCE_DIR);
}

std::string exampleMachinePath() {
    return sourceDir() + "/examples/machines/example-machine.json";
}

nlohmann::json exampleMachine(bool a_WithRelocations) {
    nlohmann::json l_Machine = nlohmann::json::parse(readFile(exampleMachinePath()));
    if (!a_WithRelocations) {
        l_Machine.erase("relocations");
        return l_Machine;
    }
    const std::string l_Dir = sourceDir() + "/examples/machines";
    if (l_Machine.contains("relocations")) {
        for (auto& l_rItem : l_Machine["relocations"].items()) {
            std::string l_Value = l_rItem.value().get<std::string>();
            if (!l_Value.empty() && l_Value[0] != '/') {
                l_rItem.value() = fs::weakly_canonical(l_Dir + "/" + l_Value).string();
            }
        }
    }
    return l_Machine;
}

std::string readFile(const std::string& a_rPath) {
    std::ifstream l_File(a_rPath, std::ios::binary);
    if (!l_File) {
        throw std::runtime_error("cannot read " + a_rPath);
    }
    std::ostringstream l_Content;
    l_Content << l_File.rdbuf();
    return l_Content.str();
}

cTempDir::cTempDir() {
    std::string l_Template = envOr("TMPDIR", "/tmp") + "/qxtest-XXXXXX";
    std::vector<char> l_Buffer(l_Template.begin(), l_Template.end());
    l_Buffer.push_back('\0');
    if (mkdtemp(l_Buffer.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed for " + l_Template);
    }
    m_Path = l_Buffer.data();
}

cTempDir::~cTempDir() {
    std::error_code l_Error;
    fs::remove_all(m_Path, l_Error);
}

std::string cTempDir::file(const std::string& a_rRelative) const {
    return m_Path + "/" + a_rRelative;
}

std::string cTempDir::writeFile(const std::string& a_rRelative,
                                const std::string& a_rContent) const {
    const std::string l_Path = file(a_rRelative);
    fs::create_directories(fs::path(l_Path).parent_path());
    writeWhole(l_Path, a_rContent);
    return l_Path;
}

std::string cTempDir::makeDir(const std::string& a_rRelative) const {
    const std::string l_Path = file(a_rRelative);
    fs::create_directories(l_Path);
    return l_Path;
}

cScopedEnv::cScopedEnv(std::string a_Name, const std::optional<std::string>& a_rValue)
    : m_Name(std::move(a_Name)) {
    if (const char* l_pOld = std::getenv(m_Name.c_str())) {
        m_Old = l_pOld;
    }
    if (a_rValue) {
        setenv(m_Name.c_str(), a_rValue->c_str(), 1);
    } else {
        unsetenv(m_Name.c_str());
    }
}

cScopedEnv::~cScopedEnv() {
    if (m_Old) {
        setenv(m_Name.c_str(), m_Old->c_str(), 1);
    } else {
        unsetenv(m_Name.c_str());
    }
}

cSimMachine::cSimMachine(const nlohmann::json& a_rMachine)
    : m_Path(m_Dir.file("machine.json")),
      m_MachineEnv("QXPXI_SIM_MACHINE", m_Path),
      m_CallLogEnv("QXPXI_SIM_CALL_LOG", m_Dir.file("calls.log")) {
    write(a_rMachine);
}

cSimMachine::cSimMachine(const tMachineText& a_rText)
    : m_Path(m_Dir.file("machine.json")),
      m_MachineEnv("QXPXI_SIM_MACHINE", m_Path),
      m_CallLogEnv("QXPXI_SIM_CALL_LOG", m_Dir.file("calls.log")) {
    m_LibDir = m_Dir.file("libdir");
    m_DataDir = m_Dir.file("datadir");
    writeText(a_rText.text);
}

cSimMachine::~cSimMachine() = default;

nlohmann::json cSimMachine::withDefaults(const nlohmann::json& a_rMachine) const {
    nlohmann::json l_Machine = a_rMachine;
    if (l_Machine.is_object() && !l_Machine.contains("relocations")) {
        l_Machine["relocations"] = {{"libdir", m_Dir.file("libdir")},
                                    {"datadir", m_Dir.file("datadir")}};
    }
    return l_Machine;
}

void cSimMachine::write(const nlohmann::json& a_rMachine) {
    const nlohmann::json l_Machine = withDefaults(a_rMachine);
    m_LibDir = m_Dir.file("libdir");
    m_DataDir = m_Dir.file("datadir");
    if (l_Machine.is_object()) {
        const auto& l_rRelocations = l_Machine.at("relocations");
        auto l_Resolve = [&](const char* a_pName, std::string& a_rOut) {
            if (l_rRelocations.contains(a_pName) && l_rRelocations.at(a_pName).is_string()) {
                const std::string l_Value = l_rRelocations.at(a_pName).get<std::string>();
                a_rOut = !l_Value.empty() && l_Value[0] == '/' ? l_Value : m_Dir.file(l_Value);
            }
        };
        l_Resolve("libdir", m_LibDir);
        l_Resolve("datadir", m_DataDir);
    }
    // The description directories exist, empty, so that searching them finds no file
    // rather than failing.
    for (const std::string& l_rDir :
         {m_LibDir + "/qxpxihw/pxiechassis", m_LibDir + "/qxpxihw/pxiesysmodules",
          m_DataDir + "/qxpxi/hardware_descriptions/controllers", m_DataDir + "/pxisa/chassis"}) {
        if (isInside(l_rDir, m_Dir.path())) {
            fs::create_directories(l_rDir);
        }
    }
    writeText(l_Machine.dump(2) + "\n");
}

void cSimMachine::writeText(const std::string& a_rText) {
    writeWhole(m_Path, a_rText);
}

std::string cSimMachine::libDir() const {
    return m_LibDir;
}
std::string cSimMachine::dataDir() const {
    return m_DataDir;
}

namespace {

std::string writeDescription(const cTempDir& a_rDir, const std::string& a_rBase,
                             const char* a_pSubdir, const std::string& a_rFile,
                             const std::string& a_rContent) {
    const std::string l_Path = a_rBase + a_pSubdir + a_rFile;
    if (!isInside(l_Path, a_rDir.path())) {
        throw std::logic_error("description " + l_Path +
                               " would lie outside the test's temporary directory");
    }
    fs::create_directories(fs::path(l_Path).parent_path());
    writeWhole(l_Path, a_rContent);
    return l_Path;
}

}  // namespace

std::string cSimMachine::writeChassisDriverDescription(const std::string& a_rFile,
                                                       const std::string& a_rContent) const {
    return writeDescription(m_Dir, m_LibDir, "/qxpxihw/pxiechassis/", a_rFile, a_rContent);
}

std::string cSimMachine::writeSystemModuleDescription(const std::string& a_rFile,
                                                      const std::string& a_rContent) const {
    return writeDescription(m_Dir, m_LibDir, "/qxpxihw/pxiesysmodules/", a_rFile, a_rContent);
}

std::string cSimMachine::writeControllerDescription(const std::string& a_rFile,
                                                    const std::string& a_rContent) const {
    return writeDescription(m_Dir, m_DataDir, "/qxpxi/hardware_descriptions/controllers/", a_rFile,
                            a_rContent);
}

std::string cSimMachine::writeChassisDescription(const std::string& a_rFile,
                                                 const std::string& a_rContent) const {
    return writeDescription(m_Dir, m_DataDir, "/pxisa/chassis/", a_rFile, a_rContent);
}

void cSimMachine::copyExampleDescriptions() const {
    const std::string l_Source = sourceDir() + "/examples/descriptions";
    for (const auto& [l_pFrom, l_rTo] :
         {std::pair<const char*, const std::string&>{"/libdir", m_LibDir},
          std::pair<const char*, const std::string&>{"/datadir", m_DataDir}}) {
        if (!isInside(l_rTo, m_Dir.path())) {
            throw std::logic_error(
                "example descriptions would be copied outside the test's "
                "temporary directory");
        }
        fs::create_directories(l_rTo);
        fs::copy(l_Source + l_pFrom, l_rTo,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
}

std::string cSimMachine::callLogPath() const {
    return m_Dir.file("calls.log");
}

std::vector<std::string> cSimMachine::calls() const {
    std::vector<std::string> l_Lines;
    std::ifstream l_File(callLogPath());
    std::string l_Line;
    while (std::getline(l_File, l_Line)) {
        l_Lines.push_back(l_Line);
    }
    return l_Lines;
}

std::vector<std::string> cSimMachine::calls(const std::string& a_rFunction) const {
    std::vector<std::string> l_Lines;
    for (const std::string& l_rLine : calls()) {
        if (l_rLine == a_rFunction ||
            l_rLine.compare(0, a_rFunction.size() + 1, a_rFunction + " ") == 0) {
            l_Lines.push_back(l_rLine);
        }
    }
    return l_Lines;
}

void cSimMachine::clearCalls() const {
    std::error_code l_Error;
    fs::remove(callLogPath(), l_Error);
}

cHostLibrary::cHostLibrary(const std::string& a_rName) {
    if (a_rName.find('/') != std::string::npos) {
        m_Path = a_rName;
    } else {
        m_Path = buildDir() + "/lib/" + a_rName;
        if (!fs::exists(m_Path)) {
            m_Path = buildDir() + "/services/" + a_rName;
        }
    }
    dlerror();
    m_pHandle = dlopen(m_Path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_pHandle == nullptr) {
        const char* l_pError = dlerror();
        m_Error = l_pError != nullptr ? l_pError : "dlopen failed";
    }
}

cHostLibrary::~cHostLibrary() {
    if (m_pHandle != nullptr) {
        dlclose(m_pHandle);
    }
}

tChildResult runInChild(const std::function<int()>& a_Body) {
    return forkAndWait(a_Body);
}

bool isChild() {
    const char* l_pValue = std::getenv("QXTEST_CHILD");
    return l_pValue != nullptr && std::strcmp(l_pValue, "1") == 0;
}

tChildResult rerunInFreshProcess(
    const std::vector<std::pair<std::string, std::optional<std::string>>>& a_rEnvironment) {
    const ::testing::TestInfo* l_pTest = ::testing::UnitTest::GetInstance()->current_test_info();
    if (l_pTest == nullptr) {
        throw std::logic_error("rerunInFreshProcess called outside a test");
    }
    const std::string l_Filter =
        std::string("--gtest_filter=") + l_pTest->test_suite_name() + "." + l_pTest->name();
    char l_Self[4096];
    const ssize_t l_Length = readlink("/proc/self/exe", l_Self, sizeof(l_Self) - 1);
    if (l_Length <= 0) {
        throw std::runtime_error("cannot find this executable");
    }
    l_Self[l_Length] = '\0';
    const std::string l_Exe = l_Self;
    return forkAndWait([&]() {
        for (const auto& [l_rName, l_rValue] : a_rEnvironment) {
            if (l_rValue) {
                setenv(l_rName.c_str(), l_rValue->c_str(), 1);
            } else {
                unsetenv(l_rName.c_str());
            }
        }
        setenv("QXTEST_CHILD", "1", 1);
        execl(l_Exe.c_str(), l_Exe.c_str(), l_Filter.c_str(), static_cast<char*>(nullptr));
        std::fprintf(stderr, "exec %s failed: %s\n", l_Exe.c_str(), std::strerror(errno));
        return 98;
    });
}

tChildResult runCommand(const std::vector<std::string>& a_rArgv) {
    if (a_rArgv.empty()) {
        throw std::logic_error("runCommand needs a program");
    }
    return forkAndWait([&]() {
        std::vector<char*> l_Argv;
        for (const std::string& l_rArg : a_rArgv) {
            l_Argv.push_back(const_cast<char*>(l_rArg.c_str()));
        }
        l_Argv.push_back(nullptr);
        execv(l_Argv[0], l_Argv.data());
        std::fprintf(stderr, "exec %s failed: %s\n", l_Argv[0], std::strerror(errno));
        return 98;
    });
}

void writeSmbiosDump(const std::string& a_rMachinePath, const std::string& a_rOutput) {
    const tChildResult l_Result = runCommand(
        {buildDir() + "/services/qxsim-smbios-dump", "--machine", a_rMachinePath, a_rOutput});
    if (!l_Result.exited || l_Result.exitCode != 0) {
        throw std::runtime_error("qxsim-smbios-dump failed: " + l_Result.stdErr);
    }
}

tChildResult runWithSmbiosDump(const std::string& a_rDumpFile, const std::function<int()>& a_Body) {
    const std::string l_Dump = a_rDumpFile.empty() ? std::string() : readFile(a_rDumpFile);
    const bool l_WithDump = !a_rDumpFile.empty();
    tChildResult l_Result = forkAndWait([&]() {
        const uid_t l_Uid = getuid();
        const gid_t l_Gid = getgid();
        if (unshare(CLONE_NEWNS) != 0) {
            // Without privilege, a user namespace may still allow a mount namespace.
            if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
                std::fprintf(stderr, "private mount namespaces are not allowed here: %s\n",
                             std::strerror(errno));
                return kSkipExit;
            }
            auto l_WriteProc = [](const char* a_pFile, const std::string& a_rText) {
                const int l_Fd = open(a_pFile, O_WRONLY);
                if (l_Fd < 0) {
                    return;
                }
                const ssize_t l_Written = ::write(l_Fd, a_rText.data(), a_rText.size());
                (void)l_Written;
                close(l_Fd);
            };
            l_WriteProc("/proc/self/setgroups", "deny");
            l_WriteProc("/proc/self/uid_map", "0 " + std::to_string(l_Uid) + " 1");
            l_WriteProc("/proc/self/gid_map", "0 " + std::to_string(l_Gid) + " 1");
        }
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", "/run", "tmpfs", 0, "mode=0755") != 0) {
            std::fprintf(stderr, "cannot mount a private /run here: %s\n", std::strerror(errno));
            return kSkipExit;
        }
        if (l_WithDump) {
            std::error_code l_Error;
            fs::create_directories("/run/qxpxisv/smbios", l_Error);
            writeWhole("/run/qxpxisv/smbios/smbiosdmp", l_Dump);
        }
        return a_Body();
    });
    if (l_Result.exited && l_Result.exitCode == kSkipExit) {
        l_Result.skipped = true;
        l_Result.skipReason = l_Result.stdErr;
    }
    return l_Result;
}

}  // namespace qxtest
