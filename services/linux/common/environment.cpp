#include "services/linux/common/environment.h"

#include "services/common/environment.h"

namespace nQxLinux {

std::string pathFromEnvironment(const char* a_pVariable, const char* a_pDefault) {
    return nQxSim::environmentValue(a_pVariable, a_pDefault);
}

}  // namespace nQxLinux
