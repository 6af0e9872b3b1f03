// Stand-in controller driver service: answers from the "controller" section of the
// simulated machine. A session is a pointer to an object of this library; only
// pointers it handed out and that are still open are accepted.
#include "qxpxi/services/qxcntdrv.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "services/common/cMachine.h"
#include "services/common/machineStore.h"
#include "services/common/tCallLine.h"

#define QXSIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace nQxSim {
namespace {

constexpr int32_t kBufferTooSmall = -26930;
constexpr int32_t kInvalidSession = -26931;
constexpr int32_t kInvalidArgument = -26932;
constexpr int32_t kAttributeUnsupported = -26933;
constexpr int32_t kMachineUnusable = -26940;
constexpr int32_t kInternalFault = -26941;

struct tSession {
    std::shared_ptr<cMachine> machine;
    uint64_t number = 0;
};

struct tWatchdog {
    tSession* session = nullptr;
    bool running = false;
};

struct tRegistry {
    std::mutex mutex;
    uint64_t next = 1;
    std::set<tSession*> sessions;
    std::set<tWatchdog*> watchdogs;

    // Sessions a host left open go when the library is unloaded.
    ~tRegistry() {
        for (tWatchdog* l_pWatchdog : watchdogs) {
            delete l_pWatchdog;
        }
        for (tSession* l_pSession : sessions) {
            delete l_pSession;
        }
    }
};

tRegistry& registry() {
    static tRegistry s_Registry;
    return s_Registry;
}

// The machine of an open session, or null. The registry lock is held only for the look-up.
std::shared_ptr<cMachine> machineOf(void* a_pSession) {
    tRegistry& l_rRegistry = registry();
    std::lock_guard<std::mutex> l_Lock(l_rRegistry.mutex);
    auto* l_pSession = static_cast<tSession*>(a_pSession);
    if (l_rRegistry.sessions.count(l_pSession) == 0) {
        return nullptr;
    }
    return l_pSession->machine;
}

template <typename tBody>
int32_t withSession(const char* a_pFunction, void* a_pSession, tBody&& a_Body) {
    try {
        std::shared_ptr<cMachine> l_pMachine = machineOf(a_pSession);
        if (!l_pMachine) {
            return kInvalidSession;
        }
        int32_t l_Status = 0;
        if (l_pMachine->takeFault(a_pFunction, l_Status)) {
            return l_Status;
        }
        return a_Body(*l_pMachine);
    } catch (...) {
        return kInternalFault;
    }
}

template <typename tBody>
int32_t withWatchdog(const char* a_pFunction, void* a_pWatchdog, tBody&& a_Body) {
    try {
        std::shared_ptr<cMachine> l_pMachine;
        tRegistry& l_rRegistry = registry();
        {
            std::lock_guard<std::mutex> l_Lock(l_rRegistry.mutex);
            auto* l_pWatchdog = static_cast<tWatchdog*>(a_pWatchdog);
            if (l_rRegistry.watchdogs.count(l_pWatchdog) == 0) {
                return kInvalidSession;
            }
            l_pMachine = l_pWatchdog->session->machine;
        }
        int32_t l_Status = 0;
        if (l_pMachine->takeFault(a_pFunction, l_Status)) {
            return l_Status;
        }
        std::lock_guard<std::mutex> l_Lock(l_rRegistry.mutex);
        auto* l_pWatchdog = static_cast<tWatchdog*>(a_pWatchdog);
        if (l_rRegistry.watchdogs.count(l_pWatchdog) == 0) {
            return kInvalidSession;
        }
        return a_Body(*l_pWatchdog);
    } catch (...) {
        return kInternalFault;
    }
}

uint64_t numberOf(void* a_pSession) {
    tRegistry& l_rRegistry = registry();
    std::lock_guard<std::mutex> l_Lock(l_rRegistry.mutex);
    auto* l_pSession = static_cast<tSession*>(a_pSession);
    return l_rRegistry.sessions.count(l_pSession) == 0 ? 0 : l_pSession->number;
}

}  // namespace
}  // namespace nQxSim

using namespace nQxSim;

QXSIM_EXPORT int32_t QXCNTDRV_openController(void** session) {
    tCallLine l_Log("QXCNTDRV_openController");
    try {
        if (session == nullptr) {
            return kInvalidArgument;
        }
        *session = nullptr;
        std::shared_ptr<cMachine> l_pMachine = loadMachine();
        if (!l_pMachine) {
            return kMachineUnusable;
        }
        int32_t l_Status = 0;
        if (l_pMachine->takeFault("QXCNTDRV_openController", l_Status)) {
            return l_Status;
        }
        if (!l_pMachine->m_Controller.present || !l_pMachine->m_Controller.canOpen) {
            return l_pMachine->m_Controller.openStatus != 0 ? l_pMachine->m_Controller.openStatus
                                                            : -26934;
        }
        auto l_pSession = std::make_unique<tSession>();
        l_pSession->machine = l_pMachine;
        tRegistry& l_rRegistry = registry();
        std::lock_guard<std::mutex> l_Lock(l_rRegistry.mutex);
        l_pSession->number = l_rRegistry.next++;
        l_rRegistry.sessions.insert(l_pSession.get());
        *session = l_pSession.release();
        l_Log.dec("opened", static_cast<int64_t>(static_cast<tSession*>(*session)->number));
        return 0;
    } catch (...) {
        return kInternalFault;
    }
}

QXSIM_EXPORT int32_t QXCNTDRV_closeController(void* session) {
    tCallLine l_Log("QXCNTDRV_closeController");
    tRegistry& l_rRegistry = registry();
    std::lock_guard<std::mutex> l_Lock(l_rRegistry.mutex);
    auto* l_pSession = static_cast<tSession*>(session);
    if (l_rRegistry.sessions.erase(l_pSession) == 0) {
        l_Log.text("session", "invalid");
        return kInvalidSession;
    }
    l_Log.dec("session", static_cast<int64_t>(l_pSession->number));
    // Watchdogs of the session go with it.
    for (auto l_It = l_rRegistry.watchdogs.begin(); l_It != l_rRegistry.watchdogs.end();) {
        if ((*l_It)->session == l_pSession) {
            delete *l_It;
            l_It = l_rRegistry.watchdogs.erase(l_It);
        } else {
            ++l_It;
        }
    }
    delete l_pSession;
    return 0;
}

QXSIM_EXPORT int32_t QXCNTDRV_getAttributeUTF8(void* session, uint32_t attribute, char* buffer,
                                               uint64_t* size) {
    tCallLine l_Log("QXCNTDRV_getAttributeUTF8");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("attribute", attribute)
        .ptr("buffer", buffer)
        .dec("size", size == nullptr ? -1 : static_cast<int64_t>(*size));
    return withSession("QXCNTDRV_getAttributeUTF8", session, [&](cMachine& a_rMachine) {
        if (size == nullptr) {
            return kInvalidArgument;
        }
        std::lock_guard<std::mutex> l_Lock(a_rMachine.m_Mutex);
        const auto& l_rText = a_rMachine.m_Controller.text;
        auto l_Found = l_rText.find(attribute);
        if (l_Found == l_rText.end()) {
            return kAttributeUnsupported;
        }
        const uint64_t l_Needed = l_Found->second.size() + 1;
        if (buffer == nullptr || *size < l_Needed) {
            *size = l_Needed;
            return kBufferTooSmall;
        }
        std::memcpy(buffer, l_Found->second.c_str(), l_Needed);
        *size = l_Needed;
        return 0;
    });
}

namespace nQxSim {
namespace {

template <typename tValue>
int32_t getNumber(const char* a_pFunction, void* a_pSession, uint32_t a_Attribute, tValue* a_pValue,
                  std::map<uint32_t, tValue> tController::*a_pMap) {
    return withSession(a_pFunction, a_pSession, [&](cMachine& a_rMachine) {
        if (a_pValue == nullptr) {
            return kInvalidArgument;
        }
        std::lock_guard<std::mutex> l_Lock(a_rMachine.m_Mutex);
        const auto& l_rMap = a_rMachine.m_Controller.*a_pMap;
        auto l_Found = l_rMap.find(a_Attribute);
        if (l_Found == l_rMap.end()) {
            return kAttributeUnsupported;
        }
        *a_pValue = l_Found->second;
        return 0;
    });
}

}  // namespace
}  // namespace nQxSim

QXSIM_EXPORT int32_t QXCNTDRV_getAttributeU32(void* session, uint32_t attribute, uint32_t* value) {
    tCallLine l_Log("QXCNTDRV_getAttributeU32");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session))).hex("attribute", attribute);
    return getNumber("QXCNTDRV_getAttributeU32", session, attribute, value, &tController::u32);
}

QXSIM_EXPORT int32_t QXCNTDRV_getAttributeI32(void* session, uint32_t attribute, int32_t* value) {
    tCallLine l_Log("QXCNTDRV_getAttributeI32");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session))).hex("attribute", attribute);
    return getNumber("QXCNTDRV_getAttributeI32", session, attribute, value, &tController::i32);
}

QXSIM_EXPORT int32_t QXCNTDRV_getAttributeDBL(void* session, uint32_t attribute, double* value) {
    tCallLine l_Log("QXCNTDRV_getAttributeDBL");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session))).hex("attribute", attribute);
    return getNumber("QXCNTDRV_getAttributeDBL", session, attribute, value, &tController::dbl);
}

QXSIM_EXPORT int32_t QXCNTDRV_setAttributeUTF8(void* session, uint32_t attribute,
                                               const char* value) {
    tCallLine l_Log("QXCNTDRV_setAttributeUTF8");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("attribute", attribute)
        .text("value", value);
    return withSession("QXCNTDRV_setAttributeUTF8", session, [&](cMachine& a_rMachine) {
        if (value == nullptr) {
            return kInvalidArgument;
        }
        std::lock_guard<std::mutex> l_Lock(a_rMachine.m_Mutex);
        a_rMachine.m_Controller.text[attribute] = value;
        return 0;
    });
}

QXSIM_EXPORT int32_t QXCNTDRV_setAttributeU32(void* session, uint32_t attribute, uint32_t value) {
    tCallLine l_Log("QXCNTDRV_setAttributeU32");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .hex("attribute", attribute)
        .dec("value", value);
    return withSession("QXCNTDRV_setAttributeU32", session, [&](cMachine& a_rMachine) {
        std::lock_guard<std::mutex> l_Lock(a_rMachine.m_Mutex);
        a_rMachine.m_Controller.u32[attribute] = value;
        return 0;
    });
}

QXSIM_EXPORT int32_t QXCNTDRV_updateFirmware2(void* session, const void* image, uint64_t imageSize,
                                              uint32_t flags) {
    tCallLine l_Log("QXCNTDRV_updateFirmware2");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)))
        .ptr("image", image)
        .dec("imageSize", static_cast<int64_t>(imageSize))
        .dec("flags", flags);
    return withSession("QXCNTDRV_updateFirmware2", session, [&](cMachine&) {
        return image == nullptr && imageSize != 0 ? kInvalidArgument : 0;
    });
}

QXSIM_EXPORT int32_t QXCNTDRV_performSelfTest(void* session, uint32_t selfTestType) {
    tCallLine l_Log("QXCNTDRV_performSelfTest");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session))).dec("selfTestType", selfTestType);
    return withSession("QXCNTDRV_performSelfTest", session, [&](cMachine&) { return 0; });
}

// The watchdog: openWatchdog arms the watchdog of a controller session, and the other
// watchdog calls take that controller session as their handle. Nothing in the
// libraries calls these; they exist so that a binding finds every name.
QXSIM_EXPORT int32_t QXCNTDRV_openWatchdog(void* session) {
    tCallLine l_Log("QXCNTDRV_openWatchdog");
    l_Log.dec("session", static_cast<int64_t>(numberOf(session)));
    return withSession("QXCNTDRV_openWatchdog", session, [&](cMachine&) {
        tRegistry& l_rRegistry = registry();
        std::lock_guard<std::mutex> l_Lock(l_rRegistry.mutex);
        for (tWatchdog* l_pWatchdog : l_rRegistry.watchdogs) {
            if (l_pWatchdog->session == session) {
                return 0;
            }
        }
        auto* l_pWatchdog = new tWatchdog;
        l_pWatchdog->session = static_cast<tSession*>(session);
        l_rRegistry.watchdogs.insert(l_pWatchdog);
        return 0;
    });
}

namespace nQxSim {
namespace {

// Watchdog calls take the controller session whose watchdog was opened.
tWatchdog* watchdogOfSession(void* a_pSession) {
    tRegistry& l_rRegistry = registry();
    std::lock_guard<std::mutex> l_Lock(l_rRegistry.mutex);
    for (tWatchdog* l_pWatchdog : l_rRegistry.watchdogs) {
        if (l_pWatchdog->session == a_pSession) {
            return l_pWatchdog;
        }
    }
    return nullptr;
}

template <typename tBody>
int32_t onWatchdog(const char* a_pFunction, void* a_pSession, tBody&& a_Body) {
    return withWatchdog(a_pFunction, watchdogOfSession(a_pSession), a_Body);
}

}  // namespace
}  // namespace nQxSim

QXSIM_EXPORT int32_t QXCNTDRV_closeWatchdog(void* watchdog) {
    tCallLine l_Log("QXCNTDRV_closeWatchdog");
    tWatchdog* l_pWatchdog = watchdogOfSession(watchdog);
    tRegistry& l_rRegistry = registry();
    std::lock_guard<std::mutex> l_Lock(l_rRegistry.mutex);
    if (l_pWatchdog == nullptr || l_rRegistry.watchdogs.erase(l_pWatchdog) == 0) {
        return kInvalidSession;
    }
    delete l_pWatchdog;
    return 0;
}

QXSIM_EXPORT int32_t QXCNTDRV_petWatchdog(void* watchdog) {
    tCallLine l_Log("QXCNTDRV_petWatchdog");
    return onWatchdog("QXCNTDRV_petWatchdog", watchdog, [](tWatchdog&) { return 0; });
}

QXSIM_EXPORT int32_t QXCNTDRV_startWatchdogTimer(void* watchdog) {
    tCallLine l_Log("QXCNTDRV_startWatchdogTimer");
    return onWatchdog("QXCNTDRV_startWatchdogTimer", watchdog, [](tWatchdog& a_rWatchdog) {
        a_rWatchdog.running = true;
        return 0;
    });
}

QXSIM_EXPORT int32_t QXCNTDRV_stopWatchdogTimer(void* watchdog) {
    tCallLine l_Log("QXCNTDRV_stopWatchdogTimer");
    return onWatchdog("QXCNTDRV_stopWatchdogTimer", watchdog, [](tWatchdog& a_rWatchdog) {
        a_rWatchdog.running = false;
        return 0;
    });
}

// The simulated watchdog never expires: a wait answers at once with a timeout.
QXSIM_EXPORT int32_t QXCNTDRV_waitForWatchdogNotification(void* watchdog, int32_t timeoutMs) {
    tCallLine l_Log("QXCNTDRV_waitForWatchdogNotification");
    l_Log.dec("timeoutMs", timeoutMs);
    return onWatchdog("QXCNTDRV_waitForWatchdogNotification", watchdog,
                      [](tWatchdog&) { return -26935; });
}

QXSIM_EXPORT int32_t QXCNTDRV_cancelWaitForWatchdogNotification(void* watchdog) {
    tCallLine l_Log("QXCNTDRV_cancelWaitForWatchdogNotification");
    return onWatchdog("QXCNTDRV_cancelWaitForWatchdogNotification", watchdog,
                      [](tWatchdog&) { return 0; });
}
