#include "services/common/environment.h"

#include <sys/auxv.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace nQxSim {

bool secureMode() {
    return getauxval(AT_SECURE) != 0;
}

std::string environmentValue(const char* a_pName) {
    const char* l_pValue = secure_getenv(a_pName);
    return l_pValue != nullptr ? std::string(l_pValue) : std::string();
}

std::string environmentValue(const char* a_pName, const char* a_pDefault) {
    std::string l_Value = environmentValue(a_pName);
    return l_Value.empty() ? std::string(a_pDefault) : l_Value;
}

void forgetLibraryVariablesInSecureMode(const char* a_pPrefix) {
    if (!secureMode()) {
        return;
    }
    // glibc's unsetenv moves the remaining entries down in place and frees no string,
    // so a getenv running meanwhile in another thread still reads valid entries.
    static std::mutex s_Mutex;
    std::lock_guard<std::mutex> l_Lock(s_Mutex);
    const size_t l_Length = std::strlen(a_pPrefix);
    std::vector<std::string> l_Names;
    for (char** l_ppEntry = environ; l_ppEntry != nullptr && *l_ppEntry != nullptr; ++l_ppEntry) {
        const char* l_pEqual = std::strchr(*l_ppEntry, '=');
        if (l_pEqual != nullptr && std::strncmp(*l_ppEntry, a_pPrefix, l_Length) == 0) {
            l_Names.emplace_back(*l_ppEntry, static_cast<size_t>(l_pEqual - *l_ppEntry));
        }
    }
    for (const std::string& l_rName : l_Names) {
        unsetenv(l_rName.c_str());
    }
}

void debugLine(const char* a_pService, const std::string& a_rText) {
    const std::string l_Debug = environmentValue("QXPXI_DEBUG");
    if (l_Debug.empty() || l_Debug == "0") {
        return;
    }
    // One write per line, so that lines of parallel callers stay whole.
    const std::string l_Line = std::string(a_pService) + ": " + a_rText + "\n";
    const ssize_t l_Written = ::write(STDERR_FILENO, l_Line.data(), l_Line.size());
    (void)l_Written;
}

}  // namespace nQxSim
