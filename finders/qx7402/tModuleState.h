// The library-wide state of the chassis finder, built while the library is loaded and
// torn down when it is unloaded.
//
// The module mutex guards the open count and every change of the session manager
// pointer; openList holds it throughout, closeList only for its count step. The
// queries read the pointer without that mutex, so the pointer is atomic: a query sees
// either no session manager or a complete one.
#pragma once

#include <atomic>
#include <cstdint>

#include "finders/qx7402/cSessionManager.h"
#include "runtime/process/tFastMutex.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

struct tModuleState {
    tModuleState();
    ~tModuleState();
    tModuleState(const tModuleState&) = delete;
    tModuleState& operator=(const tModuleState&) = delete;

    // Outcome of creating the module mutex at load.
    tStatusRecord status;
    tFastMutex mutex;
    // Null while no list is open.
    std::atomic<cSessionManager*> pSessionManager{nullptr};
    // Lists handed out and not yet closed.
    int32_t openCount = 0;

    // Under the module mutex: destroys the session manager and clears the pointer.
    void dropSessionManager();
};

tModuleState& moduleState();

}  // namespace QX_NS
