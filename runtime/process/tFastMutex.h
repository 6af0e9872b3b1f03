// tFastMutex: the process-wide lock type of every library, a recursive POSIX mutex with
// the priority-inheritance protocol.
#pragma once

#include <pthread.h>

#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

struct tFastMutex {
    pthread_mutex_t mutex;
    bool initialised = false;
};

// Records -52003 when the mutex cannot be created; does nothing on an error status.
void createFastMutex(tFastMutex& a_rMutex, tStatusRecord* a_pStatus);
void destroyFastMutex(tFastMutex& a_rMutex);
void lockFastMutex(tFastMutex& a_rMutex);
void unlockFastMutex(tFastMutex& a_rMutex);

// Holds a tFastMutex for a scope (nothing happens for an uninitialised one).
class tFastMutexLock {
public:
    explicit tFastMutexLock(tFastMutex& a_rMutex) : m_rMutex(a_rMutex) { lockFastMutex(m_rMutex); }
    ~tFastMutexLock() { unlockFastMutex(m_rMutex); }
    tFastMutexLock(const tFastMutexLock&) = delete;
    tFastMutexLock& operator=(const tFastMutexLock&) = delete;

private:
    tFastMutex& m_rMutex;
};

}  // namespace QX_NS
