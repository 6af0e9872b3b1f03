#include "finders/qx7402/tModuleState.h"

namespace QX_NS {

namespace {

tModuleState g_ModuleState;

}  // namespace

tModuleState::tModuleState() {
    createFastMutex(mutex, &status);
}

tModuleState::~tModuleState() {
    // Lists a host left open die with the library.
    dropSessionManager();
    destroyFastMutex(mutex);
}

void tModuleState::dropSessionManager() {
    cSessionManager::unmake(pSessionManager.exchange(nullptr));
}

tModuleState& moduleState() {
    return g_ModuleState;
}

}  // namespace QX_NS
