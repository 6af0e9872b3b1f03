// Many host threads at once: discovery, cache queries and SMBus operations on one
// adapter and on another, with a thread that releases an adapter it never opened.
// Meant to be run under ThreadSanitizer as well as in the plain and ASan builds.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/host/sysmodule/sysModuleHost.h"

namespace smtest {
namespace {

constexpr int kRounds = 150;

class SysModuleStress : public cSysModuleHost {};

TEST_F(SysModuleStress, DiscoveryQueriesAndSMBusOperationsMix) {
    start(exampleMachine());
    ASSERT_EQ(lib().updateCache(), 0);
    std::atomic<int> l_Failures{0};
    auto l_Expect = [&](bool a_Ok) {
        if (!a_Ok)
            ++l_Failures;
    };
    const cSysModuleLib& l_rLib = lib();
    std::vector<std::thread> l_Threads;

    // Discovery: the identities are refreshed again and again, never doubled.
    l_Threads.emplace_back([&] {
        for (int l_Round = 0; l_Round < kRounds / 5; ++l_Round) {
            l_Expect(l_rLib.updateCache() == 0);
            l_Expect(smtest::count(l_rLib, kVendor, kEmbedded) == (tCount{0, 1}));
            l_Expect(smtest::count(l_rLib, kVendor, kRemote) == (tCount{0, 1}));
        }
    });
    // Queries: a discovery never shows half done.
    for (int l_Thread = 0; l_Thread < 2; ++l_Thread)
        l_Threads.emplace_back([&] {
            for (int l_Round = 0; l_Round < kRounds * 4; ++l_Round) {
                const tName l_Name = smtest::name(l_rLib, kVendor, kEmbedded, 1);
                l_Expect(l_Name.status == 0 && l_Name.name == kEmbeddedName);
                int32_t l_Links = 0;
                l_Expect(l_rLib.getInformation(kRemoteName, "", 100, &l_Links) == 0 &&
                         l_Links == 2);
                uint8_t l_Image[256];
                l_Expect(l_rLib.getEeprom(kEmbeddedName, "", l_Image) == 0 && l_Image[0] == 0x5A);
                int32_t l_Supported = -1;
                l_Expect(l_rLib.getP2P(kEmbeddedName, "", {2, 0, 0}, {2, 1, 0}, &l_Supported) ==
                             0 &&
                         l_Supported == 1);
                l_Expect(smtest::countNoCache(l_rLib, kVendor, kRemote) == (tCount{0, 1}));
            }
        });
    // Transactions on the embedded module's adapter, some inside an open/close pair.
    for (int l_Thread = 0; l_Thread < 2; ++l_Thread)
        l_Threads.emplace_back([&, l_Thread] {
            for (int l_Round = 0; l_Round < kRounds; ++l_Round) {
                const bool l_Hold = l_Thread == 0 && l_Round % 3 == 0;
                if (l_Hold)
                    l_Expect(l_rLib.smbus(kEmbeddedName, kEmbeddedList, 10, 0, 0, 0, 0, nullptr,
                                          nullptr, nullptr) == 0);
                uint8_t l_Byte = 0;
                int32_t l_Count = 0;
                l_Expect(l_rLib.smbus(kEmbeddedName, kEmbeddedList, 4, 0x90, 0, 0, 0, nullptr,
                                      &l_Count, &l_Byte) == 0 &&
                         l_Byte == 25);
                if (l_Hold)
                    l_Expect(l_rLib.smbus(kEmbeddedName, kEmbeddedList, 11, 0, 0, 0, 0, nullptr,
                                          nullptr, nullptr) == 0);
            }
        });
    // Transactions on the remote module's adapter while another thread keeps releasing
    // it: a stolen release may fail a transaction's own release (-52005), but the adapter
    // is never closed under a running transaction.
    std::atomic<bool> l_Done{false};
    l_Threads.emplace_back([&] {
        for (int l_Round = 0; l_Round < kRounds; ++l_Round) {
            uint8_t l_Byte = 0;
            int32_t l_Count = 0;
            const int32_t l_Status = l_rLib.smbus(kRemoteName, kRemoteList, 4, 0xA4, 0, 0, 0,
                                                  nullptr, &l_Count, &l_Byte);
            l_Expect(l_Status == kInvalidParameter || (l_Status == 0 && l_Byte == 0x5A));
        }
        l_Done = true;
    });
    l_Threads.emplace_back([&] {
        while (!l_Done) {
            const int32_t l_Status =
                l_rLib.smbus(kRemoteName, "x", 11, 0, 0, 0, 0, nullptr, nullptr, nullptr);
            l_Expect(l_Status == 0 || l_Status == kInvalidParameter);
            std::this_thread::yield();
        }
    });
    for (std::thread& l_rThread : l_Threads)
        l_rThread.join();

    EXPECT_EQ(l_Failures.load(), 0);
    // Nothing stays open: every adapter opened was closed once.
    for (const char* l_pList : {kEmbeddedList, kRemoteList})
        EXPECT_EQ(l_rLib.smbus("", l_pList, 11, 0, 0, 0, 0, nullptr, nullptr, nullptr),
                  kInvalidParameter);
    const std::vector<std::string> l_Opens = machine().calls("QXSMBusOpen");
    EXPECT_EQ(static_cast<size_t>(std::count_if(l_Opens.begin(), l_Opens.end(),
                                                [](const std::string& a_rLine) {
                                                    return a_rLine.find("opened=") !=
                                                           std::string::npos;
                                                })),
              machine().calls("QXSMBusClose").size());
}

}  // namespace
}  // namespace smtest
