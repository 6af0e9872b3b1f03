// The controller driver service of a plain Linux machine, and the relocation service
// of an installation.
#include <gtest/gtest.h>

#include <string>

#include "tests/host/linux/linuxServices.h"

namespace {

constexpr int32_t kNoController = -26934;
constexpr int32_t kInvalidSession = -26931;

// Every open answers "no controller", so no session exists and nothing else answers.
TEST(LinuxCntDrv, NoControllerEverAndNoSession) {
    qxtest::cHostLibrary l_Lib(qxlinuxtest::linuxService("libqxcntdrv.so.1"));
    auto l_pOpen = l_Lib.require<decltype(QXCNTDRV_openController)>("QXCNTDRV_openController");
    auto l_pText = l_Lib.require<decltype(QXCNTDRV_getAttributeUTF8)>("QXCNTDRV_getAttributeUTF8");
    auto l_pClose = l_Lib.require<decltype(QXCNTDRV_closeController)>("QXCNTDRV_closeController");
    void* l_pSession = reinterpret_cast<void*>(0x10);
    EXPECT_EQ(l_pOpen(&l_pSession), kNoController);
    EXPECT_EQ(l_pSession, nullptr);
    EXPECT_EQ(l_pOpen(nullptr), -26932);
    uint64_t l_Size = 0;
    EXPECT_EQ(l_pText(reinterpret_cast<void*>(0x10), 0x10000000, nullptr, &l_Size),
              kInvalidSession);
    EXPECT_EQ(l_pClose(nullptr), kInvalidSession);
}

std::string relocated(decltype(get_relocated_dir)* a_pGet, const char* a_pName, int& a_rResult) {
    char l_Buffer[255] = "unchanged";
    a_rResult = a_pGet(a_pName, l_Buffer, sizeof(l_Buffer));
    return l_Buffer;
}

// Installed, the service answers the directories below its own prefix; in the build
// tree (no prefix to be had) it answers 0 and the libraries keep their defaults.
TEST(LinuxRelocations, AnswersBelowTheInstallationPrefix) {
    qxtest::cTempDir l_Prefix;
    // Installed as a copy: the library finds its prefix from the file it was loaded from.
    const std::string l_Installed =
        l_Prefix.writeFile("lib/libqxrelocations.so.0",
                           qxtest::readFile(qxlinuxtest::linuxService("libqxrelocations.so.0")));
    qxtest::cScopedEnv l_NoOverride("QXPXI_INSTALL_PREFIX", std::nullopt);
    {
        qxtest::cHostLibrary l_Lib(l_Installed);
        auto l_pGet = l_Lib.require<decltype(get_relocated_dir)>("get_relocated_dir");
        int l_Result = 0;
        struct {
            const char* name;
            std::string dir;  // empty: answers 0
        } const l_Cases[] = {{"libdir", l_Prefix.path() + "/lib"},
                             {"datadir", l_Prefix.path() + "/share"},
                             {"prefixdir", l_Prefix.path()},
                             {"sysconfdir", ""},
                             {"multiarchlibdir", ""},
                             {"nosuchdir", ""}};
        for (const auto& l_rCase : l_Cases) {
            const std::string l_Dir = relocated(l_pGet, l_rCase.name, l_Result);
            if (l_rCase.dir.empty()) {
                EXPECT_EQ(l_Result, 0) << l_rCase.name;
                EXPECT_EQ(l_Dir, "unchanged") << l_rCase.name;
            } else {
                EXPECT_GT(l_Result, 0) << l_rCase.name;
                EXPECT_EQ(l_Dir, l_rCase.dir) << l_rCase.name;
            }
        }
        char l_Tiny[4];
        EXPECT_LT(l_pGet("libdir", l_Tiny, sizeof(l_Tiny)), 0);
    }
    qxtest::cHostLibrary l_Built(qxlinuxtest::linuxService("libqxrelocations.so.0"));
    auto l_pGet = l_Built.require<decltype(get_relocated_dir)>("get_relocated_dir");
    int l_Result = 1;
    EXPECT_EQ(relocated(l_pGet, "libdir", l_Result), "unchanged");
    EXPECT_EQ(l_Result, 0);
    qxtest::cScopedEnv l_Override("QXPXI_INSTALL_PREFIX", "/opt/qx/");
    EXPECT_EQ(relocated(l_pGet, "datadir", l_Result), "/opt/qx/share");
    EXPECT_EQ(l_Result, 1);
}

}  // namespace
