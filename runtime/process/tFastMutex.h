// tFastMutex: the process-wide lock type of every library, a recursive POSIX mutex with
// the priority-inheritance protocol.
//
// A thread that finds the mutex taken first waits in user space for a while, reading a
// hint that the holder keeps and backing off between reads, and only then blocks on the
// mutex (with priority inheritance). Blocking early is what costs: once a waiter sleeps in
// the kernel every release of a priority-inheritance mutex goes through the kernel and
// hands the mutex to that sleeper, so two threads that take it call after call fall into
// a convoy of system calls and wake-ups. Waiting by reading keeps the mutex's cache line
// with the holder, which may take and release it many times meanwhile.
#pragma once

#include <pthread.h>

#include <atomic>

#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

struct tFastMutex {
    pthread_mutex_t mutex;
    bool initialised = false;
    // Set while a thread holds the mutex (cleared by an inner release of a recursive
    // hold too). Only a hint for waiters: the mutex alone decides who holds it.
    std::atomic<bool> held{false};
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
