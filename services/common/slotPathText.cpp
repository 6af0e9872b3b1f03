#include "services/common/slotPathText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace nQxSim {

std::string formatSlotPath(uint8_t a_RootBus, const std::vector<uint8_t>& a_rHops) {
    char l_Buffer[8];
    std::snprintf(l_Buffer, sizeof(l_Buffer), "MR%02X:", a_RootBus);
    std::string l_Text = l_Buffer;
    for (size_t l_Index = 0; l_Index < a_rHops.size(); ++l_Index) {
        std::snprintf(l_Buffer, sizeof(l_Buffer), l_Index == 0 ? "%02X" : ",%02X",
                      a_rHops[l_Index]);
        l_Text += l_Buffer;
    }
    return l_Text;
}

bool parseSlotPath(const std::string& a_rText, uint8_t& a_rBus, std::vector<uint8_t>& a_rHops) {
    a_rBus = 0;
    a_rHops.clear();
    auto l_HexValue = [](char a_C) -> int {
        if (std::isdigit(static_cast<unsigned char>(a_C))) {
            return a_C - '0';
        }
        const char l_Lower = static_cast<char>(std::tolower(static_cast<unsigned char>(a_C)));
        return l_Lower >= 'a' && l_Lower <= 'f' ? l_Lower - 'a' + 10 : -1;
    };
    size_t l_Pos = 0;
    const size_t l_Colon = a_rText.find(':');
    if (a_rText.compare(0, 2, "MR") == 0 && l_Colon != std::string::npos) {
        unsigned l_Bus = 0;
        for (size_t l_Index = 2; l_Index < l_Colon; ++l_Index) {
            const int l_Digit = l_HexValue(a_rText[l_Index]);
            if (l_Digit < 0 || l_Index > 3) {
                return false;
            }
            l_Bus = l_Bus * 16 + static_cast<unsigned>(l_Digit);
        }
        a_rBus = static_cast<uint8_t>(l_Bus);
        l_Pos = l_Colon + 1;
    } else if (l_Colon != std::string::npos) {
        unsigned l_Bus = 0;
        for (size_t l_Index = 0; l_Index < l_Colon; ++l_Index) {
            if (!std::isdigit(static_cast<unsigned char>(a_rText[l_Index]))) {
                return false;
            }
            l_Bus = (l_Bus * 10 + static_cast<unsigned>(a_rText[l_Index] - '0')) % 256;
        }
        a_rBus = static_cast<uint8_t>(l_Bus);
        l_Pos = l_Colon + 1;
    }
    while (l_Pos < a_rText.size()) {
        const size_t l_End = std::min(a_rText.find(',', l_Pos), a_rText.size());
        if (l_End == l_Pos || l_End - l_Pos > 2) {
            return false;
        }
        unsigned l_Hop = 0;
        for (size_t l_Index = l_Pos; l_Index < l_End; ++l_Index) {
            const int l_Digit = l_HexValue(a_rText[l_Index]);
            if (l_Digit < 0) {
                return false;
            }
            l_Hop = l_Hop * 16 + static_cast<unsigned>(l_Digit);
        }
        a_rHops.push_back(static_cast<uint8_t>(l_Hop));
        l_Pos = l_End + 1;
    }
    return true;
}

}  // namespace nQxSim
