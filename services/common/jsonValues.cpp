#include "services/common/jsonValues.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace nQxSim {

namespace {

bool parseText(const std::string& a_rText, bool a_Signed, int64_t& a_rSigned,
               uint64_t& a_rUnsigned) {
    if (a_rText.empty()) {
        return false;
    }
    const char* l_pBegin = a_rText.c_str();
    char* l_pEnd = nullptr;
    errno = 0;
    if (a_Signed) {
        a_rSigned = std::strtoll(l_pBegin, &l_pEnd, 0);
    } else {
        if (a_rText[0] == '-') {
            return false;
        }
        a_rUnsigned = std::strtoull(l_pBegin, &l_pEnd, 0);
    }
    return errno == 0 && *l_pEnd == '\0';
}

}  // namespace

uint64_t toUnsigned(const nlohmann::json& a_rValue, uint64_t a_Max, const std::string& a_rWhat) {
    uint64_t l_Value = 0;
    if (a_rValue.is_number_unsigned()) {
        l_Value = a_rValue.get<uint64_t>();
    } else if (a_rValue.is_number_integer()) {
        if (a_rValue.get<int64_t>() < 0) {
            throw std::runtime_error(a_rWhat + ": negative value");
        }
        l_Value = static_cast<uint64_t>(a_rValue.get<int64_t>());
    } else if (a_rValue.is_string()) {
        int64_t l_Unused = 0;
        if (!parseText(a_rValue.get<std::string>(), false, l_Unused, l_Value)) {
            throw std::runtime_error(a_rWhat + ": not a number: \"" + a_rValue.get<std::string>() +
                                     "\"");
        }
    } else if (a_rValue.is_number_float()) {
        // 1.5 and 1e3 are numbers to JSON, but not the whole numbers a machine file holds.
        throw std::runtime_error(a_rWhat + ": expected a whole number without a fraction or " +
                                 "an exponent, not " + a_rValue.dump());
    } else {
        throw std::runtime_error(a_rWhat + ": expected a number");
    }
    if (l_Value > a_Max) {
        throw std::runtime_error(a_rWhat + ": value " + std::to_string(l_Value) +
                                 " out of range (at most " + std::to_string(a_Max) + ")");
    }
    return l_Value;
}

int64_t toSigned(const nlohmann::json& a_rValue, int64_t a_Min, int64_t a_Max,
                 const std::string& a_rWhat) {
    int64_t l_Value = 0;
    if (a_rValue.is_number_integer()) {
        if (a_rValue.is_number_unsigned() &&
            a_rValue.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)) {
            throw std::runtime_error(a_rWhat + ": value out of range");
        }
        l_Value = a_rValue.get<int64_t>();
    } else if (a_rValue.is_string()) {
        uint64_t l_Unused = 0;
        if (!parseText(a_rValue.get<std::string>(), true, l_Value, l_Unused)) {
            throw std::runtime_error(a_rWhat + ": not a number: \"" + a_rValue.get<std::string>() +
                                     "\"");
        }
    } else if (a_rValue.is_number_float()) {
        // 1.5 and 1e3 are numbers to JSON, but not the whole numbers a machine file holds.
        throw std::runtime_error(a_rWhat + ": expected a whole number without a fraction or " +
                                 "an exponent, not " + a_rValue.dump());
    } else {
        throw std::runtime_error(a_rWhat + ": expected a number");
    }
    if (l_Value < a_Min || l_Value > a_Max) {
        throw std::runtime_error(a_rWhat + ": value " + std::to_string(l_Value) + " out of range");
    }
    return l_Value;
}

uint64_t keyToUnsigned(const std::string& a_rKey, uint64_t a_Max, const std::string& a_rWhat) {
    return toUnsigned(nlohmann::json(a_rKey), a_Max, a_rWhat);
}

}  // namespace nQxSim
