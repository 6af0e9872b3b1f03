// The Linux services on the largest recorded topology (192em64t-12gr2n8c2t.xml, 335 kB),
// side by side:
//   - hwloc's own load of the file, as any hwloc program does it (default filters) and as
//     lstopo does it (every I/O object kept);
//   - opening and closing a PCI bridge service session on it (hwloc load plus indexing);
//   - PXISA_Chassis_GetCount through the Linux service: cold (the library loaded for
//     the call, its description database read anew) and with the library loaded.
// Run: build/bench/linux/bench_linux (it points the loader at build/services-linux itself).
#include <dlfcn.h>
#include <hwloc.h>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/support/benchServices.h"
#include "qxpxi/QXPXIeCDu.h"
#include "qxpxi/services/qxpcibrd.h"

namespace {

const std::string kTopology =
    std::string(QX_SOURCE_DIR) + "/tests/data/realworld/topologies/192em64t-12gr2n8c2t.xml";

// A prefix for the relocation service holding one chassis driver description whose
// bridge pairs are on the recorded machine (4 anchors, 4 bridges of the second level).
struct tSetup {
    std::string prefix;
    tSetup() {
        char l_Template[] = "/tmp/qxbench-linux-XXXXXX";
        if (mkdtemp(l_Template) == nullptr) {
            throw std::runtime_error("mkdtemp");
        }
        prefix = l_Template;
        const std::string l_Dir = prefix + "/lib/qxpxihw/pxiechassis";
        if (std::system(("mkdir -p " + l_Dir).c_str()) != 0) {
            throw std::runtime_error("mkdir " + l_Dir);
        }
        qxbench::writeFile(l_Dir + "/bench.ini",
                           "[Chassis]\nVendor=Acme\nModel=Bench\n\n[RootBusBridges]\n"
                           "Bridge1SubsystemID=00ff:0000\nBridge2SubsystemID=0000:0000\n");
        setenv("QXPXI_INSTALL_PREFIX", prefix.c_str(), 1);
        setenv("HWLOC_XMLFILE", kTopology.c_str(), 1);
    }
    ~tSetup() { (void)std::system(("rm -rf " + prefix).c_str()); }
};

tSetup& setup() {
    static tSetup s_Setup;
    return s_Setup;
}

void hwlocLoad(benchmark::State& a_rState, bool a_KeepIo) {
    for (auto _ : a_rState) {
        hwloc_topology_t l_Topology;
        hwloc_topology_init(&l_Topology);
        if (a_KeepIo) {
            hwloc_topology_set_io_types_filter(l_Topology, HWLOC_TYPE_FILTER_KEEP_ALL);
        }
        if (hwloc_topology_set_xml(l_Topology, kTopology.c_str()) != 0 ||
            hwloc_topology_load(l_Topology) != 0) {
            a_rState.SkipWithError("hwloc cannot load the topology");
        }
        benchmark::DoNotOptimize(hwloc_get_root_obj(l_Topology));
        hwloc_topology_destroy(l_Topology);
    }
}

void BM_HwlocLoad(benchmark::State& a_rState) {
    hwlocLoad(a_rState, false);
}
BENCHMARK(BM_HwlocLoad)->Unit(benchmark::kMicrosecond);

void BM_HwlocLoadKeepingIo(benchmark::State& a_rState) {
    hwlocLoad(a_rState, true);
}
BENCHMARK(BM_HwlocLoadKeepingIo)->Unit(benchmark::kMicrosecond);

// A library loaded by file name as the libraries load the service, closed at the end.
struct tLibrary {
    void* handle;
    explicit tLibrary(const char* a_pName) : handle(dlopen(a_pName, RTLD_NOW | RTLD_LOCAL)) {
        if (handle == nullptr) {
            throw std::runtime_error(dlerror());
        }
    }
    ~tLibrary() { dlclose(handle); }
    template <typename tFunction>
    tFunction* get(const char* a_pName) const {
        return reinterpret_cast<tFunction*>(dlsym(handle, a_pName));
    }
};

void BM_PciServiceSession(benchmark::State& a_rState) {
    setup();
    const tLibrary l_Service("libqxpcibrd.so.1");
    auto l_pOpen = l_Service.get<decltype(QxPciBrd_OpenSession)>("QxPciBrd_OpenSession");
    auto l_pClose = l_Service.get<decltype(QxPciBrd_CloseSession)>("QxPciBrd_CloseSession");
    for (auto _ : a_rState) {
        uint32_t l_Session = 0;
        if (l_pOpen(0, &l_Session) != 0) {
            a_rState.SkipWithError("the service cannot open a session");
        }
        l_pClose(l_Session);
    }
}
BENCHMARK(BM_PciServiceSession)->Unit(benchmark::kMicrosecond);

uint32_t chassisCount(const tLibrary& a_rLibrary, benchmark::State& a_rState) {
    auto l_pCount = a_rLibrary.get<decltype(PXISA_Chassis_GetCount)>("PXISA_Chassis_GetCount");
    uint32_t l_Count = 0;
    if (l_pCount("Acme", "Bench", &l_Count) != 0 || l_Count != 4) {
        a_rState.SkipWithError("the chassis library did not find the 4 chassis");
    }
    return l_Count;
}

void BM_ChassisGetCountCold(benchmark::State& a_rState) {
    setup();
    const std::string l_Library = std::string(QX_BUILD_DIR) + "/lib/libQXPXIeCDu.so";
    for (auto _ : a_rState) {
        const tLibrary l_Chassis(l_Library.c_str());
        benchmark::DoNotOptimize(chassisCount(l_Chassis, a_rState));
    }
}
BENCHMARK(BM_ChassisGetCountCold)->Unit(benchmark::kMicrosecond);

void BM_ChassisGetCountLoaded(benchmark::State& a_rState) {
    setup();
    const tLibrary l_Chassis((std::string(QX_BUILD_DIR) + "/lib/libQXPXIeCDu.so").c_str());
    for (auto _ : a_rState) {
        benchmark::DoNotOptimize(chassisCount(l_Chassis, a_rState));
    }
}
BENCHMARK(BM_ChassisGetCountLoaded)->Unit(benchmark::kMicrosecond);

}  // namespace
