#include "tools/pxi-inventory/controllerDriver.h"

#include <cstdlib>
#include <vector>

namespace nQxPxiInventory {

namespace {

constexpr int32_t kBufferTooSmall = -26930;

}  // namespace

cControllerDriver::cControllerDriver() : m_Library("libqxcntdrv.so.1", {}) {
    std::string l_Error;
    tOpen* l_pOpen = m_Library.symbol<tOpen>("QXCNTDRV_openController", l_Error);
    m_pClose = m_Library.symbol<tClose>("QXCNTDRV_closeController", l_Error);
    m_pText = m_Library.symbol<tText>("QXCNTDRV_getAttributeUTF8", l_Error);
    m_pU32 = m_Library.symbol<tU32>("QXCNTDRV_getAttributeU32", l_Error);
    if (l_pOpen == nullptr || m_pClose == nullptr || m_pText == nullptr || m_pU32 == nullptr) {
        return;
    }
    void* l_pSession = nullptr;
    m_OpenStatus = l_pOpen(&l_pSession);
    if (m_OpenStatus == 0) {
        m_pSession = l_pSession;
    }
}

cControllerDriver::~cControllerDriver() {
    if (m_pSession != nullptr) {
        m_pClose(m_pSession);
    }
}

int32_t cControllerDriver::text(uint32_t a_Attribute, std::string& a_rValue) const {
    if (m_pSession == nullptr) {
        return m_OpenStatus;
    }
    std::vector<char> l_Buffer(256);
    uint64_t l_Size = l_Buffer.size();
    int32_t l_Status = m_pText(m_pSession, a_Attribute, l_Buffer.data(), &l_Size);
    if (l_Status == kBufferTooSmall && l_Size > l_Buffer.size() && l_Size < (1u << 20)) {
        l_Buffer.resize(l_Size);
        l_Status = m_pText(m_pSession, a_Attribute, l_Buffer.data(), &l_Size);
    }
    if (l_Status == 0) {
        l_Buffer.back() = '\0';
        a_rValue = l_Buffer.data();
    }
    return l_Status;
}

int32_t cControllerDriver::u32(uint32_t a_Attribute, uint32_t& a_rValue) const {
    if (m_pSession == nullptr) {
        return m_OpenStatus;
    }
    return m_pU32(m_pSession, a_Attribute, &a_rValue);
}

std::vector<uint32_t> cControllerDriver::ports() const {
    std::vector<uint32_t> l_Ports;
    uint32_t l_Count = 0;
    if (u32(0x2006A400, l_Count) != 0) {
        return l_Ports;
    }
    for (uint32_t l_Index = 0; l_Index < l_Count && l_Index < 256; ++l_Index) {
        std::string l_Path;
        uint32_t l_Key = 0;
        if (text(0x1006A500 + l_Index, l_Path) == 0 && slotPathPortKey(l_Path, l_Key)) {
            l_Ports.push_back(l_Key);
        }
    }
    return l_Ports;
}

bool slotPathPortKey(const std::string& a_rPath, uint32_t& a_rKey) {
    const char* l_pText = a_rPath.c_str();
    char* l_pRest = nullptr;
    const unsigned long l_Bus = std::strtoul(l_pText, &l_pRest, 16);
    if (l_pRest == l_pText || *l_pRest != ':' || l_Bus > 255) {
        return false;
    }
    const char* l_pHop = l_pRest + 1;
    const unsigned long l_Hop = std::strtoul(l_pHop, &l_pRest, 16);
    if (l_pRest == l_pHop || l_Hop > 255 || (*l_pRest != '\0' && *l_pRest != ',')) {
        return false;
    }
    a_rKey = static_cast<uint32_t>(l_Bus * 256 + l_Hop);
    return true;
}

}  // namespace nQxPxiInventory
