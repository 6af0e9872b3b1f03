// What a host typically does with each of the four libraries, as one scenario per
// library: every entry point the host would use, on the example machine, with each
// call's status and outputs written down as text so that two runs can be compared.
// The fault matrix and the load/unload cycles run these.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/qxTestSupport.h"

namespace qxhard {

// One entry point call of a scenario: what was called, its status and its outputs.
struct tStep {
    std::string call;
    int32_t status;
    std::string output;
    bool operator==(const tStep& a_rOther) const {
        return call == a_rOther.call && status == a_rOther.status && output == a_rOther.output;
    }
};
using tSteps = std::vector<tStep>;
std::string toString(const tSteps& a_rSteps);

struct tScenario {
    const char* name;     // short name, for test names
    const char* library;  // the library's file name, e.g. "libQXPXIeSMu.so"
    tSteps (*run)(const qxtest::cHostLibrary& a_rLib);
    // A short query: one discovery and what it found (for the load/unload cycles).
    tSteps (*query)(const qxtest::cHostLibrary& a_rLib);
};

// Test names and failure messages show a scenario by its name.
inline void PrintTo(const tScenario& a_rScenario, std::ostream* a_pOut) {
    *a_pOut << a_rScenario.name;
}

// The four scenarios, one per library.
const std::vector<tScenario>& scenarios();

// The example machine with its description files copied next to it.
nlohmann::json exampleMachineForScenarios();

}  // namespace qxhard
