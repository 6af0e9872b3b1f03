// cPxiSvDeviceDbManager: the hardware description database, one per process in each
// library that carries it. It scans the description directory of a kind when a list or
// find first names that kind, opens every "*.ini" file there as a description of the
// kind's class, and files it under the identity (vendor, model) it declares; later calls
// rescan a kind only when its directory's modification time changed, and a rescan only
// adds identities.
//
// Thread safety: listIdentities and findDescription take the manager's own lock
// (recursive, priority inheritance) for the whole call, scans included. createInstance,
// getInstance and destroyInstance are called by the owning library under its
// process-wide mutex; the instance pointer has a guard of its own as well. The
// description objects handed out stay valid until destroyInstance and are never changed
// after loading, so they are read without the lock.
#pragma once

#include <ctime>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "config/pxiHardwareDatabase/iPxiDeviceIni.h"
#include "config/tPxiDeviceKind.h"
#include "runtime/process/tFastMutex.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

class cPxiSvDeviceDbManager {
public:
    // (vendor, model), ordered by vendor then model, byte-wise.
    using tIdentity = std::pair<std::string, std::string>;
    using tIdentityList = std::vector<tIdentity>;

    // Every operation taking a status does nothing when it already holds an error.

    // Creates the manager unless one exists. No memory: qxapalerr_memoryFull; the lock
    // cannot be created: qxapalerr_softwareFaultAPALInternalUseOnly.
    static void createInstance(tStatusRecord* a_pStatus);
    // The manager; none: kStatusNotInitialized.
    static void getInstance(cPxiSvDeviceDbManager** a_ppManager, tStatusRecord* a_pStatus);
    // Releases the manager with every description it owns.
    static void destroyInstance();

    // Appends the identities of every kind of a_KindMask, kinds taken from 2048 down to 2,
    // each in identity order (so mask 768 gives the remote modules, then the embedded
    // ones). A kind that cannot be scanned: kStatusDbKindInvalid. An empty or missing
    // directory leaves the warning kStatusNoFilesMatched.
    void listIdentities(tPxiDeviceKindMask a_KindMask, tIdentityList& a_rIdentities,
                        tStatusRecord* a_pStatus);
    // The description of (a_pVendor, a_pModel) in the first kind of a_KindMask, in the
    // same order, that has it (exact, case-sensitive); none: kStatusDbNotFound. A null
    // a_ppDescription makes the call do nothing.
    void findDescription(tPxiDeviceKindMask a_KindMask, const char* a_pVendor, const char* a_pModel,
                         iPxiDeviceIni** a_ppDescription, tStatusRecord* a_pStatus);

    ~cPxiSvDeviceDbManager();
    cPxiSvDeviceDbManager(const cPxiSvDeviceDbManager&) = delete;
    cPxiSvDeviceDbManager& operator=(const cPxiSvDeviceDbManager&) = delete;

private:
    using tDescriptionMap = std::map<tIdentity, boost::shared_ptr<iPxiDeviceIni>>;

    cPxiSvDeviceDbManager() = default;
    void initialise(tStatusRecord* a_pStatus);

    // Scans the kind when it is new or its directory changed.
    void refreshKind(uint32_t a_Kind, tStatusRecord* a_pStatus);
    void scanKind(uint32_t a_Kind, const std::string& a_rDirectory, tStatusRecord* a_pStatus);
    bool directoryChanged(uint32_t a_Kind, const std::string& a_rDirectory,
                          tStatusRecord* a_pStatus);
    // Refreshes the kind and returns its map, or null with the failure in the status.
    const tDescriptionMap* kindDescriptions(uint32_t a_Kind, tStatusRecord* a_pStatus);
    static boost::shared_ptr<iPxiDeviceIni> createDescription(uint32_t a_Kind,
                                                              const std::string& a_rPath,
                                                              tStatusRecord* a_pStatus);

    boost::shared_ptr<tFastMutex> m_pLock;
    std::map<uint32_t, time_t> m_DirectoryTimes;
    std::map<uint32_t, tDescriptionMap> m_Descriptions;
};

}  // namespace QX_NS
