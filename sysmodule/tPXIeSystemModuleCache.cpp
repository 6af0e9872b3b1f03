// The container of the system module cache: creation, filing, removal, count, lookups.
#include "sysmodule/tPXIeSystemModuleCache.h"

#include <iterator>

namespace QX_NS {

void tPXIeSystemModuleCache::create(tStatusRecord* a_pStatus) {
    tStatusRecord l_Lock;
    createFastMutex(m_Lock, &l_Lock);
    m_LockCreated = m_Lock.initialised;
    a_pStatus->merge(l_Lock);
}

void tPXIeSystemModuleCache::destroy() {
    m_ByName.clear();
    m_ByIdentity.clear();
    if (m_LockCreated) {
        destroyFastMutex(m_Lock);
        m_LockCreated = false;
    }
}

bool tPXIeSystemModuleCache::add(const tModulePtr& a_rModule) {
    if (!a_rModule || m_ByName.find(a_rModule->getModuleName()) != m_ByName.end())
        return false;
    // A multimap places an element after those with an equal key: creation order.
    const tByIdentity::iterator l_Position =
        m_ByIdentity.emplace(tIdentity(a_rModule->getVendor(), a_rModule->getModel()), a_rModule);
    try {
        m_ByName.emplace(std::string_view(a_rModule->getModuleName()), l_Position);
    } catch (...) {
        m_ByIdentity.erase(l_Position);
        throw;
    }
    return true;
}

void tPXIeSystemModuleCache::remove(const char* a_pVendor, const char* a_pModel) {
    const auto l_Range = m_ByIdentity.equal_range(
        std::make_pair(std::string_view(a_pVendor), std::string_view(a_pModel)));
    for (auto l_It = l_Range.first; l_It != l_Range.second; ++l_It)
        m_ByName.erase(std::string_view(l_It->second->getModuleName()));
    m_ByIdentity.erase(l_Range.first, l_Range.second);
}

int32_t tPXIeSystemModuleCache::count(const char* a_pVendor, const char* a_pModel,
                                      tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return 0;
    const auto l_Range = m_ByIdentity.equal_range(
        std::make_pair(std::string_view(a_pVendor), std::string_view(a_pModel)));
    return static_cast<int32_t>(std::distance(l_Range.first, l_Range.second));
}

tPXIeSystemModuleCache::tModulePtr tPXIeSystemModuleCache::find(const char* a_pVendor,
                                                                const char* a_pModel,
                                                                int32_t a_Index,
                                                                tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return tModulePtr();
    if (a_Index >= 1) {
        auto l_It = m_ByIdentity.lower_bound(
            std::make_pair(std::string_view(a_pVendor), std::string_view(a_pModel)));
        for (int32_t l_Step = 1; l_It != m_ByIdentity.end(); ++l_Step, ++l_It) {
            if (l_It->first.first != a_pVendor || l_It->first.second != a_pModel)
                break;
            if (l_Step == a_Index)
                return l_It->second;
        }
    }
    QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
    return tModulePtr();
}

tPXIeSystemModuleCache::tModulePtr tPXIeSystemModuleCache::find(const char* a_pModuleName,
                                                                tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return tModulePtr();
    const auto l_It = m_ByName.find(std::string_view(a_pModuleName));
    if (l_It == m_ByName.end()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return tModulePtr();
    }
    return l_It->second->second;
}

}  // namespace QX_NS
