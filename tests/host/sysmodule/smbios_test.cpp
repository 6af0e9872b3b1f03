// The foreign embedded controller check without a controller driver: the machine's
// product name comes from the SMBIOS dump, which each case puts in place in a child
// process with a private /run.
#include <iostream>

#include "tests/host/sysmodule/sysModuleHost.h"

namespace smtest {
namespace {

using nlohmann::json;

// Discovers the example's embedded controller (SMBIOSProduct PXIe-8881) and a
// description without SMBIOSProduct in a child whose /run holds a_rDump (none when
// empty); returns "<status>/<count> <status>/<count>", or "skip: <reason>".
std::string discoverWithDump(const std::string& a_rDump) {
    const qxtest::tChildResult l_Result = qxtest::runWithSmbiosDump(a_rDump, [] {
        const cSysModuleLib l_Lib;
        const tCount l_Described = count(l_Lib, kVendor, kEmbedded);
        const tCount l_Any = count(l_Lib, "Acme", "Any");
        std::cout << l_Described.status << "/" << l_Described.count << " " << l_Any.status << "/"
                  << l_Any.count << std::flush;
        return 0;
    });
    if (l_Result.skipped)
        return "skip: " + l_Result.skipReason;
    if (!l_Result.exited || l_Result.exitCode != 0)
        return "child failed: " + l_Result.stdOut + l_Result.stdErr;
    return l_Result.stdOut;
}

TEST(SysModuleSmbios, DecidesWhichEmbeddedDescriptionsApply) {
    qxtest::cSimMachine l_Machine(exampleWithoutController());
    l_Machine.copyExampleDescriptions();
    l_Machine.writeSystemModuleDescription(
        "acme-any.ini", embeddedDescription("Acme", "Any", "10B5:8749:1093:7A01", ""));

    const std::string l_Same = l_Machine.dir().file("same.dmp");
    qxtest::writeSmbiosDump(l_Machine.path(), l_Same);
    json l_Other = exampleWithoutController();
    l_Other["smbios"]["system"]["productName"] = "PXIe-8840";
    const std::string l_OtherMachine = l_Machine.dir().writeFile("other.json", l_Other.dump());
    const std::string l_OtherDump = l_Machine.dir().file("other.dmp");
    qxtest::writeSmbiosDump(l_OtherMachine, l_OtherDump);

    struct tCase {
        const char* what;
        std::string dump;
        const char* expected;
    };
    const tCase l_Cases[] = {
        {"this machine's product", l_Same, "0/1 0/1"},
        {"another product", l_OtherDump, "0/0 0/1"},
        {"no SMBIOS data: every description with a product is foreign", "", "0/0 0/1"},
    };
    for (const tCase& l_rCase : l_Cases) {
        const std::string l_Answer = discoverWithDump(l_rCase.dump);
        if (l_Answer.rfind("skip: ", 0) == 0)
            GTEST_SKIP() << l_Answer;
        EXPECT_EQ(l_Answer, l_rCase.expected) << l_rCase.what;
    }
}

}  // namespace
}  // namespace smtest
