// The raw SMBIOS table Linux exposes (/sys/firmware/dmi/tables/DMI) and its entry
// point (smbios_entry_point), checked before they become the libraries' dump.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nQxLinux {

// The header text of the dump: "SMBIOS <major>.<minor>[.<docrev>] table" from the entry
// point, or "SMBIOS table" without one. Throws std::runtime_error when the entry point
// is not one, or when the table's size disagrees with it.
std::string dumpHeader(const std::vector<uint8_t>& a_rEntryPoint, size_t a_TableSize);

// The structures of the table up to and including the end-of-table structure (type
// 127); bytes after it are dropped. Throws std::runtime_error naming the offset when a
// structure is malformed or runs past the end, or when the table is empty.
std::vector<uint8_t> checkedTable(const std::vector<uint8_t>& a_rTable);

}  // namespace nQxLinux
