#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"

#include <mutex>
#include <new>

#include <boost/make_shared.hpp>

#include "config/pxiFilePaths/cPxiFilePaths.h"
#include "config/pxiHardwareDatabase/cChassisDescIni.h"
#include "config/pxiHardwareDatabase/cPxi1EmbeddedControllerIni.h"
#include "config/pxiHardwareDatabase/cPxieChassisDriverDescIni.h"
#include "config/pxiHardwareDatabase/cPxieEmbeddedControllerIni.h"
#include "config/pxiHardwareDatabase/cPxieRemoteControllerIni.h"
#include "runtime/status/qxStatusCodes.h"

namespace QX_NS {

namespace {

// The highest kind bit; kinds are visited from it down to bit 0.
constexpr uint32_t kHighestKind = 2048;

std::mutex s_InstanceGuard;
cPxiSvDeviceDbManager* s_pInstance = nullptr;

void releaseFastMutex(tFastMutex* a_pMutex) {
    destroyFastMutex(*a_pMutex);
    delete a_pMutex;
}

// The directory as a literal part of a glob pattern.
std::string escapeForGlob(const std::string& a_rText) {
    std::string l_Escaped;
    l_Escaped.reserve(a_rText.size() + 8);
    for (const char l_Char : a_rText) {
        if (l_Char == '*' || l_Char == '?' || l_Char == '[' || l_Char == ']' || l_Char == '\\') {
            l_Escaped.push_back('\\');
        }
        l_Escaped.push_back(l_Char);
    }
    return l_Escaped;
}

}  // namespace

void cPxiSvDeviceDbManager::createInstance(tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    std::lock_guard<std::mutex> l_Guard(s_InstanceGuard);
    if (s_pInstance != nullptr)
        return;
    cPxiSvDeviceDbManager* l_pManager = new (std::nothrow) cPxiSvDeviceDbManager();
    if (l_pManager == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return;
    }
    l_pManager->initialise(a_pStatus);
    if (a_pStatus->isError()) {
        delete l_pManager;
        return;
    }
    s_pInstance = l_pManager;
}

void cPxiSvDeviceDbManager::getInstance(cPxiSvDeviceDbManager** a_ppManager,
                                        tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    std::lock_guard<std::mutex> l_Guard(s_InstanceGuard);
    if (s_pInstance == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusNotInitialized);
        return;
    }
    if (a_ppManager == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    *a_ppManager = s_pInstance;
}

void cPxiSvDeviceDbManager::destroyInstance() {
    cPxiSvDeviceDbManager* l_pManager = nullptr;
    {
        std::lock_guard<std::mutex> l_Guard(s_InstanceGuard);
        l_pManager = s_pInstance;
        s_pInstance = nullptr;
    }
    delete l_pManager;
}

cPxiSvDeviceDbManager::~cPxiSvDeviceDbManager() {
    // Descriptions first, the lock last.
    m_Descriptions.clear();
    m_DirectoryTimes.clear();
    m_pLock.reset();
}

void cPxiSvDeviceDbManager::initialise(tStatusRecord* a_pStatus) {
    tFastMutex* l_pMutex = new (std::nothrow) tFastMutex();
    if (l_pMutex == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return;
    }
    try {
        m_pLock.reset(l_pMutex, releaseFastMutex);
    } catch (...) {
        // boost::shared_ptr has already released the mutex through its deleter.
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return;
    }
    createFastMutex(*m_pLock, a_pStatus);
    if (!a_pStatus->isError() && !m_pLock->initialised) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
    }
}

void cPxiSvDeviceDbManager::listIdentities(tPxiDeviceKindMask a_KindMask,
                                           tIdentityList& a_rIdentities, tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    tFastMutexLock l_Lock(*m_pLock);
    try {
        for (uint32_t l_Kind = kHighestKind; l_Kind != 0; l_Kind >>= 1) {
            if ((a_KindMask & l_Kind) == 0)
                continue;
            const tDescriptionMap* l_pMap = kindDescriptions(l_Kind, a_pStatus);
            if (l_pMap == nullptr)
                return;
            for (const auto& l_rEntry : *l_pMap)
                a_rIdentities.push_back(l_rEntry.first);
        }
    } catch (...) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

void cPxiSvDeviceDbManager::findDescription(tPxiDeviceKindMask a_KindMask, const char* a_pVendor,
                                            const char* a_pModel, iPxiDeviceIni** a_ppDescription,
                                            tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError() || a_ppDescription == nullptr)
        return;
    if (a_pVendor == nullptr || a_pModel == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    tFastMutexLock l_Lock(*m_pLock);
    try {
        const tIdentity l_Identity(a_pVendor, a_pModel);
        for (uint32_t l_Kind = kHighestKind; l_Kind != 0; l_Kind >>= 1) {
            if ((a_KindMask & l_Kind) == 0)
                continue;
            const tDescriptionMap* l_pMap = kindDescriptions(l_Kind, a_pStatus);
            if (l_pMap == nullptr)
                return;
            const auto l_Found = l_pMap->find(l_Identity);
            if (l_Found != l_pMap->end()) {
                *a_ppDescription = l_Found->second.get();
                return;
            }
        }
    } catch (...) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return;
    }
    QX_SET_STATUS_P(a_pStatus, kStatusDbNotFound);
}

const cPxiSvDeviceDbManager::tDescriptionMap* cPxiSvDeviceDbManager::kindDescriptions(
    uint32_t a_Kind, tStatusRecord* a_pStatus) {
    refreshKind(a_Kind, a_pStatus);
    if (a_pStatus->isError())
        return nullptr;
    const auto l_Found = m_Descriptions.find(a_Kind);
    if (l_Found == m_Descriptions.end()) {
        QX_SET_STATUS_P(a_pStatus, kStatusDbKindInvalid);
        return nullptr;
    }
    return &l_Found->second;
}

void cPxiSvDeviceDbManager::refreshKind(uint32_t a_Kind, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    std::string l_Directory;
    cPxiFilePaths::getDescriptionDirectory(a_Kind, l_Directory, a_pStatus);
    if (a_pStatus->isError())
        return;
    const bool l_Changed = directoryChanged(a_Kind, l_Directory, a_pStatus);
    if (!l_Changed && m_Descriptions.count(a_Kind) != 0)
        return;
    try {
        scanKind(a_Kind, l_Directory, a_pStatus);
    } catch (...) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
    if (a_pStatus->isError()) {
        // A failed scan must not stand until the directory changes again: forget the
        // directory's time so that the next call scans once more.
        m_DirectoryTimes.erase(a_Kind);
    }
}

void cPxiSvDeviceDbManager::scanKind(uint32_t a_Kind, const std::string& a_rDirectory,
                                     tStatusRecord* a_pStatus) {
    const auto l_Existing = m_Descriptions.find(a_Kind);
    const bool l_IsNew = (l_Existing == m_Descriptions.end());
    tDescriptionMap l_NewMap;
    tDescriptionMap& l_rTarget = l_IsNew ? l_NewMap : l_Existing->second;

    std::vector<std::string> l_Files;
    const std::string l_Pattern = escapeForGlob(a_rDirectory) + "*.ini";
    cPxiFilePaths::findFiles(l_Pattern.c_str(), l_Files, a_pStatus);
    if (a_pStatus->isError())
        return;

    for (const std::string& l_rPath : l_Files) {
        // A broken file is skipped; its failure must not disturb the caller's record.
        tStatusRecord l_FileStatus;
        boost::shared_ptr<iPxiDeviceIni> l_pDescription =
            createDescription(a_Kind, l_rPath, &l_FileStatus);
        if (l_FileStatus.isError() || !l_pDescription)
            continue;

        tIdentity l_Identity;
        l_pDescription->getVendor(l_Identity.first, a_pStatus);
        l_pDescription->getModel(l_Identity.second, a_pStatus);
        if (a_pStatus->isError())
            return;
        // The first file in name order wins; a later file of a known identity is dropped.
        l_rTarget.emplace(std::move(l_Identity), std::move(l_pDescription));
    }
    if (l_IsNew)
        m_Descriptions.emplace(a_Kind, std::move(l_NewMap));
}

bool cPxiSvDeviceDbManager::directoryChanged(uint32_t a_Kind, const std::string& a_rDirectory,
                                             tStatusRecord* a_pStatus) {
    tStatusRecord l_TimeStatus;
    time_t l_Modified = 0;
    cPxiFilePaths::getFileTimes(a_rDirectory.c_str(), &l_Modified, nullptr, &l_TimeStatus);
    if (l_TimeStatus.isError()) {
        // No directory reads as an unchanged one with no files.
        QX_SET_STATUS_P(a_pStatus, kStatusNoFilesMatched);
        return false;
    }
    const auto l_Remembered = m_DirectoryTimes.find(a_Kind);
    if (l_Remembered == m_DirectoryTimes.end()) {
        m_DirectoryTimes.emplace(a_Kind, l_Modified);
        return true;
    }
    const bool l_Changed = (l_Remembered->second != l_Modified);
    l_Remembered->second = l_Modified;
    return l_Changed;
}

boost::shared_ptr<iPxiDeviceIni> cPxiSvDeviceDbManager::createDescription(
    uint32_t a_Kind, const std::string& a_rPath, tStatusRecord* a_pStatus) {
    boost::shared_ptr<iPxiDeviceIni> l_pDescription;
    try {
        switch (a_Kind) {
            case kPxiDeviceKindPxi1EmbeddedController:
                l_pDescription = boost::make_shared<cPxi1EmbeddedControllerIni>();
                break;
            case kPxiDeviceKindPxieChassisDriver:
                l_pDescription = boost::make_shared<cPxieChassisDriverDescIni>();
                break;
            case kPxiDeviceKindPxieEmbeddedController:
                l_pDescription = boost::make_shared<cPxieEmbeddedControllerIni>();
                break;
            case kPxiDeviceKindPxieRemoteController:
                l_pDescription = boost::make_shared<cPxieRemoteControllerIni>();
                break;
            case kPxiDeviceKindChassisStarTrigger:
            case kPxiDeviceKindChassisNoStarTrigger:
                l_pDescription = boost::make_shared<cChassisDescIni>();
                break;
            default:
                QX_SET_STATUS_P(a_pStatus, kStatusDbKindInvalid);
                return l_pDescription;
        }
    } catch (...) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return l_pDescription;
    }
    l_pDescription->open(a_rPath.c_str(), 0, a_pStatus);
    if (a_Kind == kPxiDeviceKindChassisStarTrigger ||
        a_Kind == kPxiDeviceKindChassisNoStarTrigger) {
        static_cast<const cChassisDescIni&>(*l_pDescription).checkKind(a_Kind, a_pStatus);
    }
    if (a_pStatus->isError())
        l_pDescription.reset();
    return l_pDescription;
}

}  // namespace QX_NS
