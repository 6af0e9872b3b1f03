// The raw SMBIOS table Linux exposes (/sys/firmware/dmi/tables/DMI) and its entry
// point (smbios_entry_point), checked before they become the libraries' dump.
//
// The kernel copies the entry point at the length the firmware gave it (a 32-bit "_SM_"
// one of 30 to 32 bytes, a 64-bit "_SM3_" one, or a legacy 15-byte "_DMI_" one) and
// trims the table to the bytes its structures occupy, so the table may be shorter than
// its entry point says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nQxLinux {

// What an entry point says about its table.
struct tEntryPoint {
    // The header text of the dump: "SMBIOS <major>.<minor>[.<docrev>] table", or
    // "SMBIOS table" without a version.
    std::string header = "SMBIOS table";
    // The table is no longer than this.
    size_t maxLength = SIZE_MAX;
    // Behind a 32-bit or legacy entry point the kernel walks the number of structures
    // the entry point gives and does not stop at an end-of-table structure: some
    // firmware puts OEM structures after it. Elsewhere the table ends with it.
    bool keepsAfterEnd = false;
};

// An empty a_rEntryPoint is no entry point (header without version, no limits).
// Throws std::runtime_error when the bytes are not an entry point.
tEntryPoint readEntryPoint(const std::vector<uint8_t>& a_rEntryPoint);

struct tTable {
    std::vector<uint8_t> bytes;
    // Whole structures left out because the table was longer than asked for, and the
    // bytes they held.
    size_t leftOutStructures = 0;
    size_t leftOutBytes = 0;
};

// The structures of the table as the dump holds them. Throws std::runtime_error naming
// the offset when a structure is malformed or runs past the end, when the table is empty,
// or when it is longer than its entry point allows. What follows the end-of-table
// structure is dropped, except whole structures behind an entry point that keeps them.
// A table longer than a_MaxLength keeps the whole leading structures that fit together
// with an end-of-table structure appended after them; the rest is counted as left out.
tTable checkedTable(const std::vector<uint8_t>& a_rTable, const tEntryPoint& a_rEntryPoint,
                    size_t a_MaxLength);

}  // namespace nQxLinux
