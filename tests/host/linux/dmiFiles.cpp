#include "tests/host/linux/dmiFiles.h"

#include <algorithm>
#include <stdexcept>

namespace qxlinuxtest {

namespace {

// Sets a_rBytes[a_At] so that the a_Length bytes from a_From add up to 0.
void fixChecksum(tBytes& a_rBytes, size_t a_From, size_t a_Length, size_t a_At) {
    a_rBytes[a_At] = 0;
    uint8_t l_Sum = 0;
    for (size_t l_Index = a_From; l_Index < a_From + a_Length && l_Index < a_rBytes.size();
         ++l_Index) {
        l_Sum = static_cast<uint8_t>(l_Sum + a_rBytes[l_Index]);
    }
    a_rBytes[a_At] = static_cast<uint8_t>(0x100 - l_Sum);
}

// Entry point checksum over its own length; intermediate one over the "_DMI_" part.
tBytes withChecksums(tBytes a_Entry) {
    fixChecksum(a_Entry, 0x10, 15, 0x15);
    fixChecksum(a_Entry, 0, a_Entry.size(), 4);
    return a_Entry;
}

// The end of the structure at a_Offset (after its string set's two NULs).
size_t structureEnd(const tBytes& a_rTable, size_t a_Offset) {
    size_t l_End = a_Offset + a_rTable.at(a_Offset + 1);
    while (a_rTable.at(l_End) != 0 || a_rTable.at(l_End + 1) != 0) {
        ++l_End;
    }
    return l_End + 2;
}

}  // namespace

tBytes bytesOf(const std::string& a_rText) {
    return tBytes(a_rText.begin(), a_rText.end());
}

std::string textOf(const tBytes& a_rBytes) {
    return std::string(a_rBytes.begin(), a_rBytes.end());
}

tDmiFiles kernelFilesOf(const tBytes& a_rDumpBin) {
    if (a_rDumpBin.size() < 0x20 ||
        !std::equal(a_rDumpBin.begin(), a_rDumpBin.begin() + 4, std::string("_SM_").begin())) {
        return {tBytes(), a_rDumpBin};
    }
    const size_t l_EntryLength = a_rDumpBin[5];
    const size_t l_TableLength = a_rDumpBin[0x16] | (a_rDumpBin[0x17] << 8);
    return {tBytes(a_rDumpBin.begin(), a_rDumpBin.begin() + static_cast<long>(l_EntryLength)),
            tBytes(a_rDumpBin.begin() + 0x20,
                   a_rDumpBin.begin() + static_cast<long>(0x20 + l_TableLength))};
}

tBytes entryPoint32(uint16_t a_TableLength, size_t a_Size) {
    tBytes l_Entry(31, 0);
    std::copy_n("_SM_", 4, l_Entry.begin());
    l_Entry[5] = 31;
    l_Entry[6] = 2;
    l_Entry[7] = 8;
    std::copy_n("_DMI_", 5, l_Entry.begin() + 0x10);
    l_Entry[0x1E] = 0x28;
    return resized(announcing(l_Entry, a_TableLength), a_Size);
}

tBytes resized(tBytes a_Entry, size_t a_Size) {
    a_Entry.resize(a_Size, 0);
    a_Entry[5] = static_cast<uint8_t>(a_Size);
    return withChecksums(a_Entry);
}

tBytes legacyOf(const tBytes& a_rEntry32) {
    return tBytes(a_rEntry32.begin() + 0x10, a_rEntry32.begin() + 0x1F);
}

tBytes announcing(tBytes a_Entry32, uint16_t a_TableLength) {
    a_Entry32[0x16] = static_cast<uint8_t>(a_TableLength & 0xFF);
    a_Entry32[0x17] = static_cast<uint8_t>(a_TableLength >> 8);
    return withChecksums(a_Entry32);
}

tBytes entryPoint64(uint32_t a_Max) {
    tBytes l_Entry(24, 0);
    std::copy_n("_SM3_", 5, l_Entry.begin());
    l_Entry[6] = 24;
    l_Entry[7] = 3;
    l_Entry[8] = 2;
    for (int l_Byte = 0; l_Byte < 4; ++l_Byte) {
        l_Entry[12 + l_Byte] = static_cast<uint8_t>(a_Max >> (8 * l_Byte));
    }
    fixChecksum(l_Entry, 0, l_Entry.size(), 5);
    return l_Entry;
}

tBytes structure(uint8_t a_Type, uint8_t a_Length, const std::vector<std::string>& a_rStrings) {
    tBytes l_Bytes(a_Length, 0);
    l_Bytes[0] = a_Type;
    l_Bytes[1] = a_Length;
    for (const std::string& l_rString : a_rStrings) {
        l_Bytes.insert(l_Bytes.end(), l_rString.begin(), l_rString.end());
        l_Bytes.push_back(0);
    }
    if (a_rStrings.empty()) {
        l_Bytes.push_back(0);
    }
    l_Bytes.push_back(0);
    return l_Bytes;
}

tBytes withoutEnd(const tBytes& a_rTable) {
    size_t l_Offset = 0;
    while (l_Offset < a_rTable.size() && a_rTable[l_Offset] != 127) {
        l_Offset = structureEnd(a_rTable, l_Offset);
    }
    return tBytes(a_rTable.begin(), a_rTable.begin() + static_cast<long>(l_Offset));
}

std::vector<std::string> systemStrings(const tBytes& a_rTable) {
    size_t l_Offset = 0;
    while (a_rTable.at(l_Offset) != 1) {
        l_Offset = structureEnd(a_rTable, l_Offset);
    }
    std::vector<std::string> l_Strings;
    for (size_t l_Field = 4; l_Field <= 7; ++l_Field) {
        size_t l_Number = a_rTable.at(l_Offset + l_Field);
        size_t l_At = l_Offset + a_rTable.at(l_Offset + 1);
        std::string l_String;
        for (; l_Number > 0; --l_Number) {
            l_String = reinterpret_cast<const char*>(&a_rTable.at(l_At));
            l_At += l_String.size() + 1;
        }
        l_Strings.push_back(l_String);
    }
    return l_Strings;
}

}  // namespace qxlinuxtest
