// The values of system module descriptions as the library reads them: the input is a
// description file; every key the module reads is fetched through the description reader,
// link paths are cut into steps as the link walk cuts them, and the peer-to-peer port
// and target lists are read as hexadecimal lists. The converters also get the whole
// input as one value. Nothing may crash, read out of bounds or leak, and the numbers of
// hexadecimal lists stay within what four characters can hold.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/inifile/cIniFile.h"
#include "sysmodule/module/cSystemModuleDescription.h"
#include "fuzz/support/tMemoryFile.h"

using namespace QX_NS;

namespace {

// The steps of a link path, cut at every "," as the link walk does.
void readLinkPath(const std::string& a_rPath) {
    size_t l_Start = 0;
    while (l_Start < a_rPath.size()) {
        size_t l_End = a_rPath.find(',', l_Start);
        if (l_End == std::string::npos)
            l_End = a_rPath.size();
        parseLinkStep(a_rPath.c_str() + l_Start, l_End - l_Start);
        l_Start = l_End + 1;
    }
}

// "%4X" reads at most four characters: four digits, or a sign and three digits (which
// wraps around, as the C library's conversion does; such a key matches no port).
void checkHexList(const std::vector<uint32_t>& a_rValues) {
    for (uint32_t l_Value : a_rValues)
        if (l_Value > 0xFFFF && l_Value < 0xFFFFF001)
            std::abort();
}

void readDescription(const cSystemModuleDescription& a_rKeys) {
    std::string l_Text;
    tStatusRecord l_Status;
    a_rKeys.getModuleStyleText(l_Text, &l_Status);
    cSystemModuleDescription::moduleStyleFromText(l_Text);
    l_Status.clear();
    a_rKeys.getModuleStyle(&l_Status);
    l_Status.clear();
    a_rKeys.getSmbiosProduct(l_Text, &l_Status);
    l_Status.clear();
    tPciBridgeIds l_Ids;
    a_rKeys.getSwitchId(l_Ids, &l_Status);
    l_Status.clear();
    a_rKeys.getSmbusFixedResName(l_Text, &l_Status);
    l_Status.clear();
    uint16_t l_Vendor = 0, l_Product = 0;
    a_rKeys.getSmbusVidPid(l_Vendor, l_Product, &l_Status);
    l_Status.clear();
    int32_t l_Widths[cSystemModuleDescription::kMaximumLinkWidthCount] = {};
    a_rKeys.getMaximumLinkWidths(l_Widths, &l_Status);
    for (int32_t l_LinkCount : {2, 4}) {
        for (uint32_t l_Link = 1; l_Link <= static_cast<uint32_t>(l_LinkCount); ++l_Link) {
            tStatusRecord l_LinkStatus;
            std::string l_Path;
            a_rKeys.getLinkPath(l_LinkCount, l_Link, l_Path, &l_LinkStatus);
            if (!l_LinkStatus.isError())
                readLinkPath(l_Path);
        }
        tStatusRecord l_PortStatus;
        std::vector<uint32_t> l_Ports;
        a_rKeys.getP2PPorts(l_LinkCount, l_Ports, &l_PortStatus);
        checkHexList(l_Ports);
        for (size_t l_Index = 0; l_Index < l_Ports.size() && l_Index < 64; ++l_Index) {
            tStatusRecord l_TargetStatus;
            std::vector<uint32_t> l_Targets;
            a_rKeys.getP2PTargets(l_LinkCount, l_Ports[l_Index], l_Targets, &l_TargetStatus);
            checkHexList(l_Targets);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* a_pData, size_t a_Size) {
    // The whole input as one value of each kind.
    const std::string l_Value = std::string(reinterpret_cast<const char*>(a_pData), a_Size).c_str();
    std::vector<uint32_t> l_List;
    parseHexList(l_Value, l_List);
    checkHexList(l_List);
    readLinkPath(l_Value);
    tPciBridgeIds l_Ids;
    parsePciBridgeIds(l_Value.c_str(), l_Ids);
    uint32_t l_Number = 0;
    parseHexNumber(l_Value.c_str(), l_Number);
    int32_t l_Decimals[6] = {};
    parseDecimalList(l_Value.c_str(), l_Decimals, 6);

    static qxfuzz::tMemoryFile s_File("qxsysvaluesfuzz");
    if (!s_File.fill(a_pData, a_Size))
        return 0;
    nQxPxiDriverTools_1_0::cIniFile l_Ini;
    tStatusRecord l_Status;
    l_Ini.open(s_File.path().c_str(), 0, &l_Status);
    if (!l_Status.isError())
        readDescription(cSystemModuleDescription(&l_Ini));
    return 0;
}
