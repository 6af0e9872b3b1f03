#include "runtime/status/qxerrException.h"

#include <exception>

#include "runtime/status/tJsonStatusScope.h"

namespace QX_NS {
namespace qxerr {

ExceptionBase::~ExceptionBase() = default;

Exception::Exception(const Exception& a_rOther) : ExceptionBase(), std::exception(a_rOther) {
    m_Status.copyFrom(a_rOther.m_Status);
}

Exception& Exception::operator=(const Exception& a_rOther) {
    if (this != &a_rOther)
        m_Status.copyFrom(a_rOther.m_Status);
    return *this;
}

Exception::~Exception() = default;

const char* Exception::what() const noexcept {
    return m_Status.text();
}

int32_t throwIfError(int32_t a_Code, const tSourceLocation& a_rLocation) {
    if (a_Code >= 0)
        return a_Code;
    Exception l_Exception;
    l_Exception.status().setWithLocation(a_Code, a_rLocation);
    throw l_Exception;
}

}  // namespace qxerr

tThrowingStatusRecord::~tThrowingStatusRecord() noexcept(false) {
    if (!m_Record.isError())
        return;
    // Throwing while another exception unwinds through this scope would terminate.
    if (std::uncaught_exceptions() > m_UncaughtAtStart)
        return;
    qxerr::Exception l_Exception;
    mergeRecordIntoJson(m_Record, &l_Exception.status());
    throw l_Exception;
}

int32_t convertCurrentException() noexcept {
    if (!std::current_exception())
        return qxapalerr_softwareFaultAPALInternalUseOnly;
    try {
        throw;
    } catch (const qxerr::Exception& l_rException) {
        const int32_t l_Code = l_rException.code();
        if (l_Code == qxapalerr_featureUnsupported)
            return kStatusSuccess;
        // An exception that holds no code still reports a failure.
        if (l_Code == 0)
            return qxapalerr_softwareFaultAPALInternalUseOnly;
        return l_Code;
    } catch (...) {
        return qxapalerr_softwareFaultAPALInternalUseOnly;
    }
}

}  // namespace QX_NS
