#include "services/linux/smbiosdump/dmiTable.h"

#include <cstring>
#include <stdexcept>

namespace nQxLinux {

namespace {

constexpr uint8_t kEndOfTable = 127;
// Type 127, formatted area of 4 bytes, handle 0xFEFF, empty string set.
const uint8_t kEndOfTableStructure[] = {kEndOfTable, 4, 0xFF, 0xFE, 0, 0};

uint32_t littleEndian(const std::vector<uint8_t>& a_rBytes, size_t a_Offset, size_t a_Size) {
    uint32_t l_Value = 0;
    for (size_t l_Byte = 0; l_Byte < a_Size; ++l_Byte) {
        l_Value |= static_cast<uint32_t>(a_rBytes[a_Offset + l_Byte]) << (8 * l_Byte);
    }
    return l_Value;
}

bool startsWith(const std::vector<uint8_t>& a_rBytes, const char* a_pAnchor) {
    const size_t l_Length = std::strlen(a_pAnchor);
    return a_rBytes.size() >= l_Length && std::memcmp(a_rBytes.data(), a_pAnchor, l_Length) == 0;
}

// The offset after the structure at a_Offset: its formatted area, then its string set,
// which ends with two NULs (an empty set is two NULs as well); past the table's end when
// the set is not terminated inside it.
size_t structureEnd(const std::vector<uint8_t>& a_rTable, size_t a_Offset) {
    size_t l_End = a_Offset + a_rTable[a_Offset + 1];
    while (l_End + 1 < a_rTable.size() && (a_rTable[l_End] != 0 || a_rTable[l_End + 1] != 0)) {
        ++l_End;
    }
    return l_End + 2;
}

// What is wrong with the structure at a_Offset, or null.
const char* structureFault(const std::vector<uint8_t>& a_rTable, size_t a_Offset) {
    if (a_rTable.size() - a_Offset < 4) {
        return "a structure header runs past the end of the table";
    }
    if (a_rTable[a_Offset + 1] < 4) {
        return "a structure is shorter than its header";
    }
    if (structureEnd(a_rTable, a_Offset) > a_rTable.size()) {
        return "a structure runs past the end of the table";
    }
    return nullptr;
}

std::string versionHeader(unsigned a_Major, unsigned a_Minor) {
    return "SMBIOS " + std::to_string(a_Major) + "." + std::to_string(a_Minor) + " table";
}

}  // namespace

tEntryPoint readEntryPoint(const std::vector<uint8_t>& a_rEntryPoint) {
    tEntryPoint l_Entry;
    if (a_rEntryPoint.empty()) {
        return l_Entry;
    }
    if (startsWith(a_rEntryPoint, "_SM3_") && a_rEntryPoint.size() >= 24) {
        // 64-bit entry point: the table is at most the size it gives.
        l_Entry.maxLength = littleEndian(a_rEntryPoint, 12, 4);
        l_Entry.header = "SMBIOS " + std::to_string(a_rEntryPoint[7]) + "." +
                         std::to_string(a_rEntryPoint[8]) + "." + std::to_string(a_rEntryPoint[9]) +
                         " table";
    } else if (startsWith(a_rEntryPoint, "_SM_") && a_rEntryPoint.size() >= 30) {
        // 32-bit entry point; 30 bytes is a known error of SMBIOS 2.1 firmware, and the
        // kernel copies what the firmware gave. The table length is in its "_DMI_" part.
        l_Entry.maxLength = littleEndian(a_rEntryPoint, 0x16, 2);
        l_Entry.keepsAfterEnd = true;
        unsigned l_Major = a_rEntryPoint[6], l_Minor = a_rEntryPoint[7];
        // Versions some firmware reports wrongly, corrected as the kernel does.
        if (l_Major == 2 && (l_Minor == 0x1F || l_Minor == 0x21)) {
            l_Minor = 3;
        } else if (l_Major == 2 && l_Minor == 0x33) {
            l_Minor = 6;
        }
        l_Entry.header = versionHeader(l_Major, l_Minor);
    } else if (startsWith(a_rEntryPoint, "_DMI_") && a_rEntryPoint.size() >= 15) {
        // Legacy entry point: the table length at 6, the version as BCD at 14.
        l_Entry.maxLength = littleEndian(a_rEntryPoint, 6, 2);
        l_Entry.keepsAfterEnd = true;
        const uint8_t l_Bcd = a_rEntryPoint[14];
        if (l_Bcd != 0) {
            l_Entry.header = versionHeader(l_Bcd >> 4, l_Bcd & 0x0F);
        }
    } else {
        throw std::runtime_error("not an SMBIOS entry point");
    }
    return l_Entry;
}

tTable checkedTable(const std::vector<uint8_t>& a_rTable, const tEntryPoint& a_rEntryPoint,
                    size_t a_MaxLength) {
    if (a_rTable.empty()) {
        throw std::runtime_error("the table is empty");
    }
    if (a_rTable.size() > a_rEntryPoint.maxLength) {
        throw std::runtime_error("the table (" + std::to_string(a_rTable.size()) +
                                 " bytes) is larger than its entry point allows (" +
                                 std::to_string(a_rEntryPoint.maxLength) + ")");
    }
    // The end offset of each whole structure, in order.
    std::vector<size_t> l_Ends;
    bool l_AfterEnd = false;
    size_t l_Offset = 0;
    while (l_Offset < a_rTable.size()) {
        const char* l_pFault = structureFault(a_rTable, l_Offset);
        if (l_pFault != nullptr) {
            // After the end-of-table structure this is padding, not a structure.
            if (l_AfterEnd) {
                break;
            }
            throw std::runtime_error(std::string(l_pFault) + " at offset " +
                                     std::to_string(l_Offset));
        }
        const bool l_IsEnd = a_rTable[l_Offset] == kEndOfTable;
        l_Offset = structureEnd(a_rTable, l_Offset);
        l_Ends.push_back(l_Offset);
        if (l_IsEnd) {
            l_AfterEnd = true;
            if (!a_rEntryPoint.keepsAfterEnd) {
                break;
            }
        }
    }
    tTable l_Table;
    size_t l_Kept = l_Ends.size();
    if (l_Ends.back() > a_MaxLength) {
        // Keep the leading structures that fit with the end-of-table structure after them.
        while (l_Kept > 0 && l_Ends[l_Kept - 1] + sizeof(kEndOfTableStructure) > a_MaxLength) {
            --l_Kept;
        }
        l_Table.leftOutStructures = l_Ends.size() - l_Kept;
        l_Table.leftOutBytes = l_Ends.back() - (l_Kept == 0 ? 0 : l_Ends[l_Kept - 1]);
    }
    const size_t l_KeptBytes = l_Kept == 0 ? 0 : l_Ends[l_Kept - 1];
    l_Table.bytes.assign(a_rTable.begin(), a_rTable.begin() + static_cast<long>(l_KeptBytes));
    if (l_Table.leftOutStructures != 0) {
        l_Table.bytes.insert(l_Table.bytes.end(), std::begin(kEndOfTableStructure),
                             std::end(kEndOfTableStructure));
    }
    return l_Table;
}

}  // namespace nQxLinux
