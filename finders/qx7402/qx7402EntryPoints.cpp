// The six finder entry points of the chassis finder. Each is a firewall: it answers
// with a status code and lets no exception out.
#include <cstdint>

#include "finders/qx7402/cSessionManager.h"
#include "finders/qx7402/tModuleState.h"
#include "qxpxi/QXPXIFinder.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {
namespace {

void closeList(void* a_pList) {
    tModuleState& l_rState = moduleState();
    cSessionManager* l_pManager = l_rState.pSessionManager.load();
    if (l_pManager == nullptr || !l_pManager->removeList(a_pList))
        return;
    // The session manager's mutex is released before the module mutex is taken.
    tFastMutexLock l_Lock(l_rState.mutex);
    if (--l_rState.openCount == 0)
        l_rState.dropSessionManager();
}

int32_t openList(uint32_t* a_pCount, void** a_ppList) {
    tStatusRecord l_Status;
    tModuleState& l_rState = moduleState();
    l_Status.merge(l_rState.status);
    *a_pCount = 0;
    *a_ppList = nullptr;
    if (l_Status.isError())
        return l_Status.code32();
    {
        tFastMutexLock l_Lock(l_rState.mutex);
        cSessionManager* l_pManager = l_rState.pSessionManager.load();
        if (l_rState.openCount == 0 && l_pManager == nullptr) {
            l_pManager = cSessionManager::make(&l_Status);
            if (l_pManager != nullptr)
                l_pManager->create(&l_Status);
            if (l_Status.isError()) {
                cSessionManager::unmake(l_pManager);
                return l_Status.code32();
            }
            l_rState.pSessionManager.store(l_pManager);
        }
        if (l_pManager == nullptr) {
            QX_SET_STATUS(l_Status, qxapalerr_softwareFaultAPALInternalUseOnly);
            return l_Status.code32();
        }
        l_pManager->buildList(a_ppList, a_pCount, &l_Status);
        if (!l_Status.isError()) {
            ++l_rState.openCount;
        } else if (l_rState.openCount == 0) {
            l_rState.dropSessionManager();
        }
    }
    // An empty answer holds no reference: its list goes at once.
    if (!l_Status.isError() && *a_pCount == 0) {
        closeList(*a_ppList);
        *a_ppList = nullptr;
    }
    return l_Status.code32();
}

// Runs a query against the session manager; with none, every handle is unknown.
template <typename tQuery>
int32_t answerWithManager(tQuery a_Query) {
    tStatusRecord l_Status;
    cSessionManager* l_pManager = moduleState().pSessionManager.load();
    if (l_pManager == nullptr) {
        cSessionManager::rejectWithoutManager(&l_Status);
    } else {
        a_Query(*l_pManager, &l_Status);
    }
    return l_Status.code32();
}

}  // namespace
}  // namespace QX_NS

QX_EXPORT int32_t nQXPXIFINDER100_openList(uint32_t* count, void** list) {
    if (count == nullptr || list == nullptr)
        return QX_NS::qxapalerr_invalidParameter;
    try {
        return QX_NS::openList(count, list);
    } catch (...) {
        *count = 0;
        *list = nullptr;
        return QX_NS::qxapalerr_softwareFaultAPALInternalUseOnly;
    }
}

QX_EXPORT void nQXPXIFINDER100_closeList(void* list) {
    try {
        QX_NS::closeList(list);
    } catch (...) {
        // Nothing can be reported from here.
    }
}

QX_EXPORT int32_t nQXPXIFINDER100_getNthItem(void* list, uint32_t index, void** item) {
    if (item == nullptr)
        return QX_NS::qxapalerr_invalidParameter;
    try {
        return QX_NS::answerWithManager(
            [&](QX_NS::cSessionManager& a_rManager, QX_NS::tStatusRecord* a_pStatus) {
                a_rManager.getItem(list, index, item, a_pStatus);
            });
    } catch (...) {
        return QX_NS::qxapalerr_softwareFaultAPALInternalUseOnly;
    }
}

QX_EXPORT int32_t nQXPXIFINDER100_getStringAttribute(void* item, uint32_t attribute,
                                                     const char** value) {
    if (value == nullptr)
        return QX_NS::qxapalerr_invalidParameter;
    try {
        return QX_NS::answerWithManager(
            [&](QX_NS::cSessionManager& a_rManager, QX_NS::tStatusRecord* a_pStatus) {
                a_rManager.getStringAttribute(item, attribute, value, a_pStatus);
            });
    } catch (...) {
        return QX_NS::qxapalerr_softwareFaultAPALInternalUseOnly;
    }
}

QX_EXPORT int32_t nQXPXIFINDER100_getU32Attribute(void* item, uint32_t attribute, uint32_t* value) {
    if (value == nullptr)
        return QX_NS::qxapalerr_invalidParameter;
    try {
        return QX_NS::answerWithManager(
            [&](QX_NS::cSessionManager& a_rManager, QX_NS::tStatusRecord* a_pStatus) {
                a_rManager.getU32Attribute(item, attribute, value, a_pStatus);
            });
    } catch (...) {
        return QX_NS::qxapalerr_softwareFaultAPALInternalUseOnly;
    }
}

// A chassis has no IDSEL map; the arguments are not looked at.
QX_EXPORT int32_t nQXPXIFINDER100_getControllerIDSELMap(void*, const uint8_t**) {
    return QX_NS::qxapalerr_featureUnsupported;
}
