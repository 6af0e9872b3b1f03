// Machine files of the stand-in services, from arbitrary bytes: a text is either a
// machine or refused with a one-line reason (std::runtime_error); nothing else may come
// out of the reader, and a machine it accepts keeps the promises the services rely on.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "services/common/cMachine.h"

using namespace nQxSim;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* a_pData, size_t a_Size) {
    const std::string l_Text(reinterpret_cast<const char*>(a_pData), a_Size);
    std::shared_ptr<cMachine> l_pMachine;
    try {
        l_pMachine = cMachine::parse(l_Text, "/nonexistent/fuzz/machine.json");
    } catch (const std::runtime_error& l_rError) {
        if (std::string(l_rError.what()).empty())
            std::abort();  // a refusal always says why
        return 0;
    }
    if (!l_pMachine)
        std::abort();
    // Every bridge has a slot path that reads back as its own bus and hops, and a parent
    // that is another bridge of the list.
    for (const tBridge& l_rBridge : l_pMachine->m_Bridges) {
        uint8_t l_Bus = 0;
        std::vector<uint8_t> l_Hops;
        if (!parseSlotPath(l_rBridge.slotPath, l_Bus, l_Hops) || l_Bus != l_rBridge.rootBus ||
            l_Hops != l_rBridge.hops)
            std::abort();
        if (l_rBridge.parent >= static_cast<int>(l_pMachine->m_Bridges.size()))
            std::abort();
    }
    int32_t l_Status = 0;
    l_pMachine->takeFault("QxPciBrd_OpenSession", l_Status);
    return 0;
}
