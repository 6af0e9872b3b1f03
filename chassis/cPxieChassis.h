// cPxieChassis: the chassis cache of the chassis library. For each chassis model, named by
// its (vendor, model) identity, it holds the chassis found on the PCI bus and, per chassis,
// the numbers of its PCI root buses.
//
// Thread safety: the class does no locking of its own. The entry points hold mutex() around
// every operation (it is recursive, with priority inheritance), so one refresh, count or
// lookup runs at a time in the process.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/tIdentityLess.h"
#include "runtime/process/tFastMutex.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

#include "chassis/chassisServices.h"

namespace QX_NS {

class cPxieChassis {
public:
    // Root bus numbers of one chassis: the anchor bridge's bus first, then one per further
    // root-bus bridge level that yielded a bridge for this chassis.
    using tChassis = std::vector<uint32_t>;
    // The chassis of one model; position = chassis number - 1.
    using tEntry = std::vector<tChassis>;

    cPxieChassis() = default;
    ~cPxieChassis() { destroy(); }
    cPxieChassis(const cPxieChassis&) = delete;
    cPxieChassis& operator=(const cPxieChassis&) = delete;

    // Builds the mutex (-52003 when it cannot be created) and starts with an empty map.
    void create(tStatusRecord* a_pStatus);
    // Empties the map and destroys the mutex when it was created.
    void destroy();
    tFastMutex& mutex() { return m_Mutex; }
    bool isCreated() const { return m_Mutex.initialised; }

    // Rediscovers (vendor, model) on the PCI bus. The old entry is dropped first: any
    // failure, or a model with no chassis present, leaves the model absent.
    void refresh(tPciBrdWrapper& a_rPciBrd, tDeviceDbManager& a_rDatabase, const char* a_pVendor,
                 const char* a_pModel, tStatusRecord* a_pStatus);
    // Rediscovers every model of kind 16 that the database knows, in its order; from the
    // first failure on the remaining models keep their entries.
    void refreshAll(tPciBrdWrapper& a_rPciBrd, tStatusRecord* a_pStatus);
    // Drops the entry of (vendor, model), if any.
    void remove(const char* a_pVendor, const char* a_pModel);

    // Number of cached chassis of the model; 0 when absent or the status holds an error.
    uint32_t count(const char* a_pVendor, const char* a_pModel, tStatusRecord* a_pStatus) const;
    // Root bus a_RootBusPosition of chassis a_ChassisNumber (both from 1); -52005 and
    // 0xFFFFFFFF when either is out of range or the model is absent.
    uint32_t rootBusNumber(const char* a_pVendor, const char* a_pModel, uint32_t a_RootBusPosition,
                           uint32_t a_ChassisNumber, tStatusRecord* a_pStatus) const;

private:
    using tKey = std::pair<std::string, std::string>;
    using tKeyView = std::pair<std::string_view, std::string_view>;
    using tMap = std::map<tKey, tEntry, tIdentityLess>;

    const tEntry* findEntry(const char* a_pVendor, const char* a_pModel) const;

    tFastMutex m_Mutex;
    // On a cache line of its own: lookups read the map's header while other threads
    // take and release the mutex.
    alignas(64) tMap m_Entries;
};

}  // namespace QX_NS
