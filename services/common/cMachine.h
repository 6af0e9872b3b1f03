// The simulated machine: what one machine file describes, plus the state that calls
// change while the machine is in use (bridge attributes, SMBus device bytes, call
// counts of the fault table). Every stand-in service answers from one of these.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "services/common/slotPathText.h"

namespace nQxSim {

struct tBridge {
    uint8_t bus = 0;
    uint8_t device = 0;
    uint8_t function = 0;
    uint16_t vendorId = 0;
    uint16_t deviceId = 0;
    uint16_t subsystemVendorId = 0;
    uint16_t subsystemId = 0;
    uint8_t secondaryBus = 0;
    std::map<uint32_t, uint32_t> attributes;
    // Derived from the bus numbers when the machine is read.
    int parent = -1;
    uint8_t rootBus = 0;
    std::vector<uint8_t> hops;  // this bridge first, the bridge on the root bus last
    std::string slotPath;
};

// A PCI function that is not a bridge. The PCI bridge service answers for bridges only;
// the functions are there for tools that show what sits below the bridges.
struct tPciFunction {
    uint8_t bus = 0;
    uint8_t device = 0;
    uint8_t function = 0;
    uint16_t vendorId = 0;
    uint16_t deviceId = 0;
    uint16_t subsystemVendorId = 0;
    uint16_t subsystemId = 0;
    uint32_t classCode = 0;  // base class, subclass, programming interface
};

struct tController {
    bool present = false;
    bool canOpen = true;
    int32_t openStatus = 0;  // answered by openController when canOpen is false
    std::map<uint32_t, std::string> text;
    std::map<uint32_t, uint32_t> u32;
    std::map<uint32_t, int32_t> i32;
    std::map<uint32_t, double> dbl;
};

struct tSmBusDevice {
    std::array<uint8_t, 256> bytes{};
    uint8_t pointer = 0;  // register pointer of SendByte / ReceiveByte
};

struct tSmBusAdapter {
    std::string resource;
    std::string description;  // attribute 302
    std::map<uint32_t, int64_t> attributes;
    std::map<uint8_t, tSmBusDevice> devices;  // by 7-bit address shifted left (bit 0 clear)
};

struct tFault {
    std::string function;
    int32_t status = 0;
    uint64_t fromCall = 1;
    uint64_t toCall = UINT64_MAX;  // the last call that fails
};

class cMachine {
public:
    // Throws std::runtime_error with a one-line reason when the text is not a valid
    // machine. a_rPath is the file the text came from; relative directories in the
    // file are resolved against its directory.
    static std::shared_ptr<cMachine> parse(const std::string& a_rText, const std::string& a_rPath);

    // Counts one call of a_pFunction; true, with the status to answer, when a fault
    // of the table applies to this call.
    bool takeFault(const char* a_pFunction, int32_t& a_rStatus);

    std::string m_Path;
    std::string m_Directory;
    std::vector<uint8_t> m_RootBuses;
    std::vector<tBridge> m_Bridges;
    std::vector<tPciFunction> m_Devices;
    tController m_Controller;
    std::vector<tSmBusAdapter> m_Adapters;
    std::map<std::string, std::string> m_Relocations;
    nlohmann::json m_Smbios;
    std::vector<tFault> m_Faults;

    // Guards everything that calls change: bridge attributes, adapters' attributes
    // and device bytes, and the call counts.
    std::mutex m_Mutex;

private:
    std::map<std::string, uint64_t> m_CallCounts;
};

}  // namespace nQxSim
