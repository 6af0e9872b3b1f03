// The file a recording travels in: a gzip-compressed tar archive of regular files.
// Written with libarchive rather than by running tar(1), so that reading a recording
// someone sent us never lets the archive choose what is created where: members are read
// into memory by name, and only the names a recording holds are used.
#pragma once

#include <map>
#include <string>

namespace nQxPxiInventory {

// Member name -> content. Names are relative, with '/' between parts.
using tMembers = std::map<std::string, std::string>;

// Writes a_rMembers (mode 0644, time a_Time) to a_rPath through a temporary file beside
// it, renamed over a_rPath when complete. Empty on success; else the problem.
std::string writeRecordingArchive(const std::string& a_rPath, const tMembers& a_rMembers,
                                  long a_Time);

// Reads every regular file of the archive. Refused, with the problem returned: what is
// not a gzip-compressed tar archive, a member name that is absolute, holds "..", "." or
// an empty part, a member that is not a regular file or directory, and an archive whose
// content is larger than a_MaxBytes in total.
std::string readRecordingArchive(const std::string& a_rPath, size_t a_MaxBytes,
                                 tMembers& a_rMembers);

// True when a_rName is a relative path of plain parts (no "", ".", ".." part).
bool isPlainRelativePath(const std::string& a_rName);

}  // namespace nQxPxiInventory
