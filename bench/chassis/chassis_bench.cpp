// Chassis library benchmarks, through dlopen of build/lib/libQXPXIeCDu.so against the
// stand-in services:
//   - PXISA_Chassis_GetCount on a large simulated machine (64 chassis, three root-bus
//     levels, 1,000 chassis driver descriptions), beside the floor every discovery pays:
//     binding and releasing the PCI bridge service plus one directory time query (and,
//     for reference, the same with a session opened and closed);
//   - PXISA_Chassis_GetPCIRootBusNumber from the cache, from one and from two threads.
// Run: build/bench/chassis/bench_chassis (it points the loader at build/services itself).
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "bench/support/benchServices.h"

#include "qxpxi/QXPXIeCDu.h"
#include "qxpxi/services/qxpcibrd.h"

namespace {

constexpr const char* kVendor = "Quarrix";
constexpr const char* kModel = "QX-1084";
constexpr unsigned kChassisCount = 64;
constexpr unsigned kDescriptionCount = 1000;

const char* const kServiceFunctions[] = {
    "QxPciBrd_OpenSession",          "QxPciBrd_CloseSession",
    "QxPciBrd_FindBridgesByPciIds",  "QxPciBrd_FindBridgeByAddress",
    "QxPciBrd_FindBridgeBySlotPath", "QxPciBrd_FindParentBridgeForBus",
    "QxPciBrd_GetBridgeParent",      "QxPciBrd_GetBridgeChildren",
    "QxPciBrd_GetBusChildren",       "QxPciBrd_GetRootBuses",
    "QxPciBrd_GetBridgeAddress",     "QxPciBrd_GetBridgeSlotPath",
    "QxPciBrd_GetBridgeIds",         "QxPciBrd_SetAttributeU32",
    "QxPciBrd_GetAttributeU32",      "QxPciBrd_OpenBridge",
    "QxPciBrd_CloseBridge",          "QxPciBrd_EepromUpdate"};

using qxbench::writeFile;

// 32 root ports on bus 0, each above six bridges: two chassis of three root-bus bridges
// (subsystem IDs 1B4A:7001, :7002, :7003) per root port.
nlohmann::json largeMachine(const std::string& a_rLibDir, const std::string& a_rDataDir) {
    nlohmann::json l_Bridges = nlohmann::json::array();
    auto l_Add = [&](unsigned a_Bus, unsigned a_Device, unsigned a_SubsystemId,
                     unsigned a_Secondary) {
        l_Bridges.push_back({{"bus", a_Bus},
                             {"device", a_Device},
                             {"function", 0},
                             {"vendorId", 0x10B5},
                             {"deviceId", 0x8724},
                             {"subsystemVendorId", 0x1B4A},
                             {"subsystemId", a_SubsystemId},
                             {"secondaryBus", a_Secondary}});
    };
    const unsigned l_RootPorts = kChassisCount / 2;
    for (unsigned l_Port = 0; l_Port < l_RootPorts; ++l_Port) {
        l_Add(0, l_Port, 0x0001, 1 + l_Port);
    }
    for (unsigned l_Port = 0; l_Port < l_RootPorts; ++l_Port) {
        for (unsigned l_Device = 0; l_Device < 6; ++l_Device) {
            l_Add(1 + l_Port, l_Device, 0x7001 + l_Device % 3,
                  1 + l_RootPorts + l_Port * 6 + l_Device);
        }
    }
    return {{"pci", {{"bridges", l_Bridges}}},
            {"relocations", {{"libdir", a_rLibDir}, {"datadir", a_rDataDir}}}};
}

std::string description(const std::string& a_rModel) {
    return "[Chassis]\nVendor = Quarrix\nModel = " + a_rModel +
           "\n\n[RootBusBridges]\nBridge1SubsystemID = 1B4A:7001\n"
           "Bridge2SubsystemID = 1B4A:7002\nBridge3SubsystemID = 1B4A:7003\n";
}

// The simulated machine and the loaded library, set up once for the whole run.
class cLargeMachine {
public:
    cLargeMachine() {
        char l_Template[] = "/tmp/qxchassisbench.XXXXXX";
        if (mkdtemp(l_Template) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_Root = l_Template;
        const std::string l_LibDir = m_Root + "/libdir";
        m_DescriptionDir = l_LibDir + "/qxpxihw/pxiechassis";
        for (const std::string& l_Dir :
             {l_LibDir, l_LibDir + "/qxpxihw", m_DescriptionDir, m_Root + "/datadir"}) {
            mkdir(l_Dir.c_str(), 0755);
        }
        for (unsigned l_Index = 0; l_Index < kDescriptionCount; ++l_Index) {
            char l_Name[32];
            std::snprintf(l_Name, sizeof l_Name, "QX-%04u", l_Index);
            const std::string l_Model = l_Index == kDescriptionCount / 2 ? kModel : l_Name;
            writeFile(m_DescriptionDir + "/" + l_Name + ".ini", description(l_Model));
        }
        const std::string l_MachinePath = m_Root + "/machine.json";
        writeFile(l_MachinePath, largeMachine(l_LibDir, m_Root + "/datadir").dump(1));
        setenv("QXPXI_SIM_MACHINE", l_MachinePath.c_str(), 1);

        const std::string l_Library = std::string(QX_BUILD_DIR) + "/lib/libQXPXIeCDu.so";
        m_pHandle = dlopen(l_Library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_pHandle == nullptr)
            throw std::runtime_error(dlerror());
        getCount = reinterpret_cast<decltype(getCount)>(dlsym(m_pHandle, "PXISA_Chassis_GetCount"));
        getRootBus = reinterpret_cast<decltype(getRootBus)>(
            dlsym(m_pHandle, "PXISA_Chassis_GetPCIRootBusNumber"));
        uint32_t l_Count = 0;
        const int32_t l_Status = getCount(kVendor, kModel, &l_Count);
        if (l_Status != 0 || l_Count != kChassisCount) {
            std::fprintf(stderr, "setup: GetCount gave %d and %u chassis\n", l_Status, l_Count);
            std::exit(1);
        }
    }
    ~cLargeMachine() {
        dlclose(m_pHandle);
        std::system(("rm -rf '" + m_Root + "'").c_str());
    }

    const std::string& descriptionDir() const { return m_DescriptionDir; }

    decltype(&PXISA_Chassis_GetCount) getCount = nullptr;
    decltype(&PXISA_Chassis_GetPCIRootBusNumber) getRootBus = nullptr;

private:
    std::string m_Root;
    std::string m_DescriptionDir;
    void* m_pHandle = nullptr;
};

cLargeMachine& largeMachine() {
    static cLargeMachine s_Machine;
    return s_Machine;
}

void BM_GetCount_64Chassis3Levels1000Descriptions(benchmark::State& a_rState) {
    cLargeMachine& l_rMachine = largeMachine();
    for (auto _ : a_rState) {
        uint32_t l_Count = 0;
        if (l_rMachine.getCount(kVendor, kModel, &l_Count) != 0 || l_Count != kChassisCount) {
            a_rState.SkipWithError("GetCount failed");
            break;
        }
    }
}
BENCHMARK(BM_GetCount_64Chassis3Levels1000Descriptions)->Unit(benchmark::kMicrosecond);

// What every discovery pays whatever the machine: the service library bound and
// released, and the description directory's time read.
void bindAndRelease(benchmark::State& a_rState, bool a_WithSession) {
    const std::string& l_rDirectory = largeMachine().descriptionDir();
    for (auto _ : a_rState) {
        void* l_pService = dlopen("libqxpcibrd.so.1", RTLD_NOW | RTLD_GLOBAL);
        if (l_pService == nullptr) {
            a_rState.SkipWithError("service not found");
            break;
        }
        void* l_Slots[sizeof kServiceFunctions / sizeof kServiceFunctions[0]];
        for (size_t l_Index = 0; l_Index < sizeof kServiceFunctions / sizeof kServiceFunctions[0];
             ++l_Index) {
            l_Slots[l_Index] = dlsym(l_pService, kServiceFunctions[l_Index]);
        }
        benchmark::DoNotOptimize(l_Slots);
        if (a_WithSession) {
            uint32_t l_Session = 0;
            reinterpret_cast<decltype(&QxPciBrd_OpenSession)>(l_Slots[0])(0, &l_Session);
            reinterpret_cast<decltype(&QxPciBrd_CloseSession)>(l_Slots[1])(l_Session);
        }
        dlclose(l_pService);
        struct stat l_Info {};
        benchmark::DoNotOptimize(stat(l_rDirectory.c_str(), &l_Info));
    }
}

void BM_Floor_BindReleaseAndDirectoryTime(benchmark::State& a_rState) {
    bindAndRelease(a_rState, false);
}
BENCHMARK(BM_Floor_BindReleaseAndDirectoryTime)->Unit(benchmark::kMicrosecond);

void BM_Floor_WithSessionOpenedAndClosed(benchmark::State& a_rState) {
    bindAndRelease(a_rState, true);
}
BENCHMARK(BM_Floor_WithSessionOpenedAndClosed)->Unit(benchmark::kMicrosecond);

// Cached lookups, cycling over every chassis and root bus. With two threads the items
// per second are the total of both.
void BM_GetPCIRootBusNumber_Cached(benchmark::State& a_rState) {
    cLargeMachine& l_rMachine = largeMachine();
    uint32_t l_Chassis = 1 + static_cast<uint32_t>(a_rState.thread_index()) * 7;
    uint32_t l_Position = 1;
    for (auto _ : a_rState) {
        uint32_t l_Bus = 0;
        benchmark::DoNotOptimize(
            l_rMachine.getRootBus(kVendor, kModel, l_Position, l_Chassis, &l_Bus));
        benchmark::DoNotOptimize(l_Bus);
        if (++l_Position > 3) {
            l_Position = 1;
            l_Chassis = l_Chassis % kChassisCount + 1;
        }
    }
    a_rState.SetItemsProcessed(a_rState.iterations());
}
BENCHMARK(BM_GetPCIRootBusNumber_Cached)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace
