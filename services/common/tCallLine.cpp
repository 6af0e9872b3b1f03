#include "services/common/tCallLine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "services/common/environment.h"

namespace nQxSim {

namespace {

std::mutex& logMutex() {
    static std::mutex s_Mutex;
    return s_Mutex;
}

}  // namespace

tCallLine::tCallLine(const char* a_pFunction) {
    m_On = !environmentValue("QXPXI_SIM_CALL_LOG").empty();
    if (m_On) {
        m_Line = a_pFunction;
    }
}

tCallLine::~tCallLine() {
    if (!m_On) {
        return;
    }
    const std::string l_Log = environmentValue("QXPXI_SIM_CALL_LOG");
    if (l_Log.empty()) {
        return;
    }
    m_Line += '\n';
    // One write per line on an O_APPEND descriptor keeps lines of parallel callers whole.
    std::lock_guard<std::mutex> l_Lock(logMutex());
    const int l_Fd = ::open(l_Log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (l_Fd < 0) {
        return;
    }
    const ssize_t l_Written = ::write(l_Fd, m_Line.data(), m_Line.size());
    (void)l_Written;
    ::close(l_Fd);
}

tCallLine& tCallLine::dec(const char* a_pName, int64_t a_Value) {
    if (m_On) {
        m_Line += std::string(" ") + a_pName + "=" + std::to_string(a_Value);
    }
    return *this;
}

tCallLine& tCallLine::hex(const char* a_pName, uint64_t a_Value) {
    if (m_On) {
        char l_Buffer[24];
        std::snprintf(l_Buffer, sizeof(l_Buffer), "0x%llX",
                      static_cast<unsigned long long>(a_Value));
        m_Line += std::string(" ") + a_pName + "=" + l_Buffer;
    }
    return *this;
}

tCallLine& tCallLine::hexPtr(const char* a_pName, const uint16_t* a_pValue) {
    if (a_pValue == nullptr) {
        return text(a_pName, nullptr);
    }
    return hex(a_pName, *a_pValue);
}

tCallLine& tCallLine::ptr(const char* a_pName, const void* a_pValue) {
    if (m_On) {
        m_Line += std::string(" ") + a_pName + "=" + (a_pValue == nullptr ? "null" : "ptr");
    }
    return *this;
}

tCallLine& tCallLine::text(const char* a_pName, const char* a_pValue) {
    if (m_On) {
        m_Line += std::string(" ") + a_pName + "=" + (a_pValue == nullptr ? "null" : a_pValue);
    }
    return *this;
}

}  // namespace nQxSim
