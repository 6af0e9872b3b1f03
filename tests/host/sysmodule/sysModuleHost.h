// Host-side fixture for the system module library: a simulated machine served by the
// stand-in services, system module descriptions in its relocated libdir, and a fresh copy
// of libQXPXIeSMu.so loaded with dlopen for every test (so its cache, registry and
// description database start anew).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "qxpxi/QXPXIeSMu.h"
#include "tests/support/qxTestSupport.h"

namespace smtest {

constexpr int32_t kInvalidParameter = -52005;
constexpr int32_t kFeatureUnsupported = -52002;
constexpr int32_t kInternalFault = -52003;
constexpr int32_t kNotFound = -52006;
constexpr int32_t kDescriptionInvalid = -26902;
constexpr int32_t kDbNotFound = -313331;
constexpr int32_t kEmptyText = -2;

// The example machine's modules.
constexpr const char* kVendor = "Quarrix";
constexpr const char* kEmbedded = "PXIe-8881";
constexpr const char* kRemote = "PXIe-8398";
constexpr const char* kEmbeddedName = "Quarrix PXIe-8881 (QXSMBUS::0::31::3::0)";
constexpr const char* kEmbeddedList = "QXSMBUS::0::31::3::0;PXI0::0-31.3::INSTR";
constexpr const char* kRemoteName = "Quarrix PXIe-8398 (QXSMBUS::16::0::0::0)";
constexpr const char* kRemoteList = "QXSMBUS::16::0::0::0;PXI0::16-0.0::INSTR";

// The library's entry points, looked up in a freshly loaded copy.
struct cSysModuleLib {
    qxtest::cHostLibrary lib{"libQXPXIeSMu.so"};
    decltype(&PXISA_SystemModule_GetCount) getCount =
        lib.require<decltype(PXISA_SystemModule_GetCount)>("PXISA_SystemModule_GetCount");
    decltype(&PXISA_SystemModule_GetName) getName =
        lib.require<decltype(PXISA_SystemModule_GetName)>("PXISA_SystemModule_GetName");
    decltype(&PXISA_SystemModule_GetInformation) getInformation =
        lib.require<decltype(PXISA_SystemModule_GetInformation)>(
            "PXISA_SystemModule_GetInformation");
    decltype(&PXISA_SystemModule_GetChassisEEPROM) getEeprom =
        lib.require<decltype(PXISA_SystemModule_GetChassisEEPROM)>(
            "PXISA_SystemModule_GetChassisEEPROM");
    decltype(&PXISA_SystemModule_SMBusOperation) smbus =
        lib.require<decltype(PXISA_SystemModule_SMBusOperation)>(
            "PXISA_SystemModule_SMBusOperation");
    decltype(&QXPXI_SystemModule_UpdateCache) updateCache =
        lib.require<decltype(QXPXI_SystemModule_UpdateCache)>("QXPXI_SystemModule_UpdateCache");
    decltype(&QXPXI_SystemModule_GetCount_NoCache) getCountNoCache =
        lib.require<decltype(QXPXI_SystemModule_GetCount_NoCache)>(
            "QXPXI_SystemModule_GetCount_NoCache");
    decltype(&QXPXI_SystemModule_GetEmbeddedP2PSupport) getP2P =
        lib.require<decltype(QXPXI_SystemModule_GetEmbeddedP2PSupport)>(
            "QXPXI_SystemModule_GetEmbeddedP2PSupport");
};

struct tCount {
    int32_t status;
    int32_t count;
    bool operator==(const tCount& a_rOther) const {
        return status == a_rOther.status && count == a_rOther.count;
    }
};
inline void PrintTo(const tCount& a_rCount, std::ostream* a_pOut) {
    *a_pOut << "{status " << a_rCount.status << ", count " << a_rCount.count << "}";
}
struct tName {
    int32_t status;
    std::string name;
    std::string list;
};

// The example machine, with its description files copied into the test's directory.
nlohmann::json exampleMachine();
// The example machine without a controller driver.
nlohmann::json exampleWithoutController();
// A remote module description filed as (a_rVendor, a_rModel): adapters matched by
// a_rVidPid, two links walked from the SMBus controller.
std::string remoteDescription(const std::string& a_rVendor, const std::string& a_rModel,
                              const std::string& a_rVidPid);
// An embedded module description with a SwitchID; a_rProduct empty: no SMBIOSProduct.
std::string embeddedDescription(const std::string& a_rVendor, const std::string& a_rModel,
                                const std::string& a_rSwitchId, const std::string& a_rProduct,
                                const std::string& a_rResource = "QXSMBUS::0::31::3::0");
// A service SMBus adapter of the machine file with a valid two-link chassis EEPROM.
nlohmann::json adapter(const std::string& a_rResource, unsigned a_VendorId, unsigned a_ProductId,
                       int a_Usable, unsigned a_Bus, unsigned a_Device, unsigned a_Function);
std::string toString(const std::vector<std::string>& a_rTexts);

// Calls on a loaded library.
tCount count(const cSysModuleLib& a_rLib, const char* a_pVendor, const char* a_pModel);
tCount countNoCache(const cSysModuleLib& a_rLib, const char* a_pVendor, const char* a_pModel);
tName name(const cSysModuleLib& a_rLib, const char* a_pVendor, const char* a_pModel,
           int32_t a_Index);
// Every cached module name of the identity, read through GetName.
std::vector<std::string> names(const cSysModuleLib& a_rLib, const char* a_pVendor,
                               const char* a_pModel);

class cSysModuleHost : public ::testing::Test {
protected:
    // Writes the machine file (a_CopyExamples: with the example description files).
    void start(const nlohmann::json& a_rMachine, bool a_CopyExamples = true);
    // Loads the library afresh; descriptions must be written before the first discovery.
    void load();
    qxtest::cSimMachine& machine() { return *m_Machine; }
    const cSysModuleLib& lib() const { return *m_Lib; }

    tCount count(const char* a_pVendor, const char* a_pModel) {
        return smtest::count(*m_Lib, a_pVendor, a_pModel);
    }
    tCount countNoCache(const char* a_pVendor, const char* a_pModel) {
        return smtest::countNoCache(*m_Lib, a_pVendor, a_pModel);
    }
    tName name(const char* a_pVendor, const char* a_pModel, int32_t a_Index) {
        return smtest::name(*m_Lib, a_pVendor, a_pModel, a_Index);
    }
    std::vector<std::string> names(const char* a_pVendor, const char* a_pModel) {
        return smtest::names(*m_Lib, a_pVendor, a_pModel);
    }
    // A numeric attribute: {status, value}; the value is 0x7EADBEEF when not written.
    std::pair<int32_t, int32_t> number(const std::string& a_rModule, int32_t a_Id);
    // A text attribute: {status, text}; "<untouched>" when nothing was written.
    std::pair<int32_t, std::string> text(const std::string& a_rModule, int32_t a_Id);
    // {status, supported}; supported is -7 when not written.
    std::pair<int32_t, int32_t> p2p(const std::string& a_rModule, tPXISA_PciAddress a_Source,
                                    tPXISA_PciAddress a_Target);

private:
    // Declared first so that the library is closed before the machine goes away.
    std::optional<qxtest::cSimMachine> m_Machine;
    std::optional<cSysModuleLib> m_Lib;
};

}  // namespace smtest
