#include "platform/pxismbuswrapper/cSMBusWrapperFactory.h"

#include <cstring>
#include <new>

#include <boost/make_shared.hpp>

#include "platform/pxismbuswrapper/cHpeSMBusWrapper.h"
#include "platform/pxismbuswrapper/cQxSMBusWrapper.h"

namespace QX_NS {

namespace {

enum class tAdapterKind { service, hpe };

struct tPrefix {
    const char* prefix;
    tAdapterKind kind;
    uint32_t version;
};

const tPrefix kPrefixes[] = {
    {"QXUSB8", tAdapterKind::service, 1},  {"AARDVARK", tAdapterKind::service, 1},
    {"QXSMBUS", tAdapterKind::service, 1}, {"PXI", tAdapterKind::service, 1},
    {"KTSMBUS", tAdapterKind::service, 2}, {"HPSMBUS", tAdapterKind::hpe, 0},
};

}  // namespace

void cSMBusWrapperFactory::create(const char* a_pResourceName,
                                  boost::shared_ptr<iSMBusWrapper>& a_rWrapper,
                                  tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError()) {
        return;
    }
    const tPrefix* l_pMatch = nullptr;
    if (a_pResourceName != nullptr) {
        for (const tPrefix& l_rPrefix : kPrefixes) {
            if (strncmp(a_pResourceName, l_rPrefix.prefix, strlen(l_rPrefix.prefix)) == 0) {
                l_pMatch = &l_rPrefix;
                break;
            }
        }
    }
    if (l_pMatch == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }
    boost::shared_ptr<iSMBusWrapper> l_Wrapper;
    try {
        if (l_pMatch->kind == tAdapterKind::hpe) {
            l_Wrapper = boost::make_shared<cHpeSMBusWrapper>();
        } else {
            l_Wrapper = boost::make_shared<cQxSMBusWrapper>(l_pMatch->version, a_pStatus);
        }
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return;
    }
    l_Wrapper->Open(a_pResourceName, a_pStatus);
    if (a_pStatus->isError()) {
        // A session that opened before a later step failed is not handed out: close it.
        l_Wrapper->Close();
        return;
    }
    a_rWrapper = l_Wrapper;
}

}  // namespace QX_NS
