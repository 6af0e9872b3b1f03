// cSessionManager: the plug-in's shared state while at least one list is open. It
// registers every list it hands out and every item in those lists, so that handles a
// host passes back are recognised before they are used.
//
// Its own mutex guards both sets and the contents of every list; every operation below
// takes it. Callers that also hold the module mutex take that one first.
#pragma once

#include <cstdint>
#include <set>

#include "finders/qx7402/tChassisList.h"
#include "runtime/process/tFastMutex.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

class cSessionManager {
public:
    cSessionManager() = default;
    ~cSessionManager() { destroy(); }
    cSessionManager(const cSessionManager&) = delete;
    cSessionManager& operator=(const cSessionManager&) = delete;

    // Empties both sets and creates the mutex (-52000 without memory, -52003 when the
    // mutex cannot be made); on failure nothing of it is kept.
    void create(tStatusRecord* a_pStatus);
    // Destroys what is still registered, the mutex and both sets.
    void destroy();

    // Searches and registers one new list. On error nothing stays registered, the list
    // is null and the count 0.
    void buildList(void** a_ppList, uint32_t* a_pCount, tStatusRecord* a_pStatus);
    // True when the list was registered and has been destroyed with its items.
    bool removeList(void* a_pList);

    void getItem(void* a_pList, uint32_t a_Index, void** a_ppItem, tStatusRecord* a_pStatus);
    void getStringAttribute(void* a_pItem, uint32_t a_Attribute, const char** a_ppValue,
                            tStatusRecord* a_pStatus);
    void getU32Attribute(void* a_pItem, uint32_t a_Attribute, uint32_t* a_pValue,
                         tStatusRecord* a_pStatus);

    // The answer to a list or item query while no list is open: an unknown handle.
    static void rejectWithoutManager(tStatusRecord* a_pStatus);

    // Allocated through the status-reporting allocator: null and -52000 without memory.
    static cSessionManager* make(tStatusRecord* a_pStatus);
    static void unmake(cSessionManager* a_pManager);

private:
    // The registered item behind a handle, or null.
    const uint16_t* findItem(void* a_pItem) const;
    static void destroyList(tChassisList* a_pList);

    std::set<tChassisList*> m_Lists;
    std::set<uint16_t*> m_Items;
    tFastMutex* m_pMutex = nullptr;
};

}  // namespace QX_NS
