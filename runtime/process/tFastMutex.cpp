#include "runtime/process/tFastMutex.h"

#include <chrono>
#include <cstring>

namespace QX_NS {

void createFastMutex(tFastMutex& a_rMutex, tStatusRecord* a_pStatus) {
    std::memset(static_cast<void*>(&a_rMutex.mutex), 0, sizeof a_rMutex.mutex);
    a_rMutex.initialised = false;
    tStatusRecord l_Local;
    tStatusRecord* l_pStatus = a_pStatus != nullptr ? a_pStatus : &l_Local;
    if (l_pStatus->isError())
        return;

    pthread_mutexattr_t l_Attributes;
    if (pthread_mutexattr_init(&l_Attributes) != 0) {
        QX_SET_STATUS_P(l_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        return;
    }
    if (pthread_mutexattr_settype(&l_Attributes, PTHREAD_MUTEX_RECURSIVE) != 0) {
        QX_SET_STATUS_P(l_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        pthread_mutexattr_destroy(&l_Attributes);
        return;
    }
    // Where the protocol is not supported the mutex still works, without inheritance.
    (void)pthread_mutexattr_setprotocol(&l_Attributes, PTHREAD_PRIO_INHERIT);
    if (pthread_mutex_init(&a_rMutex.mutex, &l_Attributes) != 0) {
        QX_SET_STATUS_P(l_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
    } else {
        a_rMutex.initialised = true;
    }
    pthread_mutexattr_destroy(&l_Attributes);
}

void destroyFastMutex(tFastMutex& a_rMutex) {
    if (!a_rMutex.initialised)
        return;
    pthread_mutex_destroy(&a_rMutex.mutex);
    a_rMutex.initialised = false;
}

namespace {
// Library locks are mostly held for a few tens of nanoseconds. A waiter reads the hint
// with growing pauses between reads (up to some microseconds), so that the holder keeps
// the cache line, and tries the mutex only when the hint says it is free. It blocks
// after kSpinTime: a holder that takes longer is most likely not running, and then
// blocking, with priority inheritance, is what helps it on.
constexpr auto kSpinTime = std::chrono::microseconds(200);
constexpr int kMaxPauses = 1024;

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

bool tryTake(tFastMutex& a_rMutex) {
    if (a_rMutex.held.load(std::memory_order_relaxed) ||
        pthread_mutex_trylock(&a_rMutex.mutex) != 0)
        return false;
    a_rMutex.held.store(true, std::memory_order_relaxed);
    return true;
}
}  // namespace

void lockFastMutex(tFastMutex& a_rMutex) {
    if (!a_rMutex.initialised)
        return;
    // The hold of a thread that takes the mutex again is its own: no hint applies.
    if (pthread_mutex_trylock(&a_rMutex.mutex) == 0) {
        a_rMutex.held.store(true, std::memory_order_relaxed);
        return;
    }
    const auto l_Until = std::chrono::steady_clock::now() + kSpinTime;
    for (int l_Pauses = 1;; l_Pauses = l_Pauses < kMaxPauses ? 2 * l_Pauses : kMaxPauses) {
        for (int l_Pause = 0; l_Pause < l_Pauses; ++l_Pause)
            relax();
        if (tryTake(a_rMutex))
            return;
        if (l_Pauses == kMaxPauses && std::chrono::steady_clock::now() >= l_Until)
            break;
    }
    pthread_mutex_lock(&a_rMutex.mutex);
    a_rMutex.held.store(true, std::memory_order_relaxed);
}

void unlockFastMutex(tFastMutex& a_rMutex) {
    if (!a_rMutex.initialised)
        return;
    a_rMutex.held.store(false, std::memory_order_relaxed);
    pthread_mutex_unlock(&a_rMutex.mutex);
}

}  // namespace QX_NS
