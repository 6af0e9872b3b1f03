// SMBus service over i2c-dev: the adapters of i2cAdapters.h, each session with its own
// cI2cBus. Sessions are shared so that a call in progress keeps its session alive even
// when another thread closes it meanwhile.
#include "qxpxi/services/qxsmbus.h"
#include "qxpxi/services/qxsmbus_linux.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "services/common/smBusSessions.h"
#include "services/linux/common/environment.h"
#include "services/linux/smbus/cI2cBus.h"

#define QXLINUX_EXPORT extern "C" __attribute__((visibility("default")))

namespace nQxLinux {
namespace {

constexpr int32_t kFeatureUnsupported = QXSMBUS_LINUX_FEATURE_UNSUPPORTED;
constexpr int32_t kInternalFault = QXSMBUS_LINUX_INTERNAL_FAULT;
constexpr int32_t kInvalidParameter = QXSMBUS_LINUX_INVALID_PARAMETER;
static_assert(kInvalidParameter == nQxSim::kSmBusInvalidParameter,
              "the Linux service answers the contract's codes");
constexpr int32_t kNotFound = QXSMBUS_LINUX_NOT_FOUND;

struct tSession {
    explicit tSession(tI2cAdapter a_Adapter) : bus(std::move(a_Adapter)) {}
    cI2cBus bus;
    std::mutex mutex;  // guards attribute1001
    int32_t attribute1001 = 0;
};

nQxSim::tSmBusSessions<tSession>& registry() {
    static nQxSim::tSmBusSessions<tSession> s_Registry;
    return s_Registry;
}

template <typename tBody>
int32_t withSession(void* a_pSession, tBody&& a_Body) {
    try {
        const std::shared_ptr<tSession> l_pSession = registry().find(a_pSession);
        if (!l_pSession) {
            return kInvalidParameter;
        }
        return a_Body(*l_pSession);
    } catch (...) {
        return kInternalFault;
    }
}

// The chassis EEPROM's address, 8-bit: QXPXI_SMBUS_EEPROM_ADDRESS or 0xA4.
uint8_t chassisEepromAddress() {
    const std::string l_Text = pathFromEnvironment("QXPXI_SMBUS_EEPROM_ADDRESS", "0xA4");
    char* l_pEnd = nullptr;
    const unsigned long l_Value = std::strtoul(l_Text.c_str(), &l_pEnd, 0);
    return *l_pEnd == '\0' && l_Value <= 0xFF ? static_cast<uint8_t>(l_Value) : 0xA4;
}

void** openList(uint32_t* a_pCount, int32_t* a_pStatus) {
    int32_t l_Unused = 0;
    int32_t& l_rStatus = a_pStatus != nullptr ? *a_pStatus : l_Unused;
    try {
        if (a_pCount == nullptr) {
            l_rStatus = kInvalidParameter;
            return nullptr;
        }
        *a_pCount = 0;
        std::vector<tI2cAdapter> l_Adapters = findI2cAdapters();
        if (l_Adapters.empty()) {
            l_rStatus = kNotFound;
            return nullptr;
        }
        std::vector<std::shared_ptr<tSession>> l_Sessions;
        for (tI2cAdapter& l_rAdapter : l_Adapters) {
            l_Sessions.push_back(std::make_shared<tSession>(std::move(l_rAdapter)));
        }
        void** l_pList = registry().addList(std::move(l_Sessions));
        *a_pCount = static_cast<uint32_t>(l_Adapters.size());
        l_rStatus = 0;
        return l_pList;
    } catch (...) {
        l_rStatus = kInternalFault;
        return nullptr;
    }
}

}  // namespace
}  // namespace nQxLinux

using namespace nQxLinux;

QXLINUX_EXPORT int32_t QXSMBusOpen(const char* resourceName, void** session) {
    try {
        if (resourceName == nullptr || session == nullptr) {
            return kInvalidParameter;
        }
        *session = nullptr;
        for (tI2cAdapter& l_rAdapter : findI2cAdapters()) {
            if (l_rAdapter.resource == resourceName) {
                *session = registry().add(std::make_shared<tSession>(std::move(l_rAdapter)));
                return 0;
            }
        }
        return kNotFound;
    } catch (...) {
        return kInternalFault;
    }
}

QXLINUX_EXPORT int32_t QXSMBusClose(void* session) {
    try {
        return registry().close(session);
    } catch (...) {
        return kInternalFault;
    }
}

QXLINUX_EXPORT int32_t QXSMBusGetAttribute(void* session, uint32_t attribute, void* value) {
    return withSession(session, [&](tSession& a_rSession) -> int32_t {
        if (value == nullptr) {
            return kInvalidParameter;
        }
        const tI2cAdapter& l_rAdapter = a_rSession.bus.adapter();
        switch (attribute) {
            case 1001: {
                std::lock_guard<std::mutex> l_Lock(a_rSession.mutex);
                *static_cast<int32_t*>(value) = a_rSession.attribute1001;
                return 0;
            }
            case 1002:
                *static_cast<int32_t*>(value) = 1;
                return 0;
            case 101:
                *static_cast<uint32_t*>(value) = l_rAdapter.subsystemVendorId;
                return 0;
            case 102:
                *static_cast<uint32_t*>(value) = l_rAdapter.subsystemId;
                return 0;
            case 103:
                *static_cast<uint32_t*>(value) = l_rAdapter.vendorId;
                return 0;
            case 104:
                *static_cast<uint32_t*>(value) = l_rAdapter.deviceId;
                return 0;
            case 105:
                *static_cast<uint16_t*>(value) = l_rAdapter.bus;
                return 0;
            case 106:
                *static_cast<uint16_t*>(value) = l_rAdapter.device;
                return 0;
            case 107:
                *static_cast<uint16_t*>(value) = l_rAdapter.function;
                return 0;
            case 301:
                *static_cast<const char**>(value) = l_rAdapter.resource.c_str();
                return 0;
            case 302:
                *static_cast<const char**>(value) = l_rAdapter.description.c_str();
                return 0;
            case QXSMBUS_LINUX_ATTR_LAST_ERROR:
                *static_cast<const char**>(value) = a_rSession.bus.lastError();
                return 0;
            default:
                return kFeatureUnsupported;
        }
    });
}

QXLINUX_EXPORT int32_t QXSMBusSetAttribute(void* session, uint32_t attribute, const void* value) {
    return withSession(session, [&](tSession& a_rSession) -> int32_t {
        if (value == nullptr) {
            return kInvalidParameter;
        }
        // Only the per-session attribute can be set; the others describe the adapter.
        if (attribute != 1001) {
            return kFeatureUnsupported;
        }
        std::lock_guard<std::mutex> l_Lock(a_rSession.mutex);
        a_rSession.attribute1001 = *static_cast<const int32_t*>(value);
        return 0;
    });
}

QXLINUX_EXPORT int32_t QXSMBusQuickWrite(void* session, uint8_t address) {
    return withSession(session,
                       [&](tSession& a_rSession) { return a_rSession.bus.quick(address, true); });
}

QXLINUX_EXPORT int32_t QXSMBusQuickRead(void* session, uint8_t address) {
    return withSession(session,
                       [&](tSession& a_rSession) { return a_rSession.bus.quick(address, false); });
}

QXLINUX_EXPORT int32_t QXSMBusSendByte(void* session, uint8_t address, uint8_t data, int32_t pec) {
    return withSession(session, [&](tSession& a_rSession) {
        return a_rSession.bus.sendByte(address, data, pec != 0);
    });
}

QXLINUX_EXPORT int32_t QXSMBusReceiveByte(void* session, uint8_t address, int32_t pec,
                                          uint8_t* data) {
    return withSession(session, [&](tSession& a_rSession) {
        return data == nullptr ? kInvalidParameter
                               : a_rSession.bus.receiveByte(address, pec != 0, *data);
    });
}

QXLINUX_EXPORT int32_t QXSMBusWriteByte(void* session, uint8_t address, uint8_t command,
                                        uint8_t data, int32_t pec) {
    return withSession(session, [&](tSession& a_rSession) {
        return a_rSession.bus.writeByte(address, command, data, pec != 0);
    });
}

QXLINUX_EXPORT int32_t QXSMBusReadByte(void* session, uint8_t address, uint8_t command, int32_t pec,
                                       uint8_t* data) {
    return withSession(session, [&](tSession& a_rSession) {
        return data == nullptr ? kInvalidParameter
                               : a_rSession.bus.readByte(address, command, pec != 0, *data);
    });
}

QXLINUX_EXPORT int32_t QXSMBusWriteWord(void* session, uint8_t address, uint8_t command,
                                        uint16_t data, int32_t pec) {
    return withSession(session, [&](tSession& a_rSession) {
        return a_rSession.bus.writeWord(address, command, data, pec != 0);
    });
}

QXLINUX_EXPORT int32_t QXSMBusReadWord(void* session, uint8_t address, uint8_t command, int32_t pec,
                                       uint16_t* data) {
    return withSession(session, [&](tSession& a_rSession) {
        return data == nullptr ? kInvalidParameter
                               : a_rSession.bus.readWord(address, command, pec != 0, *data);
    });
}

QXLINUX_EXPORT int32_t QXSMBusProcessCall(void* session, uint8_t address, uint8_t command,
                                          uint16_t data, int32_t pec, uint16_t* result) {
    return withSession(session, [&](tSession& a_rSession) {
        return result == nullptr
                   ? kInvalidParameter
                   : a_rSession.bus.processCall(address, command, data, pec != 0, *result);
    });
}

QXLINUX_EXPORT int32_t QXSMBusWriteBlock(void* session, uint8_t address, uint8_t command,
                                         uint8_t count, const uint8_t* data, int32_t pec) {
    return withSession(session, [&](tSession& a_rSession) {
        return a_rSession.bus.writeBlock(address, command, count, data, pec != 0);
    });
}

QXLINUX_EXPORT int32_t QXSMBusReadBlock(void* session, uint8_t address, uint8_t command,
                                        int32_t pec, uint8_t* count, uint8_t* buffer) {
    return withSession(session, [&](tSession& a_rSession) {
        return count == nullptr || buffer == nullptr
                   ? kInvalidParameter
                   : a_rSession.bus.readBlock(address, command, pec != 0, *count, buffer);
    });
}

QXLINUX_EXPORT int32_t QXSMBusGetChassisEEPROM(void* session, uint8_t offset, uint32_t length,
                                               uint8_t* buffer) {
    return withSession(session, [&](tSession& a_rSession) {
        return a_rSession.bus.readEeprom(chassisEepromAddress(), offset, length, buffer);
    });
}

QXLINUX_EXPORT int32_t QXSMBusReadI2CEEPROM(void* session, uint8_t deviceAddress, uint8_t offset,
                                            uint32_t length, uint8_t* buffer) {
    return withSession(session, [&](tSession& a_rSession) {
        return a_rSession.bus.readEeprom(deviceAddress, offset, length, buffer);
    });
}

// Firmware is never written through this service.
QXLINUX_EXPORT int32_t QXSMBusWriteFirmware(void* session, const uint8_t*, uint32_t) {
    return withSession(session, [](tSession&) { return kFeatureUnsupported; });
}

QXLINUX_EXPORT void** QXSMBusOpenList(uint32_t* count, int32_t* status) {
    return openList(count, status);
}

QXLINUX_EXPORT void** QXSMBusOpenListEx(uint32_t flags, uint32_t* count, int32_t* status) {
    (void)flags;
    return openList(count, status);
}

QXLINUX_EXPORT int32_t QXSMBusCloseList(uint32_t count, void** sessions) {
    try {
        return registry().closeList(count, sessions);
    } catch (...) {
        return kInternalFault;
    }
}
