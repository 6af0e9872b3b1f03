// Stand-in SMBus service: the adapters of the simulated machine, each with devices
// whose 256 bytes every transaction reads and writes. A device is addressed with the
// read/write bit in bit 0, which is ignored; the chassis EEPROM answers at 0xA4.
#include "qxpxi/services/qxsmbus.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "services/common/cMachine.h"
#include "services/common/machineStore.h"
#include "services/common/smBusSessions.h"
#include "services/common/tCallLine.h"

#define QXSIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace nQxSim {
namespace {

constexpr int32_t kFeatureUnsupported = -52002;
constexpr int32_t kInternalFault = -52003;
constexpr int32_t kInvalidParameter = kSmBusInvalidParameter;
constexpr int32_t kNotFound = -52006;
constexpr int32_t kMachineUnusable = -52010;
constexpr int32_t kNoAcknowledge = -52011;
constexpr uint8_t kChassisEepromAddress = 0xA4;

struct tSession {
    std::shared_ptr<cMachine> machine;
    size_t adapter = 0;
    int32_t attribute1001 = 0;
    uint64_t number = 0;      // names the session in the call log
    std::string resource;     // attribute 301, owned by the session
    std::string description;  // attribute 302
};

tSmBusSessions<tSession>& registry() {
    static tSmBusSessions<tSession> s_Registry;
    return s_Registry;
}

std::shared_ptr<tSession> newSession(const std::shared_ptr<cMachine>& a_rpMachine,
                                     size_t a_Adapter) {
    static std::atomic<uint64_t> s_Next{1};
    auto l_pSession = std::make_shared<tSession>();
    l_pSession->machine = a_rpMachine;
    l_pSession->adapter = a_Adapter;
    l_pSession->number = s_Next++;
    l_pSession->resource = a_rpMachine->m_Adapters[a_Adapter].resource;
    l_pSession->description = a_rpMachine->m_Adapters[a_Adapter].description;
    return l_pSession;
}

uint64_t numberOf(void* a_pSession) {
    const std::shared_ptr<tSession> l_pSession = registry().find(a_pSession);
    return l_pSession ? l_pSession->number : 0;
}

// Runs a_Body with the session's adapter under the machine's lock.
template <typename tBody>
int32_t withAdapter(const char* a_pFunction, void* a_pSession, tBody&& a_Body) {
    try {
        const std::shared_ptr<tSession> l_pSession = registry().find(a_pSession);
        if (!l_pSession) {
            return kInvalidParameter;
        }
        const std::shared_ptr<cMachine>& l_pMachine = l_pSession->machine;
        int32_t l_Status = 0;
        if (l_pMachine->takeFault(a_pFunction, l_Status)) {
            return l_Status;
        }
        std::lock_guard<std::mutex> l_Lock(l_pMachine->m_Mutex);
        return a_Body(l_pMachine->m_Adapters[l_pSession->adapter], *l_pSession);
    } catch (...) {
        return kInternalFault;
    }
}

tSmBusDevice* deviceAt(tSmBusAdapter& a_rAdapter, uint8_t a_Address) {
    auto l_Found = a_rAdapter.devices.find(static_cast<uint8_t>(a_Address & 0xFE));
    return l_Found == a_rAdapter.devices.end() ? nullptr : &l_Found->second;
}

// Reads or writes bytes of one device, refusing a range beyond its 256 bytes.
template <typename tBody>
int32_t onDevice(const char* a_pFunction, void* a_pSession, uint8_t a_Address, tBody&& a_Body) {
    return withAdapter(a_pFunction, a_pSession, [&](tSmBusAdapter& a_rAdapter, tSession&) {
        tSmBusDevice* l_pDevice = deviceAt(a_rAdapter, a_Address);
        if (l_pDevice == nullptr) {
            return kNoAcknowledge;
        }
        return a_Body(*l_pDevice);
    });
}

int32_t copyOut(const tSmBusDevice& a_rDevice, uint32_t a_Offset, uint32_t a_Length,
                uint8_t* a_pBuffer) {
    if (a_pBuffer == nullptr && a_Length != 0) {
        return kInvalidParameter;
    }
    if (static_cast<uint64_t>(a_Offset) + a_Length > a_rDevice.bytes.size()) {
        return kInvalidParameter;
    }
    if (a_Length != 0) {
        std::memcpy(a_pBuffer, a_rDevice.bytes.data() + a_Offset, a_Length);
    }
    return 0;
}

void** openList(const char* a_pFunction, uint32_t* a_pCount, int32_t* a_pStatus) {
    int32_t l_Unused = 0;
    int32_t& l_rStatus = a_pStatus != nullptr ? *a_pStatus : l_Unused;
    try {
        if (a_pCount == nullptr) {
            l_rStatus = kInvalidParameter;
            return nullptr;
        }
        *a_pCount = 0;
        std::shared_ptr<cMachine> l_pMachine = loadMachine();
        if (!l_pMachine) {
            l_rStatus = kMachineUnusable;
            return nullptr;
        }
        int32_t l_Fault = 0;
        if (l_pMachine->takeFault(a_pFunction, l_Fault)) {
            l_rStatus = l_Fault;
            return nullptr;
        }
        const size_t l_Count = l_pMachine->m_Adapters.size();
        if (l_Count == 0) {
            l_rStatus = kNotFound;
            return nullptr;
        }
        std::vector<std::shared_ptr<tSession>> l_Sessions;
        for (size_t l_Index = 0; l_Index < l_Count; ++l_Index) {
            l_Sessions.push_back(newSession(l_pMachine, l_Index));
        }
        void** l_pList = registry().addList(std::move(l_Sessions));
        *a_pCount = static_cast<uint32_t>(l_Count);
        l_rStatus = 0;
        return l_pList;
    } catch (...) {
        l_rStatus = kInternalFault;
        return nullptr;
    }
}

}  // namespace
}  // namespace nQxSim

using namespace nQxSim;

QXSIM_EXPORT int32_t QXSMBusOpen(const char* resourceName, void** session) {
    tCallLine l_Log("QXSMBusOpen");
    l_Log.text("resource", resourceName);
    try {
        if (resourceName == nullptr || session == nullptr) {
            return kInvalidParameter;
        }
        *session = nullptr;
        std::shared_ptr<cMachine> l_pMachine = loadMachine();
        if (!l_pMachine) {
            return kMachineUnusable;
        }
        int32_t l_Status = 0;
        if (l_pMachine->takeFault("QXSMBusOpen", l_Status)) {
            return l_Status;
        }
        for (size_t l_Index = 0; l_Index < l_pMachine->m_Adapters.size(); ++l_Index) {
            if (l_pMachine->m_Adapters[l_Index].resource == resourceName) {
                std::shared_ptr<tSession> l_pSession = newSession(l_pMachine, l_Index);
                const uint64_t l_Number = l_pSession->number;
                *session = registry().add(std::move(l_pSession));
                l_Log.dec("opened", static_cast<int64_t>(l_Number));
                return 0;
            }
        }
        return kNotFound;
    } catch (...) {
        return kInternalFault;
    }
}

QXSIM_EXPORT int32_t QXSMBusClose(void* session) {
    tCallLine l_Log("QXSMBusClose");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)));
    try {
        return registry().close(session);
    } catch (...) {
        return kInternalFault;
    }
}

QXSIM_EXPORT int32_t QXSMBusGetAttribute(void* session, uint32_t attribute, void* value) {
    tCallLine l_Log("QXSMBusGetAttribute");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session))).dec("attribute", attribute);
    return withAdapter(
        "QXSMBusGetAttribute", session,
        [&](tSmBusAdapter& a_rAdapter, tSession& a_rSession) -> int32_t {
            if (value == nullptr) {
                return kInvalidParameter;
            }
            if (attribute == 1001) {
                *static_cast<int32_t*>(value) = a_rSession.attribute1001;
                return 0;
            }
            if (attribute == 301 || attribute == 302) {
                const std::string& l_rText =
                    attribute == 301 ? a_rSession.resource : a_rSession.description;
                *static_cast<const char**>(value) = l_rText.c_str();
                return 0;
            }
            auto l_Found = a_rAdapter.attributes.find(attribute);
            if (l_Found == a_rAdapter.attributes.end()) {
                return kFeatureUnsupported;
            }
            if (attribute == 1002) {
                *static_cast<int32_t*>(value) = static_cast<int32_t>(l_Found->second);
            } else if (attribute >= 101 && attribute <= 104) {
                *static_cast<uint32_t*>(value) = static_cast<uint32_t>(l_Found->second);
            } else {
                *static_cast<uint16_t*>(value) = static_cast<uint16_t>(l_Found->second);
            }
            return 0;
        });
}

QXSIM_EXPORT int32_t QXSMBusSetAttribute(void* session, uint32_t attribute, const void* value) {
    tCallLine l_Log("QXSMBusSetAttribute");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session))).dec("attribute", attribute);
    if (value != nullptr && (attribute == 1001 || attribute == 1002)) {
        l_Log.dec("value", *static_cast<const int32_t*>(value));
    }
    return withAdapter("QXSMBusSetAttribute", session,
                       [&](tSmBusAdapter&, tSession& a_rSession) -> int32_t {
                           if (value == nullptr) {
                               return kInvalidParameter;
                           }
                           // Only the per-session attribute can be set; the others
                           // describe the adapter.
                           if (attribute != 1001) {
                               return kFeatureUnsupported;
                           }
                           a_rSession.attribute1001 = *static_cast<const int32_t*>(value);
                           return 0;
                       });
}

QXSIM_EXPORT int32_t QXSMBusQuickWrite(void* session, uint8_t address) {
    tCallLine l_Log("QXSMBusQuickWrite");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session))).hex("address", address);
    return onDevice("QXSMBusQuickWrite", session, address, [](tSmBusDevice&) { return 0; });
}

QXSIM_EXPORT int32_t QXSMBusQuickRead(void* session, uint8_t address) {
    tCallLine l_Log("QXSMBusQuickRead");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session))).hex("address", address);
    return onDevice("QXSMBusQuickRead", session, address, [](tSmBusDevice&) { return 0; });
}

// SendByte sets the device's register pointer; ReceiveByte reads there and moves on.
QXSIM_EXPORT int32_t QXSMBusSendByte(void* session, uint8_t address, uint8_t data, int32_t pec) {
    tCallLine l_Log("QXSMBusSendByte");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("address", address)
        .hex("data", data)
        .dec("pec", pec);
    return onDevice("QXSMBusSendByte", session, address, [&](tSmBusDevice& a_rDevice) {
        a_rDevice.pointer = data;
        return 0;
    });
}

QXSIM_EXPORT int32_t QXSMBusReceiveByte(void* session, uint8_t address, int32_t pec,
                                        uint8_t* data) {
    tCallLine l_Log("QXSMBusReceiveByte");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("address", address)
        .dec("pec", pec);
    return onDevice("QXSMBusReceiveByte", session, address, [&](tSmBusDevice& a_rDevice) {
        if (data == nullptr) {
            return kInvalidParameter;
        }
        *data = a_rDevice.bytes[a_rDevice.pointer];
        a_rDevice.pointer = static_cast<uint8_t>(a_rDevice.pointer + 1);
        return 0;
    });
}

QXSIM_EXPORT int32_t QXSMBusWriteByte(void* session, uint8_t address, uint8_t command, uint8_t data,
                                      int32_t pec) {
    tCallLine l_Log("QXSMBusWriteByte");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("address", address)
        .hex("command", command)
        .hex("data", data)
        .dec("pec", pec);
    return onDevice("QXSMBusWriteByte", session, address, [&](tSmBusDevice& a_rDevice) {
        a_rDevice.bytes[command] = data;
        return 0;
    });
}

QXSIM_EXPORT int32_t QXSMBusReadByte(void* session, uint8_t address, uint8_t command, int32_t pec,
                                     uint8_t* data) {
    tCallLine l_Log("QXSMBusReadByte");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("address", address)
        .hex("command", command)
        .dec("pec", pec);
    return onDevice("QXSMBusReadByte", session, address, [&](tSmBusDevice& a_rDevice) {
        if (data == nullptr) {
            return kInvalidParameter;
        }
        *data = a_rDevice.bytes[command];
        return 0;
    });
}

// Words are little-endian at command and command + 1; the last register has no
// second byte.
QXSIM_EXPORT int32_t QXSMBusWriteWord(void* session, uint8_t address, uint8_t command,
                                      uint16_t data, int32_t pec) {
    tCallLine l_Log("QXSMBusWriteWord");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("address", address)
        .hex("command", command)
        .hex("data", data)
        .dec("pec", pec);
    return onDevice("QXSMBusWriteWord", session, address, [&](tSmBusDevice& a_rDevice) {
        if (command == 0xFF) {
            return kInvalidParameter;
        }
        a_rDevice.bytes[command] = static_cast<uint8_t>(data & 0xFF);
        a_rDevice.bytes[command + 1] = static_cast<uint8_t>(data >> 8);
        return 0;
    });
}

QXSIM_EXPORT int32_t QXSMBusReadWord(void* session, uint8_t address, uint8_t command, int32_t pec,
                                     uint16_t* data) {
    tCallLine l_Log("QXSMBusReadWord");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("address", address)
        .hex("command", command)
        .dec("pec", pec);
    return onDevice("QXSMBusReadWord", session, address, [&](tSmBusDevice& a_rDevice) {
        if (data == nullptr || command == 0xFF) {
            return kInvalidParameter;
        }
        *data =
            static_cast<uint16_t>(a_rDevice.bytes[command] | (a_rDevice.bytes[command + 1] << 8));
        return 0;
    });
}

// A process call writes the word and answers the word that is then at the same place.
QXSIM_EXPORT int32_t QXSMBusProcessCall(void* session, uint8_t address, uint8_t command,
                                        uint16_t data, int32_t pec, uint16_t* result) {
    tCallLine l_Log("QXSMBusProcessCall");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("address", address)
        .hex("command", command)
        .hex("data", data)
        .dec("pec", pec);
    return onDevice("QXSMBusProcessCall", session, address, [&](tSmBusDevice& a_rDevice) {
        if (result == nullptr || command == 0xFF) {
            return kInvalidParameter;
        }
        a_rDevice.bytes[command] = static_cast<uint8_t>(data & 0xFF);
        a_rDevice.bytes[command + 1] = static_cast<uint8_t>(data >> 8);
        *result =
            static_cast<uint16_t>(a_rDevice.bytes[command] | (a_rDevice.bytes[command + 1] << 8));
        return 0;
    });
}

QXSIM_EXPORT int32_t QXSMBusWriteBlock(void* session, uint8_t address, uint8_t command,
                                       uint8_t count, const uint8_t* data, int32_t pec) {
    tCallLine l_Log("QXSMBusWriteBlock");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("address", address)
        .hex("command", command)
        .dec("count", count)
        .dec("pec", pec);
    return onDevice("QXSMBusWriteBlock", session, address, [&](tSmBusDevice& a_rDevice) {
        if (count == 0 || data == nullptr || command + count > 256) {
            return kInvalidParameter;
        }
        std::memcpy(a_rDevice.bytes.data() + command, data, count);
        return 0;
    });
}

// A block read answers 32 bytes from command, or the bytes up to the end of the
// device when fewer remain.
QXSIM_EXPORT int32_t QXSMBusReadBlock(void* session, uint8_t address, uint8_t command, int32_t pec,
                                      uint8_t* count, uint8_t* buffer) {
    tCallLine l_Log("QXSMBusReadBlock");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("address", address)
        .hex("command", command)
        .dec("pec", pec);
    return onDevice("QXSMBusReadBlock", session, address, [&](tSmBusDevice& a_rDevice) {
        if (count == nullptr || buffer == nullptr) {
            return kInvalidParameter;
        }
        const uint32_t l_Count = command < 224 ? 32u : 256u - command;
        std::memcpy(buffer, a_rDevice.bytes.data() + command, l_Count);
        *count = static_cast<uint8_t>(l_Count);
        return 0;
    });
}

QXSIM_EXPORT int32_t QXSMBusGetChassisEEPROM(void* session, uint8_t offset, uint32_t length,
                                             uint8_t* buffer) {
    tCallLine l_Log("QXSMBusGetChassisEEPROM");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .dec("offset", offset)
        .dec("length", length);
    return onDevice(
        "QXSMBusGetChassisEEPROM", session, kChassisEepromAddress,
        [&](tSmBusDevice& a_rDevice) { return copyOut(a_rDevice, offset, length, buffer); });
}

QXSIM_EXPORT int32_t QXSMBusReadI2CEEPROM(void* session, uint8_t deviceAddress, uint8_t offset,
                                          uint32_t length, uint8_t* buffer) {
    tCallLine l_Log("QXSMBusReadI2CEEPROM");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("address", deviceAddress)
        .dec("offset", offset)
        .dec("length", length);
    return onDevice("QXSMBusReadI2CEEPROM", session, deviceAddress, [&](tSmBusDevice& a_rDevice) {
        return copyOut(a_rDevice, offset, length, buffer);
    });
}

QXSIM_EXPORT int32_t QXSMBusWriteFirmware(void* session, const uint8_t* image, uint32_t imageSize) {
    tCallLine l_Log("QXSMBusWriteFirmware");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session))).dec("imageSize", imageSize);
    return withAdapter("QXSMBusWriteFirmware", session, [&](tSmBusAdapter&, tSession&) {
        return image == nullptr && imageSize != 0 ? kInvalidParameter : 0;
    });
}

QXSIM_EXPORT void** QXSMBusOpenList(uint32_t* count, int32_t* status) {
    tCallLine l_Log("QXSMBusOpenList");
    void** l_pList = openList("QXSMBusOpenList", count, status);
    l_Log.dec("count", count == nullptr ? -1 : static_cast<int64_t>(*count));
    return l_pList;
}

QXSIM_EXPORT void** QXSMBusOpenListEx(uint32_t flags, uint32_t* count, int32_t* status) {
    tCallLine l_Log("QXSMBusOpenListEx");
    l_Log.dec("flags", flags);
    void** l_pList = openList("QXSMBusOpenListEx", count, status);
    l_Log.dec("count", count == nullptr ? -1 : static_cast<int64_t>(*count));
    return l_pList;
}

QXSIM_EXPORT int32_t QXSMBusCloseList(uint32_t count, void** sessions) {
    tCallLine l_Log("QXSMBusCloseList");
    l_Log.dec("count", count).ptr("sessions", sessions);
    try {
        return registry().closeList(count, sessions);
    } catch (...) {
        return kInternalFault;
    }
}
