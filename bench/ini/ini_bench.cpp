// Parsing a 10 MB description-style file: our engine (which builds a queryable model)
// beside inih (callback only, no model), SimpleIni and Boost.PropertyTree (both build
// models). The file is generated once at start: many sections of chassis-like keys,
// quoted values, lists and continuation keys, all lines shorter than inih's 200-byte
// limit and no duplicate names, so that every parser reads all of it.
#include <benchmark/benchmark.h>
#include <ini.h>
#include <unistd.h>

// Debian builds SimpleIni with ICU; the narrow-character parser needs no conversion.
#define SI_CONVERT_ICU
#include <SimpleIni.h>
#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <cstdio>
#include <fstream>
#include <string>

#include "config/inifile/cIniFile.h"
#include "config/inifile/tIniDocument.h"

namespace {

using namespace QX_NS;
using namespace QX_NS::nQxPxiDriverTools_1_0;

constexpr size_t kTargetSize = 10u << 20;

struct tBenchFile {
    std::string path;
    size_t size = 0;
    size_t sections = 0;
    tBenchFile() {
        char l_Template[] = "/tmp/qxinibench.XXXXXX";
        const int l_Fd = ::mkstemp(l_Template);
        if (l_Fd >= 0)
            ::close(l_Fd);
        path = l_Template;
        std::string l_Text;
        l_Text.reserve(kTargetSize + 4096);
        char l_Line[256];
        while (l_Text.size() < kTargetSize) {
            const size_t s = sections++;
            std::snprintf(l_Line, sizeof(l_Line), "; chassis description %zu\n[Chassis%zu]\n", s,
                          s);
            l_Text += l_Line;
            std::snprintf(l_Line, sizeof(l_Line),
                          "Vendor = \"Qx Instruments\"\nModel = \"QX-%zu PXI Express Chassis\"\n"
                          "ModelCode = 0x%04zx\nSlotCount = %zu\n",
                          s, s & 0xFFFF, 4 + s % 18);
            l_Text += l_Line;
            for (unsigned b = 1; b <= 4; ++b) {
                std::snprintf(l_Line, sizeof(l_Line), "Bridge%uSubsystemID = 0x%04zx,0x%04x\n", b,
                              (s * 7 + b) & 0xFFFF, 0x1000 + b);
                l_Text += l_Line;
            }
            l_Text +=
                "SlotPaths = \"MR1:0.0,1.0\",\"MR1:0.0,2.0\",\"MR1:0.0,3.0\",\"MR1:0.0,4.0\"\n";
            l_Text += "StarTriggerSlots = 2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18\n";
            std::snprintf(l_Line, sizeof(l_Line),
                          "Description Line0001 = \"A chassis for the benchmark, number %zu, \"\n"
                          "Description Line0002 = \"with its description split in two lines\"\n",
                          s);
            l_Text += l_Line;
            for (unsigned k = 0; k < 8; ++k) {
                std::snprintf(l_Line, sizeof(l_Line), "Slot%uTriggerDelay = %u\n", k + 1,
                              (unsigned)(s * 31 + k) % 1000);
                l_Text += l_Line;
            }
            l_Text += "\n";
        }
        std::ofstream(path, std::ios::binary) << l_Text;
        size = l_Text.size();
    }
    ~tBenchFile() { ::unlink(path.c_str()); }
};

const tBenchFile& benchFile() {
    static const tBenchFile s_File;
    return s_File;
}

void BM_QxIniFile(benchmark::State& a_rState) {
    const tBenchFile& l_rFile = benchFile();
    for (auto _ : a_rState) {
        cIniFile l_Ini;
        tStatusRecord l_Status;
        l_Ini.open(l_rFile.path.c_str(), iIniFile::kOpenReadOnly, &l_Status);
        uint32_t l_Slots = 0;
        l_Ini.getUInt("Chassis1", "SlotCount", l_Slots, &l_Status);
        if (l_Status.code != 0 || l_Slots == 0)
            a_rState.SkipWithError("open failed");
        benchmark::DoNotOptimize(l_Slots);
    }
    a_rState.SetBytesProcessed(int64_t(a_rState.iterations()) * int64_t(l_rFile.size));
}
BENCHMARK(BM_QxIniFile)->Unit(benchmark::kMillisecond);

int countHandler(void* a_pUser, const char*, const char*, const char*) {
    ++*static_cast<size_t*>(a_pUser);
    return 1;
}

void BM_Inih(benchmark::State& a_rState) {
    const tBenchFile& l_rFile = benchFile();
    for (auto _ : a_rState) {
        size_t l_Count = 0;
        if (ini_parse(l_rFile.path.c_str(), &countHandler, &l_Count) != 0) {
            a_rState.SkipWithError("inih failed");
        }
        benchmark::DoNotOptimize(l_Count);
    }
    a_rState.SetBytesProcessed(int64_t(a_rState.iterations()) * int64_t(l_rFile.size));
}
BENCHMARK(BM_Inih)->Unit(benchmark::kMillisecond);

void BM_SimpleIni(benchmark::State& a_rState) {
    const tBenchFile& l_rFile = benchFile();
    for (auto _ : a_rState) {
        CSimpleIniA l_Ini;
        if (l_Ini.LoadFile(l_rFile.path.c_str()) < 0)
            a_rState.SkipWithError("SimpleIni failed");
        benchmark::DoNotOptimize(l_Ini.GetValue("Chassis1", "SlotCount"));
    }
    a_rState.SetBytesProcessed(int64_t(a_rState.iterations()) * int64_t(l_rFile.size));
}
BENCHMARK(BM_SimpleIni)->Unit(benchmark::kMillisecond);

void BM_PropertyTree(benchmark::State& a_rState) {
    const tBenchFile& l_rFile = benchFile();
    for (auto _ : a_rState) {
        boost::property_tree::ptree l_Tree;
        try {
            boost::property_tree::ini_parser::read_ini(l_rFile.path, l_Tree);
        } catch (const std::exception& l_rError) {
            a_rState.SkipWithError(l_rError.what());
        }
        benchmark::DoNotOptimize(l_Tree.size());
    }
    a_rState.SetBytesProcessed(int64_t(a_rState.iterations()) * int64_t(l_rFile.size));
}
BENCHMARK(BM_PropertyTree)->Unit(benchmark::kMillisecond);

}  // namespace
