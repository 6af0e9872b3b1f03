// Reading numbers from a machine file: JSON numbers or texts such as "0x1093".
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace nQxSim {

// Both throw std::runtime_error naming a_rWhat when the value is not a number in range.
uint64_t toUnsigned(const nlohmann::json& a_rValue, uint64_t a_Max, const std::string& a_rWhat);
int64_t toSigned(const nlohmann::json& a_rValue, int64_t a_Min, int64_t a_Max,
                 const std::string& a_rWhat);
// A number written as text: decimal, or hexadecimal with 0x.
uint64_t keyToUnsigned(const std::string& a_rKey, uint64_t a_Max, const std::string& a_rWhat);

}  // namespace nQxSim
