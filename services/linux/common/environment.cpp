#include "services/linux/common/environment.h"

#include <cstdlib>

namespace nQxLinux {

std::string pathFromEnvironment(const char* a_pVariable, const char* a_pDefault) {
    const char* l_pValue = std::getenv(a_pVariable);
    return l_pValue != nullptr && *l_pValue != '\0' ? std::string(l_pValue)
                                                    : std::string(a_pDefault);
}

}  // namespace nQxLinux
