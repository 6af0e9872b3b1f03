// qxerr::Exception: the one exception type the libraries throw themselves (only inside
// the embedded controller finder, converted at its entry points).
#pragma once

#include <exception>

#include "runtime/qxns.h"
#include "runtime/status/tJsonStatus.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {
namespace qxerr {

class ExceptionBase {
public:
    ExceptionBase() = default;
    virtual ~ExceptionBase();
    tJsonStatus& status() { return m_Status; }
    const tJsonStatus& status() const { return m_Status; }

protected:
    tJsonStatus m_Status;
};

class Exception : public virtual ExceptionBase, public virtual std::exception {
public:
    Exception() = default;
    Exception(const Exception& a_rOther);
    Exception& operator=(const Exception& a_rOther);
    ~Exception() override;
    const char* what() const noexcept override;
    int32_t code() const { return m_Status.code; }
};

// Throws a qxerr::Exception for a negative code with the given location; returns the
// code unchanged otherwise.
int32_t throwIfError(int32_t a_Code, const tSourceLocation& a_rLocation);

}  // namespace qxerr

// A tStatusRecord that throws its error as qxerr::Exception at scope end (unless an
// exception is already propagating).
class tThrowingStatusRecord {
public:
    tThrowingStatusRecord() = default;
    ~tThrowingStatusRecord() noexcept(false);
    tThrowingStatusRecord(const tThrowingStatusRecord&) = delete;
    tThrowingStatusRecord& operator=(const tThrowingStatusRecord&) = delete;
    tStatusRecord* get() { return &m_Record; }
    tStatusRecord& record() { return m_Record; }

private:
    tStatusRecord m_Record;
    // Exceptions already in flight when the scope began (it may live in a destructor).
    int m_UncaughtAtStart = std::uncaught_exceptions();
};

// The catch-all of an exception-converting entry point: qxerr::Exception gives its code
// (-52002 becomes 0), anything else -52003. Call only from inside a catch block.
int32_t convertCurrentException() noexcept;

}  // namespace QX_NS

// Throws a negative result of an outside call as qxerr::Exception ("l_MacroStatus").
#define QX_THROW_IF_ERROR(expr) ::QX_NS::qxerr::throwIfError((expr), QX_LOCATION("l_MacroStatus"))

// Wraps an entry point body: returns its code, or the converted exception.
#define QX_ENTRY_CONVERT(body)                     \
    try {                                          \
        body                                       \
    } catch (...) {                                \
        return ::QX_NS::convertCurrentException(); \
    }
