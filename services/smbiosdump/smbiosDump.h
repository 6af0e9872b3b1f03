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

// What writing over a symbolic link does: refuse it, or replace the link itself (never
// what it points to).
enum class eLink { kRefuse, kReplace };

// Writes a_rBytes to a temporary file beside a_rPath (mode 0644), flushes it to disk
// and renames it over a_rPath. A target that exists and is not a regular file (a device,
// a directory, a FIFO; a symbolic link unless a_Link replaces it) is refused and left as
// it is. Throws std::runtime_error naming the path and the reason; no temporary file is
// left behind.
void writeFileAtomically(const std::string& a_rPath, const std::vector<uint8_t>& a_rBytes,
                         eLink a_Link);

// Creates a_rDirectory and its missing parents with mode 0755, whatever the umask.
// Existing directories keep their mode, except a_rOwnedFrom and those below it, which
// belong to the caller and are set to 0755 (an empty a_rOwnedFrom owns none). A symbolic
// link where an owned directory should be is refused. Throws std::runtime_error naming the
// directory and the reason.
void makeDirectories(const std::string& a_rDirectory, const std::string& a_rOwnedFrom);

}  // namespace nQxSim
