#include "chassis/cPxieChassis.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "config/pxiHardwareDatabase/cPxieChassisDriverDescIni.h"
#include "config/slotpath/cSlotPath.h"
#include "config/tPxiDeviceKind.h"
#include "platform/pcibrdwrapper/tPciBrdTypes.h"
#include "runtime/status/tJsonStatusScope.h"

namespace QX_NS {

namespace {

using nQxPxiDriverTools_1_0::cSlotPath;

// Hop distances are compared as bytes; no candidate at 255 or more is ever chosen.
constexpr uint8_t kFarthest = 255;

struct tBridgeIdPair {
    uint16_t subsystemVendorId;
    uint16_t subsystemId;
};

// A bridge of a later root-bus level. Its slot path is fetched once per refresh, when an
// anchor first needs it, instead of once per anchor: within one session it cannot change.
struct tCandidate {
    uint32_t bridge;
    bool hasPath;
    cSlotPath path;
};
using tCandidateList = std::vector<tCandidate>;

void getSlotPath(tPciBrdWrapper& a_rPciBrd, uint32_t a_Bridge, cSlotPath& a_rPath,
                 tStatusRecord* a_pStatus) {
    callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
        a_rPciBrd.GetBridgeSlotPath(a_Bridge, a_rPath, a_rJson);
    });
}

// The bridge ID pairs of keys 1..N of [RootBusBridges], in key order. A text that does
// not start with two hexadecimal numbers separated by a colon records -52003.
void readBridgeIdPairs(const cPxieChassisDriverDescIni& a_rDescription,
                       std::vector<tBridgeIdPair>& a_rPairs, tStatusRecord* a_pStatus) {
    uint32_t l_KeyCount = 0;
    a_rDescription.getRootBusBridgeCount(l_KeyCount, a_pStatus);
    std::string l_Text;
    for (uint32_t l_Key = 1; l_Key <= l_KeyCount && !a_pStatus->isError(); ++l_Key) {
        a_rDescription.getRootBusBridgeSubsystemId(l_Key, l_Text, a_pStatus);
        if (a_pStatus->isError())
            return;
        unsigned int l_SubsystemVendorId = 0;
        unsigned int l_SubsystemId = 0;
        if (std::sscanf(l_Text.c_str(), "%x:%x", &l_SubsystemVendorId, &l_SubsystemId) != 2) {
            QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
            return;
        }
        a_rPairs.push_back({static_cast<uint16_t>(l_SubsystemVendorId & 0xFFFFu),
                            static_cast<uint16_t>(l_SubsystemId & 0xFFFFu)});
    }
}

// One level per pair that matches at least one bridge; a pair that matches none adds no
// level, so the levels of later pairs move up.
void findLevels(tPciBrdWrapper& a_rPciBrd, const std::vector<tBridgeIdPair>& a_rPairs,
                std::vector<std::vector<uint32_t>>& a_rLevels, tStatusRecord* a_pStatus) {
    for (const tBridgeIdPair& l_Pair : a_rPairs) {
        if (a_pStatus->isError())
            return;
        std::vector<uint32_t> l_Bridges;
        callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
            a_rPciBrd.FindBridgesByPciIds(nullptr, nullptr, &l_Pair.subsystemVendorId,
                                          &l_Pair.subsystemId, l_Bridges, a_rJson);
        });
        if (!a_pStatus->isError() && !l_Bridges.empty())
            a_rLevels.push_back(std::move(l_Bridges));
    }
}

// The nearest candidate of a_rList that is neither upstream nor downstream of the anchor;
// the first of equally near ones wins. Returns a_rList.size() when there is none.
size_t chooseCandidate(tPciBrdWrapper& a_rPciBrd, const cSlotPath& a_rAnchorPath,
                       tCandidateList& a_rList, tStatusRecord* a_pStatus) {
    size_t l_Choice = a_rList.size();
    uint8_t l_Best = kFarthest;
    for (size_t l_Index = 0; l_Index < a_rList.size(); ++l_Index) {
        tCandidate& l_Candidate = a_rList[l_Index];
        if (!l_Candidate.hasPath) {
            getSlotPath(a_rPciBrd, l_Candidate.bridge, l_Candidate.path, a_pStatus);
            if (a_pStatus->isError())
                return a_rList.size();
            l_Candidate.hasPath = true;
        }
        if (a_rAnchorPath.isUpstreamOf(l_Candidate.path) ||
            l_Candidate.path.isUpstreamOf(a_rAnchorPath)) {
            continue;
        }
        const uint8_t l_Distance =
            static_cast<uint8_t>(a_rAnchorPath.hopDistance(l_Candidate.path, a_pStatus) & 0xFFu);
        if (l_Distance < l_Best && !a_pStatus->isError()) {
            l_Choice = l_Index;
            l_Best = l_Distance;
        }
    }
    return l_Choice;
}

// One chassis per anchor (first level), each taking the nearest free bridge of every
// later level; the secondary buses of its bridges, anchor first, are its root buses.
void assignChassis(tPciBrdWrapper& a_rPciBrd, std::vector<std::vector<uint32_t>>& a_rLevels,
                   cPxieChassis::tEntry& a_rEntry, tStatusRecord* a_pStatus) {
    std::vector<tCandidateList> l_Lists(a_rLevels.size() - 1);
    for (size_t l_Level = 1; l_Level < a_rLevels.size(); ++l_Level) {
        l_Lists[l_Level - 1].reserve(a_rLevels[l_Level].size());
        for (uint32_t l_Bridge : a_rLevels[l_Level]) {
            l_Lists[l_Level - 1].push_back(tCandidate{l_Bridge, false, cSlotPath()});
        }
    }

    std::vector<uint32_t> l_Bridges;
    for (uint32_t l_Anchor : a_rLevels.front()) {
        cSlotPath l_AnchorPath;
        getSlotPath(a_rPciBrd, l_Anchor, l_AnchorPath, a_pStatus);
        if (a_pStatus->isError())
            return;

        l_Bridges.assign(1, l_Anchor);
        for (tCandidateList& l_List : l_Lists) {
            const size_t l_Choice = chooseCandidate(a_rPciBrd, l_AnchorPath, l_List, a_pStatus);
            if (a_pStatus->isError())
                return;
            if (l_Choice < l_List.size()) {
                l_Bridges.push_back(l_List[l_Choice].bridge);
                l_List.erase(l_List.begin() + static_cast<std::ptrdiff_t>(l_Choice));
            }
        }

        cPxieChassis::tChassis l_Chassis;
        l_Chassis.reserve(l_Bridges.size());
        for (uint32_t l_Bridge : l_Bridges) {
            uint32_t l_Bus = 0;
            callWithJsonStatus(a_pStatus, [&](tJsonStatus& a_rJson) {
                a_rPciBrd.GetAttributeU32(l_Bridge, nQxPciBrdWrapper_15_0::kPciBrdAttrSecondaryBus,
                                          l_Bus, a_rJson);
            });
            if (a_pStatus->isError())
                return;
            l_Chassis.push_back(l_Bus);
        }
        a_rEntry.push_back(std::move(l_Chassis));
    }
}

}  // namespace

void cPxieChassis::create(tStatusRecord* a_pStatus) {
    m_Entries.clear();
    createFastMutex(m_Mutex, a_pStatus);
}

void cPxieChassis::destroy() {
    m_Entries.clear();
    destroyFastMutex(m_Mutex);
}

const cPxieChassis::tEntry* cPxieChassis::findEntry(const char* a_pVendor,
                                                    const char* a_pModel) const {
    const auto l_It = m_Entries.find(tKeyView(a_pVendor, a_pModel));
    return l_It == m_Entries.end() ? nullptr : &l_It->second;
}

void cPxieChassis::remove(const char* a_pVendor, const char* a_pModel) {
    const auto l_Old = m_Entries.find(tKeyView(a_pVendor, a_pModel));
    if (l_Old != m_Entries.end())
        m_Entries.erase(l_Old);
}

void cPxieChassis::refresh(tPciBrdWrapper& a_rPciBrd, tDeviceDbManager& a_rDatabase,
                           const char* a_pVendor, const char* a_pModel, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;

    // From here on any failure leaves the model absent: stale chassis are never reported.
    remove(a_pVendor, a_pModel);

    iPxiDeviceIni* l_pDescription = nullptr;
    a_rDatabase.findDescription(kPxiDeviceKindPxieChassisDriver, a_pVendor, a_pModel,
                                &l_pDescription, a_pStatus);
    if (a_pStatus->isError())
        return;
    const auto* l_pDriverDescription =
        dynamic_cast<const cPxieChassisDriverDescIni*>(l_pDescription);
    if (l_pDriverDescription == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusNotFound);
        return;
    }

    std::vector<tBridgeIdPair> l_Pairs;
    readBridgeIdPairs(*l_pDriverDescription, l_Pairs, a_pStatus);
    std::vector<std::vector<uint32_t>> l_Levels;
    findLevels(a_rPciBrd, l_Pairs, l_Levels, a_pStatus);
    if (a_pStatus->isError() || l_Levels.empty())
        return;

    tEntry l_Entry;
    assignChassis(a_rPciBrd, l_Levels, l_Entry, a_pStatus);
    if (a_pStatus->isError())
        return;
    m_Entries.emplace(tKey(a_pVendor, a_pModel), std::move(l_Entry));
}

void cPxieChassis::refreshAll(tPciBrdWrapper& a_rPciBrd, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    tDeviceDbManager* l_pDatabase = nullptr;
    tDeviceDbManager::getInstance(&l_pDatabase, a_pStatus);
    if (a_pStatus->isError())
        return;
    std::vector<std::pair<std::string, std::string>> l_Identities;
    l_pDatabase->listIdentities(kPxiDeviceKindPxieChassisDriver, l_Identities, a_pStatus);
    // After a failure the remaining models keep what they had.
    for (const auto& l_Identity : l_Identities) {
        if (a_pStatus->isError())
            return;
        refresh(a_rPciBrd, *l_pDatabase, l_Identity.first.c_str(), l_Identity.second.c_str(),
                a_pStatus);
    }
}

uint32_t cPxieChassis::count(const char* a_pVendor, const char* a_pModel,
                             tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return 0;
    const tEntry* l_pEntry = findEntry(a_pVendor, a_pModel);
    return l_pEntry == nullptr ? 0 : static_cast<uint32_t>(l_pEntry->size());
}

uint32_t cPxieChassis::rootBusNumber(const char* a_pVendor, const char* a_pModel,
                                     uint32_t a_RootBusPosition, uint32_t a_ChassisNumber,
                                     tStatusRecord* a_pStatus) const {
    constexpr uint32_t kNoBus = 0xFFFFFFFFu;
    if (a_pStatus->isError())
        return kNoBus;
    const tEntry* l_pEntry = findEntry(a_pVendor, a_pModel);
    // Positions are compared unsigned: any value beyond the list fails, however large.
    if (a_RootBusPosition == 0 || a_ChassisNumber == 0 || l_pEntry == nullptr ||
        a_ChassisNumber > l_pEntry->size()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return kNoBus;
    }
    const tChassis& l_Chassis = (*l_pEntry)[a_ChassisNumber - 1];
    if (a_RootBusPosition > l_Chassis.size()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return kNoBus;
    }
    return l_Chassis[a_RootBusPosition - 1];
}

}  // namespace QX_NS
