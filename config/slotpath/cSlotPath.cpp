#include "config/slotpath/cSlotPath.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "runtime/process/qxAllocate.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

namespace {

// "MR" plus two bus digits and the colon: where hops start in the prefixed form,
// whatever those five characters really are.
constexpr size_t kPrefixLength = 5;

}  // namespace

cSlotPath::cSlotPath(const char* a_pText, tStatusRecord* a_pStatus) {
    parse(a_pText, a_pStatus);
}

cSlotPath::~cSlotPath() {
    clear();
}

cSlotPath::cSlotPath(cSlotPath&& a_rOther) noexcept {
    takeFrom(a_rOther);
}

cSlotPath& cSlotPath::operator=(cSlotPath&& a_rOther) noexcept {
    if (this != &a_rOther) {
        clear();
        takeFrom(a_rOther);
    }
    return *this;
}

void cSlotPath::takeFrom(cSlotPath& a_rOther) {
    m_Bus = a_rOther.m_Bus;
    m_pFirst = a_rOther.m_pFirst;
    m_pLast = a_rOther.m_pLast;
    m_HopCount = a_rOther.m_HopCount;
    a_rOther.m_pFirst = nullptr;
    a_rOther.m_pLast = nullptr;
    a_rOther.m_HopCount = 0;
}

void cSlotPath::clear() {
    while (m_pFirst != nullptr)
        removeFirstHop();
}

void cSlotPath::removeFirstHop() {
    tHop* l_pHop = m_pFirst;
    if (l_pHop == nullptr)
        return;
    m_pFirst = l_pHop->pNext;
    if (m_pFirst != nullptr) {
        m_pFirst->pPrevious = nullptr;
    } else {
        m_pLast = nullptr;
    }
    --m_HopCount;
    l_pHop->~tHop();
    releaseObject(l_pHop);
}

void cSlotPath::appendHop(uint8_t a_Hop, tStatusRecord* a_pStatus) {
    void* l_pMemory = allocateObject(sizeof(tHop), a_pStatus);
    if (l_pMemory == nullptr)
        return;
    tHop* l_pHop = new (l_pMemory) tHop{m_pLast, nullptr, a_Hop};
    if (m_pLast != nullptr) {
        m_pLast->pNext = l_pHop;
    } else {
        m_pFirst = l_pHop;
    }
    m_pLast = l_pHop;
    ++m_HopCount;
}

void cSlotPath::parse(const char* a_pText, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError())
        return;
    clear();
    m_Bus = 0;
    if (a_pText == nullptr) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
        return;
    }

    const char* l_pHops = a_pText;
    unsigned int l_PrefixedBus = 0;
    unsigned char l_DecimalBus = 0;
    char l_Separator = '\0';
    if (std::sscanf(a_pText, "MR%02X:", &l_PrefixedBus) == 1) {
        m_Bus = static_cast<uint8_t>(l_PrefixedBus);
        // The prefix may be shorter than five characters ("MR1"); never skip the end.
        l_pHops = a_pText + strnlen(a_pText, kPrefixLength);
    } else if (std::sscanf(a_pText, "%hhu%c", &l_DecimalBus, &l_Separator) == 2 &&
               l_Separator == ':') {
        m_Bus = l_DecimalBus;
        l_pHops = std::strchr(a_pText, ':') + 1;
    }
    parseHops(l_pHops, a_pStatus);
}

void cSlotPath::parseHops(const char* a_pText, tStatusRecord* a_pStatus) {
    const char* l_pHop = a_pText;
    while (*l_pHop != '\0') {
        unsigned int l_Value = 0;
        if (std::sscanf(l_pHop, "%02X", &l_Value) != 1) {
            QX_SET_STATUS_P(a_pStatus, kStatusInvalidArgument);
            return;
        }
        appendHop(static_cast<uint8_t>(l_Value & 0xFFu), a_pStatus);
        if (a_pStatus->isError())
            return;
        // The next hop follows a comma two places on and must not be empty; anything
        // else ends the list quietly. The terminator is never passed.
        if (l_pHop[1] == '\0' || l_pHop[2] != ',' || l_pHop[3] == '\0')
            return;
        l_pHop += 3;
    }
}

void cSlotPath::assign(const cSlotPath& a_rOther, tStatusRecord* a_pStatus) {
    if (a_pStatus->isError() || this == &a_rOther)
        return;
    // Copy aside first, so that a failure leaves this path as it was.
    cSlotPath l_Copy;
    l_Copy.m_Bus = a_rOther.m_Bus;
    for (const tHop* l_pHop = a_rOther.m_pFirst; l_pHop != nullptr; l_pHop = l_pHop->pNext) {
        l_Copy.appendHop(l_pHop->value, a_pStatus);
        if (a_pStatus->isError())
            return;
    }
    *this = std::move(l_Copy);
}

void cSlotPath::writeHops(cByteString& a_rOut, tStatusRecord* a_pStatus) const {
    for (const tHop* l_pHop = m_pFirst; l_pHop != nullptr; l_pHop = l_pHop->pNext) {
        char l_Text[4];
        std::snprintf(l_Text, sizeof l_Text, l_pHop->pNext != nullptr ? "%02X," : "%02X",
                      l_pHop->value);
        a_rOut.append(l_Text, a_pStatus);
    }
}

void cSlotPath::toString(cByteString& a_rOut, tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return;
    a_rOut.clear();
    char l_Prefix[8];
    std::snprintf(l_Prefix, sizeof l_Prefix, "MR%02X:", m_Bus);
    // Room for the whole text at once: the prefix and three characters per hop.
    if (!a_rOut.reserve(kPrefixLength + 3 * static_cast<size_t>(m_HopCount), a_pStatus))
        return;
    a_rOut.append(l_Prefix, a_pStatus);
    writeHops(a_rOut, a_pStatus);
}

void cSlotPath::toString(std::string& a_rOut, tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return;
    cByteString l_Text;
    toString(l_Text, a_pStatus);
    if (a_pStatus->isError())
        return;
    try {
        a_rOut.assign(l_Text.c_str(), l_Text.length());
    } catch (const std::bad_alloc&) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

size_t cSlotPath::hopsToString(cByteString& a_rOut, tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return 0;
    a_rOut.clear();
    writeHops(a_rOut, a_pStatus);
    return a_pStatus->isError() ? 0 : a_rOut.length();
}

int32_t cSlotPath::getBus(tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return -1;
    return m_Bus;
}

int32_t cSlotPath::getFirstHop(tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return -1;
    if (m_pFirst == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusSlotPathEmpty);
        return -1;
    }
    return m_pFirst->value;
}

bool cSlotPath::isUpstreamOf(const cSlotPath& a_rOther) const {
    if (m_Bus != a_rOther.m_Bus || a_rOther.m_HopCount <= m_HopCount)
        return false;
    const tHop* l_pMine = m_pLast;
    const tHop* l_pTheirs = a_rOther.m_pLast;
    for (; l_pMine != nullptr; l_pMine = l_pMine->pPrevious, l_pTheirs = l_pTheirs->pPrevious) {
        if (l_pMine->value != l_pTheirs->value)
            return false;
    }
    return true;
}

uint32_t cSlotPath::hopDistance(const cSlotPath& a_rOther, tStatusRecord* a_pStatus) const {
    if (a_pStatus->isError())
        return kNoDistance;
    if (m_Bus != a_rOther.m_Bus)
        return 1 + m_HopCount + a_rOther.m_HopCount;
    // The shared run of hops next to the root bus is common ground; what remains on
    // either side is the way from one place to the other.
    uint32_t l_Common = 0;
    const tHop* l_pMine = m_pLast;
    const tHop* l_pTheirs = a_rOther.m_pLast;
    while (l_pMine != nullptr && l_pTheirs != nullptr && l_pMine->value == l_pTheirs->value) {
        ++l_Common;
        l_pMine = l_pMine->pPrevious;
        l_pTheirs = l_pTheirs->pPrevious;
    }
    return (m_HopCount - l_Common) + (a_rOther.m_HopCount - l_Common);
}

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
