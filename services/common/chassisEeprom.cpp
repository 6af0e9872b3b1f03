#include "services/common/chassisEeprom.h"

#include <stdexcept>

#include "services/common/jsonValues.h"

namespace nQxSim {

namespace {

void putText(std::array<uint8_t, 256>& a_rImage, const nlohmann::json& a_rSpec, const char* a_pKey,
             size_t a_Offset, size_t a_Capacity, const std::string& a_rWhat) {
    if (!a_rSpec.contains(a_pKey)) {
        return;
    }
    const auto& l_rValue = a_rSpec.at(a_pKey);
    if (!l_rValue.is_string()) {
        throw std::runtime_error(a_rWhat + "." + a_pKey + ": expected a text");
    }
    const std::string l_Text = l_rValue.get<std::string>();
    if (l_Text.size() + 1 > a_Capacity) {
        throw std::runtime_error(a_rWhat + "." + a_pKey + ": longer than " +
                                 std::to_string(a_Capacity - 1) + " characters");
    }
    for (size_t l_Index = 0; l_Index < l_Text.size(); ++l_Index) {
        a_rImage[a_Offset + l_Index] = static_cast<uint8_t>(l_Text[l_Index]);
    }
    a_rImage[a_Offset + l_Text.size()] = 0;
}

}  // namespace

std::array<uint8_t, 256> buildChassisEeprom(const nlohmann::json& a_rSpec,
                                            const std::string& a_rWhat) {
    if (!a_rSpec.is_object()) {
        throw std::runtime_error(a_rWhat + ": expected an object");
    }
    std::array<uint8_t, 256> l_Image{};
    l_Image[0] = 0x5A;
    l_Image[1] = 0x31;
    l_Image[2] = 0x00;
    l_Image[3] = 4;
    putText(l_Image, a_rSpec, "vendor", 5, 27, a_rWhat);
    putText(l_Image, a_rSpec, "model", 65, 40, a_rWhat);
    if (a_rSpec.contains("revision")) {
        const auto& l_rRevision = a_rSpec.at("revision");
        if (!l_rRevision.is_string() || l_rRevision.get<std::string>().size() != 1) {
            throw std::runtime_error(a_rWhat + ".revision: expected one character");
        }
        l_Image[105] = static_cast<uint8_t>(l_rRevision.get<std::string>()[0]);
    }
    putText(l_Image, a_rSpec, "serialNumber", 106, 13, a_rWhat);
    if (a_rSpec.contains("linkConfiguration")) {
        l_Image[124] = static_cast<uint8_t>(
            toUnsigned(a_rSpec.at("linkConfiguration"), 255, a_rWhat + ".linkConfiguration"));
    }
    if (a_rSpec.contains("bytes")) {
        const auto& l_rBytes = a_rSpec.at("bytes");
        if (!l_rBytes.is_object()) {
            throw std::runtime_error(a_rWhat + ".bytes: expected an object of offset: value");
        }
        for (const auto& l_rItem : l_rBytes.items()) {
            const std::string l_What = a_rWhat + ".bytes." + l_rItem.key();
            const uint64_t l_Offset = keyToUnsigned(l_rItem.key(), 255, l_What);
            l_Image[l_Offset] = static_cast<uint8_t>(toUnsigned(l_rItem.value(), 255, l_What));
        }
    }
    uint32_t l_Sum = 0;
    for (size_t l_Index = 0; l_Index < l_Image.size(); ++l_Index) {
        if (l_Index != 121 && l_Index != 122) {
            l_Sum += l_Image[l_Index];
        }
    }
    uint16_t l_Checksum = static_cast<uint16_t>(l_Sum & 0xFFFF);
    if (a_rSpec.contains("checksum") && a_rSpec.at("checksum") != "valid") {
        l_Checksum = static_cast<uint16_t>(
            toUnsigned(a_rSpec.at("checksum"), 0xFFFF, a_rWhat + ".checksum"));
    }
    l_Image[121] = static_cast<uint8_t>(l_Checksum & 0xFF);
    l_Image[122] = static_cast<uint8_t>(l_Checksum >> 8);
    return l_Image;
}

}  // namespace nQxSim
