// Host threads calling every entry point at once: each call sees the cache either before
// or after a whole discovery, never in between, and nothing deadlocks.
#include <atomic>
#include <thread>
#include <vector>

#include "tests/host/chassis/chassisHost.h"

namespace chassistest {
namespace {

class cChassisThreads : public cChassisHost {};

TEST_F(cChassisThreads, ConcurrentCallsAreSerialised) {
    start(machineWith(twoChassisThreeLevels()));
    machine().writeChassisDriverDescription(
        "model.ini", driverDescription(kVendor, kModel, {"1B4A:7001", "1B4A:7002", "1B4A:7003"}));
    ASSERT_EQ(getCount().count, 2u);

    constexpr int kThreads = 4;
    constexpr int kRounds = 15;
    std::atomic<int> l_Faults{0};
    auto l_Check = [&](bool a_Good) {
        if (!a_Good)
            ++l_Faults;
    };
    std::vector<std::thread> l_Threads;
    for (int l_Thread = 0; l_Thread < kThreads; ++l_Thread) {
        l_Threads.emplace_back([&, l_Thread] {
            for (int l_Round = 0; l_Round < kRounds; ++l_Round) {
                // Discoveries erase and rebuild the entry; readers must never see the gap.
                if ((l_Round + l_Thread) % 3 == 0) {
                    const tCount l_Count =
                        l_Thread % 2 == 0 ? getCount() : tCount{updateCache(), 2};
                    l_Check(l_Count.status == 0 && l_Count.count == 2);
                }
                for (int l_Read = 0; l_Read < 50; ++l_Read) {
                    const tCount l_Cached = getCountNoCache();
                    l_Check(l_Cached.status == 0 && l_Cached.count == 2);
                    const tBus l_Bus = rootBus(3, 2);
                    l_Check(l_Bus.status == 0 && l_Bus.bus == 14);
                }
            }
        });
    }
    for (std::thread& l_Thread : l_Threads)
        l_Thread.join();
    EXPECT_EQ(l_Faults.load(), 0);
    EXPECT_EQ(cachedChassis(), (tChassisList{{3, 4, 5}, {12, 13, 14}}));
}

}  // namespace
}  // namespace chassistest
