// The embedded controller finder under threads: lists opened, queried and closed by
// several threads at once share one controller record, which must stay whole until the
// last list is closed.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "finderHost.h"

using namespace ecftest;
using nlohmann::json;

TEST(QxPxiEcfThreads, OpenQueryAndCloseFromManyThreads) {
    qxtest::cSimMachine l_Machine(json{
        {"pci",
         {{"bridges", json::array({{{"bus", 0},
                                    {"device", 28},
                                    {"vendorId", 0x8086},
                                    {"deviceId", 0x1234},
                                    {"secondaryBus", 5}}})}}},
        {"controller",
         {{"text",
           {{"0x10000000", "Quarrix"}, {"0x10000100", "QX PXI-8880"}, {"0x1001F400", "00:E0"}}},
          {"u32", {{"0x20000500", 1}}}}}});
    cFinder l_Finder;
    // One list held open throughout keeps the record alive, so the others' closes never
    // destroy it while a thread queries it; a second round runs without it, so that the
    // last close of a round destroys the record with the other threads still opening.
    for (bool l_Anchor : {true, false}) {
        SCOPED_TRACE(l_Anchor ? "with a list held open" : "without");
        const tOpened l_Held = l_Anchor ? open(l_Finder) : tOpened{0, 0, nullptr};
        ASSERT_EQ(l_Held.code, 0);
        std::atomic<int> l_Failures{0};
        std::vector<std::thread> l_Threads;
        for (int l_Thread = 0; l_Thread < 4; ++l_Thread) {
            l_Threads.emplace_back([&] {
                for (int l_Round = 0; l_Round < 50; ++l_Round) {
                    const tOpened l_Open = open(l_Finder);
                    if (l_Open.code != 0 || l_Open.count != 1) {
                        ++l_Failures;
                        continue;
                    }
                    void* l_pItem = nullptr;
                    uint32_t l_Bus = 0;
                    const uint8_t* l_pMap = nullptr;
                    if (l_Finder.getNthItem(l_Open.list, 0, &l_pItem) != 0 ||
                        l_Finder.text(l_pItem, 1) != "QX PXI-8880" ||
                        l_Finder.text(l_pItem, 0x1F810) != "MR00:E0" ||
                        l_Finder.getU32(l_pItem, 0x10001, &l_Bus) != 0 || l_Bus != 5 ||
                        l_Finder.getIdselMap(l_pItem, &l_pMap) != 0 || l_pMap == nullptr)
                        ++l_Failures;
                    l_Finder.closeList(l_Open.list);
                }
            });
        }
        for (std::thread& l_rThread : l_Threads)
            l_rThread.join();
        EXPECT_EQ(l_Failures.load(), 0);
        if (l_Anchor)
            l_Finder.closeList(l_Held.list);
    }
}
