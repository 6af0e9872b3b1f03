// Stand-in relocation service: answers the directories of the machine's "relocations"
// section (relative ones resolved against the machine file's directory), and 0, "no
// different value", for every other name.
#include "qxpxi/services/qxrelocations.h"

#include <cstdint>
#include <cstring>

#include "services/common/cMachine.h"
#include "services/common/machineStore.h"
#include "services/common/tCallLine.h"

#define QXSIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kMachineUnusable = -1;
constexpr int kInvalidArgument = -2;
constexpr int kBufferTooSmall = -3;
constexpr int kInternalFault = -4;

}  // namespace

QXSIM_EXPORT int get_relocated_dir(const char* name, char* buffer, size_t bufferSize) {
    nQxSim::tCallLine l_Log("get_relocated_dir");
    l_Log.text("name", name).dec("bufferSize", static_cast<int64_t>(bufferSize));
    try {
        if (name == nullptr || buffer == nullptr || bufferSize == 0) {
            return kInvalidArgument;
        }
        std::shared_ptr<nQxSim::cMachine> l_pMachine = nQxSim::loadMachine();
        if (!l_pMachine) {
            return kMachineUnusable;
        }
        int32_t l_Status = 0;
        if (l_pMachine->takeFault("get_relocated_dir", l_Status)) {
            return l_Status;
        }
        auto l_Found = l_pMachine->m_Relocations.find(name);
        if (l_Found == l_pMachine->m_Relocations.end()) {
            return 0;
        }
        const std::string& l_rDir = l_Found->second;
        if (l_rDir.size() + 1 > bufferSize) {
            return kBufferTooSmall;
        }
        std::memcpy(buffer, l_rDir.c_str(), l_rDir.size() + 1);
        return 1;
    } catch (...) {
        return kInternalFault;
    }
}
