// tConsoleTraceDestination: trace output through the debug print to standard error.
// Holds no state; safe from any thread.
#pragma once

#include "runtime/trace/iTraceDestination.h"

namespace QX_NS {

class tConsoleTraceDestination : public iTraceDestination {
public:
    static constexpr const char* kDescription = " --destination apal";

    void writeText(const char* a_pText) override;
    void writeBytes(const char* a_pData, size_t a_Length) override;
    void reservedSlot3() override {}
    void describe(char* a_pBuffer, size_t a_Size, size_t* a_pNeeded) override;
    bool reservedSlot5() override { return true; }
    void reservedSlot6() override {}
    const char* name() const override { return "qxsdbg_printf"; }
};

}  // namespace QX_NS
