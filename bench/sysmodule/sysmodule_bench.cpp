// System module library benchmarks, through dlopen of build/lib/libQXPXIeSMu.so against
// the stand-in services:
//   - PXISA_SystemModule_GetCount on a machine with 32 SMBus adapters and 200 system
//     module descriptions, beside the floor every discovery pays: binding and releasing
//     the three services it uses (PCI bridge, controller driver, SMBus);
//   - PXISA_SystemModule_GetInformation from the cache, per call.
// Run: build/bench/sysmodule/bench_sysmodule (it points the loader at build/services itself).
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "bench/support/benchServices.h"

#include "qxpxi/QXPXIeSMu.h"

namespace {

constexpr unsigned kAdapterCount = 32;
constexpr unsigned kDescriptionCount = 200;
constexpr const char* kVendor = "Quarrix";
constexpr const char* kModel = "PXIe-8398";
constexpr const char* kModuleName = "Quarrix PXIe-8398 (QXSMBUS::16::0::0::0)";

// The functions each binding looks up, per service.
const std::vector<std::pair<const char*, std::vector<const char*>>> kServices = {
    {"libqxpcibrd.so.1",
     {"QxPciBrd_OpenSession", "QxPciBrd_CloseSession", "QxPciBrd_FindBridgesByPciIds",
      "QxPciBrd_FindBridgeByAddress", "QxPciBrd_FindBridgeBySlotPath",
      "QxPciBrd_FindParentBridgeForBus", "QxPciBrd_GetBridgeParent", "QxPciBrd_GetBridgeChildren",
      "QxPciBrd_GetBusChildren", "QxPciBrd_GetRootBuses", "QxPciBrd_GetBridgeAddress",
      "QxPciBrd_GetBridgeSlotPath", "QxPciBrd_GetBridgeIds", "QxPciBrd_SetAttributeU32",
      "QxPciBrd_GetAttributeU32", "QxPciBrd_OpenBridge", "QxPciBrd_CloseBridge",
      "QxPciBrd_EepromUpdate"}},
    {"libqxcntdrv.so.1",
     {"QXCNTDRV_openController", "QXCNTDRV_closeController", "QXCNTDRV_getAttributeUTF8",
      "QXCNTDRV_getAttributeU32", "QXCNTDRV_getAttributeI32", "QXCNTDRV_getAttributeDBL",
      "QXCNTDRV_setAttributeUTF8", "QXCNTDRV_setAttributeU32", "QXCNTDRV_updateFirmware2",
      "QXCNTDRV_performSelfTest", "QXCNTDRV_openWatchdog", "QXCNTDRV_closeWatchdog",
      "QXCNTDRV_petWatchdog", "QXCNTDRV_startWatchdogTimer", "QXCNTDRV_stopWatchdogTimer",
      "QXCNTDRV_waitForWatchdogNotification", "QXCNTDRV_cancelWaitForWatchdogNotification"}},
    {"libqxsmbus.so.2", {"QXSMBusOpen",          "QXSMBusClose",
                         "QXSMBusGetAttribute",  "QXSMBusSetAttribute",
                         "QXSMBusQuickWrite",    "QXSMBusQuickRead",
                         "QXSMBusSendByte",      "QXSMBusReceiveByte",
                         "QXSMBusWriteByte",     "QXSMBusReadByte",
                         "QXSMBusWriteWord",     "QXSMBusReadWord",
                         "QXSMBusProcessCall",   "QXSMBusWriteBlock",
                         "QXSMBusReadBlock",     "QXSMBusGetChassisEEPROM",
                         "QXSMBusReadI2CEEPROM", "QXSMBusWriteFirmware",
                         "QXSMBusOpenList",      "QXSMBusCloseList",
                         "QXSMBusOpenListEx"}},
};

using qxbench::writeFile;

// The example machine's PCI topology and controller, with 32 SMBus adapters: the remote
// module's adapter (1093:7A20 on bus 16) among 31 others of other products.
nlohmann::json largeMachine(const std::string& a_rLibDir, const std::string& a_rDataDir) {
    std::ifstream l_In(std::string(QX_SOURCE_DIR) + "/examples/machines/example-machine.json");
    nlohmann::json l_Machine = nlohmann::json::parse(l_In);
    nlohmann::json l_Adapters = nlohmann::json::array();
    for (unsigned l_Index = 0; l_Index < kAdapterCount; ++l_Index) {
        const bool l_Remote = l_Index == kAdapterCount / 2;
        const unsigned l_Bus = l_Remote ? 16 : 0x40 + l_Index;
        l_Adapters.push_back({{"resource", "QXSMBUS::" + std::to_string(l_Bus) + "::0::0::0"},
                              {"description", "adapter"},
                              {"attributes",
                               {{"1002", 1},
                                {"103", 0x1093},
                                {"104", l_Remote ? 0x7A20 : 0x7B00 + l_Index},
                                {"105", l_Bus},
                                {"106", 0},
                                {"107", 0}}},
                              {"devices",
                               {{"0xA4",
                                 {{"chassisEeprom",
                                   {{"vendor", "Quarrix"},
                                    {"model", "QX PXIe-1092"},
                                    {"linkConfiguration", 0}}}}}}}});
    }
    l_Machine["smbus"]["adapters"] = l_Adapters;
    l_Machine["relocations"] = {{"libdir", a_rLibDir}, {"datadir", a_rDataDir}};
    return l_Machine;
}

std::string description(const std::string& a_rModel, const std::string& a_rVidPid) {
    return "[ModuleId]\nVendor=Quarrix\nModel=" + a_rModel + "\nSMBUSVIDPID=" + a_rVidPid +
           "\n\n[ModuleParams]\nModuleStyle=Remote\nMaximumLinkWidths=4,4,4,4,4,4\n\n"
           "[UpstreamPort]\nTraversalMap=10:00.0\n\n"
           "[2LinkBusNumbers]\nLink1=smbus,push0,push0\nLink2=smbus,push0,push8\n";
}

// The simulated machine and the loaded library, set up once for the whole run.
class cLargeMachine {
public:
    cLargeMachine() {
        char l_Template[] = "/tmp/qxsysmodulebench.XXXXXX";
        if (mkdtemp(l_Template) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_Root = l_Template;
        const std::string l_LibDir = m_Root + "/libdir";
        const std::string l_Descriptions = l_LibDir + "/qxpxihw/pxiesysmodules";
        for (const std::string& l_Dir :
             {l_LibDir, l_LibDir + "/qxpxihw", l_Descriptions, m_Root + "/datadir"})
            mkdir(l_Dir.c_str(), 0755);
        for (unsigned l_Index = 0; l_Index < kDescriptionCount; ++l_Index) {
            char l_Model[32];
            std::snprintf(l_Model, sizeof l_Model, "PXIe-9%03u", l_Index);
            char l_VidPid[16];
            std::snprintf(l_VidPid, sizeof l_VidPid, "1093%04X", 0x7B00 + l_Index);
            const bool l_Target = l_Index == kDescriptionCount / 2;
            writeFile(l_Descriptions + "/" + l_Model + ".ini",
                      description(l_Target ? kModel : l_Model, l_Target ? "10937A20" : l_VidPid));
        }
        const std::string l_MachinePath = m_Root + "/machine.json";
        writeFile(l_MachinePath, largeMachine(l_LibDir, m_Root + "/datadir").dump(1));
        setenv("QXPXI_SIM_MACHINE", l_MachinePath.c_str(), 1);

        const std::string l_Library = std::string(QX_BUILD_DIR) + "/lib/libQXPXIeSMu.so";
        m_pHandle = dlopen(l_Library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_pHandle == nullptr)
            throw std::runtime_error(dlerror());
        getCount =
            reinterpret_cast<decltype(getCount)>(dlsym(m_pHandle, "PXISA_SystemModule_GetCount"));
        getInformation = reinterpret_cast<decltype(getInformation)>(
            dlsym(m_pHandle, "PXISA_SystemModule_GetInformation"));
        int32_t l_Count = 0;
        const int32_t l_Status = getCount(kVendor, kModel, &l_Count);
        int32_t l_Links = 0;
        if (l_Status != 0 || l_Count != 1 || getInformation(kModuleName, "", 100, &l_Links) != 0) {
            std::fprintf(stderr, "setup: GetCount gave %d and %d modules\n", l_Status, l_Count);
            std::exit(1);
        }
    }
    ~cLargeMachine() {
        dlclose(m_pHandle);
        std::system(("rm -rf '" + m_Root + "'").c_str());
    }

    decltype(&PXISA_SystemModule_GetCount) getCount = nullptr;
    decltype(&PXISA_SystemModule_GetInformation) getInformation = nullptr;

private:
    std::string m_Root;
    void* m_pHandle = nullptr;
};

cLargeMachine& largeMachine() {
    static cLargeMachine s_Machine;
    return s_Machine;
}

void BM_GetCount_32Adapters200Descriptions(benchmark::State& a_rState) {
    cLargeMachine& l_rMachine = largeMachine();
    for (auto _ : a_rState) {
        int32_t l_Count = 0;
        if (l_rMachine.getCount(kVendor, kModel, &l_Count) != 0 || l_Count != 1) {
            a_rState.SkipWithError("GetCount failed");
            break;
        }
    }
}
BENCHMARK(BM_GetCount_32Adapters200Descriptions)->Unit(benchmark::kMicrosecond);

// What every discovery pays whatever the machine: the three services bound (every
// function looked up) and released.
void BM_Floor_BindAndReleaseThreeServices(benchmark::State& a_rState) {
    largeMachine();
    for (auto _ : a_rState) {
        for (const auto& l_rService : kServices) {
            void* l_pService = dlopen(l_rService.first, RTLD_NOW | RTLD_LOCAL);
            if (l_pService == nullptr) {
                a_rState.SkipWithError("service not found");
                return;
            }
            for (const char* l_pName : l_rService.second)
                benchmark::DoNotOptimize(dlsym(l_pService, l_pName));
            dlclose(l_pService);
        }
    }
}
BENCHMARK(BM_Floor_BindAndReleaseThreeServices)->Unit(benchmark::kMicrosecond);

// A cached attribute, cycling over numeric ids.
void BM_GetInformation_Cached(benchmark::State& a_rState) {
    cLargeMachine& l_rMachine = largeMachine();
    const int32_t l_Ids[] = {0, 100, 101, 105, 109};
    size_t l_Next = 0;
    for (auto _ : a_rState) {
        int32_t l_Value = 0;
        benchmark::DoNotOptimize(
            l_rMachine.getInformation(kModuleName, "", l_Ids[l_Next], &l_Value));
        benchmark::DoNotOptimize(l_Value);
        l_Next = (l_Next + 1) % (sizeof l_Ids / sizeof l_Ids[0]);
    }
    a_rState.SetItemsProcessed(a_rState.iterations());
}
BENCHMARK(BM_GetInformation_Cached)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace
