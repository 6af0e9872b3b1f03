#include "platform/pxismbuswrapper/cPxiSmBusListWrapper.h"

#include <exception>
#include <new>

#include <boost/make_shared.hpp>

#include "runtime/status/tJsonStatusScope.h"

namespace QX_NS {

cPxiSmBusListWrapper::cPxiSmBusListWrapper(uint32_t a_Version, tStatusRecord* a_pStatus)
    : m_Version(a_Version) {
    if (!openService(a_Version, a_pStatus))
        return;
    // The extended list is optional: its absence is not reported.
    tJsonStatus l_Optional;
    bind(m_OpenListEx, "QXSMBusOpenListEx", l_Optional);
    bindRequired(a_pStatus);
}

cPxiSmBusListWrapper::~cPxiSmBusListWrapper() {
    close();
}

void cPxiSmBusListWrapper::close() {
    // The adapters only adopted their sessions; drop them before the list closes them.
    m_Adapters.clear();
    if (m_pSessions != nullptr && m_CloseList.isBound()) {
        m_CloseList(m_Count, m_pSessions);
    }
    m_pSessions = nullptr;
    m_Count = 0;
}

void cPxiSmBusListWrapper::open(tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError()) {
        return;
    }
    close();
    if (!m_OpenList.isBound() || !m_CloseList.isBound()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        return;
    }
    uint32_t l_Count = 0;
    int32_t l_Code = 0;
    m_pSessions = m_OpenList(&l_Count, &l_Code);
    m_Count = m_pSessions != nullptr ? l_Count : 0;
    if (l_Code == kStatusNotFound) {
        // No adapter on this machine: an empty list, not an error.
        if (m_pSessions != nullptr) {
            m_CloseList(m_Count, m_pSessions);
        }
        m_pSessions = nullptr;
        m_Count = 0;
        return;
    }
    if (l_Code != 0) {
        QX_SET_STATUS_P(a_pStatus, l_Code);
        return;
    }
    for (uint32_t l_Index = 0; l_Index < m_Count; ++l_Index) {
        try {
            boost::shared_ptr<cQxSMBusWrapper> l_Adapter =
                boost::make_shared<cQxSMBusWrapper>(m_Version, m_pSessions[l_Index], a_pStatus);
            if (!a_pStatus->isError()) {
                m_Adapters.push_back(l_Adapter);
            }
        } catch (const std::bad_alloc&) {
            QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        } catch (...) {
            QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        }
    }
}

}  // namespace QX_NS
