#include "module_test_rig.h"

#include <gtest/gtest.h>

#include "platform/pxismbuswrapper/cSMBusWrapperFactory.h"

namespace moduletest {

using namespace nQxPxiUnitTest;

nlohmann::json machine(const nlohmann::json& a_rEeprom) {
    nlohmann::json l_Machine = nlohmann::json::parse(R"({
        "pci": {"bridges": [
            {"name": "R", "bus": 0, "device": 1, "vendorId": 32902, "deviceId": 1,
             "secondaryBus": 1, "attributes": {"0x20000800": 1}},
            {"name": "U", "bus": 1, "device": 0, "vendorId": 4660, "deviceId": 22136,
             "secondaryBus": 2, "attributes": {"0x20000800": 16}},
            {"name": "D0", "bus": 2, "device": 0, "vendorId": 4660, "deviceId": 22136,
             "secondaryBus": 3, "attributes": {"0x20000800": 4}},
            {"name": "D1", "bus": 2, "device": 1, "vendorId": 4660, "deviceId": 22136,
             "secondaryBus": 4, "attributes": {"0x20000800": 8}},
            {"name": "E", "bus": 4, "device": 0, "vendorId": 4369, "deviceId": 8738,
             "secondaryBus": 5, "attributes": {"0x20000800": 2}},
            {"name": "X1", "bus": 0, "device": 2, "vendorId": 17185, "deviceId": 34661,
             "secondaryBus": 10, "attributes": {"0x20000800": 1}},
            {"name": "Y", "bus": 0, "device": 3, "vendorId": 32902, "deviceId": 2,
             "secondaryBus": 12, "attributes": {"0x20000800": 1}},
            {"name": "X2", "bus": 12, "device": 0, "vendorId": 17185, "deviceId": 34661,
             "secondaryBus": 13, "attributes": {"0x20000800": 1}}
        ]},
        "smbus": {"adapters": [
            {"resource": "QXSMBUS::0::31::3::0", "description": "chassis link adapter",
             "attributes": {"105": 3, "106": 31, "107": 3}},
            {"resource": "X", "attributes": {"105": 3}}
        ]},
        "controller": {
            "text": {"0x10000200": "controller text", "0x10000700": "controller detail",
                     "0x10025900": "00:08,00,08", "0x10025901": "00:00,00,08",
                     "0x1006A500": "00:E8", "0x1006A600": "00:F0,ZZ",
                     "0x1006A501": "00:F0", "0x1006A601": ""},
            "u32": {"0x20025A00": 8, "0x20025A01": 4, "0x2006A400": 2}
        }
    })");
    l_Machine["smbus"]["adapters"][0]["devices"]["0xA4"] = {{"chassisEeprom", a_rEeprom}};
    l_Machine["smbus"]["adapters"][1]["devices"]["0xA4"] = {{"chassisEeprom", a_rEeprom}};
    return l_Machine;
}

std::string description(const std::string& a_rStyle, const std::string& a_rLinks2,
                        const std::string& a_rLinks4, const std::string& a_rExtra) {
    std::string l_Text =
        "[ModuleId]\nVendor=Acme\nModel=C1\n[ModuleParams]\nModuleStyle=" + a_rStyle +
        "\nMaximumLinkWidths=8,8,4,4,4,4\n";
    if (!a_rLinks2.empty()) {
        l_Text += "[2LinkBusNumbers]\n" + a_rLinks2;
    }
    if (!a_rLinks4.empty()) {
        l_Text += "[4LinkBusNumbers]\n" + a_rLinks4;
    }
    return l_Text + a_rExtra;
}

cRig::cRig(const nlohmann::json& a_rMachine) : m_Sim(a_rMachine) {
    m_pPciBrd = std::make_unique<nQxPciBrdWrapper_15_0::cPciBrdWrapper_sc>(m_PciStatus);
    m_pPciBrd->OpenSession(0, m_PciStatus);
    EXPECT_EQ(0, m_PciStatus.code) << m_PciStatus.text();
}

std::unique_ptr<tPXIeSystemModule> cRig::described(const std::string& a_rDescription,
                                                   tStatusRecord& a_rStatus,
                                                   const char* a_pResource, bool a_WithController) {
    const std::string l_Path = m_Sim.dir().writeFile("module.ini", a_rDescription);
    tStatusRecord l_Open;
    m_Ini.open(l_Path.c_str(), nQxPxiDriverTools_1_0::iIniFile::kOpenReadOnly, &l_Open);
    EXPECT_EQ(0, l_Open.code);
    if (m_Adapter) {
        m_Adapter->Close();
        m_Adapter.reset();
    }
    cSMBusWrapperFactory::create(a_pResource, m_Adapter, &l_Open);
    EXPECT_EQ(0, l_Open.code) << a_pResource;
    if (!m_Adapter) {
        return nullptr;
    }
    iCntDrvWrapper_sc* l_pCntDrv = nullptr;
    if (a_WithController) {
        tJsonStatus l_Status;
        m_pCntDrv = std::make_unique<cCntDrvWrapper_sc>(l_Status);
        m_pCntDrv->OpenController(l_Status);
        EXPECT_EQ(0, l_Status.code);
        l_pCntDrv = m_pCntDrv.get();
    }
    return std::make_unique<tPXIeSystemModule>("Acme", "C1", *m_pPciBrd, *m_Adapter, l_pCntDrv,
                                               &m_Ini, &a_rStatus);
}

std::unique_ptr<tPXIeSystemModule> cRig::described(const std::string& a_rDescription,
                                                   iSMBusWrapper& a_rAdapter,
                                                   tStatusRecord& a_rStatus) {
    const std::string l_Path = m_Sim.dir().writeFile("module.ini", a_rDescription);
    tStatusRecord l_Open;
    m_Ini.open(l_Path.c_str(), nQxPxiDriverTools_1_0::iIniFile::kOpenReadOnly, &l_Open);
    EXPECT_EQ(0, l_Open.code);
    return std::make_unique<tPXIeSystemModule>("Acme", "C1", *m_pPciBrd, a_rAdapter, nullptr,
                                               &m_Ini, &a_rStatus);
}

std::unique_ptr<tPXIeSystemModule> cRig::controller(tStatusRecord& a_rStatus) {
    tStatusRecord l_Open;
    cSMBusWrapperFactory::create(kAdapter, m_Adapter, &l_Open);
    EXPECT_EQ(0, l_Open.code);
    tJsonStatus l_Status;
    m_pCntDrv = std::make_unique<cCntDrvWrapper_sc>(l_Status);
    m_pCntDrv->OpenController(l_Status);
    EXPECT_EQ(0, l_Status.code);
    return std::make_unique<tPXIeSystemModule>("Quarrix", "QX-100", *m_pPciBrd, *m_Adapter,
                                               *m_pCntDrv, &a_rStatus);
}

}  // namespace moduletest
