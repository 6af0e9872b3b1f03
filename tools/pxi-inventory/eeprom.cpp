#include "tools/pxi-inventory/eeprom.h"

#include <cstdio>

namespace nQxPxiInventory {

namespace {

// The image comes from hardware: a byte outside printable ASCII is shown as \xNN, so
// that neither the terminal nor the JSON document receives it raw.
std::string field(const tEepromImage& a_rImage, size_t a_Offset, size_t a_Size) {
    std::string l_Text;
    for (size_t l_Index = a_Offset; l_Index < a_Offset + a_Size && a_rImage[l_Index] != 0;
         ++l_Index) {
        const uint8_t l_Byte = a_rImage[l_Index];
        if (l_Byte >= 0x20 && l_Byte < 0x7F && l_Byte != '\\') {
            l_Text += static_cast<char>(l_Byte);
        } else {
            char l_Escape[8];
            std::snprintf(l_Escape, sizeof(l_Escape), "\\x%02X", l_Byte);
            l_Text += l_Escape;
        }
    }
    return l_Text;
}

std::string hexBytes(const tEepromImage& a_rImage, size_t a_Offset, size_t a_Count) {
    std::string l_Text;
    char l_Buffer[4];
    for (size_t l_Index = a_Offset; l_Index < a_Offset + a_Count; ++l_Index) {
        std::snprintf(l_Buffer, sizeof(l_Buffer), "%02X", a_rImage[l_Index]);
        if (!l_Text.empty()) {
            l_Text += ' ';
        }
        l_Text += l_Buffer;
    }
    return l_Text;
}

}  // namespace

nlohmann::ordered_json decodeEeprom(const tEepromImage& a_rImage, bool a_Raw) {
    nlohmann::ordered_json l_Out;
    l_Out["signature"] = {
        {"bytes", hexBytes(a_rImage, 0, 3)},
        {"valid", a_rImage[0] == 0x5A && a_rImage[1] == 0x31 && a_rImage[2] == 0x00}};
    l_Out["vendor"] = field(a_rImage, 5, 27);
    l_Out["model"] = field(a_rImage, 65, 40);
    l_Out["revision"] = field(a_rImage, 105, 1);
    l_Out["serialNumber"] = field(a_rImage, 106, 13);
    const uint8_t l_Link = a_rImage[124];
    l_Out["linkConfiguration"] = {{"byte", l_Link},
                                  {"links", l_Link == 0   ? nlohmann::ordered_json(2)
                                            : l_Link == 1 ? nlohmann::ordered_json(4)
                                                          : nullptr}};
    uint32_t l_Sum = 0;
    for (size_t l_Index = 0; l_Index < a_rImage.size(); ++l_Index) {
        if (l_Index != 121 && l_Index != 122) {
            l_Sum += a_rImage[l_Index];
        }
    }
    const uint32_t l_Computed = l_Sum & 0xFFFF;
    const uint32_t l_Stored = a_rImage[121] + 256u * a_rImage[122];
    l_Out["checksum"] = {
        {"stored", l_Stored}, {"computed", l_Computed}, {"valid", l_Stored == l_Computed}};
    if (a_Raw) {
        nlohmann::ordered_json l_Lines = nlohmann::ordered_json::array();
        for (size_t l_Offset = 0; l_Offset < a_rImage.size(); l_Offset += 16) {
            l_Lines.push_back(hexBytes(a_rImage, l_Offset, 16));
        }
        l_Out["raw"] = l_Lines;
    }
    return l_Out;
}

}  // namespace nQxPxiInventory
