// A simulation gives the libraries the simulated machine's SMBIOS dump, never this
// computer's: "this computer" here is a private /run holding the dump of another maker's
// machine, so that a tool that shows the dump at the fixed path is caught.
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

#include <cerrno>
#include <string>

#include "tests/host/tool/toolRun.h"

using nlohmann::json;

namespace {

constexpr const char* kThisComputer = "Other Maker Inc.";

// The dump of a machine that is not the simulated one, for the private /run.
std::string otherMakersDump(const qxtest::cTempDir& a_rDir) {
    json l_Other = qxtest::exampleMachine();
    l_Other["smbios"]["system"]["manufacturer"] = kThisComputer;
    l_Other["smbios"]["system"]["productName"] = "Other Box";
    qxtest::cSimMachine l_Machine(l_Other);
    const std::string l_Dump = a_rDir.file("otherdmp");
    qxtest::writeSmbiosDump(l_Machine.path(), l_Dump);
    return l_Dump;
}

// As a container's default seccomp profile does: unshare() is refused.
bool refuseUnshare() {
    struct sock_filter l_Filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_unshare, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog l_Program = {
        static_cast<unsigned short>(sizeof(l_Filter) / sizeof(l_Filter[0])), l_Filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &l_Program) == 0;
}

TEST(ToolPrivateSmbios, TheLibrariesReadTheSimulatedMachinesDump) {
    qxtest::cTempDir l_Dir;
    const std::string l_Other = otherMakersDump(l_Dir);
    // Without a controller driver the embedded controller finder identifies the
    // machine from SMBIOS: the libraries themselves must read the simulated dump.
    json l_Named = qxtest::exampleMachine();
    l_Named["controller"]["canOpen"] = false;
    l_Named["smbios"]["header"] = "dump of the named machine";
    json l_Without = qxtest::exampleMachine();
    l_Without.erase("smbios");
    qxtest::cSimMachine l_NamedMachine(l_Named);
    qxtest::cSimMachine l_WithoutMachine(l_Without);
    struct tCase {
        std::vector<std::string> args;
        json expected;  // header, manufacturer, productName; null: no dump
        int embeddedControllers;
    } const l_Cases[] = {
        {{"--simulate"},
         {"qxsim SMBIOS 2.7 dump of the example machine", "Quarrix Corporation", "PXIe-8881"},
         1},
        {{"--simulate", l_NamedMachine.path()},
         {"dump of the named machine", "Quarrix Corporation", "PXIe-8881"},
         1},
        {{"--simulate", l_WithoutMachine.path()}, nullptr, 1},
    };
    const qxtest::tChildResult l_Child = qxtest::runWithSmbiosDump(l_Other, [&]() {
        for (const tCase& l_rCase : l_Cases) {
            SCOPED_TRACE(l_rCase.args.back());
            std::vector<std::string> l_Argv = {tooltest::toolPath()};
            l_Argv.insert(l_Argv.end(), l_rCase.args.begin(), l_rCase.args.end());
            const json l_Doc = tooltest::runJson(l_Argv, tooltest::kNoServices, 0);
            const json& l_rSmbios = l_Doc["smbios"];
            if (l_rCase.expected.is_null()) {
                EXPECT_EQ(l_rSmbios["status"], -240050) << l_rSmbios;
            } else {
                EXPECT_EQ(l_rSmbios["status"], 0) << l_rSmbios;
                EXPECT_EQ(l_rSmbios["dumpOf"], "the simulated machine");
                EXPECT_EQ(l_rSmbios["header"], l_rCase.expected[0]);
                EXPECT_EQ(l_rSmbios["manufacturer"], l_rCase.expected[1]);
                EXPECT_EQ(l_rSmbios["productName"], l_rCase.expected[2]);
            }
            EXPECT_EQ(l_Doc["finders"][1]["count"]["value"], l_rCase.embeddedControllers);
            l_Argv.push_back("--smbios");
            const qxtest::tChildResult l_View = tooltest::run(l_Argv, tooltest::kNoServices);
            EXPECT_EQ(l_View.stdOut.find(kThisComputer), std::string::npos) << l_View.stdOut;
        }
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    if (l_Child.skipped) {
        GTEST_SKIP() << l_Child.skipReason;
    }
    EXPECT_EQ(l_Child.exitCode, 0) << l_Child.stdOut << l_Child.stdErr;
}

TEST(ToolPrivateSmbios, WhereNoNamespaceMayBeMadeTheToolSaysSoAndShowsNoIdentity) {
    qxtest::cTempDir l_Dir;
    const std::string l_Other = otherMakersDump(l_Dir);
    const qxtest::tChildResult l_Child = qxtest::runWithSmbiosDump(l_Other, [&]() {
        if (!refuseUnshare()) {
            std::printf("seccomp filter not installed: %s\n", std::strerror(errno));
            return 1;
        }
        const json l_Doc =
            tooltest::runJson({tooltest::toolPath(), "--simulate"}, tooltest::kNoServices, 0);
        EXPECT_EQ(l_Doc["smbios"]["status"], -240050) << l_Doc["smbios"];
        EXPECT_NE(l_Doc["smbios"]["statusMeaning"].get<std::string>().find(
                      "this computer's is not shown"),
                  std::string::npos);
        for (const char* l_pView : {"--smbios", "--verbose"}) {
            const qxtest::tChildResult l_Run =
                tooltest::run({tooltest::toolPath(), "--simulate", l_pView}, tooltest::kNoServices);
            EXPECT_EQ(l_Run.stdOut.find(kThisComputer), std::string::npos) << l_Run.stdOut;
            EXPECT_NE(l_Run.stdErr.find("the simulated machine's SMBIOS is not shown"),
                      std::string::npos)
                << l_Run.stdErr;
        }
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    if (l_Child.skipped) {
        GTEST_SKIP() << l_Child.skipReason;
    }
    EXPECT_EQ(l_Child.exitCode, 0) << l_Child.stdOut << l_Child.stdErr;
}

}  // namespace
