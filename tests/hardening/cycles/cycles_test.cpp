// Load, query and unload, a thousand times in one process, for each library: every cycle
// answers as the first did, and nothing stays behind: no open file descriptor, no mapped
// file (a library or service that did not unload), and, under LeakSanitizer, no leak.
#include <dirent.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/hardening/support/hostScenarios.h"

namespace qxhard {
namespace {

constexpr int kCycles = 1000;

size_t openDescriptors() {
    size_t l_Count = 0;
    DIR* l_pDir = opendir("/proc/self/fd");
    if (l_pDir == nullptr)
        return 0;
    while (const dirent* l_pEntry = readdir(l_pDir))
        if (l_pEntry->d_name[0] != '.')
            ++l_Count;
    closedir(l_pDir);
    return l_Count;
}

// Mappings of files: a library that stays loaded keeps several. Anonymous mappings are
// left out, since allocators (and AddressSanitizer's quarantine) grow them on their own.
std::string mappedFiles() {
    std::ifstream l_Maps("/proc/self/maps");
    std::string l_Line;
    std::string l_Files;
    while (std::getline(l_Maps, l_Line)) {
        const size_t l_Path = l_Line.find('/');
        if (l_Path != std::string::npos)
            l_Files += l_Line.substr(l_Path) + "\n";
    }
    return l_Files;
}

class LoadUnloadCycles : public ::testing::TestWithParam<tScenario> {};

TEST_P(LoadUnloadCycles, ThousandCyclesAnswerAlikeAndLeaveNothingBehind) {
    const tScenario& l_rScenario = GetParam();
    qxtest::cSimMachine l_Machine(exampleMachineForScenarios());
    l_Machine.copyExampleDescriptions();
    // The call log is not wanted here: it would only grow.
    qxtest::cScopedEnv l_NoLog("QXPXI_SIM_CALL_LOG", std::nullopt);
    auto l_Cycle = [&] {
        qxtest::cHostLibrary l_Lib(l_rScenario.library);
        if (!l_Lib.loaded())
            throw std::runtime_error(l_Lib.error());
        return l_rScenario.query(l_Lib);
    };
    // The first cycle settles what a process sets up once (loader caches, the C++
    // runtime's first exception, ...).
    const tSteps l_First = l_Cycle();
    ASSERT_FALSE(l_First.empty());
    ASSERT_EQ(l_First.front().status, 0) << toString(l_First);
    ASSERT_NE(l_First.front().output, "0") << "nothing found: " << toString(l_First);
    const size_t l_Descriptors = openDescriptors();
    const std::string l_Files = mappedFiles();
    for (int l_Index = 1; l_Index < kCycles; ++l_Index) {
        const tSteps l_Steps = l_Cycle();
        ASSERT_EQ(l_Steps, l_First) << "cycle " << l_Index << ":\n"
                                    << toString(l_Steps) << "first:\n"
                                    << toString(l_First);
    }
    EXPECT_EQ(openDescriptors(), l_Descriptors);
    EXPECT_EQ(mappedFiles(), l_Files);
}

INSTANTIATE_TEST_SUITE_P(EveryLibrary, LoadUnloadCycles, ::testing::ValuesIn(scenarios()),
                         [](const ::testing::TestParamInfo<tScenario>& a_rInfo) {
                             return std::string(a_rInfo.param.name);
                         });

}  // namespace
}  // namespace qxhard
