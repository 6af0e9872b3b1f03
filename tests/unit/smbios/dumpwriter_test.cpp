// The provider on dumps written by the stand-ins' dump writer from a machine file.
#include <gtest/gtest.h>

#include <string>

#include "platform/smbios/cQxSmBiosLinuxProvider.h"
#include "tests/support/qxTestSupport.h"

using namespace nQxPxiUnitTest;
using nlohmann::json;

namespace {

std::string lookup(cQxSmBiosProvider& a_rProvider, uint32_t a_Code, uint32_t a_Instance,
                   int64_t* a_pCode) {
    char l_Buffer[256] = {};
    uint32_t l_Length = sizeof(l_Buffer);
    tStatusRecord l_Status;
    a_rProvider.lookup(a_Code, a_Instance, l_Buffer, &l_Length, &l_Status);
    *a_pCode = l_Status.code;
    return l_Buffer;
}

}  // namespace

TEST(SmBiosDumpWriter, ProviderReadsTheWrittenStrings) {
    qxtest::cSimMachine l_Machine(
        json{{"smbios",
              {{"header", "written by the dump writer"},
               {"system", {{"manufacturer", "Quarrix Corporation"}, {"productName", "PXIe-8881"}}},
               {"chassis", {{"serialNumber", "01F2A9C3"}}},
               {"structures",
                json::array({{{"type", 1}, {"data", {1, 0}}, {"strings", {"Again"}}}})}}}});
    const std::string l_Dump = l_Machine.dir().file("smbiosdmp");
    try {
        qxtest::writeSmbiosDump(l_Machine.path(), l_Dump);
    } catch (const std::exception& l_rError) {
        GTEST_SKIP() << "dump writer not available: " << l_rError.what();
    }

    cQxSmBiosLinuxProvider l_Provider(l_Dump.c_str());
    struct tCase {
        uint32_t code;
        uint32_t instance;
        int64_t status;
        const char* text;
    };
    const tCase l_Cases[] = {
        {0x104, 0, 0, "Quarrix Corporation"},
        {0x105, 0, 0, "PXIe-8881"},
        {0x307, 0, 0, "01F2A9C3"},
        {0x104, 1, 0, "Again"},
        {0x105, 1, kStatusSmBiosNoString, ""},  // the extra structure names no product
        {0xF0001, 0, 0, "written by the dump writer"},
    };
    for (const tCase& l_rCase : l_Cases) {
        int64_t l_Code = 0;
        const std::string l_Text = lookup(l_Provider, l_rCase.code, l_rCase.instance, &l_Code);
        EXPECT_EQ(l_Code, l_rCase.status) << std::hex << l_rCase.code << " " << l_rCase.instance;
        if (l_rCase.status == 0) {
            EXPECT_EQ(l_Text, l_rCase.text);
        }
    }
}
