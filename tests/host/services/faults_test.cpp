// Fault injection and unusable machine files, through all four stand-ins.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "qxpxi/services/qxpcibrd.h"
#include "tests/host/services/serviceBindings.h"
#include "tests/host/services/smallMachine.h"

namespace {

struct tServices {
    qxtest::cHostLibrary m_Pci{"libqxpcibrd.so.1"};
    decltype(::QxPciBrd_OpenSession)* OpenSession =
        m_Pci.require<decltype(::QxPciBrd_OpenSession)>("QxPciBrd_OpenSession");
    decltype(::QxPciBrd_CloseSession)* CloseSession =
        m_Pci.require<decltype(::QxPciBrd_CloseSession)>("QxPciBrd_CloseSession");
    decltype(::QxPciBrd_FindBridgesByPciIds)* FindBridgesByPciIds =
        m_Pci.require<decltype(::QxPciBrd_FindBridgesByPciIds)>("QxPciBrd_FindBridgesByPciIds");
    qxsimtest::tCntDrv m_Drv;
    qxsimtest::tSmBus m_Bus;
    qxsimtest::tRelocations m_Reloc;
};

nlohmann::json machineWithFaults(const nlohmann::json& a_rFaults) {
    nlohmann::json l_Machine = qxsimtest::smallMachine();
    l_Machine["controller"] = {{"text", {{"0x10000000", "Quarrix"}}}};
    l_Machine["smbus"]["adapters"] = nlohmann::json::parse(
        R"([{"resource": "QXSMBUS::0::31::3::0", "devices": {"0xA4": {"chassisEeprom": {}}}}])");
    l_Machine["relocations"] = {{"libdir", "/opt/lib"}};
    l_Machine["faults"] = a_rFaults;
    return l_Machine;
}

TEST(ServiceFaults, AFaultReplacesTheAnswerFromItsCallOn) {
    tServices l_S;
    // A fault from call 2: the sizing call answers normally, the filling call and every
    // later call answer the fault.
    qxtest::cSimMachine l_Machine(machineWithFaults(nlohmann::json::parse(
        R"([{"function": "QxPciBrd_FindBridgesByPciIds", "status": -313099, "fromCall": 2}])")));
    uint32_t l_Session = 0xFFFFFFFF;
    ASSERT_EQ(l_S.OpenSession(0, &l_Session), 0);
    uint32_t l_Bridges[8];
    std::vector<int32_t> l_Results;
    for (int l_Call = 0; l_Call < 3; ++l_Call) {
        uint32_t l_Count = l_Call == 0 ? 0 : 8;
        l_Results.push_back(l_S.FindBridgesByPciIds(l_Session, nullptr, nullptr, nullptr, nullptr,
                                                    l_Call == 0 ? nullptr : l_Bridges, &l_Count));
    }
    EXPECT_EQ(l_Results, (std::vector<int32_t>{-313002, -313099, -313099}));
    l_S.CloseSession(l_Session);
    // A fresh machine file counts afresh.
    l_Machine.write(machineWithFaults(nlohmann::json::parse(
        R"([{"function": "QxPciBrd_FindBridgesByPciIds", "status": -313099, "fromCall": 2},
            {"function": "QxPciBrd_CloseSession", "status": 5}])")));
    ASSERT_EQ(l_S.OpenSession(0, &l_Session), 0);
    uint32_t l_Count = 0;
    EXPECT_EQ(
        l_S.FindBridgesByPciIds(l_Session, nullptr, nullptr, nullptr, nullptr, nullptr, &l_Count),
        -313002);
    l_S.CloseSession(l_Session);
}

TEST(ServiceFaults, AFaultWithAnEndFailsOnlyTheCallsUpToIt) {
    tServices l_S;
    qxtest::cSimMachine l_Machine(machineWithFaults(nlohmann::json::parse(
        R"([{"function": "QxPciBrd_FindBridgesByPciIds", "status": -313099,
             "fromCall": 2, "toCall": 2}])")));
    uint32_t l_Session = 0xFFFFFFFF;
    ASSERT_EQ(l_S.OpenSession(0, &l_Session), 0);
    uint32_t l_Bridges[8];
    std::vector<int32_t> l_Results;
    for (int l_Call = 0; l_Call < 3; ++l_Call) {
        uint32_t l_Count = l_Call == 0 ? 0 : 8;
        l_Results.push_back(l_S.FindBridgesByPciIds(l_Session, nullptr, nullptr, nullptr, nullptr,
                                                    l_Call == 0 ? nullptr : l_Bridges, &l_Count));
    }
    EXPECT_EQ(l_Results, (std::vector<int32_t>{-313002, -313099, 0}));
    l_S.CloseSession(l_Session);
    // An end before the start is a malformed machine file.
    l_Machine.write(machineWithFaults(nlohmann::json::parse(
        R"([{"function": "QxPciBrd_OpenSession", "status": -1, "fromCall": 3, "toCall": 2}])")));
    EXPECT_EQ(l_S.OpenSession(0, &l_Session), qxtest::kSimPciBrdMachineUnusable);
}

TEST(ServiceFaults, EveryServiceCanBeMadeToFailAlways) {
    tServices l_S;
    struct tCase {
        const char* function;
        std::function<int32_t()> call;
    };
    void* l_pSession = nullptr;
    const std::vector<tCase> l_Cases = {
        {"QxPciBrd_OpenSession",
         [&] {
             uint32_t l_Session = 7;
             const int32_t l_Status = l_S.OpenSession(0, &l_Session);
             return l_Session == 0xFFFFFFFF ? l_Status : 1;
         }},
        {"QXCNTDRV_openController",
         [&] {
             void* l_p = &l_S;
             const int32_t l_Status = l_S.m_Drv.QXCNTDRV_openController(&l_p);
             return l_p == nullptr ? l_Status : 1;
         }},
        {"QXCNTDRV_getAttributeUTF8",
         [&] {
             void* l_p = nullptr;
             l_S.m_Drv.QXCNTDRV_openController(&l_p);
             uint64_t l_Size = 0;
             const int32_t l_Status =
                 l_S.m_Drv.QXCNTDRV_getAttributeUTF8(l_p, 0x10000000, nullptr, &l_Size);
             l_S.m_Drv.QXCNTDRV_closeController(l_p);
             return l_Status;
         }},
        {"QXSMBusOpenList",
         [&] {
             uint32_t l_Count = 3;
             int32_t l_Status = 0;
             void** l_pList = l_S.m_Bus.QXSMBusOpenList(&l_Count, &l_Status);
             return l_pList == nullptr && l_Count == 0 ? l_Status : 1;
         }},
        {"QXSMBusGetChassisEEPROM",
         [&] {
             l_S.m_Bus.QXSMBusOpen("QXSMBUS::0::31::3::0", &l_pSession);
             uint8_t l_Image[256];
             const int32_t l_Status =
                 l_S.m_Bus.QXSMBusGetChassisEEPROM(l_pSession, 0, 256, l_Image);
             l_S.m_Bus.QXSMBusClose(l_pSession);
             return l_Status;
         }},
        {"get_relocated_dir",
         [&] {
             char l_Buffer[255];
             return l_S.m_Reloc.get_relocated_dir("libdir", l_Buffer, sizeof(l_Buffer));
         }},
    };
    for (const tCase& l_rCase : l_Cases) {
        qxtest::cSimMachine l_Machine(
            machineWithFaults({{{"function", l_rCase.function}, {"status", -4242}}}));
        EXPECT_EQ(l_rCase.call(), -4242) << l_rCase.function;
    }
}

// Runs every service's opening call in a child and collects the answers and stderr.
struct tOpenResults {
    qxtest::tChildResult child;
};

tOpenResults openAllInChild() {
    tOpenResults l_Results;
    l_Results.child = qxtest::runInChild([] {
        tServices l_S;
        uint32_t l_Session = 0;
        void* l_pDrv = nullptr;
        void* l_pBus = nullptr;
        uint32_t l_Count = 0;
        int32_t l_ListStatus = 0;
        char l_Buffer[255];
        const bool l_AsDocumented =
            l_S.OpenSession(0, &l_Session) == qxtest::kSimPciBrdMachineUnusable &&
            l_S.m_Drv.QXCNTDRV_openController(&l_pDrv) == qxtest::kSimCntDrvMachineUnusable &&
            l_pDrv == nullptr &&
            l_S.m_Bus.QXSMBusOpen("QXSMBUS::0::31::3::0", &l_pBus) ==
                qxtest::kSimSmBusMachineUnusable &&
            l_S.m_Bus.QXSMBusOpenList(&l_Count, &l_ListStatus) == nullptr &&
            l_ListStatus == qxtest::kSimSmBusMachineUnusable &&
            l_S.m_Reloc.get_relocated_dir("libdir", l_Buffer, sizeof(l_Buffer)) ==
                qxtest::kSimRelocationsMachineUnusable;
        return l_AsDocumented ? 0 : 1;
    });
    return l_Results;
}

std::vector<std::string> linesOf(const std::string& a_rText) {
    std::vector<std::string> l_Lines;
    std::istringstream l_Stream(a_rText);
    std::string l_Line;
    while (std::getline(l_Stream, l_Line)) {
        l_Lines.push_back(l_Line);
    }
    return l_Lines;
}

TEST(ServiceMachineFile, AnUnusableFileGivesAClearStatusAndOneLineNamingFileAndProblem) {
    const std::vector<std::pair<std::string, std::string>> l_Cases = {
        {"{ \"pci\": [", "not valid JSON"},
        {R"({"pci": {"bridges": [{"bus": 1e99999}]}})", "not valid JSON: number overflow"},
        {"[]", "the machine: expected an object"},
        {R"({"pci": {"bridges": [{"bus": 0, "device": 1, "vendorId": 1, "deviceId": 2}]}})",
         "pci.bridges[0]: missing \"secondaryBus\""},
        {R"({"pci": {"bridges": [
            {"bus": 2, "device": 0, "vendorId": 1, "deviceId": 1, "secondaryBus": 3},
            {"bus": 3, "device": 0, "vendorId": 1, "deviceId": 1, "secondaryBus": 2}]}})",
         "loop"},
        {R"({"pci": {"bridges": [{"bus": 0, "device": 32, "vendorId": 1, "deviceId": 1,
            "secondaryBus": 1}]}})",
         "pci.bridges[0].device: value 32 out of range"},
        {R"({"smbus": {"adapters": [{"resource": "X", "devices": {"0xA5": {}}}]}})", "bit 0 clear"},
        {R"({"faults": [{"function": "QxPciBrd_Nothing", "status": -1}]})",
         "no service function \"QxPciBrd_Nothing\""},
        {R"({"pcii": {}})", "unknown key \"pcii\""},
        {R"({"pci": {"devices": [{"bus": 4, "device": 0, "vendorId": 1, "deviceId": 2,
            "slot": 3}]}})",
         "pci.devices[0]: unknown key \"slot\""},
        {R"({"pci": {"bridges": [{"bus": 0, "device": 1, "vendorId": 1, "deviceId": 1,
            "secondaryBus": 1}], "devices": [{"bus": 0, "device": 1, "vendorId": 1,
            "deviceId": 2}]}})",
         "pci.devices[0]: a bridge has the same bus, device and function"},
    };
    for (const auto& [l_rText, l_rProblem] : l_Cases) {
        SCOPED_TRACE(l_rProblem);
        qxtest::cSimMachine l_Machine(qxtest::tMachineText{l_rText});
        const tOpenResults l_Results = openAllInChild();
        ASSERT_TRUE(l_Results.child.exited) << "signal " << l_Results.child.signal;
        EXPECT_EQ(l_Results.child.exitCode, 0) << l_Results.child.stdErr;
        const std::vector<std::string> l_Lines = linesOf(l_Results.child.stdErr);
        ASSERT_EQ(l_Lines.size(), 5u) << "one line per failed open:\n" << l_Results.child.stdErr;
        for (const std::string& l_rLine : l_Lines) {
            EXPECT_EQ(l_rLine.rfind("qxsim: machine file " + l_Machine.path() + ": ", 0), 0u)
                << l_rLine;
            EXPECT_NE(l_rLine.find(l_rProblem), std::string::npos) << l_rLine;
        }
    }
}

TEST(ServiceMachineFile, AMissingFileIsReportedTheSameWay) {
    qxtest::cTempDir l_Dir;
    const std::string l_Path = l_Dir.file("absent.json");
    qxtest::cScopedEnv l_Env("QXPXI_SIM_MACHINE", l_Path);
    const tOpenResults l_Results = openAllInChild();
    ASSERT_TRUE(l_Results.child.exited);
    EXPECT_EQ(l_Results.child.exitCode, 0) << l_Results.child.stdErr;
    const std::vector<std::string> l_Lines = linesOf(l_Results.child.stdErr);
    ASSERT_EQ(l_Lines.size(), 5u) << l_Results.child.stdErr;
    EXPECT_EQ(l_Lines[0],
              "qxsim: machine file " + l_Path + ": cannot be read: No such file or directory");
}

TEST(ServiceMachineFile, AFileRepairedAfterAFailureIsServed) {
    qxtest::cSimMachine l_Machine(qxtest::tMachineText{"{"});
    tServices l_S;
    testing::internal::CaptureStderr();
    uint32_t l_Session = 0;
    EXPECT_EQ(l_S.OpenSession(0, &l_Session), qxtest::kSimPciBrdMachineUnusable);
    testing::internal::GetCapturedStderr();
    l_Machine.write(qxsimtest::smallMachine());
    ASSERT_EQ(l_S.OpenSession(0, &l_Session), 0);
    l_S.CloseSession(l_Session);
}

}  // namespace
