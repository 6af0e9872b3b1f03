// A small host for the privileged-host test: it loads the services by path (a setuid
// program's loader ignores LD_LIBRARY_PATH) and prints, one line each, what they
// answer, so that a run in secure mode can be compared with a run without overrides.
//   secureHost linux <dir> <fake dev dir> NAME...
//       the Linux services in <dir>: the PCI topology, the SMBus adapters (a transaction
//       only on an adapter whose node lies in <fake dev dir>), the relocated datadir;
//       then, for each NAME, whether the services' environment reader sees it
//   secureHost sim <dir>
//       the stand-ins in <dir>: the PCI bridges of the simulated machine
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "qxpxi/services/qxpcibrd.h"
#include "qxpxi/services/qxrelocations.h"
#include "qxpxi/services/qxsmbus.h"
#include "services/common/environment.h"

namespace {

template <typename tFunction>
tFunction* bind(void* a_pLibrary, const char* a_pName) {
    return a_pLibrary == nullptr ? nullptr
                                 : reinterpret_cast<tFunction*>(dlsym(a_pLibrary, a_pName));
}

void pciLine(const std::string& a_rDir) {
    void* l_pLib = dlopen((a_rDir + "/libqxpcibrd.so.1").c_str(), RTLD_NOW | RTLD_LOCAL);
    auto l_pOpen = bind<decltype(QxPciBrd_OpenSession)>(l_pLib, "QxPciBrd_OpenSession");
    auto l_pClose = bind<decltype(QxPciBrd_CloseSession)>(l_pLib, "QxPciBrd_CloseSession");
    auto l_pFind =
        bind<decltype(QxPciBrd_FindBridgesByPciIds)>(l_pLib, "QxPciBrd_FindBridgesByPciIds");
    auto l_pRoots = bind<decltype(QxPciBrd_GetRootBuses)>(l_pLib, "QxPciBrd_GetRootBuses");
    if (l_pOpen == nullptr || l_pClose == nullptr || l_pFind == nullptr || l_pRoots == nullptr) {
        std::printf("pci unavailable %s\n", dlerror());
        return;
    }
    uint32_t l_Session = 0;
    const int32_t l_Status = l_pOpen(0, &l_Session);
    std::printf("pci %d", l_Status);
    if (l_Status == 0) {
        uint32_t l_Bridges = 0;
        l_pFind(l_Session, nullptr, nullptr, nullptr, nullptr, nullptr, &l_Bridges);
        uint8_t l_Roots[256] = {};
        uint32_t l_Count = 256;
        l_pRoots(l_Session, l_Roots, &l_Count);
        std::printf(" bridges=%u roots=", l_Bridges);
        for (uint32_t l_Index = 0; l_Index < l_Count && l_Index < 256; ++l_Index) {
            std::printf("%02X,", l_Roots[l_Index]);
        }
        l_pClose(l_Session);
    }
    std::printf("\n");
}

void smbusLine(const std::string& a_rDir, const std::string& a_rFakeDev) {
    void* l_pLib = dlopen((a_rDir + "/libqxsmbus.so.2").c_str(), RTLD_NOW | RTLD_LOCAL);
    auto l_pOpenList = bind<decltype(QXSMBusOpenList)>(l_pLib, "QXSMBusOpenList");
    auto l_pCloseList = bind<decltype(QXSMBusCloseList)>(l_pLib, "QXSMBusCloseList");
    auto l_pGet = bind<decltype(QXSMBusGetAttribute)>(l_pLib, "QXSMBusGetAttribute");
    auto l_pRead = bind<decltype(QXSMBusReadByte)>(l_pLib, "QXSMBusReadByte");
    if (l_pOpenList == nullptr || l_pCloseList == nullptr || l_pGet == nullptr ||
        l_pRead == nullptr) {
        std::printf("smbus unavailable %s\n", dlerror());
        return;
    }
    uint32_t l_Count = 0;
    int32_t l_Status = 0;
    void** l_ppList = l_pOpenList(&l_Count, &l_Status);
    std::printf("smbus %d count=%u", l_Status, l_Count);
    for (uint32_t l_Index = 0; l_ppList != nullptr && l_Index < l_Count; ++l_Index) {
        const char* l_pDescription = "";
        l_pGet(l_ppList[l_Index], 302, &l_pDescription);
        std::printf(" [%s]", l_pDescription);
        // Never a transaction on this machine's own adapters.
        if (!a_rFakeDev.empty() && std::strstr(l_pDescription, a_rFakeDev.c_str()) != nullptr) {
            uint8_t l_Byte = 0;
            std::printf(" read=%d", l_pRead(l_ppList[l_Index], 0xA4, 0, 0, &l_Byte));
        }
    }
    if (l_ppList != nullptr) {
        l_pCloseList(l_Count, l_ppList);
    }
    std::printf("\n");
}

void relocationsLine(const std::string& a_rDir) {
    void* l_pLib = dlopen((a_rDir + "/libqxrelocations.so.0").c_str(), RTLD_NOW | RTLD_LOCAL);
    auto l_pGet = bind<decltype(get_relocated_dir)>(l_pLib, "get_relocated_dir");
    if (l_pGet == nullptr) {
        std::printf("relocations unavailable %s\n", dlerror());
        return;
    }
    char l_Dir[4096] = {};
    const int l_Status = l_pGet("datadir", l_Dir, sizeof(l_Dir));
    std::printf("relocations %d %s\n", l_Status, l_Status == 1 ? l_Dir : "");
}

}  // namespace

int main(int a_Argc, char** a_ppArgv) {
    if (a_Argc >= 4 && std::strcmp(a_ppArgv[1], "linux") == 0) {
        pciLine(a_ppArgv[2]);
        smbusLine(a_ppArgv[2], a_ppArgv[3]);
        relocationsLine(a_ppArgv[2]);
        for (int l_Index = 4; l_Index < a_Argc; ++l_Index) {
            std::printf("%s %s\n", a_ppArgv[l_Index],
                        nQxSim::environmentValue(a_ppArgv[l_Index]).empty() ? "unset" : "set");
        }
        return 0;
    }
    if (a_Argc == 3 && std::strcmp(a_ppArgv[1], "sim") == 0) {
        pciLine(a_ppArgv[2]);
        return 0;
    }
    std::fprintf(stderr, "usage: secureHost linux DIR FAKEDEV NAME... | sim DIR\n");
    return 2;
}
