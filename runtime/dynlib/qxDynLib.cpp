#include "runtime/dynlib/qxDynLib.h"

#include "runtime/status/jsonz.h"

namespace QX_NS {
namespace qxdynlib {
namespace {

// Describes a failed dlopen or dlsym in the status, when the failure became its code.
// a_pDlError is the loader's text, read before anything else could replace it.
void describeFailure(tJsonStatus& a_rStatus, const tSourceLocation& a_rLocation,
                     const char* a_pDebug, const char* a_pSubjectName, const char* a_pSubject,
                     const char* a_pDlError) {
    if (a_rStatus.setWithLocation(qxapalerr_invalidParameter, a_rLocation)) {
        const jsonz::tWriter l_Writer = jsonz::writerFor(&a_rStatus);
        char* l_pPoint = a_rStatus.appendPoint(0);
        l_pPoint = jsonz::addObject(l_Writer, l_pPoint, "qxdynlib_debug");
        l_pPoint = jsonz::addString(l_Writer, l_pPoint, "debug", a_pDebug);
        l_pPoint = jsonz::addString(l_Writer, l_pPoint, a_pSubjectName,
                                    a_pSubject != nullptr ? a_pSubject : "");
        l_pPoint = jsonz::leaveObject(l_pPoint);
        l_pPoint = jsonz::addObject(l_Writer, l_pPoint, "internal_error");
        l_pPoint = jsonz::addString(l_Writer, l_pPoint, "api", "dlerror");
        jsonz::addString(l_Writer, l_pPoint, "string", a_pDlError != nullptr ? a_pDlError : "");
    }
    // Leave no stale text for the next caller on this thread.
    dlerror();
}

}  // namespace

void* load(const char* a_pPath, int a_Flags, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return nullptr;
    // A null path would open the calling program itself, never a service.
    void* l_pHandle = a_pPath != nullptr ? dlopen(a_pPath, a_Flags) : nullptr;
    if (l_pHandle != nullptr)
        return l_pHandle;
    const char* l_pError = a_pPath != nullptr ? dlerror() : nullptr;
    describeFailure(a_rStatus, QX_LOCATION("qxapalerr_invalidParameter"),
                    "failed to qxdynlib_load library", "path", a_pPath, l_pError);
    return nullptr;
}

void* lookup(void* a_pHandle, const char* a_pName, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return nullptr;
    // A null handle would search every loaded library; a binding that failed to load has none.
    void* l_pAddress = nullptr;
    const char* l_pError = nullptr;
    if (a_pHandle != nullptr && a_pName != nullptr) {
        dlerror();
        l_pAddress = dlsym(a_pHandle, a_pName);
        if (l_pAddress != nullptr)
            return l_pAddress;
        l_pError = dlerror();
    }
    describeFailure(a_rStatus, QX_LOCATION("qxapalerr_invalidParameter"), "failed to get symbol",
                    "qxdynlib_symbol", a_pName, l_pError);
    return nullptr;
}

void unload(void* a_pHandle) {
    if (a_pHandle != nullptr)
        (void)dlclose(a_pHandle);
}

}  // namespace qxdynlib

tDynLibBinding::~tDynLibBinding() {
    qxdynlib::unload(m_pHandle);
    m_pHandle = nullptr;
}

void tDynLibBinding::open(const char* a_pPath, tJsonStatus& a_rStatus) {
    if (m_pHandle != nullptr)
        return;
    m_pHandle = qxdynlib::load(a_pPath, qxdynlib::kDefaultFlags, a_rStatus);
}

void tDynLibBinding::bindTable(tJsonStatus& a_rStatus) {
    for (tEntry* l_pEntry = m_pFirst; l_pEntry != nullptr; l_pEntry = l_pEntry->m_pNext)
        l_pEntry->m_pAddress = lookupSlot(l_pEntry->m_pName, a_rStatus);
}

void tDynLibBinding::bindService(const char* a_pPath, int32_t a_NotLoadedCode,
                                 const tSourceLocation& a_rLocation, tJsonStatus& a_rStatus) {
    // Each step does nothing once the status holds an error (and binding needs a handle).
    open(a_pPath, a_rStatus);
    bindTable(a_rStatus);
    requireBound(isTableBound(), a_NotLoadedCode, a_rLocation, a_rStatus);
}

bool tDynLibBinding::isTableBound() const {
    for (const tEntry* l_pEntry = m_pFirst; l_pEntry != nullptr; l_pEntry = l_pEntry->m_pNext) {
        if (!l_pEntry->isBound())
            return false;
    }
    return true;
}

void* tDynLibBinding::lookupSlot(const char* a_pName, tJsonStatus& a_rStatus) {
    if (m_pHandle == nullptr)
        return nullptr;
    if (!a_rStatus.isError())
        return qxdynlib::lookup(m_pHandle, a_pName, a_rStatus);
    // A name that failed earlier keeps the status; the rest of the table is still bound.
    tJsonStatus l_Ignored;
    return qxdynlib::lookup(m_pHandle, a_pName, l_Ignored);
}

void tDynLibBinding::requireBound(bool a_AllBound, int32_t a_NotLoadedCode,
                                  const tSourceLocation& a_rLocation, tJsonStatus& a_rStatus) {
    if (a_rStatus.isError() || a_AllBound)
        return;
    a_rStatus.setWithLocationNoConstant(a_NotLoadedCode, a_rLocation);
}

}  // namespace QX_NS
