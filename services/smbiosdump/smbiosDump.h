// The SMBIOS dump file the libraries read: the header text with its NUL, the table
// length as 2 bytes little-endian, then the table. Written atomically, so that a
// reader sees the old dump or the new one, never a part.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nQxSim {

// Throws std::runtime_error when the table is longer than 65535 bytes or the header
// holds a NUL.
std::vector<uint8_t> smbiosDumpOf(const std::string& a_rHeader,
                                  const std::vector<uint8_t>& a_rTable);

// Writes a_rBytes to a temporary file beside a_rPath (mode 0644), flushes it to disk
// and renames it over a_rPath; with a_MakeParents the missing parent directories are
// created (mode 0755). Throws std::runtime_error naming the path and the reason; no
// temporary file is left behind.
void writeFileAtomically(const std::string& a_rPath, const std::vector<uint8_t>& a_rBytes,
                         bool a_MakeParents);

}  // namespace nQxSim
