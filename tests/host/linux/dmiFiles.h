// SMBIOS data as Linux exposes it (/sys/firmware/dmi/tables: the entry point at the
// length the firmware gave, and the table), made from recordings of real machines, and
// the entry points firmware gives besides the usual one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qxlinuxtest {

using tBytes = std::vector<uint8_t>;

tBytes bytesOf(const std::string& a_rText);
std::string textOf(const tBytes& a_rBytes);

struct tDmiFiles {
    tBytes entryPoint;  // empty: none
    tBytes table;
};

// The kernel's two files of a `dmidecode --dump-bin` file (a 32-bit entry point at 0 and
// the table at 0x20), or of a bare table (no entry point).
tDmiFiles kernelFilesOf(const tBytes& a_rDumpBin);

// A 32-bit entry point of a_Size bytes (31 is the standard; 30 and 32 occur) announcing
// a table of a_TableLength bytes, version 2.8; checksums correct.
tBytes entryPoint32(uint16_t a_TableLength, size_t a_Size = 31);
// The same entry point at another length: cut or padded with zeros, checksum corrected.
tBytes resized(tBytes a_Entry, size_t a_Size);
// The legacy 15-byte "_DMI_" entry point inside a 32-bit one.
tBytes legacyOf(const tBytes& a_rEntry32);
// A copy announcing another table length, checksums corrected.
tBytes announcing(tBytes a_Entry32, uint16_t a_TableLength);
// A 64-bit entry point whose table is at most a_Max bytes, version 3.2.0.
tBytes entryPoint64(uint32_t a_Max);

// One structure: type, a formatted area of a_Length bytes (header included, zeros
// after it) and the strings.
tBytes structure(uint8_t a_Type, uint8_t a_Length, const std::vector<std::string>& a_rStrings);
// The table without its first end-of-table structure and what follows it.
tBytes withoutEnd(const tBytes& a_rTable);

// The strings of the first system information structure (type 1) at offsets 4 to 7:
// manufacturer, product name, version, serial number ("" for no string).
std::vector<std::string> systemStrings(const tBytes& a_rTable);

}  // namespace qxlinuxtest
