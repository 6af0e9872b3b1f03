// Runs pxi-inventory (or any program) as a child process with environment changes, and
// reads the example machine's facts the tests compare the tool's answers with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/qxTestSupport.h"

namespace tooltest {

using tEnvironment = std::vector<std::pair<std::string, std::optional<std::string>>>;

std::string toolPath();
// realpath() of a path (or of a JSON text), unchanged when it cannot be resolved.
std::string resolved(const std::string& a_rPath);
std::string resolved(const nlohmann::json& a_rPath);
// The environment of a run outside ctest's: no stand-ins on the loader's path.
extern const std::vector<std::pair<std::string, std::optional<std::string>>> kNoServices;
qxtest::tChildResult run(const std::vector<std::string>& a_rArgv,
                         const tEnvironment& a_rEnvironment = {});
// The tool with --json; the document, or a failed assertion.
nlohmann::json runJson(const std::vector<std::string>& a_rArgv, const tEnvironment& a_rEnvironment,
                       int a_ExpectedExit);

// A machine-file number: a JSON number or a text in decimal or 0x hexadecimal.
uint32_t number(const nlohmann::json& a_rValue);
// The bridge of the machine at bus:device.function, or a null json.
nlohmann::json bridgeAt(const nlohmann::json& a_rMachine, uint32_t a_Bus, uint32_t a_Device,
                        uint32_t a_Function);
// The secondary buses of the bridges with that subsystem id, in file order.
std::vector<uint32_t> secondaryBusesOf(const nlohmann::json& a_rMachine, uint32_t a_SubsystemId);
nlohmann::json adapter(const nlohmann::json& a_rMachine, const std::string& a_rResource);

}  // namespace tooltest
