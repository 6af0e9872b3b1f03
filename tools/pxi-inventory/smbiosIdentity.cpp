// The SMBIOS identity, read with the libraries' own SMBIOS code (compiled into the tool
// under a namespace of its own), so that the tool shows what the controller finder reads.
#include <vector>

#include "platform/smbios/cQxSmBiosLinuxProvider.h"
#include "platform/smbios/qxSmBios.h"
#include "qxpxi/qxstatus.h"
#include "tools/pxi-inventory/platformViews.h"

namespace nQxPxiInventory {

namespace {

constexpr uint32_t kHeaderText = 0xF0001;
constexpr int32_t kBufferTooSmall = -240051;
constexpr int32_t kUnavailable = -240050;

// As the finder does: size with a null buffer, then fill.
int32_t smbiosString(uint32_t a_Field, std::string& a_rValue) {
    uint32_t l_Length = 0;
    int32_t l_Status = QX_NS::SmBiosGetFirstString(a_Field, nullptr, &l_Length);
    if (l_Status != kBufferTooSmall) {
        return l_Status;
    }
    std::vector<char> l_Buffer(l_Length + 1, '\0');
    l_Status = QX_NS::SmBiosGetFirstString(a_Field, l_Buffer.data(), &l_Length);
    if (l_Status >= 0) {
        a_rValue = l_Buffer.data();
    }
    return l_Status;
}

}  // namespace

tJson collectSmbios(const tSimulation& a_rSimulation) {
    tJson l_Out;
    l_Out["dumpFile"] = QX_NS::cQxSmBiosLinuxProvider::kDefaultDumpPath;
    if (!a_rSimulation.smbiosProblem.empty()) {
        l_Out["status"] = kUnavailable;
        l_Out["statusName"] = qxpxi_status_name(kUnavailable);
        l_Out["statusMeaning"] =
            "the SMBIOS of " + a_rSimulation.smbiosOf + " cannot be given to the libraries here (" +
            a_rSimulation.smbiosProblem + "), and this computer's is not shown in its place";
        return l_Out;
    }
    if (!a_rSimulation.smbiosOf.empty()) {
        l_Out["dumpOf"] = a_rSimulation.smbiosOf;
    }
    const struct {
        uint32_t field;
        const char* name;
    } l_Fields[] = {{kHeaderText, "header"}, {0x104, "manufacturer"},
                    {0x105, "productName"},  {0x106, "version"},
                    {0x107, "serialNumber"}, {0x307, "chassisSerialNumber"}};
    bool l_First = true;
    for (const auto& l_rField : l_Fields) {
        std::string l_Value;
        const int32_t l_Status = smbiosString(l_rField.field, l_Value);
        if (l_First) {
            // The whole dump stands or falls with its first read.
            l_Out["status"] = l_Status < 0 ? l_Status : 0;
            if (l_Status < 0) {
                l_Out["statusName"] = qxpxi_status_name(l_Status);
                l_Out["statusMeaning"] = qxpxi_status_meaning(l_Status);
                return l_Out;
            }
            l_First = false;
        }
        l_Out[l_rField.name] = l_Status >= 0 ? tJson(l_Value) : tJson(nullptr);
    }
    return l_Out;
}

}  // namespace nQxPxiInventory
