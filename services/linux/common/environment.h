// Paths the Linux services read, each with an environment variable that moves it, so
// that tests run on recorded machines and fake trees. The variables are read through
// the services' one reader (services/common/environment.h): none is honoured in secure
// mode.
#pragma once

#include <string>

namespace nQxLinux {

// The value of a_pVariable when set and not empty (and not in secure mode), else
// a_pDefault.
std::string pathFromEnvironment(const char* a_pVariable, const char* a_pDefault);

}  // namespace nQxLinux
