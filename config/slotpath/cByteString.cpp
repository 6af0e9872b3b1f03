#include "config/slotpath/cByteString.h"

#include <cstring>
#include <limits>

#include "runtime/process/qxAllocate.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

cByteString::~cByteString() {
    releaseArray(m_pBuffer);
}

cByteString::cByteString(cByteString&& a_rOther) noexcept
    : m_pBuffer(a_rOther.m_pBuffer), m_Capacity(a_rOther.m_Capacity), m_Length(a_rOther.m_Length) {
    a_rOther.m_pBuffer = nullptr;
    a_rOther.m_Capacity = 0;
    a_rOther.m_Length = 0;
}

cByteString& cByteString::operator=(cByteString&& a_rOther) noexcept {
    if (this != &a_rOther) {
        releaseArray(m_pBuffer);
        m_pBuffer = a_rOther.m_pBuffer;
        m_Capacity = a_rOther.m_Capacity;
        m_Length = a_rOther.m_Length;
        a_rOther.m_pBuffer = nullptr;
        a_rOther.m_Capacity = 0;
        a_rOther.m_Length = 0;
    }
    return *this;
}

void cByteString::clear() {
    m_Length = 0;
    if (m_pBuffer != nullptr)
        m_pBuffer[0] = '\0';
}

bool cByteString::reserve(size_t a_Needed, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return false;
    if (a_Needed <= m_Capacity && m_pBuffer != nullptr)
        return true;
    // One byte more is taken for the terminator, so a_Needed itself must leave room.
    if (a_Needed >= std::numeric_limits<size_t>::max() / 2) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return false;
    }
    size_t l_Capacity = a_Needed;
    if (l_Capacity < kMinimumCapacity)
        l_Capacity = kMinimumCapacity;
    const size_t l_Grown = m_Capacity + m_Capacity / 2;
    if (l_Capacity < l_Grown)
        l_Capacity = l_Grown;
    char* l_pBuffer = static_cast<char*>(allocateArray(l_Capacity + 1, a_pStatus));
    if (l_pBuffer == nullptr)
        return false;
    if (m_Length > 0)
        std::memcpy(l_pBuffer, m_pBuffer, m_Length);
    l_pBuffer[m_Length] = '\0';
    releaseArray(m_pBuffer);
    m_pBuffer = l_pBuffer;
    m_Capacity = l_Capacity;
    return true;
}

void cByteString::append(const char* a_pBytes, size_t a_Count, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    if (a_Count > std::numeric_limits<size_t>::max() - m_Length) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
        return;
    }
    if (!reserve(m_Length + a_Count, a_pStatus))
        return;
    if (a_Count > 0)
        std::memcpy(m_pBuffer + m_Length, a_pBytes, a_Count);
    m_Length += a_Count;
    m_pBuffer[m_Length] = '\0';
}

void cByteString::append(const char* a_pText, tStatusRecord* a_pStatus) {
    append(a_pText, a_pText != nullptr ? std::strlen(a_pText) : 0, a_pStatus);
}

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
