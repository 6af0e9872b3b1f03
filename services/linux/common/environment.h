// Paths the Linux services read, each with an environment variable that moves it, so
// that tests run on recorded machines and fake trees.
#pragma once

#include <string>

namespace nQxLinux {

// The value of a_pVariable when set and not empty, else a_pDefault.
std::string pathFromEnvironment(const char* a_pVariable, const char* a_pDefault);

}  // namespace nQxLinux
