// tTrace: the library's trace object, bound to its console destination. Both are static
// objects; the destination is constructed before the trace object and destroyed after it.
// Its flags are read and changed under its own mutex.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/process/tFastMutex.h"
#include "runtime/trace/iTraceable.h"

namespace QX_NS {

class tTrace : public iTraceable {
public:
    static constexpr size_t kFlagCount = 8;

    explicit tTrace(iTraceDestination* a_pDestination);
    ~tTrace() override;
    tTrace(const tTrace&) = delete;
    tTrace& operator=(const tTrace&) = delete;

    iTraceDestination* destination() const override { return m_pDestination; }
    uint8_t flag(size_t a_Index);
    void setFlag(size_t a_Index, uint8_t a_Value);

private:
    iTraceDestination* m_pDestination;
    uint8_t m_Flags[kFlagCount] = {};
    tFastMutex m_Mutex;
};

}  // namespace QX_NS
