// A simulated machine for system module tests: a PCI Express switch behind a root port,
// service SMBus adapters, a controller driver, and one description file, with the
// service accesses a discovery pass would hand to a module.
//
// Topology (bus:device.function -> secondary bus, link width attribute 0x20000800):
//   R  0:01.0 -> 1 (8086:0001)                   width 1
//   U  1:00.0 -> 2 (1234:5678, 0:0)  upstream     width 16
//   D0 2:00.0 -> 3 (1234:5678, 0:0)  downstream   width 4
//   D1 2:01.0 -> 4 (1234:5678, 0:0)  downstream   width 8
//   E  4:00.0 -> 5 (1111:2222)                    width 2
//   X1 0:02.0 -> 10 (4321:8765) and X2 12:00.0 -> 13 (4321:8765) behind Y 0:03.0 -> 12:
//      the same ids on unrelated buses, so no switch can be chosen.
// Adapter "QXSMBUS::0::31::3::0" reports its SMBus controller on bus 3 (behind D0).
#pragma once

#include <memory>
#include <string>

#include <boost/shared_ptr.hpp>
#include <nlohmann/json.hpp>

#include "config/inifile/cIniFile.h"
#include "platform/cntdrvwrapper/cCntDrvWrapper_sc.h"
#include "platform/pcibrdwrapper/cPciBrdWrapper_sc.h"
#include "platform/pxismbuswrapper/iSMBusWrapper.h"
#include "sysmodule/module/tPXIeSystemModule.h"
#include "tests/support/qxTestSupport.h"

namespace moduletest {

constexpr const char* kAdapter = "QXSMBUS::0::31::3::0";

// The machine; a_rEeprom is the "chassisEeprom" of the adapter's device at 0xA4.
nlohmann::json machine(const nlohmann::json& a_rEeprom);

// A description with the given ModuleStyle, link sections and widths; a_rExtra is
// appended as it is.
std::string description(const std::string& a_rStyle, const std::string& a_rLinks2,
                        const std::string& a_rLinks4, const std::string& a_rExtra = "");

class cRig {
public:
    explicit cRig(const nlohmann::json& a_rMachine);

    // Opens the adapter with the factory (a_pResource) and builds a described module.
    std::unique_ptr<nQxPxiUnitTest::tPXIeSystemModule> described(
        const std::string& a_rDescription, nQxPxiUnitTest::tStatusRecord& a_rStatus,
        const char* a_pResource = kAdapter, bool a_WithController = false);
    // Builds a described module on an adapter the test opened itself.
    std::unique_ptr<nQxPxiUnitTest::tPXIeSystemModule> described(
        const std::string& a_rDescription, nQxPxiUnitTest::iSMBusWrapper& a_rAdapter,
        nQxPxiUnitTest::tStatusRecord& a_rStatus);
    // Builds a module of the controller variant.
    std::unique_ptr<nQxPxiUnitTest::tPXIeSystemModule> controller(
        nQxPxiUnitTest::tStatusRecord& a_rStatus);

    qxtest::cSimMachine& sim() { return m_Sim; }

private:
    qxtest::cSimMachine m_Sim;
    nQxPxiUnitTest::tJsonStatus m_PciStatus;
    std::unique_ptr<nQxPxiUnitTest::nQxPciBrdWrapper_15_0::cPciBrdWrapper_sc> m_pPciBrd;
    std::unique_ptr<nQxPxiUnitTest::cCntDrvWrapper_sc> m_pCntDrv;
    boost::shared_ptr<nQxPxiUnitTest::iSMBusWrapper> m_Adapter;
    nQxPxiUnitTest::nQxPxiDriverTools_1_0::cIniFile m_Ini;
};

}  // namespace moduletest
