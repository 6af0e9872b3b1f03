// The relocation stand-in, loaded by file name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/services/serviceBindings.h"

namespace {

TEST(RelocationService, AnswersListedDirectoriesResolvedAgainstTheMachineFile) {
    qxtest::cSimMachine l_Machine(nlohmann::json::parse(
        R"({"relocations": {"libdir": "relative/lib", "datadir": "/opt/qx/share"}})"));
    qxsimtest::tRelocations l_Service;
    char l_Buffer[255];
    EXPECT_GT(l_Service.get_relocated_dir("libdir", l_Buffer, sizeof(l_Buffer)), 0);
    EXPECT_EQ(std::string(l_Buffer), l_Machine.dir().path() + "/relative/lib");
    EXPECT_GT(l_Service.get_relocated_dir("datadir", l_Buffer, sizeof(l_Buffer)), 0);
    EXPECT_EQ(std::string(l_Buffer), "/opt/qx/share");
    std::memcpy(l_Buffer, "unchanged", 10);
    EXPECT_EQ(l_Service.get_relocated_dir("bindir", l_Buffer, sizeof(l_Buffer)), 0);
    EXPECT_EQ(std::string(l_Buffer), "unchanged");
    // "/opt/qx/share" and its NUL need 14 bytes.
    EXPECT_LT(l_Service.get_relocated_dir("datadir", l_Buffer, 13), 0);
    EXPECT_GT(l_Service.get_relocated_dir("datadir", l_Buffer, 14), 0);
    EXPECT_LT(l_Service.get_relocated_dir(nullptr, l_Buffer, sizeof(l_Buffer)), 0);
}

TEST(RelocationService, TheTestMachinePointsLibdirAndDatadirAtItsDirectory) {
    qxtest::cSimMachine l_Machine(nlohmann::json::object());
    qxsimtest::tRelocations l_Service;
    char l_Buffer[255];
    ASSERT_GT(l_Service.get_relocated_dir("libdir", l_Buffer, sizeof(l_Buffer)), 0);
    EXPECT_EQ(std::string(l_Buffer), l_Machine.libDir());
    const std::string l_File = l_Machine.writeChassisDriverDescription("x.ini", "[Chassis]\n");
    EXPECT_EQ(l_File, l_Machine.libDir() + "/qxpxihw/pxiechassis/x.ini");
    EXPECT_EQ(qxtest::readFile(l_File), "[Chassis]\n");
}

}  // namespace
