#include "tests/host/sysmodule/sysModuleHost.h"

namespace smtest {

using nlohmann::json;

json exampleMachine() {
    return qxtest::exampleMachine(false);
}

json exampleWithoutController() {
    json l_Machine = exampleMachine();
    l_Machine.erase("controller");
    return l_Machine;
}

std::string remoteDescription(const std::string& a_rVendor, const std::string& a_rModel,
                              const std::string& a_rVidPid) {
    return "[ModuleId]\nVendor=" + a_rVendor + "\nModel=" + a_rModel +
           "\nSMBUSVIDPID=" + a_rVidPid +
           "\n\n[ModuleParams]\nModuleStyle=Remote\nMaximumLinkWidths=4,4,4,4,4,4\n\n"
           "[UpstreamPort]\nTraversalMap=10:00.0\n\n"
           "[2LinkBusNumbers]\nLink1=smbus,push0,push0\nLink2=smbus,push0,push8\n";
}

std::string embeddedDescription(const std::string& a_rVendor, const std::string& a_rModel,
                                const std::string& a_rSwitchId, const std::string& a_rProduct,
                                const std::string& a_rResource) {
    std::string l_Text = "[ModuleId]\nVendor=" + a_rVendor + "\nModel=" + a_rModel + "\n";
    if (!a_rProduct.empty())
        l_Text += "SMBIOSProduct=" + a_rProduct + "\n";
    l_Text += "SwitchID=" + a_rSwitchId +
              "\n\n[ModuleParams]\nModuleStyle=Embedded\nSMBUSFixedResName=" + a_rResource +
              "\nMaximumLinkWidths=8,8,4,4,4,4\n\n[2LinkBusNumbers]\n"
              "Link1=swid:" +
              a_rSwitchId + ",push0\nLink2=swid:" + a_rSwitchId + ",push8\n";
    return l_Text;
}

json adapter(const std::string& a_rResource, unsigned a_VendorId, unsigned a_ProductId,
             int a_Usable, unsigned a_Bus, unsigned a_Device, unsigned a_Function) {
    return json{{"resource", a_rResource},
                {"description", "adapter " + a_rResource},
                {"attributes",
                 {{"1002", a_Usable},
                  {"103", a_VendorId},
                  {"104", a_ProductId},
                  {"105", a_Bus},
                  {"106", a_Device},
                  {"107", a_Function}}},
                {"devices",
                 {{"0xA4",
                   {{"chassisEeprom",
                     {{"vendor", "Quarrix"},
                      {"model", "QX PXIe-1092"},
                      {"serialNumber", "S" + a_rResource.substr(9, 8)},
                      {"linkConfiguration", 0}}}}}}}};
}

std::string toString(const std::vector<std::string>& a_rTexts) {
    std::string l_Text;
    for (const std::string& l_rText : a_rTexts)
        l_Text += (l_Text.empty() ? "" : " | ") + l_rText;
    return l_Text;
}

tCount count(const cSysModuleLib& a_rLib, const char* a_pVendor, const char* a_pModel) {
    tCount l_Result{0, -77};
    l_Result.status = a_rLib.getCount(a_pVendor, a_pModel, &l_Result.count);
    return l_Result;
}

tCount countNoCache(const cSysModuleLib& a_rLib, const char* a_pVendor, const char* a_pModel) {
    tCount l_Result{0, -77};
    l_Result.status = a_rLib.getCountNoCache(a_pVendor, a_pModel, &l_Result.count);
    return l_Result;
}

tName name(const cSysModuleLib& a_rLib, const char* a_pVendor, const char* a_pModel,
           int32_t a_Index) {
    char l_Name[512] = "<untouched>";
    char l_List[512] = "<untouched>";
    tName l_Result{0, "", ""};
    l_Result.status = a_rLib.getName(a_pVendor, a_pModel, a_Index, l_Name, l_List);
    l_Result.name = l_Name;
    l_Result.list = l_List;
    return l_Result;
}

std::vector<std::string> names(const cSysModuleLib& a_rLib, const char* a_pVendor,
                               const char* a_pModel) {
    std::vector<std::string> l_Names;
    const tCount l_Count = countNoCache(a_rLib, a_pVendor, a_pModel);
    EXPECT_EQ(l_Count.status, 0);
    for (int32_t l_Index = 1; l_Index <= l_Count.count; ++l_Index) {
        const tName l_Name = name(a_rLib, a_pVendor, a_pModel, l_Index);
        EXPECT_EQ(l_Name.status, 0);
        l_Names.push_back(l_Name.name);
    }
    return l_Names;
}

void cSysModuleHost::start(const json& a_rMachine, bool a_CopyExamples) {
    m_Lib.reset();
    m_Machine.reset();
    m_Machine.emplace(a_rMachine);
    if (a_CopyExamples)
        m_Machine->copyExampleDescriptions();
    load();
}

void cSysModuleHost::load() {
    m_Lib.reset();
    m_Lib.emplace();
}

std::pair<int32_t, int32_t> cSysModuleHost::number(const std::string& a_rModule, int32_t a_Id) {
    int32_t l_Value = 0x7EADBEEF;
    const int32_t l_Status = m_Lib->getInformation(a_rModule.c_str(), "", a_Id, &l_Value);
    return {l_Status, l_Value};
}

std::pair<int32_t, std::string> cSysModuleHost::text(const std::string& a_rModule, int32_t a_Id) {
    char l_Text[PXISA_SYSTEMMODULE_TEXT_SIZE] = "<untouched>";
    const int32_t l_Status = m_Lib->getInformation(a_rModule.c_str(), "", a_Id, l_Text);
    return {l_Status, std::string(l_Text)};
}

std::pair<int32_t, int32_t> cSysModuleHost::p2p(const std::string& a_rModule,
                                                tPXISA_PciAddress a_Source,
                                                tPXISA_PciAddress a_Target) {
    int32_t l_Supported = -7;
    const int32_t l_Status = m_Lib->getP2P(a_rModule.c_str(), "", a_Source, a_Target, &l_Supported);
    return {l_Status, l_Supported};
}

}  // namespace smtest
