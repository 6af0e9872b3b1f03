// Scanning a directory of 1,000 description files, against only reading them, and the
// cost of a repeated list when nothing changed (one directory time query, no file read).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/inifile/cIniFile.h"
#include "config/pxiFilePaths/cPxiFilePaths.h"
#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "tests/support/cPxiFilePathsTestAccess.h"

using namespace QX_NS;

namespace {

constexpr int kFileCount = 1000;

// A tree of 1,000 chassis driver descriptions, made once per process.
class tTree {
public:
    tTree() {
        char l_Template[] = "/tmp/qxhwdbbenchXXXXXX";
        m_Root = mkdtemp(l_Template);
        m_Dir = m_Root + "/lib/qxpxihw/pxiechassis";
        for (const char* l_pPart : {"/lib", "/lib/qxpxihw", "/lib/qxpxihw/pxiechassis"}) {
            mkdir((m_Root + l_pPart).c_str(), 0755);
        }
        for (int i = 0; i < kFileCount; ++i) {
            char l_Name[32];
            std::snprintf(l_Name, sizeof(l_Name), "/chassis%04d.ini", i);
            const std::string l_Path = m_Dir + l_Name;
            std::ofstream l_File(l_Path);
            l_File << "; chassis driver description\n[Chassis]\nVendor=Vendor" << (i % 7)
                   << "\nModel=Model-" << i << "\nDescription=A PXI Express chassis of 18 slots\n"
                   << "\n[RootBusBridges]\nBridge1SubsystemID=1234:" << std::hex << i << std::dec
                   << "\nBridge2SubsystemID=1234:" << std::hex << (i + 0x1000) << std::dec << "\n";
            m_Files.push_back(l_Path);
        }
        cPxiFilePathsTestAccess::setDirectory("libdir", m_Root + "/lib");
    }
    ~tTree() {
        const std::string l_Command = "rm -rf '" + m_Root + "'";
        if (std::system(l_Command.c_str()) != 0)
            std::fprintf(stderr, "cannot remove %s\n", m_Root.c_str());
    }
    const std::vector<std::string>& files() const { return m_Files; }

private:
    std::string m_Root;
    std::string m_Dir;
    std::vector<std::string> m_Files;
};

const tTree& tree() {
    static tTree s_Tree;
    return s_Tree;
}

void BM_ColdScan(benchmark::State& a_rState) {
    tree();
    for (auto _ : a_rState) {
        tStatusRecord l_Status;
        cPxiSvDeviceDbManager::createInstance(&l_Status);
        cPxiSvDeviceDbManager* l_pDb = nullptr;
        cPxiSvDeviceDbManager::getInstance(&l_pDb, &l_Status);
        cPxiSvDeviceDbManager::tIdentityList l_Identities;
        l_pDb->listIdentities(kPxiDeviceKindPxieChassisDriver, l_Identities, &l_Status);
        if (l_Status.code != 0 || l_Identities.size() != kFileCount) {
            a_rState.SkipWithError("scan failed");
        }
        cPxiSvDeviceDbManager::destroyInstance();
    }
    a_rState.SetItemsProcessed(a_rState.iterations() * kFileCount);
}
BENCHMARK(BM_ColdScan)->Unit(benchmark::kMillisecond);

// Only the bytes of every file, read whole.
void BM_ReadFilesOnly(benchmark::State& a_rState) {
    for (auto _ : a_rState) {
        size_t l_Bytes = 0;
        for (const std::string& l_rPath : tree().files()) {
            std::ifstream l_File(l_rPath, std::ios::binary);
            const std::string l_Text((std::istreambuf_iterator<char>(l_File)),
                                     std::istreambuf_iterator<char>());
            l_Bytes += l_Text.size();
        }
        benchmark::DoNotOptimize(l_Bytes);
    }
    a_rState.SetItemsProcessed(a_rState.iterations() * kFileCount);
}
BENCHMARK(BM_ReadFilesOnly)->Unit(benchmark::kMillisecond);

// Every file opened and parsed by the INI engine, without the database around it.
void BM_ParseFilesOnly(benchmark::State& a_rState) {
    for (auto _ : a_rState) {
        for (const std::string& l_rPath : tree().files()) {
            nQxPxiDriverTools_1_0::cIniFile l_File;
            tStatusRecord l_Status;
            l_File.open(l_rPath.c_str(), nQxPxiDriverTools_1_0::iIniFile::kOpenReadOnly, &l_Status);
            benchmark::DoNotOptimize(l_Status.code);
        }
    }
    a_rState.SetItemsProcessed(a_rState.iterations() * kFileCount);
}
BENCHMARK(BM_ParseFilesOnly)->Unit(benchmark::kMillisecond);

// A list of an already scanned kind whose directory did not change.
void BM_RepeatedList(benchmark::State& a_rState) {
    tree();
    tStatusRecord l_Status;
    cPxiSvDeviceDbManager::createInstance(&l_Status);
    cPxiSvDeviceDbManager* l_pDb = nullptr;
    cPxiSvDeviceDbManager::getInstance(&l_pDb, &l_Status);
    cPxiSvDeviceDbManager::tIdentityList l_Identities;
    l_pDb->listIdentities(kPxiDeviceKindPxieChassisDriver, l_Identities, &l_Status);
    for (auto _ : a_rState) {
        l_Identities.clear();
        l_pDb->listIdentities(kPxiDeviceKindPxieChassisDriver, l_Identities, &l_Status);
        benchmark::DoNotOptimize(l_Identities.data());
    }
    if (l_Status.code != 0 || l_Identities.size() != kFileCount)
        a_rState.SkipWithError("list failed");
    cPxiSvDeviceDbManager::destroyInstance();
}
BENCHMARK(BM_RepeatedList)->Unit(benchmark::kMicrosecond);

// The same for one find, the system module library's usual call.
void BM_RepeatedFind(benchmark::State& a_rState) {
    tree();
    tStatusRecord l_Status;
    cPxiSvDeviceDbManager::createInstance(&l_Status);
    cPxiSvDeviceDbManager* l_pDb = nullptr;
    cPxiSvDeviceDbManager::getInstance(&l_pDb, &l_Status);
    for (auto _ : a_rState) {
        iPxiDeviceIni* l_pDescription = nullptr;
        l_pDb->findDescription(kPxiDeviceKindPxieChassisDriver, "Vendor3", "Model-500",
                               &l_pDescription, &l_Status);
        benchmark::DoNotOptimize(l_pDescription);
    }
    if (l_Status.code != 0)
        a_rState.SkipWithError("find failed");
    cPxiSvDeviceDbManager::destroyInstance();
}
BENCHMARK(BM_RepeatedFind)->Unit(benchmark::kMicrosecond);

}  // namespace
