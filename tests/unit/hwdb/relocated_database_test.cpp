// The database as the libraries use it: no test seam, the description directories named
// by the stand-in relocation service, which is asked once per process.
#include <gtest/gtest.h>

#include <string>

#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "runtime/status/qxStatusCodes.h"
#include "tests/support/qxTestSupport.h"

using namespace QX_NS;
using tIdentities = cPxiSvDeviceDbManager::tIdentityList;

TEST(RelocatedDatabase, ReadsTheDirectoriesTheRelocationServiceNames) {
    if (!qxtest::isChild()) {
        const qxtest::tChildResult l_Result = qxtest::rerunInFreshProcess({});
        EXPECT_TRUE(l_Result.exited && l_Result.exitCode == 0)
            << l_Result.stdOut << l_Result.stdErr;
        return;
    }
    qxtest::cSimMachine l_Machine(nlohmann::json::object());
    l_Machine.writeChassisDriverDescription("c.ini", "[Chassis]\nVendor=V\nModel=C\n");
    l_Machine.writeSystemModuleDescription(
        "r.ini",
        "[ModuleParams]\nModuleStyle=Remote\n[ModuleId]\nVendor=V\nModel=R\n"
        "[UpstreamPort]\nTraversalMap=up\n");
    l_Machine.writeSystemModuleDescription(
        "e.ini", "[ModuleParams]\nModuleStyle=Embedded\n[ModuleId]\nVendor=V\nModel=E\n");
    l_Machine.writeControllerDescription(
        "p.ini",
        "[Controller]\nType=Embedded\nVendor=V\nModel=P\n[Embedded]\nPCISlotPath=MR00:1F\n");
    l_Machine.writeChassisDescription("s.ini", "[Chassis]\nVendor=V\nModel=S\nTriggerBusList=1\n");

    tStatusRecord l_Status;
    cPxiSvDeviceDbManager::createInstance(&l_Status);
    cPxiSvDeviceDbManager* l_pDb = nullptr;
    cPxiSvDeviceDbManager::getInstance(&l_pDb, &l_Status);
    ASSERT_EQ(l_Status.code, 0);
    tIdentities l_Identities;
    l_pDb->listIdentities(16 | 768 | 2 | 2048, l_Identities, &l_Status);
    EXPECT_EQ(l_Status.code, 0);
    // Kinds from 2048 down: chassis, remote, embedded, chassis driver, PXI controller.
    EXPECT_EQ(l_Identities,
              (tIdentities{{"V", "S"}, {"V", "R"}, {"V", "E"}, {"V", "C"}, {"V", "P"}}));
    cPxiSvDeviceDbManager::destroyInstance();
}
