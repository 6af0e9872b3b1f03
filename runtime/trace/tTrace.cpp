#include "runtime/trace/tTrace.h"

namespace QX_NS {

tTrace::tTrace(iTraceDestination* a_pDestination) : m_pDestination(a_pDestination) {
    // A mutex that cannot be created leaves the flags unguarded; tracing stays optional.
    tStatusRecord l_Status;
    createFastMutex(m_Mutex, &l_Status);
}

tTrace::~tTrace() {
    destroyFastMutex(m_Mutex);
}

uint8_t tTrace::flag(size_t a_Index) {
    if (a_Index >= kFlagCount)
        return 0;
    tFastMutexLock l_Lock(m_Mutex);
    return m_Flags[a_Index];
}

void tTrace::setFlag(size_t a_Index, uint8_t a_Value) {
    if (a_Index >= kFlagCount)
        return;
    tFastMutexLock l_Lock(m_Mutex);
    m_Flags[a_Index] = a_Value;
}

}  // namespace QX_NS
