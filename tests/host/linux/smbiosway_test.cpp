// The SMBIOS way, end to end on the real DMI table of a single-board computer (product
// "UP-CHT01", manufacturer "AAEON"): the dump writer puts the dump in a private /run,
// then the system module library and the embedded controller finder, with the Linux
// controller driver service that never finds a controller, decide from it. And the
// identity pxi-inventory shows of the real tables of servers and of the entry points
// firmware gives (tests/data/realworld/dmi/, see the README there).
#include <gtest/gtest.h>

#include <glob.h>

#include <iostream>
#include <string>
#include <vector>

#include "qxpxi/QXPXIFinder.h"
#include "qxpxi/QXPXIeSMu.h"
#include "tests/host/linux/dmiFiles.h"
#include "tests/host/linux/fakeSmBusTree.h"
#include "tests/host/linux/installPrefix.h"
#include "tests/host/linux/linuxServices.h"

namespace {

using qxlinuxtest::tBytes;

// The table with the system manufacturer (structure type 1, string of offset 4)
// replaced, to stand for a machine of the controllers' vendor.
tBytes withManufacturer(const tBytes& a_rTable, const std::string& a_rManufacturer) {
    tBytes l_Out;
    size_t l_Offset = 0;
    while (l_Offset + 4 <= a_rTable.size()) {
        const uint8_t l_Type = a_rTable[l_Offset], l_Length = a_rTable[l_Offset + 1];
        size_t l_End = l_Offset + l_Length;
        std::vector<std::string> l_Strings;
        while (a_rTable.at(l_End) != 0) {
            const std::string l_String(reinterpret_cast<const char*>(&a_rTable[l_End]));
            l_Strings.push_back(l_String);
            l_End += l_String.size() + 1;
        }
        l_End = l_Strings.empty() ? l_End + 2 : l_End + 1;
        const uint8_t l_Number = l_Type == 1 ? a_rTable[l_Offset + 4] : 0;
        if (l_Number != 0) {
            l_Strings.at(l_Number - 1) = a_rManufacturer;
        }
        l_Out.insert(l_Out.end(), a_rTable.begin() + static_cast<long>(l_Offset),
                     a_rTable.begin() + static_cast<long>(l_Offset + l_Length));
        for (const std::string& l_rString : l_Strings) {
            l_Out.insert(l_Out.end(), l_rString.begin(), l_rString.end());
            l_Out.push_back(0);
        }
        l_Out.push_back(0);
        if (l_Strings.empty()) {
            l_Out.push_back(0);
        }
        l_Offset = l_End;
    }
    return l_Out;
}

std::string embeddedModule(const std::string& a_rModel, const std::string& a_rProduct) {
    return "[ModuleId]\nVendor=Acme\nModel=" + a_rModel + "\nSMBIOSProduct=" + a_rProduct +
           "\nSwitchID=1137:0040:1137:012C\n\n[ModuleParams]\nModuleStyle=Embedded\n"
           "SMBUSFixedResName=QXSMBUS::0::31::4::0\nMaximumLinkWidths=8,8,4,4,4,4\n\n"
           "[2LinkBusNumbers]\nLink1=swid:1137:0040:1137:012C\nLink2=swid:1137:0040:1137:012C\n";
}

// In a child with a private /run: writes the dump of a_rTable with the dump writer at
// its default place, then reports "module <status>/<count> other <status>/<count>
// finder <status>/<count>[ <vendor>/<model>/<slot path>/<bus>]".
std::string discover(const std::string& a_rTable) {
    const qxtest::tChildResult l_Result = qxtest::runWithSmbiosDump("", [&] {
        const qxtest::cScopedEnv l_Table("QXPXI_DMI_TABLE", a_rTable);
        const qxtest::cScopedEnv l_Entry("QXPXI_DMI_ENTRY_POINT", a_rTable + ".none");
        const qxtest::cScopedEnv l_Output("QXPXI_SMBIOS_DUMP", std::nullopt);
        const qxtest::tChildResult l_Writer =
            qxtest::runCommand({qxlinuxtest::linuxService("qxpxi-smbios-dump")});
        if (l_Writer.exitCode != 0) {
            std::cout << "writer: " << l_Writer.stdErr;
            return 1;
        }
        qxtest::cHostLibrary l_SysModule("libQXPXIeSMu.so");
        auto l_pCount = l_SysModule.require<decltype(PXISA_SystemModule_GetCount)>(
            "PXISA_SystemModule_GetCount");
        int32_t l_Count = -1;
        std::cout << "module " << l_pCount("Acme", "UP module", &l_Count) << "/" << l_Count;
        l_Count = -1;
        std::cout << " other " << l_pCount("Acme", "Other module", &l_Count) << "/" << l_Count;

        qxtest::cHostLibrary l_Finder("libqxpxiecf.so");
        auto l_pOpen =
            l_Finder.require<decltype(nQXPXIFINDER100_openList)>("nQXPXIFINDER100_openList");
        auto l_pClose =
            l_Finder.require<decltype(nQXPXIFINDER100_closeList)>("nQXPXIFINDER100_closeList");
        auto l_pText = l_Finder.require<decltype(nQXPXIFINDER100_getStringAttribute)>(
            "nQXPXIFINDER100_getStringAttribute");
        auto l_pNumber = l_Finder.require<decltype(nQXPXIFINDER100_getU32Attribute)>(
            "nQXPXIFINDER100_getU32Attribute");
        uint32_t l_Items = 99;
        void* l_pList = nullptr;
        std::cout << " finder " << l_pOpen(&l_Items, &l_pList) << "/" << l_Items;
        if (l_Items == 1) {
            const char *l_pVendor = "", *l_pModel = "", *l_pSlot = "";
            uint32_t l_Bus = 0;
            l_pText(l_pList, QXPXI_FINDER_ATTR_VENDOR, &l_pVendor);
            l_pText(l_pList, QXPXI_FINDER_ATTR_MODEL, &l_pModel);
            l_pText(l_pList, QXPXI_FINDER_ATTR_SLOT_PATH, &l_pSlot);
            l_pNumber(l_pList, QXPXI_FINDER_ATTR_CONTROLLER_BUS, &l_Bus);
            std::cout << " " << l_pVendor << "/" << l_pModel << "/" << l_pSlot << "/" << l_Bus;
            l_pClose(l_pList);
        }
        std::cout << std::flush;
        return 0;
    });
    if (l_Result.skipped) {
        return "skip: " + l_Result.skipReason;
    }
    return l_Result.exited && l_Result.exitCode == 0
               ? l_Result.stdOut
               : "child failed: " + l_Result.stdOut + l_Result.stdErr;
}

class LinuxSmbiosWay : public ::testing::Test {
protected:
    void SetUp() override {
        m_Tree.addAdapter(3, "0000:00:1f.4", "SMBus I801 adapter at efa0");
        m_Tree.writeNode(3, "");
        m_Real =
            m_Dir.writeFile("DMI", qxtest::readFile(qxlinuxtest::realworld("dmi/DMI-upboard")));
        const std::string l_Text = qxtest::readFile(m_Real);
        const tBytes l_Quarrix =
            withManufacturer(tBytes(l_Text.begin(), l_Text.end()), "QUARRIX Computers");
        m_Quarrix = m_Dir.writeFile("DMI-quarrix", std::string(l_Quarrix.begin(), l_Quarrix.end()));
    }

    const qxtest::cScopedEnv m_Xml{
        "HWLOC_XMLFILE",
        qxlinuxtest::realworld("topologies/28intel64-2p2g7c-CoDgroups.v1tov2.xml")};
    qxlinuxtest::cFakeSmBusTree m_Tree;
    qxtest::cTempDir m_Dir;
    std::string m_Real, m_Quarrix;
};

TEST_F(LinuxSmbiosWay, DescriptionsOfTheTablesProductApply) {
    const qxlinuxtest::cInstallPrefix l_Prefix;
    l_Prefix.systemModule("up.ini", embeddedModule("UP module", "UP-CHT01"));
    l_Prefix.systemModule("other.ini", embeddedModule("Other module", "PXIe-8881"));
    l_Prefix.controller("up.ini",
                        "[Controller]\nType=Embedded\nVendor=Quarrix\nModel=UP controller\n"
                        "SMBIOSProduct=up-cht\n\n[Embedded]\nPCISlotPath=MR00:00,10\n");
    struct {
        const char* what;
        const std::string& table;
        const char* expected;
    } const l_Cases[] = {
        // The finder also wants the controllers' vendor as manufacturer.
        {"the board's own table", m_Real, "module 0/1 other 0/0 finder 0/0"},
        {"the table with the vendor as manufacturer", m_Quarrix,
         "module 0/1 other 0/0 finder 0/1 Quarrix/UP controller/MR00:00,10/3"},
    };
    for (const auto& l_rCase : l_Cases) {
        const std::string l_Answer = discover(l_rCase.table);
        if (l_Answer.rfind("skip: ", 0) == 0) {
            GTEST_SKIP() << l_Answer;
        }
        EXPECT_EQ(l_Answer, l_rCase.expected) << l_rCase.what;
    }
}

TEST_F(LinuxSmbiosWay, WithoutDescriptionsNoControllerAndNoModule) {
    const qxlinuxtest::cInstallPrefix l_Prefix;
    const std::string l_Answer = discover(m_Quarrix);
    if (l_Answer.rfind("skip: ", 0) == 0) {
        GTEST_SKIP() << l_Answer;
    }
    EXPECT_EQ(l_Answer, "module -313331/0 other -313331/0 finder 0/0");
}

std::vector<std::string> realTables() {
    std::vector<std::string> l_Files;
    glob_t l_Glob{};
    if (glob(qxlinuxtest::realworld("dmi/servers/*").c_str(), 0, nullptr, &l_Glob) == 0) {
        l_Files.assign(l_Glob.gl_pathv, l_Glob.gl_pathv + l_Glob.gl_pathc);
    }
    globfree(&l_Glob);
    l_Files.push_back(qxlinuxtest::realworld("dmi/DMI-upboard"));
    return l_Files;
}

struct tTableCase {
    std::string what;
    qxlinuxtest::tDmiFiles files;
};

// Each real table as the kernel gives it, and, where it came with a 32-bit entry point,
// the forms firmware and the kernel also give: the entry point padded to 32 bytes, at
// the 30 bytes of an SMBIOS 2.1 error, the legacy "_DMI_" one alone, a table shorter
// than its entry point says (trimmed by the kernel), and the table behind a 64-bit entry
// point grown past what a dump holds.
std::vector<tTableCase> tableCases() {
    std::vector<tTableCase> l_Cases;
    for (const std::string& l_rFile : realTables()) {
        const std::string l_Name = l_rFile.substr(l_rFile.rfind('/') + 1);
        const qxlinuxtest::tDmiFiles l_Files =
            qxlinuxtest::kernelFilesOf(qxlinuxtest::bytesOf(qxtest::readFile(l_rFile)));
        l_Cases.push_back({l_Name, l_Files});
        if (l_Files.entryPoint.empty()) {
            continue;
        }
        const tBytes& l_rEntry = l_Files.entryPoint;
        const tBytes& l_rTable = l_Files.table;
        tBytes l_Long = qxlinuxtest::withoutEnd(l_rTable);
        const tBytes l_Oem = qxlinuxtest::structure(0xC0, 250, {"OEM"});
        while (l_Long.size() <= 0x10000) {
            l_Long.insert(l_Long.end(), l_Oem.begin(), l_Oem.end());
        }
        const tBytes l_End = qxlinuxtest::structure(127, 4, {});
        l_Long.insert(l_Long.end(), l_End.begin(), l_End.end());
        const auto l_Announced = static_cast<uint16_t>(l_rTable.size() + 64);
        l_Cases.push_back({l_Name + ", padded", {qxlinuxtest::resized(l_rEntry, 32), l_rTable}});
        l_Cases.push_back({l_Name + ", 30 bytes", {qxlinuxtest::resized(l_rEntry, 30), l_rTable}});
        l_Cases.push_back({l_Name + ", legacy", {qxlinuxtest::legacyOf(l_rEntry), l_rTable}});
        l_Cases.push_back(
            {l_Name + ", trimmed", {qxlinuxtest::announcing(l_rEntry, l_Announced), l_rTable}});
        l_Cases.push_back({l_Name + ", too long", {qxlinuxtest::entryPoint64(0x100000), l_Long}});
    }
    return l_Cases;
}

TEST_F(LinuxSmbiosWay, TheToolShowsTheSystemIdentityOfEveryRealTable) {
    const std::vector<tTableCase> l_Cases = tableCases();
    ASSERT_GE(l_Cases.size(), 6u);
    const std::string l_Tool = qxtest::buildDir() + "/tools/pxi-inventory";
    const std::string l_Writer = qxlinuxtest::linuxService("qxpxi-smbios-dump");
    const qxtest::tChildResult l_Child = qxtest::runWithSmbiosDump("", [&] {
        const qxtest::cScopedEnv l_Output("QXPXI_SMBIOS_DUMP", std::nullopt);
        for (const tTableCase& l_rCase : l_Cases) {
            SCOPED_TRACE(l_rCase.what);
            const std::string l_Table =
                m_Dir.writeFile("case/DMI", qxlinuxtest::textOf(l_rCase.files.table));
            const std::string l_Entry = m_Dir.file("case/smbios_entry_point");
            std::remove(l_Entry.c_str());
            if (!l_rCase.files.entryPoint.empty()) {
                m_Dir.writeFile("case/smbios_entry_point",
                                qxlinuxtest::textOf(l_rCase.files.entryPoint));
            }
            const qxtest::tChildResult l_Written =
                qxtest::runCommand({l_Writer, "--table", l_Table, "--entry-point", l_Entry});
            EXPECT_EQ(l_Written.exitCode, 0) << l_Written.stdErr;
            const qxtest::tChildResult l_Shown = qxtest::runCommand({l_Tool, "--smbios", "--json"});
            const nlohmann::json l_View =
                nlohmann::json::parse(l_Shown.stdOut, nullptr, false)["smbios"];
            const std::vector<std::string> l_Expected =
                qxlinuxtest::systemStrings(l_rCase.files.table);
            EXPECT_EQ(l_View.value("status", -1), 0) << l_Shown.stdOut << l_Shown.stdErr;
            EXPECT_EQ(l_View.value("manufacturer", "?"), l_Expected[0]);
            EXPECT_EQ(l_View.value("productName", "?"), l_Expected[1]);
            EXPECT_EQ(l_View.value("version", "?"), l_Expected[2]);
            EXPECT_EQ(l_View.value("serialNumber", "?"), l_Expected[3]);
        }
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    if (l_Child.skipped) {
        GTEST_SKIP() << l_Child.skipReason;
    }
    EXPECT_EQ(l_Child.exitCode, 0) << l_Child.stdOut << l_Child.stdErr;
}

}  // namespace
