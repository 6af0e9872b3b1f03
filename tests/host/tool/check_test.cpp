// pxi-inventory --check: the example descriptions pass clean, and each kind of broken
// file is named with its line and key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/tool/toolRun.h"

using nlohmann::json;

namespace {

std::string example(const std::string& a_rRelative) {
    return qxtest::sourceDir() + "/examples/descriptions/" + a_rRelative;
}

TEST(ToolCheck, TheExampleDescriptionsAreUsableWithoutAnyRemark) {
    const json l_Doc = tooltest::runJson(
        {tooltest::toolPath(), "--check", example("libdir/qxpxihw/pxiechassis"),
         example("libdir/qxpxihw/pxiesysmodules"), example("datadir/pxisa/chassis"),
         example("datadir/qxpxi/hardware_descriptions/controllers/quarrix-pxie-8881.ini")},
        tooltest::kNoServices, 0);
    const struct {
        const char* file;
        const char* kind;
        const char* vendor;
        const char* model;
    } l_Expected[] = {
        {"qx-pxie-1092.ini", "chassis driver description", "Quarrix", "QX PXIe-1092"},
        {"quarrix-pxie-8398.ini", "remote system module description", "Quarrix", "PXIe-8398"},
        {"quarrix-pxie-8881.ini", "embedded system module description", "Quarrix", "PXIe-8881"},
        {"qx-pxi-7402.ini", "chassis description (no star triggers)", "Quarrix", "QX PXI-7402"},
        {"qx-pxie-1092.ini", "chassis description (star triggers)", "Quarrix", "QX PXIe-1092"},
        {"quarrix-pxie-8881.ini", "PXI embedded controller description", "Quarrix", "PXIe-8881"}};
    ASSERT_EQ(l_Doc["files"].size(), std::size(l_Expected)) << l_Doc.dump(1);
    for (size_t l_Index = 0; l_Index < std::size(l_Expected); ++l_Index) {
        const json& l_rFile = l_Doc["files"][l_Index];
        SCOPED_TRACE(l_rFile.dump(1));
        const std::string l_Path = l_rFile["file"];
        EXPECT_EQ(l_Path.substr(l_Path.rfind('/') + 1), l_Expected[l_Index].file);
        EXPECT_EQ(l_rFile["kind"], l_Expected[l_Index].kind);
        EXPECT_EQ(l_rFile["vendor"], l_Expected[l_Index].vendor);
        EXPECT_EQ(l_rFile["model"], l_Expected[l_Index].model);
        EXPECT_EQ(l_rFile["usable"], true);
        EXPECT_TRUE(l_rFile["problems"].empty());
    }
    EXPECT_EQ(l_Doc["exitStatus"], 0);
}

const char kDriver[] =
    "[Chassis]\nVendor=Quarrix\nModel=QX PXIe-1092\n\n[RootBusBridges]\n"
    "Bridge1SubsystemID=1093:7A10\nBridge2SubsystemID=1093:7A11\n";
const char kEmbedded[] =
    "[ModuleId]\nVendor=Quarrix\nModel=PXIe-8881\nSwitchID=10B5:8749:1093:7A01\n"
    "\n[ModuleParams]\nModuleStyle=Embedded\nSMBUSFixedResName=QXSMBUS::0::31::3::0\n"
    "MaximumLinkWidths=8,8,4,4,4,4\n\n[2LinkBusNumbers]\nLink1=swid:10B5:8749:1093:7A01,push0\n"
    "Link2=swid:10B5:8749:1093:7A01,push8\n\n[2LinkP2PConnectivity]\nPorts=0200,0208\n"
    "0200=0208\n0208=0200\n";
const char kRemote[] =
    "[ModuleId]\nVendor=Quarrix\nModel=PXIe-8398\nSMBUSVIDPID=10937A20\n\n[ModuleParams]\n"
    "ModuleStyle=Remote\nMaximumLinkWidths=4,4,4,4,4,4\nDownstreamPorts=A\nLabels=Link 1\n"
    "LinkWidthPerLabel=4\n\n[UpstreamPort]\nTraversalMap=10:00.0\n\n[DownstreamPortA]\n"
    "TraversalMap=11:00.0\n\n[2LinkBusNumbers]\nLink1=smbus,push0\nLink2=smbus,push8\n";
const char kController[] =
    "[Controller]\nType=Embedded\nVendor=Quarrix\nModel=PXIe-8881\n\n[Embedded]\n"
    "PCISlotPath=MR00:08\n";

std::string replaced(std::string a_Text, const std::string& a_rFrom, const std::string& a_rTo) {
    const size_t l_At = a_Text.find(a_rFrom);
    EXPECT_NE(l_At, std::string::npos) << a_rFrom;
    return l_At == std::string::npos ? a_Text : a_Text.replace(l_At, a_rFrom.size(), a_rTo);
}

// Each broken file gives its problem at its line, with its section and key, and makes
// the check fail; its kind is still named.
TEST(ToolCheck, EachProblemIsNamedWithItsLineAndKey) {
    const struct {
        const char* name;
        std::string text;
        const char* kind;
        int line;
        const char* section;
        const char* key;
        const char* message;  // a part of it
    } l_Cases[] = {
        {"missing model", replaced(kDriver, "Model=QX PXIe-1092\n", ""),
         "chassis driver description", 1, "Chassis", "Model", "missing (required)"},
        {"malformed bridge pair", replaced(kDriver, "1093:7A11", "1093-7A11"),
         "chassis driver description", 7, "RootBusBridges", "Bridge2SubsystemID",
         "is not a bridge pair"},
        {"bridge pair out of range", replaced(kDriver, "1093:7A10", "10930:7A10"),
         "chassis driver description", 6, "RootBusBridges", "Bridge1SubsystemID", "out of range"},
        {"gap in the pairs", replaced(kDriver, "Bridge2", "Bridge3"), "chassis driver description",
         7, "RootBusBridges", "Bridge3SubsystemID", "never read"},
        {"no pair",
         replaced(kDriver, "Bridge1SubsystemID=1093:7A10\nBridge2SubsystemID=1093:7A11\n", ""),
         "chassis driver description", 5, "RootBusBridges", "Bridge1SubsystemID",
         "no chassis of this model is ever found"},
        {"section of another case", replaced(kDriver, "[RootBusBridges]", "[rootBusBridges]"),
         "chassis driver description", 5, "rootBusBridges", "",
         "differs from the section [RootBusBridges] only by letter case"},
        {"required key of another case", replaced(kEmbedded, "ModuleStyle", "Modulestyle"),
         "embedded system module description", 6, "ModuleParams", "ModuleStyle",
         "line 7 has [ModuleParams] Modulestyle"},
        {"optional key of another case", replaced(kEmbedded, "SwitchID", "SwitchId"),
         "embedded system module description", 4, "ModuleId", "SwitchId",
         "differs from the key SwitchID only by letter case"},
        {"link width out of range", replaced(kEmbedded, "8,8,4,4,4,4", "8,8,4,4,4,3"),
         "embedded system module description", 9, "ModuleParams", "MaximumLinkWidths",
         "3 is out of range"},
        {"too few link widths", replaced(kEmbedded, "8,8,4,4,4,4", "8,8,4"),
         "embedded system module description", 9, "ModuleParams", "MaximumLinkWidths",
         "is not six numbers"},
        {"unknown link step", replaced(kEmbedded, "push8", "pash8"),
         "embedded system module description", 13, "2LinkBusNumbers", "Link2",
         "step \"pash8\" is not a step"},
        {"peer-to-peer port not listed", replaced(kEmbedded, "0208=0200", "0208=0210"),
         "embedded system module description", 18, "2LinkP2PConnectivity", "0208",
         "port 0210 is not one of Ports"},
        {"peer-to-peer port without its key", replaced(kEmbedded, "0208=0200\n", ""),
         "embedded system module description", 15, "2LinkP2PConnectivity", "0208",
         "missing (required: a port listed in Ports)"},
        {"switch without adapter",
         replaced(kEmbedded, "SMBUSFixedResName=QXSMBUS::0::31::3::0\n", ""),
         "embedded system module description", 6, "ModuleParams", "SMBUSFixedResName",
         "missing (required"},
        {"no adapter identity", replaced(kRemote, "SMBUSVIDPID=10937A20\n", ""),
         "remote system module description", 1, "ModuleId", "SMBUSVIDPID", "missing (required"},
        {"link width per label out of range",
         replaced(kRemote, "LinkWidthPerLabel=4", "LinkWidthPerLabel=3"),
         "remote system module description", 11, "ModuleParams", "LinkWidthPerLabel",
         "out of range"},
        {"downstream port without its section",
         replaced(kRemote, "[DownstreamPortA]", "[DownstreamPortB]"),
         "remote system module description", 0, "DownstreamPortA", "TraversalMap",
         "missing (required: port A of DownstreamPorts)"},
        {"bad slot path", replaced(kController, "MR00:08", "MR00:QQ"),
         "PXI embedded controller description", 7, "Embedded", "PCISlotPath",
         "is not a PCI slot path"},
        {"controller of another type", replaced(kController, "Type=Embedded", "Type=Remote"),
         "PXI embedded controller description", 2, "Controller", "Type", "\"Remote\""},
        {"not a description", "[Something]\nKey=1\n", nullptr, 0, "", "", "not a description"},
    };
    for (const auto& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.name);
        qxtest::cTempDir l_Dir;
        const std::string l_File = l_Dir.writeFile("broken.ini", l_rCase.text);
        const json l_Doc = tooltest::runJson({tooltest::toolPath(), "--check", l_File}, {}, 1);
        ASSERT_EQ(l_Doc["files"].size(), 1u);
        const json& l_rFile = l_Doc["files"][0];
        SCOPED_TRACE(l_rFile.dump(1));
        EXPECT_EQ(l_rFile["usable"], false);
        EXPECT_EQ(l_rFile["kind"], l_rCase.kind == nullptr ? json() : json(l_rCase.kind));
        bool l_Found = false;
        for (const json& l_rProblem : l_rFile["problems"]) {
            l_Found =
                l_Found ||
                (l_rProblem["severity"] == "error" &&
                 l_rProblem["line"] == (l_rCase.line > 0 ? json(l_rCase.line) : json()) &&
                 l_rProblem["section"] == (*l_rCase.section ? json(l_rCase.section) : json()) &&
                 l_rProblem["key"] == (*l_rCase.key ? json(l_rCase.key) : json()) &&
                 l_rProblem["message"].get<std::string>().find(l_rCase.message) !=
                     std::string::npos);
        }
        EXPECT_TRUE(l_Found);
    }
}

// The text names file:line as compilers do; two files of one identity in a directory:
// the second is never read. A path that is not there, or not a regular file, is a
// problem, not a usage error.
TEST(ToolCheck, DuplicateIdentitiesAndTheTextReport) {
    qxtest::cTempDir l_Dir;
    l_Dir.writeFile("pxiechassis/a.ini", kDriver);
    const std::string l_Second =
        l_Dir.writeFile("pxiechassis/b.ini", replaced(kDriver, "1093:7A11", "1093-7A11"));
    l_Dir.writeFile("pxiechassis/notes.txt", "not a description");
    const qxtest::tChildResult l_Run =
        tooltest::run({tooltest::toolPath(), "--check", l_Dir.file("pxiechassis"),
                       l_Dir.file("missing.ini"), "/dev/null"},
                      {});
    EXPECT_EQ(l_Run.exitCode, 1) << l_Run.stdErr;
    for (const std::string& l_Line :
         {l_Dir.file("pxiechassis/a.ini") +
              ": chassis driver description \"Quarrix QX PXIe-1092\": usable\n",
          l_Second + ": chassis driver description \"Quarrix QX PXIe-1092\": NOT usable\n",
          "  " + l_Second +
              ":7: [RootBusBridges] Bridge2SubsystemID: \"1093-7A11\" is not a bridge pair",
          "  " + l_Second +
              ": duplicate identity: \"Quarrix QX PXIe-1092\" is described already by " +
              l_Dir.file("pxiechassis/a.ini"),
          l_Dir.file("missing.ini") + ": no known kind: NOT usable\n",
          std::string("  /dev/null: not a regular file"),
          std::string("4 description file(s) checked: 1 usable, 3 not usable.\n")}) {
        EXPECT_NE(l_Run.stdOut.find(l_Line), std::string::npos) << l_Line << "\n" << l_Run.stdOut;
    }
    EXPECT_EQ(l_Run.stdOut.find("notes.txt"), std::string::npos);
    EXPECT_EQ(tooltest::run({tooltest::toolPath(), "--check"}, {}).exitCode, 2);
    EXPECT_EQ(tooltest::run({tooltest::toolPath(), "--check", "--simulate", l_Second}, {}).exitCode,
              2);
}

}  // namespace
