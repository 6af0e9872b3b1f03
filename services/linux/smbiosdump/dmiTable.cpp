#include "services/linux/smbiosdump/dmiTable.h"

#include <cstring>
#include <stdexcept>

namespace nQxLinux {

namespace {

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

}  // namespace

std::string dumpHeader(const std::vector<uint8_t>& a_rEntryPoint, size_t a_TableSize) {
    if (a_rEntryPoint.empty()) {
        return "SMBIOS table";
    }
    std::string l_Version;
    if (startsWith(a_rEntryPoint, "_SM3_") && a_rEntryPoint.size() >= 24) {
        // 64-bit entry point: the table is at most the size it gives.
        const uint32_t l_MaxSize = littleEndian(a_rEntryPoint, 12, 4);
        if (a_TableSize > l_MaxSize) {
            throw std::runtime_error("the table (" + std::to_string(a_TableSize) +
                                     " bytes) is larger than its entry point allows (" +
                                     std::to_string(l_MaxSize) + ")");
        }
        l_Version = std::to_string(a_rEntryPoint[7]) + "." + std::to_string(a_rEntryPoint[8]) +
                    "." + std::to_string(a_rEntryPoint[9]);
    } else if (startsWith(a_rEntryPoint, "_SM_") && a_rEntryPoint.size() >= 31) {
        // 32-bit entry point: the table has exactly the length it gives.
        const uint32_t l_Length = littleEndian(a_rEntryPoint, 0x16, 2);
        if (a_TableSize != l_Length) {
            throw std::runtime_error("the table has " + std::to_string(a_TableSize) +
                                     " bytes, its entry point says " + std::to_string(l_Length));
        }
        l_Version = std::to_string(a_rEntryPoint[6]) + "." + std::to_string(a_rEntryPoint[7]);
    } else {
        throw std::runtime_error("not an SMBIOS entry point");
    }
    return "SMBIOS " + l_Version + " table";
}

std::vector<uint8_t> checkedTable(const std::vector<uint8_t>& a_rTable) {
    if (a_rTable.empty()) {
        throw std::runtime_error("the table is empty");
    }
    size_t l_Offset = 0;
    while (l_Offset < a_rTable.size()) {
        const auto l_At = " at offset " + std::to_string(l_Offset);
        if (l_Offset + 4 > a_rTable.size()) {
            throw std::runtime_error("a structure header runs past the end of the table" + l_At);
        }
        const uint8_t l_Type = a_rTable[l_Offset];
        const uint8_t l_Length = a_rTable[l_Offset + 1];
        if (l_Length < 4) {
            throw std::runtime_error("a structure is shorter than its header" + l_At);
        }
        // The string set ends with two NULs (an empty set is two NULs as well).
        size_t l_End = l_Offset + l_Length;
        while (l_End + 1 < a_rTable.size() && (a_rTable[l_End] != 0 || a_rTable[l_End + 1] != 0)) {
            ++l_End;
        }
        if (l_End + 1 >= a_rTable.size()) {
            throw std::runtime_error("a structure runs past the end of the table" + l_At);
        }
        l_Offset = l_End + 2;
        if (l_Type == 127) {
            break;
        }
    }
    return std::vector<uint8_t>(a_rTable.begin(), a_rTable.begin() + static_cast<long>(l_Offset));
}

}  // namespace nQxLinux
