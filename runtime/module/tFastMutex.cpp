#include "runtime/module/tFastMutex.h"

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

void lockFastMutex(tFastMutex& a_rMutex) {
    if (a_rMutex.initialised)
        pthread_mutex_lock(&a_rMutex.mutex);
}

void unlockFastMutex(tFastMutex& a_rMutex) {
    if (a_rMutex.initialised)
        pthread_mutex_unlock(&a_rMutex.mutex);
}

}  // namespace QX_NS
