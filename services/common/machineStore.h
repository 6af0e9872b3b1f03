// Finding and reading the machine file. The file is named by QXPXI_SIM_MACHINE; without
// it the bundled example machine is used. Opening a session reads the file again: an
// unchanged file keeps the machine (and what calls changed in it), a changed or
// different file replaces it.
#pragma once

#include <memory>
#include <string>

#include "services/common/cMachine.h"

namespace nQxSim {

// The path the next load reads.
std::string machinePath();

// Reads the machine file. On failure prints one line naming the file and the problem
// to standard error and returns null.
std::shared_ptr<cMachine> loadMachine();

}  // namespace nQxSim
