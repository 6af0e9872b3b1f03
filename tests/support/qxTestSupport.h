// Support for host-level tests: a self-removing temporary directory, a simulated
// machine (machine file plus description files) that the stand-in services serve, a
// library loaded with dlopen as a host loads it, and child processes for tests that
// need a fresh process or a private mount namespace.
//
// Typical use:
//
//     qxtest::cSimMachine l_Machine(qxtest::exampleMachine());  // or any nlohmann::json
//     l_Machine.writeChassisDriverDescription("mychassis.ini", "[...]\n");
//     qxtest::cHostLibrary l_Lib("libQXPXIeCDu.so");
//     auto l_pGetCount = l_Lib.require<decltype(PXISA_Chassis_GetCount)>("PXISA_Chassis_GetCount");
//
// Status codes of the stand-in services beyond their contracts are listed below and in
// docs/machine-file.md.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace qxtest {

// Codes the stand-ins answer when the machine file is missing or malformed.
constexpr int32_t kSimPciBrdMachineUnusable = -313010;
constexpr int32_t kSimCntDrvMachineUnusable = -26940;
constexpr int32_t kSimSmBusMachineUnusable = -52010;
constexpr int kSimRelocationsMachineUnusable = -1;

// Build and source trees: the QX_BUILD_DIR / QX_SOURCE_DIR environment variables when
// set, else the directories this support library was configured with.
std::string buildDir();
std::string sourceDir();
// examples/machines/example-machine.json as JSON. With a_WithRelocations its
// relocated directories are made absolute (the bundled, read-only description files);
// without, "relocations" is dropped so that cSimMachine points them at its temporary
// directory (see cSimMachine::copyExampleDescriptions).
nlohmann::json exampleMachine(bool a_WithRelocations = true);
std::string exampleMachinePath();

// Reads a whole file; throws std::runtime_error when it cannot.
std::string readFile(const std::string& a_rPath);

// A fresh directory under TMPDIR (or /tmp), removed with its content on destruction.
class cTempDir {
public:
    cTempDir();
    ~cTempDir();
    cTempDir(const cTempDir&) = delete;
    cTempDir& operator=(const cTempDir&) = delete;

    const std::string& path() const { return m_Path; }
    // a_rRelative joined to the directory.
    std::string file(const std::string& a_rRelative) const;
    // Writes a file, creating its parent directories; returns its full path.
    std::string writeFile(const std::string& a_rRelative, const std::string& a_rContent) const;
    // Creates a directory with its parents; returns its full path.
    std::string makeDir(const std::string& a_rRelative) const;

private:
    std::string m_Path;
};

// Sets (or with std::nullopt unsets) an environment variable; restores the old value
// on destruction.
class cScopedEnv {
public:
    cScopedEnv(std::string a_Name, const std::optional<std::string>& a_rValue);
    ~cScopedEnv();
    cScopedEnv(const cScopedEnv&) = delete;
    cScopedEnv& operator=(const cScopedEnv&) = delete;

private:
    std::string m_Name;
    std::optional<std::string> m_Old;
};

// A machine file in a temporary directory, served by the stand-ins while the object
// lives: QXPXI_SIM_MACHINE points at it, and QXPXI_SIM_CALL_LOG at a call log in the
// same directory. Unless the machine names its own "relocations", "libdir" and
// "datadir" are pointed at <dir>/libdir and <dir>/datadir, where the write...
// helpers put description files.
// The text of a machine file, written as it is (for malformed files).
struct tMachineText {
    std::string text;
};

class cSimMachine {
public:
    explicit cSimMachine(const nlohmann::json& a_rMachine);
    explicit cSimMachine(const tMachineText& a_rText);
    ~cSimMachine();
    cSimMachine(const cSimMachine&) = delete;
    cSimMachine& operator=(const cSimMachine&) = delete;

    const cTempDir& dir() const { return m_Dir; }
    const std::string& path() const { return m_Path; }

    // Replace the machine file's content (the stand-ins read it at the next open).
    void write(const nlohmann::json& a_rMachine);
    void writeText(const std::string& a_rText);

    // Description files, laid out as the platform installs them; return the full path.
    std::string writeChassisDriverDescription(const std::string& a_rFile,
                                              const std::string& a_rContent) const;
    std::string writeSystemModuleDescription(const std::string& a_rFile,
                                             const std::string& a_rContent) const;
    std::string writeControllerDescription(const std::string& a_rFile,
                                           const std::string& a_rContent) const;
    std::string writeChassisDescription(const std::string& a_rFile,
                                        const std::string& a_rContent) const;
    // Copies the bundled example description files into libDir() and dataDir().
    void copyExampleDescriptions() const;
    // The directories the stand-in relocation service answers for "libdir" and "datadir".
    // The write... helpers refuse (std::logic_error) to write outside the temporary
    // directory, so a machine with relocations of its own cannot touch the source tree.
    std::string libDir() const;
    std::string dataDir() const;

    // The call log: all lines, the lines of one function, and clearing it.
    std::string callLogPath() const;
    std::vector<std::string> calls() const;
    std::vector<std::string> calls(const std::string& a_rFunction) const;
    void clearCalls() const;

private:
    nlohmann::json withDefaults(const nlohmann::json& a_rMachine) const;

    cTempDir m_Dir;
    std::string m_Path;
    std::string m_LibDir;
    std::string m_DataDir;
    cScopedEnv m_MachineEnv;
    cScopedEnv m_CallLogEnv;
};

// A shared library loaded by path as a host loads it (RTLD_NOW | RTLD_LOCAL): a bare
// file name is looked for in <build>/lib, then <build>/services; a name with a slash
// is used as it is. Closed on destruction.
class cHostLibrary {
public:
    explicit cHostLibrary(const std::string& a_rName);
    ~cHostLibrary();
    cHostLibrary(const cHostLibrary&) = delete;
    cHostLibrary& operator=(const cHostLibrary&) = delete;

    bool loaded() const { return m_pHandle != nullptr; }
    const std::string& path() const { return m_Path; }
    const std::string& error() const { return m_Error; }
    void* handle() const { return m_pHandle; }

    // The symbol as a function pointer of type tFunction*, or null.
    template <typename tFunction>
    tFunction* symbol(const char* a_pName) const {
        if (m_pHandle == nullptr) {
            return nullptr;
        }
        return reinterpret_cast<tFunction*>(dlsym(m_pHandle, a_pName));
    }
    // The same, throwing std::runtime_error when the library or the symbol is missing.
    template <typename tFunction>
    tFunction* require(const char* a_pName) const {
        tFunction* l_pFunction = symbol<tFunction>(a_pName);
        if (l_pFunction == nullptr) {
            throw std::runtime_error("no symbol " + std::string(a_pName) + " in " + m_Path +
                                     (m_Error.empty() ? "" : ": " + m_Error));
        }
        return l_pFunction;
    }

private:
    std::string m_Path;
    std::string m_Error;
    void* m_pHandle = nullptr;
};

struct tChildResult {
    bool exited = false;  // ended by exit (else by a signal, or never started)
    int exitCode = -1;
    int signal = 0;
    bool skipped = false;  // the child could not be set up (see skipReason)
    std::string skipReason;
    std::string stdOut;
    std::string stdErr;
};

// Runs a_Body in a forked child; its result is the exit code; an exception gives 99.
// Standard output and error of the child are collected.
tChildResult runInChild(const std::function<int()>& a_Body);

// Runs the current test again in a fresh process (this executable with a filter for
// this test), with environment changes applied (std::nullopt unsets a variable); in
// that process isChild() is true. For tests whose library must see a fresh process,
// e.g. a service absent from LD_LIBRARY_PATH. Exit code 0 means the child's test passed.
bool isChild();
tChildResult rerunInFreshProcess(
    const std::vector<std::pair<std::string, std::optional<std::string>>>& a_rEnvironment);

// Runs a command (argv[0] a path) and collects its output.
tChildResult runCommand(const std::vector<std::string>& a_rArgv);

// Writes the SMBIOS dump of a machine file with the dump writer of the build tree.
void writeSmbiosDump(const std::string& a_rMachinePath, const std::string& a_rOutput);

// Runs a_Body in a forked child inside a private mount namespace with a tmpfs on /run
// and a_rDumpFile copied to /run/qxpxisv/smbios/smbiosdmp (an empty a_rDumpFile
// leaves no dump there); a_Body must not return 77, the code of a skip. When the machine does not
// allow private mount namespaces the result is marked skipped; callers turn that into GTEST_SKIP()
// << skipReason.
tChildResult runWithSmbiosDump(const std::string& a_rDumpFile, const std::function<int()>& a_Body);

}  // namespace qxtest
