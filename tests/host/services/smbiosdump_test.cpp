// The SMBIOS dump writer: its output parses back, and a dump can be put where the
// libraries read it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/qxTestSupport.h"

namespace {

struct tDump {
    std::string header;
    std::vector<uint8_t> table;
};

tDump parseDump(const std::string& a_rBytes) {
    tDump l_Dump;
    const size_t l_Nul = a_rBytes.find('\0');
    EXPECT_NE(l_Nul, std::string::npos);
    l_Dump.header = a_rBytes.substr(0, l_Nul);
    const auto* l_pBytes = reinterpret_cast<const uint8_t*>(a_rBytes.data());
    const size_t l_Length = l_pBytes[l_Nul + 1] | (l_pBytes[l_Nul + 2] << 8);
    EXPECT_EQ(a_rBytes.size(), l_Nul + 3 + l_Length);
    l_Dump.table.assign(l_pBytes + l_Nul + 3, l_pBytes + a_rBytes.size());
    return l_Dump;
}

// The string at field a_Offset of the a_Instance-th structure of a_Type ("" when the
// field holds none); the walk follows the SMBIOS layout and fails on a malformed table.
std::string fieldString(const std::vector<uint8_t>& a_rTable, uint8_t a_Type, uint8_t a_Offset,
                        int a_Instance = 0) {
    size_t l_Pos = 0;
    while (l_Pos + 4 <= a_rTable.size()) {
        const uint8_t l_Length = a_rTable[l_Pos + 1];
        size_t l_Strings = l_Pos + l_Length;
        size_t l_End = l_Strings;
        while (l_End + 1 < a_rTable.size() && !(a_rTable[l_End] == 0 && a_rTable[l_End + 1] == 0)) {
            ++l_End;
        }
        if (a_rTable[l_Pos] == a_Type && a_Instance-- == 0) {
            if (a_Offset >= l_Length || a_rTable[l_Pos + a_Offset] == 0) {
                return "";
            }
            std::vector<std::string> l_Set;
            std::string l_Current;
            for (size_t l_Index = l_Strings; l_Index <= l_End; ++l_Index) {
                if (a_rTable[l_Index] == 0) {
                    l_Set.push_back(l_Current);
                    l_Current.clear();
                } else {
                    l_Current += static_cast<char>(a_rTable[l_Index]);
                }
            }
            return l_Set.at(a_rTable[l_Pos + a_Offset] - 1u);
        }
        l_Pos = l_End + 2;
    }
    ADD_FAILURE() << "no structure of type " << int(a_Type);
    return "";
}

TEST(SmbiosDump, TheExampleMachineDumpParsesBack) {
    qxtest::cTempDir l_Dir;
    const std::string l_Out = l_Dir.file("smbiosdmp");
    qxtest::writeSmbiosDump(qxtest::exampleMachinePath(), l_Out);
    const tDump l_Dump = parseDump(qxtest::readFile(l_Out));
    EXPECT_FALSE(l_Dump.header.empty());
    EXPECT_EQ(fieldString(l_Dump.table, 1, 4), "Quarrix Corporation");
    EXPECT_EQ(fieldString(l_Dump.table, 1, 5), "PXIe-8881");
    EXPECT_EQ(fieldString(l_Dump.table, 3, 7), "01F2A9C3");
    // The table ends with the end-of-table structure.
    ASSERT_GE(l_Dump.table.size(), 6u);
    EXPECT_EQ(l_Dump.table[l_Dump.table.size() - 6], 127);
}

TEST(SmbiosDump, RawStructuresAndEmptyFieldsAreWrittenAsGiven) {
    qxtest::cSimMachine l_Machine(nlohmann::json::parse(R"({"smbios": {
        "header": "test header",
        "system": {"manufacturer": "", "productName": "Box"},
        "structures": [{"type": 1, "data": [2, 1], "strings": ["second", "first"]}]}})"));
    const std::string l_Out = l_Machine.dir().file("dump");
    qxtest::writeSmbiosDump(l_Machine.path(), l_Out);
    const tDump l_Dump = parseDump(qxtest::readFile(l_Out));
    EXPECT_EQ(l_Dump.header, "test header");
    EXPECT_EQ(fieldString(l_Dump.table, 1, 4), "");
    EXPECT_EQ(fieldString(l_Dump.table, 1, 5), "Box");
    EXPECT_EQ(fieldString(l_Dump.table, 1, 4, 1), "first");
    EXPECT_EQ(fieldString(l_Dump.table, 1, 5, 1), "second");
}

TEST(SmbiosDump, AMalformedSectionFailsTheWriterWithItsReason) {
    qxtest::cSimMachine l_Machine(
        nlohmann::json::parse(R"({"smbios": {"system": {"product": 1}}})"));
    const qxtest::tChildResult l_Result =
        qxtest::runCommand({qxtest::buildDir() + "/services/qxsim-smbios-dump", "--machine",
                            l_Machine.path(), l_Machine.dir().file("dump")});
    EXPECT_EQ(l_Result.exitCode, 1);
    EXPECT_NE(l_Result.stdErr.find("smbios.system: unknown key \"product\""), std::string::npos)
        << l_Result.stdErr;
}

TEST(SmbiosDump, APrivateRunHoldsTheDumpWhereTheLibrariesReadIt) {
    qxtest::cTempDir l_Dir;
    const std::string l_Out = l_Dir.file("smbiosdmp");
    qxtest::writeSmbiosDump(qxtest::exampleMachinePath(), l_Out);
    const std::string l_Expected = qxtest::readFile(l_Out);
    const qxtest::tChildResult l_Result = qxtest::runWithSmbiosDump(l_Out, [&] {
        return qxtest::readFile("/run/qxpxisv/smbios/smbiosdmp") == l_Expected ? 0 : 1;
    });
    if (l_Result.skipped) {
        GTEST_SKIP() << l_Result.skipReason;
    }
    EXPECT_EQ(l_Result.exitCode, 0) << l_Result.stdErr;
}

}  // namespace
