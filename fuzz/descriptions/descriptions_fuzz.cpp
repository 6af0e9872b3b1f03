// Loads every description class from fuzzed INI text and reads back everything it
// offers: nothing may crash, leak or read out of bounds, whatever the file holds.
// With libFuzzer: fuzz_descriptions -dict=fuzz/descriptions/descriptions.dict <work corpus>
// fuzz/descriptions/corpus
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/pxiHardwareDatabase/cChassisDescIni.h"
#include "config/pxiHardwareDatabase/cPxi1EmbeddedControllerIni.h"
#include "config/pxiHardwareDatabase/cPxieChassisDriverDescIni.h"
#include "config/pxiHardwareDatabase/cPxieEmbeddedControllerIni.h"
#include "config/pxiHardwareDatabase/cPxieRemoteControllerIni.h"

using namespace QX_NS;

namespace {

// One scratch file per process, rewritten for every input.
const std::string& scratchPath() {
    static const std::string s_Path = [] {
        const char* l_pDir = std::getenv("TMPDIR");
        std::string l_Template =
            std::string(l_pDir != nullptr ? l_pDir : "/tmp") + "/qxdescfuzzXXXXXX";
        std::vector<char> l_Buffer(l_Template.begin(), l_Template.end());
        l_Buffer.push_back('\0');
        const int l_Fd = mkstemp(l_Buffer.data());
        if (l_Fd >= 0)
            close(l_Fd);
        return std::string(l_Buffer.data());
    }();
    return s_Path;
}

bool writeScratch(const uint8_t* a_pData, size_t a_Size) {
    const int l_Fd = open(scratchPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (l_Fd < 0)
        return false;
    size_t l_Done = 0;
    while (l_Done < a_Size) {
        const ssize_t l_Written = write(l_Fd, a_pData + l_Done, a_Size - l_Done);
        if (l_Written <= 0)
            break;
        l_Done += static_cast<size_t>(l_Written);
    }
    close(l_Fd);
    return l_Done == a_Size;
}

void readIdentity(const iPxiDeviceIni& a_rDescription) {
    std::string l_Text;
    tStatusRecord l_Status;
    a_rDescription.getVendor(l_Text, &l_Status);
    a_rDescription.getModel(l_Text, &l_Status);
}

template <typename tDescription>
bool openDescription(tDescription& a_rDescription) {
    tStatusRecord l_Status;
    a_rDescription.open(scratchPath().c_str(), 0, &l_Status);
    readIdentity(a_rDescription);
    return !l_Status.isError();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* a_pData, size_t a_Size) {
    if (!writeScratch(a_pData, a_Size))
        return 0;
    {
        cChassisDescIni l_Chassis;
        if (openDescription(l_Chassis)) {
            for (const uint32_t l_Kind : {1024u, 2048u}) {
                tStatusRecord l_Status;
                l_Chassis.checkKind(l_Kind, &l_Status);
            }
        }
    }
    {
        cPxieChassisDriverDescIni l_Driver;
        if (openDescription(l_Driver)) {
            uint32_t l_Count = 0;
            tStatusRecord l_Status;
            l_Driver.getRootBusBridgeCount(l_Count, &l_Status);
            std::string l_Id;
            for (uint32_t n = 1; n <= l_Count + 1 && n < 64; ++n) {
                tStatusRecord l_IdStatus;
                l_Driver.getRootBusBridgeSubsystemId(n, l_Id, &l_IdStatus);
            }
        }
    }
    {
        cPxi1EmbeddedControllerIni l_Controller;
        if (openDescription(l_Controller)) {
            std::string l_Text;
            tStatusRecord l_Status;
            l_Controller.getSmbiosProduct(l_Text, &l_Status);
            l_Status.clear();
            l_Controller.getSmbiosProductExact(l_Text, &l_Status);
            l_Status.clear();
            l_Controller.getGpibPortSlotPath(l_Text, &l_Status);
            nQxPxiDriverTools_1_0::cSlotPath l_Path;
            l_Controller.getPciSlotPath(l_Path, &l_Status);
            l_Path.toString(l_Text, &l_Status);
        }
    }
    {
        cPxieEmbeddedControllerIni l_Module;
        if (openDescription(l_Module)) {
            std::string l_Text;
            tStatusRecord l_Status;
            l_Module.getGpibPortSlotPath(l_Text, &l_Status);
        }
    }
    {
        cPxieRemoteControllerIni l_Remote;
        if (openDescription(l_Remote)) {
            std::string l_Text;
            tStatusRecord l_Status;
            l_Remote.getOrderablePartNumber(l_Text, &l_Status);
            l_Remote.getUpstreamTraversalMap(l_Text, &l_Status);
            // A loaded width is one of the allowed ones, or 0 when the file gives none.
            const uint32_t l_Width = l_Remote.getLinkWidthPerLabel();
            if (l_Width != 0 && l_Width != 1 && l_Width != 4 && l_Width != 8 && l_Width != 16) {
                std::abort();
            }
        }
    }
    return 0;
}
