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

void cCallRecorder::unavailable(nlohmann::ordered_json& a_rTarget, const std::string& a_rWhat,
                                const std::string& a_rReason) {
    a_rTarget["status"] = nullptr;
    a_rTarget["unavailable"] = a_rReason;
    m_Failed = true;
    m_Failures.push_back(
        {{"call", a_rWhat}, {"code", nullptr}, {"name", "unavailable"}, {"meaning", a_rReason}});
}

}  // namespace nQxPxiInventory
