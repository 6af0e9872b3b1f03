// Up-front checks of the files the tool is pointed at, so that an unusable file is one
// clear message rather than an inventory made up by services that could not read it.
#pragma once

#include <string>

namespace nQxPxiInventory {

// Checks a machine file as the stand-in services read it, and that the description
// directories it relocates to exist. Empty when usable; else the problem, e.g. "is a
// directory", "line 1, column 22: syntax error ...", "pci.bridges[0]: unknown key "x"".
std::string machineFileProblem(const std::string& a_rPath);

// Empty when a regular, readable file; else the problem.
std::string readableFileProblem(const std::string& a_rPath);

// Opens and closes a session of the PCI bridge service the loader finds, on the recorded
// topology named in HWLOC_XMLFILE (set before), as every later call would. Empty when it
// opens or when there is no PCI bridge service; else the problem, in the service's words
// when it gives them.
std::string topologyProblem();

}  // namespace nQxPxiInventory
