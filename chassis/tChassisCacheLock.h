// tChassisCacheLock: holds the chassis cache mutex for one entry point's work. A cached
// lookup holds the mutex for a few tens of nanoseconds, while a blocked
// priority-inheritance lock costs a kernel round trip on each side; so a thread that finds
// the mutex taken retries for a few microseconds before it blocks (with priority
// inheritance, as any lock of the mutex). Used on the stack of one thread.
#pragma once

#include <pthread.h>

#include "runtime/module/tFastMutex.h"
#include "runtime/qxns.h"

namespace QX_NS {

class tChassisCacheLock {
public:
    explicit tChassisCacheLock(tFastMutex& a_rMutex) : m_rMutex(a_rMutex) {
        if (!m_rMutex.initialised)
            return;
        for (int l_Try = 0; l_Try < kSpinTries; ++l_Try) {
            if (pthread_mutex_trylock(&m_rMutex.mutex) == 0) {
                m_Locked = true;
                return;
            }
            relax();
        }
        m_Locked = pthread_mutex_lock(&m_rMutex.mutex) == 0;
    }
    ~tChassisCacheLock() {
        if (m_Locked)
            pthread_mutex_unlock(&m_rMutex.mutex);
    }
    tChassisCacheLock(const tChassisCacheLock&) = delete;
    tChassisCacheLock& operator=(const tChassisCacheLock&) = delete;

private:
    static constexpr int kSpinTries = 100;

    static void relax() {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }

    tFastMutex& m_rMutex;
    bool m_Locked = false;
};

}  // namespace QX_NS
