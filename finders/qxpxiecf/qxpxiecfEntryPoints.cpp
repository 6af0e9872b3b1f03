// The six finder entry points of the embedded controller finder. openList and the
// release step of closeList hold the module mutex; the queries take no lock and compare
// the item with the current controller record, which never changes while it exists.
// Every entry point but closeList converts whatever is thrown into its return code.
#include <atomic>
#include <cstdint>
#include <new>

#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "finders/qxpxiecf/cPxi1EmbeddedController.h"
#include "finders/qxpxiecf/tControllerRecord.h"
#include "runtime/process/tFastMutex.h"
#include "runtime/status/qxerrException.h"
#include "runtime/status/tJsonStatusScope.h"

namespace QX_NS {
namespace {

// String attributes.
constexpr uint32_t kAttrVendor = 0x00000;
constexpr uint32_t kAttrModel = 0x00001;
constexpr uint32_t kAttrSlotPath = 0x1F810;
// U32 attributes.
constexpr uint32_t kAttrItemClass = 0x00000;
constexpr uint32_t kAttrControllerClass = 0x10000;
constexpr uint32_t kAttrControllerBus = 0x10001;
constexpr uint32_t kItemClassController = 1;

// PCI device number selected through each address line used as IDSEL; 0xFF: none.
const uint8_t kControllerIdselMap[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 9,    10,   11,   12,   13,   14,   15};

// Identifiers whose bits 12 to 15 are all set name the same attribute whatever their
// low four bits.
uint32_t foldAttribute(uint32_t a_Attribute) {
    return (a_Attribute & 0xF000) == 0xF000 ? (a_Attribute & ~0xFu) : a_Attribute;
}

// Process-wide state of the finder, created while the library is loaded.
struct tModuleState {
    tStatusRecord status;
    tFastMutex mutex;
    // The record and the open count change only under the mutex; the record pointer is
    // read by the queries without it.
    std::atomic<tControllerRecord*> pRecord{nullptr};
    int32_t openCount = 0;

    tModuleState() { createFastMutex(mutex, &status); }
    ~tModuleState() {
        releaseShared();
        destroyFastMutex(mutex);
    }

    // Drops the record and the database with it. Caller holds the mutex.
    void releaseShared() {
        tControllerRecord* l_pRecord = pRecord.exchange(nullptr);
        if (l_pRecord == nullptr)
            return;
        cPxiSvDeviceDbManager::destroyInstance();
        delete l_pRecord;
        openCount = 0;
    }
};

tModuleState g_Module;

[[noreturn]] void throwRecord(const tStatusRecord& a_rStatus) {
    qxerr::Exception l_Exception;
    mergeRecordIntoJson(a_rStatus, &l_Exception.status());
    throw l_Exception;
}

bool isCurrentRecord(const void* a_pItem) {
    return a_pItem != nullptr && a_pItem == g_Module.pRecord.load();
}

}  // namespace
}  // namespace QX_NS

using namespace QX_NS;

QX_EXPORT int32_t nQXPXIFINDER100_openList(uint32_t* count, void** list) {
    if (count == nullptr || list == nullptr)
        return qxapalerr_invalidParameter;
    tFastMutexLock l_Lock(g_Module.mutex);
    try {
        if (g_Module.status.isError())
            throwRecord(g_Module.status);
        tControllerRecord* l_pRecord = g_Module.pRecord.load();
        if (l_pRecord == nullptr) {
            l_pRecord = new (std::nothrow) tControllerRecord();
            if (l_pRecord == nullptr) {
                tStatusRecord l_Status;
                QX_SET_STATUS(l_Status, qxapalerr_memoryFull);
                throwRecord(l_Status);
            }
            g_Module.pRecord.store(l_pRecord);
            tStatusRecord l_Status;
            cPxiSvDeviceDbManager::createInstance(&l_Status);
            if (l_Status.isError())
                throwRecord(l_Status);
            cPxi1EmbeddedController::identify(*l_pRecord);
        }
        ++g_Module.openCount;
        *count = 1;
        *list = l_pRecord;
        return kStatusSuccess;
    } catch (...) {
        *count = 0;
        *list = nullptr;
        // Only a record that no open list holds goes (the one this call was building).
        if (g_Module.openCount == 0)
            g_Module.releaseShared();
        return convertCurrentException();
    }
}

QX_EXPORT void nQXPXIFINDER100_closeList(void* /*list*/) {
    tFastMutexLock l_Lock(g_Module.mutex);
    if (g_Module.pRecord.load() == nullptr)
        return;
    if (g_Module.openCount != 0) {
        --g_Module.openCount;
        if (g_Module.openCount != 0)
            return;
    }
    g_Module.releaseShared();
}

QX_EXPORT int32_t nQXPXIFINDER100_getNthItem(void* list, uint32_t index, void** item) {
    if (list == nullptr || item == nullptr || index != 0)
        return qxapalerr_invalidParameter;
    *item = list;  // the one item and the list are the same record
    return kStatusSuccess;
}

QX_EXPORT int32_t nQXPXIFINDER100_getStringAttribute(void* item, uint32_t attribute,
                                                     const char** value) {
    if (!isCurrentRecord(item) || value == nullptr)
        return qxapalerr_invalidParameter;
    const tControllerRecord* l_pRecord = static_cast<const tControllerRecord*>(item);
    switch (foldAttribute(attribute)) {
        case kAttrVendor:
            *value = l_pRecord->vendor.c_str();
            return kStatusSuccess;
        case kAttrModel:
            *value = l_pRecord->model.c_str();
            return kStatusSuccess;
        case kAttrSlotPath:
            *value = l_pRecord->slotPath.c_str();
            return kStatusSuccess;
        default:
            return qxapalerr_invalidParameter;
    }
}

QX_EXPORT int32_t nQXPXIFINDER100_getU32Attribute(void* item, uint32_t attribute, uint32_t* value) {
    if (!isCurrentRecord(item) || value == nullptr)
        return qxapalerr_invalidParameter;
    switch (foldAttribute(attribute)) {
        case kAttrItemClass:
            *value = kItemClassController;
            return kStatusSuccess;
        case kAttrControllerClass:
            *value = 1;
            return kStatusSuccess;
        case kAttrControllerBus:
            try {
                *value = cPxi1EmbeddedController::controllerBus(
                    *static_cast<const tControllerRecord*>(item));
                return kStatusSuccess;
            } catch (...) {
                return convertCurrentException();
            }
        default:
            return qxapalerr_invalidParameter;
    }
}

QX_EXPORT int32_t nQXPXIFINDER100_getControllerIDSELMap(void* item, const uint8_t** map) {
    if (!isCurrentRecord(item) || map == nullptr)
        return qxapalerr_invalidParameter;
    *map = kControllerIdselMap;
    return kStatusSuccess;
}
