// The libraries read the SMBIOS dump at one fixed path. A simulation or a replay gives
// them another machine's dump there, in a mount namespace of this process's own: the
// file everyone else sees is untouched, and nothing is left behind when the tool ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nQxPxiInventory {

// The path the libraries read the dump at.
const char* smbiosDumpPath();

// Moves this process into a private mount namespace (inside a user namespace that maps
// the user onto itself where the user may not make one alone) and mounts a fresh tmpfs
// over the deepest existing directory of the dump's path, holding a_rDump at the dump's
// path; with a_HasDump false the path holds no dump (the machine has no SMBIOS). Call it
// while the process has a single thread and before any library reads the dump. Empty on
// success; else why it could not be done (the caller then must not show what the
// libraries read at the path as the other machine's: it may be this computer's).
std::string providePrivateSmbios(const std::vector<uint8_t>& a_rDump, bool a_HasDump);

// The same with the dump the stand-ins' dump writer makes of the machine file's "smbios"
// section (no dump when the machine has none).
std::string provideSimulatedSmbios(const std::string& a_rMachineFile);

}  // namespace nQxPxiInventory
