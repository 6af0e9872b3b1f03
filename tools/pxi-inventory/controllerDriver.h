// The controller driver service (libqxcntdrv.so.1), asked directly for the identity of
// the controller the machine is and for its peer-to-peer port list, which the system
// module library uses but does not hand out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pxi-inventory/cLibrary.h"

namespace nQxPxiInventory {

class cControllerDriver {
public:
    cControllerDriver();
    ~cControllerDriver();
    cControllerDriver(const cControllerDriver&) = delete;
    cControllerDriver& operator=(const cControllerDriver&) = delete;

    // 0 when a session is open; else the open status, or 1 when the service is absent.
    int32_t openStatus() const { return m_OpenStatus; }
    bool serviceFound() const { return m_Library.loaded(); }
    const std::string& serviceError() const { return m_Library.error(); }
    bool open() const { return m_pSession != nullptr; }

    int32_t text(uint32_t a_Attribute, std::string& a_rValue) const;
    int32_t u32(uint32_t a_Attribute, uint32_t& a_rValue) const;
    // Port keys (bus * 256 + first hop) of attributes 0x1006A500 + n, n below 0x2006A400.
    std::vector<uint32_t> ports() const;

private:
    using tOpen = int32_t(void**);
    using tClose = int32_t(void*);
    using tText = int32_t(void*, uint32_t, char*, uint64_t*);
    using tU32 = int32_t(void*, uint32_t, uint32_t*);

    cLibrary m_Library;
    tClose* m_pClose = nullptr;
    tText* m_pText = nullptr;
    tU32* m_pU32 = nullptr;
    void* m_pSession = nullptr;
    int32_t m_OpenStatus = 1;
};

// What the service answers an open with on a machine that has no controller driver: an
// answer, not a failure.
constexpr int32_t kCntDrvNoController = -26934;

// The port key of a slot path text without "MR" ("00:08,00,E0"): bus * 256 + first hop;
// false when the text does not hold a hexadecimal bus, ":" and a hop.
bool slotPathPortKey(const std::string& a_rPath, uint32_t& a_rKey);

}  // namespace nQxPxiInventory
