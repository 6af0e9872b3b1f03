#include "tools/pxi-inventory/anonymise.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace nQxPxiInventory {

namespace {

std::string lower(std::string a_Text) {
    std::transform(a_Text.begin(), a_Text.end(), a_Text.begin(),
                   [](unsigned char a_C) { return static_cast<char>(std::tolower(a_C)); });
    return a_Text;
}

// Structure type and offset of a serial-number string field.
struct tSerialField {
    uint8_t type;
    uint8_t offset;
};
constexpr tSerialField kSerialFields[] = {{1, 0x07},  {2, 0x07},  {3, 0x07}, {4, 0x20},
                                          {17, 0x18}, {22, 0x07}, {39, 0x07}};

// Overwrites string number a_Number of the string set at a_Strings (ending before a_End).
void blankString(std::vector<uint8_t>& a_rTable, size_t a_Strings, size_t a_End, uint8_t a_Number) {
    size_t l_Position = a_Strings;
    for (uint8_t l_Index = 1; l_Position < a_End && a_rTable[l_Position] != 0; ++l_Index) {
        size_t l_Stop = l_Position;
        while (l_Stop < a_End && a_rTable[l_Stop] != 0) {
            ++l_Stop;
        }
        if (l_Index == a_Number) {
            std::fill(a_rTable.begin() + static_cast<std::ptrdiff_t>(l_Position),
                      a_rTable.begin() + static_cast<std::ptrdiff_t>(l_Stop), 'X');
            return;
        }
        l_Position = l_Stop + 1;
    }
}

}  // namespace

std::string placeholderOf(const std::string& a_rText) {
    return std::string(a_rText.size(), 'X');
}

void anonymiseSmbiosTable(std::vector<uint8_t>& a_rTable) {
    size_t l_Offset = 0;
    while (l_Offset + 4 <= a_rTable.size()) {
        const uint8_t l_Type = a_rTable[l_Offset];
        const uint8_t l_Length = a_rTable[l_Offset + 1];
        if (l_Length < 4 || l_Offset + l_Length > a_rTable.size()) {
            return;
        }
        const size_t l_Strings = l_Offset + l_Length;
        // The string set ends with two NULs.
        size_t l_End = l_Strings;
        while (l_End + 1 < a_rTable.size() && (a_rTable[l_End] != 0 || a_rTable[l_End + 1] != 0)) {
            ++l_End;
        }
        if (l_End + 1 >= a_rTable.size()) {
            l_End = a_rTable.size();
        }
        for (const tSerialField& l_rField : kSerialFields) {
            if (l_rField.type == l_Type && l_rField.offset < l_Length &&
                a_rTable[l_Offset + l_rField.offset] != 0) {
                blankString(a_rTable, l_Strings, l_End, a_rTable[l_Offset + l_rField.offset]);
            }
        }
        if (l_Type == 1 && l_Length >= 0x19) {
            std::fill(a_rTable.begin() + static_cast<std::ptrdiff_t>(l_Offset + 8),
                      a_rTable.begin() + static_cast<std::ptrdiff_t>(l_Offset + 0x18), 0);
        }
        if (l_Type == 127) {
            return;
        }
        l_Offset = l_End + 2;
    }
}

void anonymiseEeprom(tEepromImage& a_rImage) {
    auto l_Sum = [&a_rImage]() {
        uint32_t l_Total = 0;
        for (size_t l_Index = 0; l_Index < a_rImage.size(); ++l_Index) {
            if (l_Index != 121 && l_Index != 122) {
                l_Total += a_rImage[l_Index];
            }
        }
        return l_Total & 0xFFFF;
    };
    const bool l_Valid = l_Sum() == a_rImage[121] + 256u * a_rImage[122];
    for (size_t l_Index = 106; l_Index < 119 && a_rImage[l_Index] != 0; ++l_Index) {
        a_rImage[l_Index] = 'X';
    }
    if (l_Valid) {
        const uint32_t l_New = l_Sum();
        a_rImage[121] = static_cast<uint8_t>(l_New & 0xFF);
        a_rImage[122] = static_cast<uint8_t>(l_New >> 8);
    }
}

void anonymiseJson(nlohmann::ordered_json& a_rDocument) {
    if (a_rDocument.is_array()) {
        for (auto& l_rItem : a_rDocument) {
            anonymiseJson(l_rItem);
        }
        return;
    }
    if (!a_rDocument.is_object()) {
        return;
    }
    for (auto& l_rItem : a_rDocument.items()) {
        if (l_rItem.value().is_string() &&
            lower(l_rItem.key()).find("serial") != std::string::npos) {
            l_rItem.value() = placeholderOf(l_rItem.value().get<std::string>());
        } else {
            anonymiseJson(l_rItem.value());
        }
    }
}

std::string anonymiseTopology(const std::string& a_rXml) {
    static const std::regex s_Info("(<info name=\"([^\"]*)\" value=\")([^\"]*)(\")");
    std::string l_Out;
    auto l_Last = a_rXml.cbegin();
    for (auto l_It = std::sregex_iterator(a_rXml.begin(), a_rXml.end(), s_Info);
         l_It != std::sregex_iterator(); ++l_It) {
        const std::smatch& l_rMatch = *l_It;
        const std::string l_Name = lower(l_rMatch[2].str());
        l_Out.append(l_Last, l_rMatch[0].first);
        l_Out += l_rMatch[1].str();
        if (l_Name.find("serial") != std::string::npos ||
            l_Name.find("uuid") != std::string::npos || l_Name == "hostname") {
            l_Out += placeholderOf(l_rMatch[3].str());
        } else {
            l_Out += l_rMatch[3].str();
        }
        l_Out += l_rMatch[4].str();
        l_Last = l_rMatch[0].second;
    }
    l_Out.append(l_Last, a_rXml.cend());
    return l_Out;
}

}  // namespace nQxPxiInventory
