// cPxiSmBusListWrapper: every SMBus adapter the SMBus service knows, as one list.
//
// open() asks the service for the list of adapter sessions and wraps each in a
// cQxSMBusWrapper that adopts the session; the list closes all of them together, when it
// is opened again and when it is destroyed. An empty machine (-52006 from the service)
// is an empty list without error. Built for one discovery pass and used by one thread,
// under the system module library's cache lock.
#pragma once

#include <cstdint>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/pxismbuswrapper/cQxSMBusWrapper.h"
#include "runtime/qxns.h"

namespace QX_NS {

class cPxiSmBusListWrapper : public tQxSMBusBinding {
public:
    // Binds the list functions of the service (callers pass version 1; any other
    // version reports -52005). A missing QXSMBusOpenListEx is not an error.
    cPxiSmBusListWrapper(uint32_t a_Version, tStatusRecord* a_pStatus);
    ~cPxiSmBusListWrapper() override;

    // Enumerates the adapters, closing a list held before. Does nothing when a_pStatus
    // holds an error.
    void open(tStatusRecord* a_pStatus);
    // Closes the list held, if any, and drops its adapters.
    void close();

    uint32_t count() const { return m_Count; }
    // The adapters in the order the service listed them.
    const std::vector<boost::shared_ptr<cQxSMBusWrapper>>& adapters() const { return m_Adapters; }

private:
    uint32_t m_Count = 0;
    void** m_pSessions = nullptr;
    std::vector<boost::shared_ptr<cQxSMBusWrapper>> m_Adapters;
    uint32_t m_Version;
    // The required table; the extended list is bound on its own, as it is optional.
    tFunction<decltype(&::QXSMBusOpenList)> m_OpenList{*this, "QXSMBusOpenList"};
    tFunction<decltype(&::QXSMBusCloseList)> m_CloseList{*this, "QXSMBusCloseList"};
    decltype(&::QXSMBusOpenListEx) m_OpenListEx = nullptr;
};

}  // namespace QX_NS
