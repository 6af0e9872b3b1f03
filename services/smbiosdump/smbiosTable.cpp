#include "services/smbiosdump/smbiosTable.h"

#include <cctype>
#include <set>
#include <stdexcept>

#include "services/common/jsonValues.h"
#include "services/smbiosdump/smbiosDump.h"

namespace nQxSim {

namespace {

using nlohmann::json;

// One structure being built: its formatted area and its string set.
struct tStructure {
    std::vector<uint8_t> formatted;
    std::vector<std::string> strings;

    // Stores the number of a new string at a_Offset; an empty text stores 0 (no string).
    void putString(size_t a_Offset, const std::string& a_rText, const std::string& a_rWhat) {
        if (a_rText.find('\0') != std::string::npos) {
            throw std::runtime_error(a_rWhat + ": a string may not hold a NUL");
        }
        if (a_rText.empty()) {
            formatted[a_Offset] = 0;
            return;
        }
        strings.push_back(a_rText);
        formatted[a_Offset] = static_cast<uint8_t>(strings.size());
    }
    void appendTo(std::vector<uint8_t>& a_rTable) const {
        a_rTable.insert(a_rTable.end(), formatted.begin(), formatted.end());
        for (const std::string& l_rString : strings) {
            a_rTable.insert(a_rTable.end(), l_rString.begin(), l_rString.end());
            a_rTable.push_back(0);
        }
        if (strings.empty()) {
            a_rTable.push_back(0);
        }
        a_rTable.push_back(0);
    }
};

tStructure header(uint8_t a_Type, uint8_t a_Length, uint16_t a_Handle) {
    tStructure l_Structure;
    l_Structure.formatted.assign(a_Length, 0);
    l_Structure.formatted[0] = a_Type;
    l_Structure.formatted[1] = a_Length;
    l_Structure.formatted[2] = static_cast<uint8_t>(a_Handle & 0xFF);
    l_Structure.formatted[3] = static_cast<uint8_t>(a_Handle >> 8);
    return l_Structure;
}

std::string textOf(const json& a_rObject, const char* a_pKey, const std::string& a_rWhat) {
    if (!a_rObject.contains(a_pKey)) {
        return std::string();
    }
    if (!a_rObject.at(a_pKey).is_string()) {
        throw std::runtime_error(a_rWhat + "." + a_pKey + ": expected a text");
    }
    return a_rObject.at(a_pKey).get<std::string>();
}

void checkKeys(const json& a_rObject, const std::set<std::string>& a_rAllowed,
               const std::string& a_rWhat) {
    if (!a_rObject.is_object()) {
        throw std::runtime_error(a_rWhat + ": expected an object");
    }
    for (const auto& l_rItem : a_rObject.items()) {
        if (a_rAllowed.count(l_rItem.key()) == 0) {
            throw std::runtime_error(a_rWhat + ": unknown key \"" + l_rItem.key() + "\"");
        }
    }
}

std::vector<uint8_t> fromHex(const std::string& a_rText, const std::string& a_rWhat) {
    std::vector<uint8_t> l_Bytes;
    std::string l_Digits;
    for (char l_C : a_rText) {
        if (!std::isspace(static_cast<unsigned char>(l_C))) {
            l_Digits += l_C;
        }
    }
    if (l_Digits.size() % 2 != 0) {
        throw std::runtime_error(a_rWhat + ": odd number of hexadecimal digits");
    }
    for (size_t l_Index = 0; l_Index < l_Digits.size(); l_Index += 2) {
        l_Bytes.push_back(
            static_cast<uint8_t>(keyToUnsigned("0x" + l_Digits.substr(l_Index, 2), 255, a_rWhat)));
    }
    return l_Bytes;
}

}  // namespace

std::vector<uint8_t> buildSmbiosTable(const json& a_rSmbios) {
    if (a_rSmbios.is_null()) {
        return std::vector<uint8_t>();
    }
    checkKeys(a_rSmbios, {"header", "system", "chassis", "structures", "raw"}, "smbios");
    if (a_rSmbios.contains("raw")) {
        if (a_rSmbios.size() > (a_rSmbios.contains("header") ? 2u : 1u)) {
            throw std::runtime_error("smbios.raw: give the raw table alone (with a header)");
        }
        if (!a_rSmbios.at("raw").is_string()) {
            throw std::runtime_error("smbios.raw: expected hexadecimal text");
        }
        return fromHex(a_rSmbios.at("raw").get<std::string>(), "smbios.raw");
    }
    std::vector<uint8_t> l_Table;
    uint16_t l_Handle = 0;
    if (a_rSmbios.contains("system")) {
        const json& l_rSystem = a_rSmbios.at("system");
        const std::string l_What = "smbios.system";
        checkKeys(l_rSystem,
                  {"manufacturer", "productName", "version", "serialNumber", "sku", "family"},
                  l_What);
        // System information, SMBIOS 2.4 layout.
        tStructure l_Structure = header(1, 0x1B, l_Handle++);
        l_Structure.putString(4, textOf(l_rSystem, "manufacturer", l_What), l_What);
        l_Structure.putString(5, textOf(l_rSystem, "productName", l_What), l_What);
        l_Structure.putString(6, textOf(l_rSystem, "version", l_What), l_What);
        l_Structure.putString(7, textOf(l_rSystem, "serialNumber", l_What), l_What);
        l_Structure.formatted[24] = 6;  // wake-up type: power switch
        l_Structure.putString(25, textOf(l_rSystem, "sku", l_What), l_What);
        l_Structure.putString(26, textOf(l_rSystem, "family", l_What), l_What);
        l_Structure.appendTo(l_Table);
    }
    if (a_rSmbios.contains("chassis")) {
        const json& l_rChassis = a_rSmbios.at("chassis");
        const std::string l_What = "smbios.chassis";
        checkKeys(l_rChassis, {"manufacturer", "version", "serialNumber", "assetTag"}, l_What);
        // System enclosure, SMBIOS 2.3 layout.
        tStructure l_Structure = header(3, 0x11, l_Handle++);
        l_Structure.putString(4, textOf(l_rChassis, "manufacturer", l_What), l_What);
        l_Structure.formatted[5] = 0x17;  // rack mount chassis
        l_Structure.putString(6, textOf(l_rChassis, "version", l_What), l_What);
        l_Structure.putString(7, textOf(l_rChassis, "serialNumber", l_What), l_What);
        l_Structure.putString(8, textOf(l_rChassis, "assetTag", l_What), l_What);
        for (size_t l_Offset = 9; l_Offset <= 12; ++l_Offset) {
            l_Structure.formatted[l_Offset] = 3;  // states: safe
        }
        l_Structure.appendTo(l_Table);
    }
    if (a_rSmbios.contains("structures")) {
        const json& l_rStructures = a_rSmbios.at("structures");
        if (!l_rStructures.is_array()) {
            throw std::runtime_error("smbios.structures: expected an array");
        }
        for (size_t l_Index = 0; l_Index < l_rStructures.size(); ++l_Index) {
            const std::string l_What = "smbios.structures[" + std::to_string(l_Index) + "]";
            const json& l_rItem = l_rStructures[l_Index];
            checkKeys(l_rItem, {"type", "handle", "data", "strings"}, l_What);
            if (!l_rItem.contains("type")) {
                throw std::runtime_error(l_What + ": missing \"type\"");
            }
            // "data" is the formatted area after the 4-byte header; its string fields
            // hold string numbers as given.
            std::vector<uint8_t> l_Data;
            if (l_rItem.contains("data")) {
                const json& l_rData = l_rItem.at("data");
                if (!l_rData.is_array()) {
                    throw std::runtime_error(l_What + ".data: expected an array of bytes");
                }
                for (size_t l_Byte = 0; l_Byte < l_rData.size(); ++l_Byte) {
                    l_Data.push_back(static_cast<uint8_t>(toUnsigned(
                        l_rData[l_Byte], 255, l_What + ".data[" + std::to_string(l_Byte) + "]")));
                }
            }
            if (l_Data.size() + 4 > 255) {
                throw std::runtime_error(l_What + ".data: formatted area longer than 255 bytes");
            }
            const uint16_t l_StructHandle =
                l_rItem.contains("handle") ? static_cast<uint16_t>(toUnsigned(
                                                 l_rItem.at("handle"), 0xFFFF, l_What + ".handle"))
                                           : l_Handle;
            ++l_Handle;
            tStructure l_Structure =
                header(static_cast<uint8_t>(toUnsigned(l_rItem.at("type"), 255, l_What + ".type")),
                       static_cast<uint8_t>(l_Data.size() + 4), l_StructHandle);
            std::copy(l_Data.begin(), l_Data.end(), l_Structure.formatted.begin() + 4);
            if (l_rItem.contains("strings")) {
                const json& l_rStrings = l_rItem.at("strings");
                if (!l_rStrings.is_array()) {
                    throw std::runtime_error(l_What + ".strings: expected an array of texts");
                }
                for (const json& l_rString : l_rStrings) {
                    if (!l_rString.is_string() || l_rString.get<std::string>().empty() ||
                        l_rString.get<std::string>().find('\0') != std::string::npos) {
                        throw std::runtime_error(l_What + ".strings: expected non-empty texts");
                    }
                    l_Structure.strings.push_back(l_rString.get<std::string>());
                }
            }
            l_Structure.appendTo(l_Table);
        }
    }
    header(127, 4, 0xFEFF).appendTo(l_Table);  // end of table
    return l_Table;
}

std::string smbiosHeader(const json& a_rSmbios) {
    if (a_rSmbios.is_object() && a_rSmbios.contains("header")) {
        if (!a_rSmbios.at("header").is_string() ||
            a_rSmbios.at("header").get<std::string>().find('\0') != std::string::npos) {
            throw std::runtime_error("smbios.header: expected a text without NUL");
        }
        return a_rSmbios.at("header").get<std::string>();
    }
    return "qxsim SMBIOS 2.7 table dump";
}

std::vector<uint8_t> buildSmbiosDump(const json& a_rSmbios) {
    return smbiosDumpOf(smbiosHeader(a_rSmbios), buildSmbiosTable(a_rSmbios));
}

}  // namespace nQxSim
