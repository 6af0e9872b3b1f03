#include "runtime/process/tFastMutex.h"

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
// Library locks are mostly held for a few tens of nanoseconds, while a contended
// priority-inheritance lock always costs a kernel round trip on both sides; so a thread
// that finds the mutex taken retries briefly before it blocks (with priority inheritance,
// as any lock of the mutex).
constexpr int kSpinTries = 100;

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}
}  // namespace

void lockFastMutex(tFastMutex& a_rMutex) {
    if (!a_rMutex.initialised)
        return;
    for (int l_Try = 0; l_Try < kSpinTries; ++l_Try) {
        if (pthread_mutex_trylock(&a_rMutex.mutex) == 0)
            return;
        relax();
    }
    pthread_mutex_lock(&a_rMutex.mutex);
}

void unlockFastMutex(tFastMutex& a_rMutex) {
    if (a_rMutex.initialised)
        pthread_mutex_unlock(&a_rMutex.mutex);
}

}  // namespace QX_NS
