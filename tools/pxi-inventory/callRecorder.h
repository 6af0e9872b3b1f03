// Records the outcome of each library call into the document: the status next to the
// value, and a failure entry (code, symbolic name, one-line meaning) for every call that
// failed unexpectedly. Expected answers (a link the chassis does not have, an empty text)
// keep their status but are not failures.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

namespace nQxPxiInventory {

class cCallRecorder {
public:
    explicit cCallRecorder(bool a_KeepCalls);

    // Writes "status" (and "statusName", "statusMeaning" when not 0) into a_rTarget.
    // Returns true when the call succeeded (status 0 or a warning).
    bool record(nlohmann::ordered_json& a_rTarget, const std::string& a_rCall, int32_t a_Code,
                bool a_Expected = false);
    // One call of a group (the attributes of one module, one call on every PCI bridge):
    // a_rPrefix + a_rItem + a_rSuffix is the call. Failures of a group with the same code
    // are one entry, whose call lists the items and whose "count" says how many calls
    // failed so; one fault that fails every attribute of a module, or one call on every
    // bridge, is then one line, not eighteen or twenty-four.
    bool recordInGroup(nlohmann::ordered_json& a_rTarget, const std::string& a_rPrefix,
                       const std::string& a_rItem, int32_t a_Code, bool a_Expected = false,
                       const std::string& a_rSuffix = ")");
    // A failure of the run that is not a call's (a controller driver that failed to open).
    void failure(const std::string& a_rWhat, int32_t a_Code);
    // A library or an entry point that could not be bound.
    void unavailable(nlohmann::ordered_json& a_rTarget, const std::string& a_rWhat,
                     const std::string& a_rReason);

    bool failed() const { return m_Failed; }
    const nlohmann::ordered_json& failures() const { return m_Failures; }
    const nlohmann::ordered_json& calls() const { return m_Calls; }

private:
    bool m_KeepCalls;
    bool m_Failed = false;
    nlohmann::ordered_json m_Failures = nlohmann::ordered_json::array();
    nlohmann::ordered_json m_Calls = nlohmann::ordered_json::array();
    // (prefix + suffix, code) -> index into m_Failures and the items so far
    std::map<std::pair<std::string, int32_t>, std::pair<size_t, std::string>> m_Groups;
};

}  // namespace nQxPxiInventory
