#include "tests/host/tool/toolRun.h"

#include <gtest/gtest.h>

#include <limits.h>
#include <stdlib.h>

#include <memory>

namespace tooltest {

std::string toolPath() {
    return qxtest::buildDir() + "/tools/pxi-inventory";
}

std::string resolved(const std::string& a_rPath) {
    char l_Buffer[PATH_MAX];
    return realpath(a_rPath.c_str(), l_Buffer) != nullptr ? std::string(l_Buffer) : a_rPath;
}

std::string resolved(const nlohmann::json& a_rPath) {
    return a_rPath.is_string() ? resolved(a_rPath.get<std::string>()) : a_rPath.dump();
}

const tEnvironment kNoServices = {{"LD_LIBRARY_PATH", std::nullopt},
                                  {"QXPXI_SIM_MACHINE", std::nullopt},
                                  {"QXPXI_SIM_CALL_LOG", std::nullopt},
                                  {"QXPXI_INVENTORY_STANDINS", std::nullopt}};

qxtest::tChildResult run(const std::vector<std::string>& a_rArgv,
                         const tEnvironment& a_rEnvironment) {
    std::vector<std::unique_ptr<qxtest::cScopedEnv>> l_Scopes;
    for (const auto& l_rChange : a_rEnvironment) {
        l_Scopes.push_back(std::make_unique<qxtest::cScopedEnv>(l_rChange.first, l_rChange.second));
    }
    qxtest::tChildResult l_Result = qxtest::runCommand(a_rArgv);
    // Undone last to first, so that a variable changed twice gets its first value back.
    while (!l_Scopes.empty()) {
        l_Scopes.pop_back();
    }
    return l_Result;
}

nlohmann::json runJson(const std::vector<std::string>& a_rArgv, const tEnvironment& a_rEnvironment,
                       int a_ExpectedExit) {
    std::vector<std::string> l_Argv = a_rArgv;
    l_Argv.push_back("--json");
    const qxtest::tChildResult l_Result = run(l_Argv, a_rEnvironment);
    EXPECT_TRUE(l_Result.exited) << l_Result.stdErr;
    EXPECT_EQ(l_Result.exitCode, a_ExpectedExit) << l_Result.stdErr << l_Result.stdOut;
    try {
        return nlohmann::json::parse(l_Result.stdOut);
    } catch (const std::exception& l_rError) {
        ADD_FAILURE() << "not JSON: " << l_rError.what() << "\n" << l_Result.stdOut;
        return nlohmann::json::object();
    }
}

uint32_t number(const nlohmann::json& a_rValue) {
    if (a_rValue.is_number()) {
        return a_rValue.get<uint32_t>();
    }
    return static_cast<uint32_t>(std::stoul(a_rValue.get<std::string>(), nullptr, 0));
}

nlohmann::json bridgeAt(const nlohmann::json& a_rMachine, uint32_t a_Bus, uint32_t a_Device,
                        uint32_t a_Function) {
    for (const auto& l_rBridge : a_rMachine["pci"]["bridges"]) {
        const uint32_t l_Function =
            l_rBridge.contains("function") ? number(l_rBridge["function"]) : 0;
        if (number(l_rBridge["bus"]) == a_Bus && number(l_rBridge["device"]) == a_Device &&
            l_Function == a_Function) {
            return l_rBridge;
        }
    }
    return nullptr;
}

std::vector<uint32_t> secondaryBusesOf(const nlohmann::json& a_rMachine, uint32_t a_SubsystemId) {
    std::vector<uint32_t> l_Buses;
    for (const auto& l_rBridge : a_rMachine["pci"]["bridges"]) {
        if (l_rBridge.contains("subsystemId") &&
            number(l_rBridge["subsystemId"]) == a_SubsystemId) {
            l_Buses.push_back(number(l_rBridge["secondaryBus"]));
        }
    }
    return l_Buses;
}

nlohmann::json adapter(const nlohmann::json& a_rMachine, const std::string& a_rResource) {
    for (const auto& l_rAdapter : a_rMachine["smbus"]["adapters"]) {
        if (l_rAdapter["resource"] == a_rResource) {
            return l_rAdapter;
        }
    }
    return nullptr;
}

}  // namespace tooltest
