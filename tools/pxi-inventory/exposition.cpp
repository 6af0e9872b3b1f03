#include "tools/pxi-inventory/exposition.h"

namespace nQxPxiInventory {

namespace {

// The length of the UTF-8 sequence at a_Index, or 0 when the bytes there are not one
// (overlong forms, surrogates and code points above U+10FFFF included).
size_t utf8Length(const std::string& a_rText, size_t a_Index) {
    const auto l_Byte = [&a_rText](size_t a_At) {
        return a_At < a_rText.size() ? static_cast<unsigned char>(a_rText[a_At]) : 0u;
    };
    const unsigned l_First = l_Byte(a_Index);
    size_t l_Length = 0;
    unsigned l_Low = 0x80;
    unsigned l_High = 0xBF;  // the allowed range of the second byte
    if (l_First < 0x80) {
        return 1;
    } else if (l_First >= 0xC2 && l_First <= 0xDF) {
        l_Length = 2;
    } else if (l_First >= 0xE0 && l_First <= 0xEF) {
        l_Length = 3;
        l_Low = l_First == 0xE0 ? 0xA0 : 0x80;
        l_High = l_First == 0xED ? 0x9F : 0xBF;
    } else if (l_First >= 0xF0 && l_First <= 0xF4) {
        l_Length = 4;
        l_Low = l_First == 0xF0 ? 0x90 : 0x80;
        l_High = l_First == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    const unsigned l_Second = l_Byte(a_Index + 1);
    if (l_Second < l_Low || l_Second > l_High) {
        return 0;
    }
    for (size_t l_Next = 2; l_Next < l_Length; ++l_Next) {
        const unsigned l_Continuation = l_Byte(a_Index + l_Next);
        if (l_Continuation < 0x80 || l_Continuation > 0xBF) {
            return 0;
        }
    }
    return l_Length;
}

std::string helpText(const std::string& a_rText) {
    std::string l_Out;
    for (char l_Char : a_rText) {
        if (l_Char == '\\') {
            l_Out += "\\\\";
        } else if (l_Char == '\n') {
            l_Out += "\\n";
        } else {
            l_Out += l_Char;
        }
    }
    return l_Out;
}

}  // namespace

std::string labelValue(const std::string& a_rText) {
    std::string l_Out;
    for (size_t l_Index = 0; l_Index < a_rText.size();) {
        const char l_Char = a_rText[l_Index];
        const size_t l_Length = utf8Length(a_rText, l_Index);
        if (l_Length == 0) {
            l_Out += "\xEF\xBF\xBD";
            ++l_Index;
            continue;
        }
        if (l_Char == '\\') {
            l_Out += "\\\\";
        } else if (l_Char == '"') {
            l_Out += "\\\"";
        } else if (l_Char == '\n') {
            l_Out += "\\n";
        } else {
            l_Out.append(a_rText, l_Index, l_Length);
        }
        l_Index += l_Length;
    }
    return l_Out;
}

void cExposition::family(const std::string& a_rName, const std::string& a_rHelp) {
    m_Families.push_back({a_rName, a_rHelp, {}, {}});
}

void cExposition::sample(const tLabels& a_rLabels, int64_t a_Value) {
    add(a_rLabels, std::to_string(a_Value));
}

void cExposition::unknown(const tLabels& a_rLabels) {
    add(a_rLabels, "NaN");
}

void cExposition::add(const tLabels& a_rLabels, const std::string& a_rValue) {
    tFamily& l_rFamily = m_Families.back();
    std::string l_Labels;
    for (const auto& l_rLabel : a_rLabels) {
        l_Labels += (l_Labels.empty() ? "{" : ",") + l_rLabel.first + "=\"" +
                    labelValue(l_rLabel.second) + "\"";
    }
    if (!l_Labels.empty()) {
        l_Labels += "}";
    }
    if (l_rFamily.labelSets.insert(l_Labels).second) {
        l_rFamily.lines.push_back(l_rFamily.name + l_Labels + " " + a_rValue + "\n");
    }
}

std::string cExposition::text() const {
    std::string l_Out;
    for (const tFamily& l_rFamily : m_Families) {
        l_Out += "# HELP " + l_rFamily.name + " " + helpText(l_rFamily.help) + "\n";
        l_Out += "# TYPE " + l_rFamily.name + " gauge\n";
        for (const std::string& l_rLine : l_rFamily.lines) {
            l_Out += l_rLine;
        }
    }
    return l_Out;
}

}  // namespace nQxPxiInventory
