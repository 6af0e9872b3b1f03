// The output written to a file instead of standard output (--output), atomically: a
// reader such as the node exporter's textfile collector sees the old file or the new
// one, never a part of either.
#pragma once

#include <string>

namespace nQxPxiInventory {

// Writes a_rText into a temporary file in a_rPath's directory, flushes it to the disk
// and renames it over a_rPath. Returns an empty text, or what went wrong (the temporary
// file is then removed and a_rPath left as it was).
std::string writeFileAtomically(const std::string& a_rPath, const std::string& a_rText);

}  // namespace nQxPxiInventory
