// cByteString: the growable byte string that slot paths write their text into. Always
// NUL-terminated; growth failures are reported through the caller's status record
// instead of an exception. Used by one thread at a time; no lock.
#pragma once

#include <cstddef>

#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

class cByteString {
public:
    // The smallest capacity a growing string takes.
    static constexpr size_t kMinimumCapacity = 127;

    cByteString() = default;
    ~cByteString();
    cByteString(const cByteString&) = delete;
    cByteString& operator=(const cByteString&) = delete;
    cByteString(cByteString&& a_rOther) noexcept;
    cByteString& operator=(cByteString&& a_rOther) noexcept;

    // The text; "" when nothing was ever written.
    const char* c_str() const { return m_pBuffer != nullptr ? m_pBuffer : ""; }
    size_t length() const { return m_Length; }
    size_t capacity() const { return m_Capacity; }

    // Length 0; the buffer is kept.
    void clear();
    // Appends a_Count bytes. Does nothing on an error status; a failed growth records
    // -52000 and leaves the text as it was.
    void append(const char* a_pBytes, size_t a_Count, tStatusRecord* a_pStatus);
    void append(const char* a_pText, tStatusRecord* a_pStatus);
    // Makes room for a_Needed characters plus the terminator.
    bool reserve(size_t a_Needed, tStatusRecord* a_pStatus);

private:
    char* m_pBuffer = nullptr;
    size_t m_Capacity = 0;  // characters that fit, the terminator not counted
    size_t m_Length = 0;
};

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
