// The SMBus service's sessions and lists, whatever a session holds (a simulated adapter
// or an i2c-dev bus). A session handle is the address of its state. Sessions are shared
// so that a call in progress keeps its session alive even when another thread closes it
// meanwhile; a closed session is released outside the lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace nQxSim {

constexpr int32_t kSmBusInvalidParameter = -52005;

template <typename tSession>
class tSmBusSessions {
public:
    using tPointer = std::shared_ptr<tSession>;

    tSmBusSessions() = default;
    tSmBusSessions(const tSmBusSessions&) = delete;
    tSmBusSessions& operator=(const tSmBusSessions&) = delete;

    // Lists a host left open go when the library is unloaded.
    ~tSmBusSessions() {
        for (const auto& l_rList : m_Lists) {
            delete[] l_rList.first;
        }
    }

    void* add(tPointer a_pSession) {
        void* l_pHandle = a_pSession.get();
        std::lock_guard<std::mutex> l_Lock(m_Mutex);
        m_Sessions[l_pHandle] = std::move(a_pSession);
        return l_pHandle;
    }

    // The sessions and the array that lists them, registered together; the array
    // belongs to the registry until closeList.
    void** addList(std::vector<tPointer> a_Sessions) {
        auto l_pArray = std::make_unique<void*[]>(a_Sessions.size());
        for (size_t l_Index = 0; l_Index < a_Sessions.size(); ++l_Index) {
            l_pArray[l_Index] = a_Sessions[l_Index].get();
        }
        std::lock_guard<std::mutex> l_Lock(m_Mutex);
        try {
            for (const tPointer& l_rpSession : a_Sessions) {
                m_Sessions.emplace(l_rpSession.get(), l_rpSession);
            }
            m_Lists.emplace(l_pArray.get(), static_cast<uint32_t>(a_Sessions.size()));
        } catch (...) {
            // Out of memory halfway: none of the list stays registered.
            for (const tPointer& l_rpSession : a_Sessions) {
                m_Sessions.erase(l_rpSession.get());
            }
            throw;
        }
        return l_pArray.release();
    }

    tPointer find(void* a_pSession) const {
        std::lock_guard<std::mutex> l_Lock(m_Mutex);
        auto l_Found = m_Sessions.find(a_pSession);
        return l_Found == m_Sessions.end() ? nullptr : l_Found->second;
    }

    // A session of a list is returned with its list, never alone.
    int32_t close(void* a_pSession) {
        tPointer l_pSession;  // released after the lock
        std::lock_guard<std::mutex> l_Lock(m_Mutex);
        if (isListed(a_pSession)) {
            return kSmBusInvalidParameter;
        }
        auto l_Found = m_Sessions.find(a_pSession);
        if (l_Found == m_Sessions.end()) {
            return kSmBusInvalidParameter;
        }
        l_pSession = std::move(l_Found->second);
        m_Sessions.erase(l_Found);
        return 0;
    }

    // Closes the sessions of a list and frees it. A count that differs from the list's
    // own is refused, but the list is still released whole, so nothing leaks.
    int32_t closeList(uint32_t a_Count, void** a_pList) {
        uint32_t l_Count = 0;
        std::vector<tPointer> l_Closed;  // released after the lock
        {
            std::lock_guard<std::mutex> l_Lock(m_Mutex);
            auto l_Found = m_Lists.find(a_pList);
            if (l_Found == m_Lists.end()) {
                return kSmBusInvalidParameter;
            }
            l_Count = l_Found->second;
            l_Closed.reserve(l_Count);  // before anything changes: the rest cannot throw
            m_Lists.erase(l_Found);
            for (uint32_t l_Index = 0; l_Index < l_Count; ++l_Index) {
                auto l_Session = m_Sessions.find(a_pList[l_Index]);
                if (l_Session != m_Sessions.end()) {
                    l_Closed.push_back(std::move(l_Session->second));
                    m_Sessions.erase(l_Session);
                }
            }
        }
        delete[] a_pList;
        return a_Count == l_Count ? 0 : kSmBusInvalidParameter;
    }

private:
    bool isListed(void* a_pSession) const {
        for (const auto& l_rList : m_Lists) {
            for (uint32_t l_Index = 0; l_Index < l_rList.second; ++l_Index) {
                if (l_rList.first[l_Index] == a_pSession) {
                    return true;
                }
            }
        }
        return false;
    }

    mutable std::mutex m_Mutex;
    std::map<void*, tPointer> m_Sessions;
    std::map<void**, uint32_t> m_Lists;  // arrays handed out as lists, and their counts
};

}  // namespace nQxSim
