#include "finders/qx7402/cSessionManager.h"

#include <new>
#include <vector>

#include "finders/qx7402/cPxi7402Chassis.h"
#include "finders/qx7402/chassisSearch.h"
#include "runtime/process/qxAllocate.h"

namespace QX_NS {

cSessionManager* cSessionManager::make(tStatusRecord* a_pStatus) {
    void* l_pMemory = allocateObject(sizeof(cSessionManager), a_pStatus);
    return l_pMemory != nullptr ? new (l_pMemory) cSessionManager() : nullptr;
}

void cSessionManager::unmake(cSessionManager* a_pManager) {
    if (a_pManager == nullptr)
        return;
    a_pManager->~cSessionManager();
    releaseObject(a_pManager);
}

void cSessionManager::rejectWithoutManager(tStatusRecord* a_pStatus) {
    QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
}

void cSessionManager::create(tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    destroy();
    void* l_pMemory = allocateObject(sizeof(tFastMutex), a_pStatus);
    if (l_pMemory == nullptr)
        return;
    auto* l_pMutex = new (l_pMemory) tFastMutex();
    createFastMutex(*l_pMutex, a_pStatus);
    if (a_pStatus->isError()) {
        l_pMutex->~tFastMutex();
        releaseObject(l_pMutex);
        return;
    }
    m_pMutex = l_pMutex;
}

void cSessionManager::destroy() {
    // Lists still open when the shared state goes (the library is being unloaded) are
    // released with it.
    for (tChassisList* l_pList : m_Lists)
        destroyList(l_pList);
    m_Lists.clear();
    m_Items.clear();
    if (m_pMutex != nullptr) {
        destroyFastMutex(*m_pMutex);
        m_pMutex->~tFastMutex();
        releaseObject(m_pMutex);
        m_pMutex = nullptr;
    }
}

void cSessionManager::destroyList(tChassisList* a_pList) {
    for (uint16_t* l_pItem : a_pList->items)
        releaseObject(l_pItem);
    a_pList->~tChassisList();
    releaseObject(a_pList);
}

void cSessionManager::buildList(void** a_ppList, uint32_t* a_pCount, tStatusRecord* a_pStatus) {
    *a_ppList = nullptr;
    *a_pCount = 0;
    if (a_pStatus->isError())
        return;

    void* l_pMemory = allocateObject(sizeof(tChassisList), a_pStatus);
    if (l_pMemory == nullptr)
        return;
    tChassisList* l_pList = new (l_pMemory) tChassisList();

    // The search talks to the service without this mutex, so queries on other lists
    // are not held up by it.
    std::vector<uint16_t*> l_Found;
    searchChassis(l_Found, a_pStatus);
    size_t l_Registered = 0;  // items inserted into the set before a failure
    bool l_ListRegistered = false;
    try {
        if (!a_pStatus->isError())
            l_pList->items = l_Found;
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }

    tFastMutexLock l_Lock(*m_pMutex);
    if (!a_pStatus->isError()) {
        try {
            for (uint16_t* l_pItem : l_pList->items) {
                m_Items.insert(l_pItem);
                ++l_Registered;
            }
            m_Lists.insert(l_pList);
            l_ListRegistered = true;
        } catch (const std::bad_alloc&) {
            QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        }
    }
    if (!a_pStatus->isError()) {
        *a_ppList = l_pList;
        *a_pCount = static_cast<uint32_t>(l_pList->items.size());
        return;
    }
    // Nothing of a failed call stays registered or allocated.
    if (l_ListRegistered)
        m_Lists.erase(l_pList);
    for (size_t i = 0; i < l_Registered; ++i)
        m_Items.erase(l_pList->items[i]);
    l_pList->items.clear();
    for (uint16_t* l_pItem : l_Found)
        releaseObject(l_pItem);
    destroyList(l_pList);
}

bool cSessionManager::removeList(void* a_pList) {
    tFastMutexLock l_Lock(*m_pMutex);
    const auto l_Found = m_Lists.find(static_cast<tChassisList*>(a_pList));
    if (l_Found == m_Lists.end())
        return false;
    tChassisList* l_pList = *l_Found;
    for (uint16_t* l_pItem : l_pList->items)
        m_Items.erase(l_pItem);
    m_Lists.erase(l_Found);
    destroyList(l_pList);
    return true;
}

void cSessionManager::getItem(void* a_pList, uint32_t a_Index, void** a_ppItem,
                              tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    tFastMutexLock l_Lock(*m_pMutex);
    const auto l_Found = m_Lists.find(static_cast<tChassisList*>(a_pList));
    if (l_Found == m_Lists.end() || a_Index >= (*l_Found)->items.size()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    *a_ppItem = (*l_Found)->items[a_Index];
}

const uint16_t* cSessionManager::findItem(void* a_pItem) const {
    const auto l_Found = m_Items.find(static_cast<uint16_t*>(a_pItem));
    return l_Found != m_Items.end() ? *l_Found : nullptr;
}

void cSessionManager::getStringAttribute(void* a_pItem, uint32_t a_Attribute,
                                         const char** a_ppValue, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    tFastMutexLock l_Lock(*m_pMutex);
    const uint16_t* l_pBus = findItem(a_pItem);
    if (l_pBus == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    cPxi7402Chassis(*l_pBus).getStringAttribute(a_Attribute, a_ppValue, a_pStatus);
}

void cSessionManager::getU32Attribute(void* a_pItem, uint32_t a_Attribute, uint32_t* a_pValue,
                                      tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    tFastMutexLock l_Lock(*m_pMutex);
    const uint16_t* l_pBus = findItem(a_pItem);
    if (l_pBus == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    cPxi7402Chassis(*l_pBus).getU32Attribute(a_Attribute, a_pValue, a_pStatus);
}

}  // namespace QX_NS
