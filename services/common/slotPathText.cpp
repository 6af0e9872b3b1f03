#include "services/common/slotPathText.h"

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

namespace {

int hexValue(char a_C) {
    if (a_C >= '0' && a_C <= '9') {
        return a_C - '0';
    }
    if (a_C >= 'a' && a_C <= 'f') {
        return a_C - 'a' + 10;
    }
    return a_C >= 'A' && a_C <= 'F' ? a_C - 'A' + 10 : -1;
}

// One number of 1 to a_MaxDigits digits in a_Base, nothing else, no larger than a byte.
// Reducing a larger value would name another bus or device, so it is refused instead.
bool parseByte(const std::string& a_rText, unsigned a_Base, size_t a_MaxDigits, uint8_t& a_rValue) {
    if (a_rText.empty() || a_rText.size() > a_MaxDigits) {
        return false;
    }
    unsigned l_Value = 0;
    for (const char l_C : a_rText) {
        const int l_Digit = hexValue(l_C);
        if (l_Digit < 0 || static_cast<unsigned>(l_Digit) >= a_Base) {
            return false;
        }
        l_Value = l_Value * a_Base + static_cast<unsigned>(l_Digit);
    }
    if (l_Value > 0xFF) {
        return false;
    }
    a_rValue = static_cast<uint8_t>(l_Value);
    return true;
}

}  // namespace

bool parseSlotPath(const std::string& a_rText, uint8_t& a_rBus, std::vector<uint8_t>& a_rHops) {
    a_rBus = 0;
    a_rHops.clear();
    std::string l_HopText = a_rText;
    const size_t l_Colon = a_rText.find(':');
    if (l_Colon != std::string::npos) {
        const bool l_Prefixed = a_rText.compare(0, 2, "MR") == 0;
        const std::string l_BusText =
            a_rText.substr(l_Prefixed ? 2 : 0, l_Colon - (l_Prefixed ? 2 : 0));
        if (!parseByte(l_BusText, l_Prefixed ? 16 : 10, l_Prefixed ? 2 : 3, a_rBus)) {
            return false;
        }
        l_HopText = a_rText.substr(l_Colon + 1);
    }
    // Hops are separated by single commas: an empty hop, a leading or trailing comma or a
    // second colon is no slot path.
    size_t l_Pos = 0;
    while (l_Pos < l_HopText.size()) {
        const size_t l_Comma = l_HopText.find(',', l_Pos);
        const size_t l_End = l_Comma == std::string::npos ? l_HopText.size() : l_Comma;
        uint8_t l_Hop = 0;
        if (!parseByte(l_HopText.substr(l_Pos, l_End - l_Pos), 16, 2, l_Hop) ||
            l_End + 1 == l_HopText.size()) {
            a_rHops.clear();
            return false;
        }
        a_rHops.push_back(l_Hop);
        l_Pos = l_End + 1;
    }
    return true;
}

}  // namespace nQxSim
