// Discovery of one model: which bridges become chassis and which root buses each gets.
#include <sys/stat.h>
#include <utime.h>

#include "tests/host/chassis/chassisHost.h"

namespace chassistest {
namespace {

using tChassisList = std::vector<std::vector<uint32_t>>;

// A later-level bridge directly behind anchor 1 (one hop away, but downstream of it).
const tBridge kBehindAnchor1{3, 0, 0, 0x1B4A, 0x7002, 20};
// Switch 1's upstream port (one hop above anchor 1) carrying the level-2 IDs.
const tBridge kAboveAnchor1{1, 0, 0, 0x1B4A, 0x7002, 2};

struct tAssignmentCase {
    const char* name;
    std::vector<tBridge> bridges;
    std::vector<std::string> keys;
    tChassisList expected;
};

void PrintTo(const tAssignmentCase& a_rCase, std::ostream* a_pOut) {
    *a_pOut << a_rCase.name;
}

std::vector<tBridge> join(std::vector<tBridge> a_Head, const std::vector<tBridge>& a_rTail) {
    a_Head.insert(a_Head.end(), a_rTail.begin(), a_rTail.end());
    return a_Head;
}

const std::vector<tBridge> kTwoSwitches{kRootPort1, kRootPort2, kSwitchUp1, kSwitchUp2};

const tAssignmentCase kAssignmentCases[] = {
    {"one_chassis_three_levels",
     {kRootPort1, kSwitchUp1, kAnchor1, kLevel2Of1, kLevel3Of1},
     {"1B4A:7001", "1B4A:7002", "1B4A:7003"},
     {{3, 4, 5}}},
    {"two_chassis_two_levels_nearest_not_first",
     join(kTwoSwitches, {kAnchor1, kAnchor2, kLevel2Of2, kLevel2Of1}),
     {"1B4A:7001", "1B4A:7002"},
     {{3, 4}, {12, 13}}},
    {"two_chassis_three_levels",
     twoChassisThreeLevels(),
     {"1B4A:7001", "1B4A:7002", "1B4A:7003"},
     {{3, 4, 5}, {12, 13, 14}}},
    {"candidate_behind_anchor_never_chosen",
     join(kTwoSwitches, {kAnchor1, kAnchor2, kBehindAnchor1, kLevel2Of2, kLevel2Of1}),
     {"1B4A:7001", "1B4A:7002"},
     {{3, 4}, {12, 13}}},
    {"candidate_above_anchor_never_chosen",
     {kRootPort1, kRootPort2, kAboveAnchor1, kSwitchUp2, kAnchor1, kAnchor2, kLevel2Of2,
      kLevel2Of1},
     {"1B4A:7001", "1B4A:7002"},
     {{3, 4}, {12, 13}}},
    // Anchor 1 takes the only level-2 bridge although it is nearer anchor 2; anchor 2
    // keeps just its own root bus.
    {"more_anchors_than_candidates",
     join(kTwoSwitches, {kAnchor1, kAnchor2, kLevel2Of2}),
     {"1B4A:7001", "1B4A:7002"},
     {{3, 13}, {12}}},
    // Two equally near candidates: the first in the service's order wins.
    {"first_of_equally_near",
     {kRootPort1, kSwitchUp1, kAnchor1, {2, 5, 0, 0x1B4A, 0x7002, 30}, kLevel2Of1},
     {"1B4A:7001", "1B4A:7002"},
     {{3, 30}}},
    {"first_pair_matches_nothing_later_levels_move_up",
     twoChassisThreeLevels(),
     {"FFFF:0001", "1B4A:7001", "1B4A:7003"},
     {{3, 5}, {12, 14}}},
    {"middle_pair_matches_nothing",
     twoChassisThreeLevels(),
     {"1B4A:7001", "1B4A:7EEE", "1B4A:7003"},
     {{3, 5}, {12, 14}}},
    {"text_after_both_numbers_is_ignored",
     twoChassisThreeLevels(),
     {"1B4A:7001 anchor", "0x1b4a:0x7002;"},
     {{3, 4}, {12, 13}}},
    // With the anchors' pair absent, the next pair's bridges are the anchors, in the
    // service's order.
    {"anchor_pair_absent_next_level_anchors",
     twoChassisThreeLevels(),
     {"1B4A:7777", "1B4A:7002"},
     {{13}, {4}}},
    {"no_bridge_of_the_model_present", twoChassisThreeLevels(), {"1B4A:7777"}, {}},
    {"no_first_bridge_key", twoChassisThreeLevels(), {}, {}},
};

class cAssignment : public cChassisHost, public ::testing::WithParamInterface<tAssignmentCase> {};

TEST_P(cAssignment, GivesEachAnchorItsNearestFreeBridgePerLevel) {
    const tAssignmentCase& l_Case = GetParam();
    start(machineWith(l_Case.bridges));
    machine().writeChassisDriverDescription("model.ini",
                                            driverDescription(kVendor, kModel, l_Case.keys));

    const tCount l_Count = getCount();
    EXPECT_EQ(l_Count.status, 0);
    EXPECT_EQ(l_Count.count, l_Case.expected.size());
    EXPECT_EQ(cachedChassis(), l_Case.expected);
    if (l_Case.expected.empty()) {
        EXPECT_EQ(rootBus(1, 1).status, kInvalidParameter);
    }
}

INSTANTIATE_TEST_SUITE_P(Topologies, cAssignment, ::testing::ValuesIn(kAssignmentCases),
                         [](const auto& a_rInfo) { return std::string(a_rInfo.param.name); });

class cDiscovery : public cChassisHost {};

TEST_F(cDiscovery, MalformedBridgeKeyFailsTheModel) {
    for (const char* l_pKey : {"1B4A", "1B4A:", "zz:7002", "1B4A 7002", ":7002"}) {
        SCOPED_TRACE(l_pKey);
        start(machineWith(twoChassisThreeLevels()));
        machine().writeChassisDriverDescription(
            "model.ini", driverDescription(kVendor, kModel, {"1B4A:7001", l_pKey}));
        const tCount l_Count = getCount();
        EXPECT_EQ(l_Count.status, kInternalFault);
        EXPECT_EQ(l_Count.count, 0u);
        EXPECT_EQ(getCountNoCache().count, 0u);
    }
}

TEST_F(cDiscovery, UnknownModelIsNotFoundInTheDatabase) {
    start(machineWith(twoChassisThreeLevels()));
    machine().writeChassisDriverDescription("model.ini",
                                            driverDescription(kVendor, kModel, {"1B4A:7001"}));
    for (const auto& l_Identity : std::vector<std::pair<const char*, const char*>>{
             {"Quarrix", "QX-9999"}, {"quarrix", "QX-1084"}, {"Quarrix", "QX-108"}, {"", ""}}) {
        SCOPED_TRACE(std::string(l_Identity.first) + "/" + l_Identity.second);
        const tCount l_Count = getCount(l_Identity.first, l_Identity.second);
        EXPECT_EQ(l_Count.status, kDbNotFound);
        EXPECT_EQ(l_Count.count, 0u);
    }
    EXPECT_EQ(getCount().count, 2u);
}

TEST_F(cDiscovery, DescriptionAddedBetweenTwoCallsIsFound) {
    start(machineWith(twoChassisThreeLevels()));
    const std::string l_First = machine().writeChassisDriverDescription(
        "a.ini", driverDescription(kVendor, "QX-Other", {"1B4A:7003"}));
    EXPECT_EQ(getCount().status, kDbNotFound);
    EXPECT_EQ(getCount(kVendor, "QX-Other").count, 2u);

    const std::string l_Second = machine().writeChassisDriverDescription(
        "b.ini", driverDescription(kVendor, kModel, {"1B4A:7001", "1B4A:7002"}));
    // Directory times have a resolution of seconds: move the time on explicitly.
    const std::string l_Directory = l_Second.substr(0, l_Second.rfind('/'));
    struct stat l_Info {};
    ASSERT_EQ(stat(l_Directory.c_str(), &l_Info), 0);
    const struct utimbuf l_Times { l_Info.st_atime, l_Info.st_mtime + 10 };
    ASSERT_EQ(utime(l_Directory.c_str(), &l_Times), 0);

    const tCount l_Count = getCount();
    EXPECT_EQ(l_Count.status, 0);
    EXPECT_EQ(l_Count.count, 2u);
    EXPECT_EQ(cachedChassis(), (tChassisList{{3, 4}, {12, 13}}));
}

}  // namespace
}  // namespace chassistest
