// The one place the services (the stand-ins and the Linux services alike) read the
// process environment. Every read goes through secure_getenv: when the process runs in
// secure mode (a setuid or setgid host, or one with file capabilities, started by a user
// who does not hold those privileges), no variable is honoured, so that the user cannot
// move what a privileged host opens, reads or writes.
#pragma once

#include <string>

namespace nQxSim {

// True when the kernel started the process in secure mode (AT_SECURE).
bool secureMode();

// The value of a_pName when it is set and not empty; empty otherwise, and always in
// secure mode.
std::string environmentValue(const char* a_pName);

// The value of a_pName as above, else a_pDefault.
std::string environmentValue(const char* a_pName, const char* a_pDefault);

// In secure mode, removes every variable whose name begins with a_pPrefix from the
// process environment, for a library we call that reads its variables with getenv and
// offers no way to ignore them (hwloc). Nothing happens outside secure mode.
void forgetLibraryVariablesInSecureMode(const char* a_pPrefix);

// When QXPXI_DEBUG is set (not empty, not "0"), writes "<a_pService>: <a_rText>" as one
// line to standard error. The services are quiet otherwise: they live inside hosts (a
// daemon, a GUI) whose terminal is not theirs, and keep each message where a caller can
// ask for it instead.
void debugLine(const char* a_pService, const std::string& a_rText);

}  // namespace nQxSim
