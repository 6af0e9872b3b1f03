#include "tools/pxi-inventory/callRecorder.h"

#include "qxpxi/qxstatus.h"

namespace nQxPxiInventory {

cCallRecorder::cCallRecorder(bool a_KeepCalls) : m_KeepCalls(a_KeepCalls) {}

bool cCallRecorder::record(nlohmann::ordered_json& a_rTarget, const std::string& a_rCall,
                           int32_t a_Code, bool a_Expected) {
    a_rTarget["status"] = a_Code;
    if (a_Code != 0) {
        a_rTarget["statusName"] = qxpxi_status_name(a_Code);
        a_rTarget["statusMeaning"] = qxpxi_status_meaning(a_Code);
    }
    if (a_Code < 0 && a_Expected) {
        a_rTarget["expected"] = true;  // an answer the contract gives, not a failure
    }
    if (m_KeepCalls) {
        m_Calls.push_back({{"call", a_rCall}, {"status", a_Code}});
    }
    if (a_Code < 0 && !a_Expected) {
        m_Failed = true;
        m_Failures.push_back({{"call", a_rCall},
                              {"code", a_Code},
                              {"name", qxpxi_status_name(a_Code)},
                              {"meaning", qxpxi_status_meaning(a_Code)}});
    }
    return a_Code >= 0;
}

bool cCallRecorder::recordInGroup(nlohmann::ordered_json& a_rTarget, const std::string& a_rPrefix,
                                  const std::string& a_rItem, int32_t a_Code, bool a_Expected,
                                  const std::string& a_rSuffix) {
    const auto l_Key = std::make_pair(a_rPrefix + "\n" + a_rSuffix, a_Code);
    const auto l_Group = m_Groups.find(l_Key);
    if (a_Code >= 0 || a_Expected || l_Group == m_Groups.end()) {
        const bool l_Ok = record(a_rTarget, a_rPrefix + a_rItem + a_rSuffix, a_Code, a_Expected);
        if (a_Code < 0 && !a_Expected) {
            m_Groups[l_Key] = {m_Failures.size() - 1, a_rItem};
            m_Failures.back()["count"] = 1;
        }
        return l_Ok;
    }
    record(a_rTarget, a_rPrefix + a_rItem + a_rSuffix, a_Code, true);  // status and call list only
    a_rTarget.erase("expected");
    m_Failed = true;
    l_Group->second.second += ", " + a_rItem;
    nlohmann::ordered_json& l_rEntry = m_Failures[l_Group->second.first];
    l_rEntry["call"] = a_rPrefix + l_Group->second.second + a_rSuffix;
    l_rEntry["count"] = l_rEntry["count"].get<int>() + 1;
    return false;
}

void cCallRecorder::failure(const std::string& a_rWhat, int32_t a_Code) {
    m_Failed = true;
    m_Failures.push_back({{"call", a_rWhat},
                          {"code", a_Code},
                          {"name", qxpxi_status_name(a_Code)},
                          {"meaning", qxpxi_status_meaning(a_Code)}});
}

void cCallRecorder::unavailable(nlohmann::ordered_json& a_rTarget, const std::string& a_rWhat,
                                const std::string& a_rReason) {
    a_rTarget["status"] = nullptr;
    a_rTarget["unavailable"] = a_rReason;
    m_Failed = true;
    m_Failures.push_back(
        {{"call", a_rWhat}, {"code", nullptr}, {"name", "unavailable"}, {"meaning", a_rReason}});
}

}  // namespace nQxPxiInventory
