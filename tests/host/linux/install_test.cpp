// The component "qxpxi-linux" installed into a temporary prefix: the services where the
// loader finds them, the dump writer, and a systemd unit that names the writer there;
// the installed relocation service answers that prefix.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "tests/host/linux/linuxServices.h"

namespace {

TEST(LinuxInstall, ComponentInstallsServicesWriterAndUnit) {
    qxtest::cTempDir l_Dir;
    char l_Real[PATH_MAX];
    ASSERT_NE(realpath(l_Dir.path().c_str(), l_Real), nullptr);
    const std::string l_Prefix = std::string(l_Real) + "/prefix";
    const qxtest::tChildResult l_Install =
        qxtest::runCommand({QX_CMAKE_COMMAND, "--install", qxtest::buildDir(), "--prefix", l_Prefix,
                            "--component", "qxpxi-linux"});
    ASSERT_EQ(l_Install.exitCode, 0) << l_Install.stdOut << l_Install.stdErr;
    for (const char* l_pFile :
         {"lib/libqxpcibrd.so.1", "lib/libqxsmbus.so.2", "lib/libqxcntdrv.so.1",
          "lib/libqxrelocations.so.0", "sbin/qxpxi-smbios-dump",
          "share/man/man8/qxpxi-smbios-dump.8.gz"}) {
        EXPECT_EQ(access((l_Prefix + "/" + l_pFile).c_str(), R_OK), 0) << l_pFile;
    }
    const std::string l_Unit =
        qxtest::readFile(l_Prefix + "/lib/systemd/system/qxpxi-smbios-dump.service");
    EXPECT_NE(l_Unit.find("ExecStart=" + l_Prefix + "/sbin/qxpxi-smbios-dump\n"), std::string::npos)
        << l_Unit;
    // Nothing of the stand-ins or the libraries comes with this component.
    EXPECT_NE(access((l_Prefix + "/lib/libQXPXIeSMu.so").c_str(), F_OK), 0);

    const qxtest::cScopedEnv l_NoOverride("QXPXI_INSTALL_PREFIX", std::nullopt);
    qxtest::cHostLibrary l_Relocations(l_Prefix + "/lib/libqxrelocations.so.0");
    char l_Buffer[255] = {};
    EXPECT_GT(l_Relocations.require<decltype(get_relocated_dir)>("get_relocated_dir")(
                  "datadir", l_Buffer, sizeof(l_Buffer)),
              0);
    EXPECT_EQ(std::string(l_Buffer), l_Prefix + "/share");
}

}  // namespace
