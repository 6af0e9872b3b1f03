// pxi-inventory --metrics: the gauges parse with prometheus_client's parser (Debian's
// python3), as the node exporter's textfile collector would take them, and say what
// --json says of the same machine, faults and awkward texts included; --output writes
// a file atomically or fails without touching it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <map>
#include <string>

#include "tests/host/tool/toolRun.h"

using nlohmann::json;

namespace {

// The parsed families, or a failed assertion with what the parser refused.
json parseMetrics(const std::string& a_rText) {
    qxtest::cTempDir l_Dir;
    const std::string l_File = l_Dir.file("qxpxi.prom");
    std::ofstream(l_File, std::ios::binary) << a_rText;
    const qxtest::tChildResult l_Parsed = tooltest::run(
        {"/usr/bin/python3", qxtest::sourceDir() + "/tests/host/tool/parseMetrics.py", l_File});
    EXPECT_EQ(l_Parsed.exitCode, 0) << l_Parsed.stdErr << "\n" << a_rText;
    try {
        return json::parse(l_Parsed.stdOut);
    } catch (const std::exception&) {
        return json::object();
    }
}

using tSeries = std::map<std::string, json>;  // labels (as JSON text) -> value

tSeries seriesOf(const json& a_rFamilies, const char* a_pFamily) {
    tSeries l_Series;
    if (a_rFamilies.contains(a_pFamily)) {
        for (const json& l_rSample : a_rFamilies[a_pFamily]["samples"]) {
            l_Series[l_rSample["labels"].dump()] = l_rSample["value"];
        }
    }
    return l_Series;
}

std::string labels(const json& a_rLabels) {
    return a_rLabels.dump();  // nlohmann::json sorts the keys, as the parser's labels are
}

bool delivered(const json& a_rCall) {
    return a_rCall.is_object() && a_rCall.value("status", json()).is_number() &&
           a_rCall["status"].get<int>() >= 0;
}

// The series each family must hold, worked out from the JSON document of the same run.
// A copy of the document, so that a member a failed call left out reads as null.
std::map<std::string, tSeries> expectedFromJson(json a_Doc) {
    std::map<std::string, tSeries> l_Out;
    // Every family is there with its help, also when a fault leaves it without series.
    for (const char* l_pFamily :
         {"qxpxi_chassis_found", "qxpxi_chassis_root_bus", "qxpxi_system_modules_found",
          "qxpxi_system_module_links", "qxpxi_system_module_link_width",
          "qxpxi_system_module_max_link_width", "qxpxi_chassis_eeprom_checksum_valid",
          "qxpxi_chassis_eeprom_signature_valid", "qxpxi_chassis_eeprom_info", "qxpxi_finder_items",
          "qxpxi_call_status"}) {
        l_Out[l_pFamily];
    }
    l_Out["qxpxi_inventory_simulated"][labels(json::object())] =
        a_Doc["environment"]["simulated"].get<bool>() ? 1.0 : 0.0;
    l_Out["qxpxi_inventory_exit_status"][labels(json::object())] = a_Doc["exitStatus"];
    for (json& l_rService : a_Doc["environment"]["platformServices"]) {
        l_Out["qxpxi_service_present"][labels({{"service", l_rService["file"]}})] =
            l_rService["found"].get<bool>() ? 1.0 : 0.0;
    }
    for (json& l_rModel : a_Doc["chassis"]["models"]) {
        const json l_Model = {{"vendor", l_rModel["vendor"]}, {"model", l_rModel["model"]}};
        if (delivered(l_rModel["count"])) {
            l_Out["qxpxi_chassis_found"][labels(l_Model)] = l_rModel["count"]["value"];
        }
        for (json& l_rChassis : l_rModel["chassis"]) {
            for (json& l_rBus : l_rChassis["rootBuses"]) {
                json l_Labels = l_Model;
                l_Labels["chassis"] = std::to_string(l_rChassis["number"].get<int>());
                l_Labels["position"] = std::to_string(l_rBus["position"].get<int>());
                if (!l_rBus["bus"].is_null()) {
                    l_Out["qxpxi_chassis_root_bus"][labels(l_Labels)] = l_rBus["bus"];
                }
            }
        }
    }
    json& l_rWay = a_Doc["controllerIdentification"]["way"];
    for (const char* l_pWay : {"controller driver", "SMBIOS"}) {
        l_Out["qxpxi_controller_identified"][labels({{"way", l_pWay}})] =
            l_rWay == l_pWay ? 1.0 : 0.0;
    }
    for (json& l_rIdentity : a_Doc["systemModules"]["identities"]) {
        const json l_Identity = {{"vendor", l_rIdentity["vendor"]},
                                 {"model", l_rIdentity["model"]}};
        if (delivered(l_rIdentity["count"])) {
            l_Out["qxpxi_system_modules_found"][labels(l_Identity)] = l_rIdentity["count"]["value"];
        }
        for (json& l_rModule : l_rIdentity["modules"]) {
            json l_Module = l_Identity;
            l_Module["module"] = l_rModule["name"];
            json& l_rAttributes = l_rModule["attributes"];
            if (delivered(l_rAttributes["linkCount"])) {
                l_Out["qxpxi_system_module_links"][labels(l_Module)] =
                    l_rAttributes["linkCount"]["value"];
            }
            for (int l_Link = 1; l_Link <= 6; ++l_Link) {
                json l_Labels = l_Module;
                l_Labels["link"] = std::to_string(l_Link);
                json& l_rWidth = l_rAttributes["linkValue" + std::to_string(l_Link)];
                if (l_Link <= 4 && delivered(l_rWidth)) {
                    l_Out["qxpxi_system_module_link_width"][labels(l_Labels)] = l_rWidth["value"];
                }
                json& l_rMax = l_rAttributes["maxLinkWidth" + std::to_string(l_Link)];
                if (delivered(l_rMax)) {
                    l_Out["qxpxi_system_module_max_link_width"][labels(l_Labels)] = l_rMax["value"];
                }
            }
            json l_Eeprom = l_rModule["eeprom"].contains("checksum")
                                ? l_rModule["eeprom"]
                                : l_rModule["eeprom"]["throughSmbusService"];
            if (l_Eeprom.is_object() && l_Eeprom.contains("checksum")) {
                l_Out["qxpxi_chassis_eeprom_checksum_valid"][labels(l_Module)] =
                    l_Eeprom["checksum"]["valid"].get<bool>() ? 1.0 : 0.0;
                l_Out["qxpxi_chassis_eeprom_signature_valid"][labels(l_Module)] =
                    l_Eeprom["signature"]["valid"].get<bool>() ? 1.0 : 0.0;
                json l_Info = l_Module;
                l_Info["chassis_vendor"] = l_Eeprom["vendor"];
                l_Info["chassis_model"] = l_Eeprom["model"];
                l_Info["chassis_revision"] = l_Eeprom["revision"];
                l_Info["chassis_serial_number"] = l_Eeprom["serialNumber"];
                l_Out["qxpxi_chassis_eeprom_info"][labels(l_Info)] = 1.0;
            }
        }
    }
    for (json& l_rFinder : a_Doc["finders"]) {
        const json l_Finder = {{"finder", l_rFinder["library"]["file"]}};
        l_Out["qxpxi_library_loaded"][labels({{"library", l_rFinder["library"]["file"]}})] =
            l_rFinder["library"]["loaded"].get<bool>() ? 1.0 : 0.0;
        if (delivered(l_rFinder["count"])) {
            l_Out["qxpxi_finder_items"][labels(l_Finder)] = l_rFinder["count"]["value"];
        }
    }
    for (const char* l_pSection : {"chassis", "systemModules"}) {
        json& l_rLibrary = a_Doc[l_pSection]["library"];
        l_Out["qxpxi_library_loaded"][labels({{"library", l_rLibrary["file"]}})] =
            l_rLibrary["loaded"].get<bool>() ? 1.0 : 0.0;
    }
    for (json& l_rFailure : a_Doc["failures"]) {
        l_Out["qxpxi_call_status"]
             [labels({{"call", l_rFailure["call"]}, {"name", l_rFailure["name"]}})] =
                 l_rFailure["code"].is_null() ? json("NaN") : l_rFailure["code"];
    }
    return l_Out;
}

// Runs --metrics and --json on the machine the environment gives, checks that every
// family is a documented gauge and holds what the JSON says; returns both.
std::pair<json, json> metricsAndJson(const tooltest::tEnvironment& a_rEnvironment,
                                     int a_ExpectedExit) {
    const qxtest::tChildResult l_Run =
        tooltest::run({tooltest::toolPath(), "--metrics"}, a_rEnvironment);
    EXPECT_EQ(l_Run.exitCode, a_ExpectedExit) << l_Run.stdErr;
    const json l_Families = parseMetrics(l_Run.stdOut);
    const json l_Doc = tooltest::runJson({tooltest::toolPath()}, a_rEnvironment, a_ExpectedExit);
    const std::map<std::string, tSeries> l_Expected = expectedFromJson(l_Doc);
    for (const auto& l_rFamily : l_Families.items()) {
        SCOPED_TRACE(l_rFamily.key());
        EXPECT_EQ(l_rFamily.value()["type"], "gauge");
        EXPECT_FALSE(l_rFamily.value()["help"].get<std::string>().empty());
        EXPECT_EQ(l_rFamily.key().rfind("qxpxi_", 0), 0u);
        EXPECT_EQ(l_Expected.count(l_rFamily.key()), 1u) << "a family the test does not know";
    }
    for (const auto& l_rFamily : l_Expected) {
        SCOPED_TRACE(l_rFamily.first);
        EXPECT_TRUE(l_Families.contains(l_rFamily.first));
        const tSeries l_Got = seriesOf(l_Families, l_rFamily.first.c_str());
        EXPECT_EQ(l_Got.size(), l_rFamily.second.size());
        for (const auto& l_rSeries : l_rFamily.second) {
            const auto l_Found = l_Got.find(l_rSeries.first);
            if (l_Found == l_Got.end()) {
                ADD_FAILURE() << "missing series " << l_rSeries.first << "\n" << l_Run.stdOut;
            } else if (l_rSeries.second.is_string()) {
                EXPECT_EQ(l_Found->second, l_rSeries.second) << l_rSeries.first;
            } else {
                EXPECT_EQ(l_Found->second.get<double>(), l_rSeries.second.get<double>())
                    << l_rSeries.first;
            }
        }
    }
    return {l_Families, l_Doc};
}

json value(const json& a_rFamilies, const char* a_pFamily, const json& a_rLabels) {
    return seriesOf(a_rFamilies, a_pFamily)[labels(a_rLabels)];
}

TEST(ToolMetrics, ExampleMachineAgreesWithTheJson) {
    const auto l_Result = metricsAndJson({}, 0);
    const json& l_rFamilies = l_Result.first;
    EXPECT_EQ(value(l_rFamilies, "qxpxi_chassis_found",
                    {{"vendor", "Quarrix"}, {"model", "QX PXIe-1092"}}),
              2.0);
    EXPECT_EQ(value(l_rFamilies, "qxpxi_controller_identified", {{"way", "controller driver"}}),
              1.0);
    EXPECT_EQ(value(l_rFamilies, "qxpxi_inventory_simulated", json::object()), 1.0);
    EXPECT_EQ(seriesOf(l_rFamilies, "qxpxi_chassis_eeprom_checksum_valid").size(), 2u);
    EXPECT_TRUE(seriesOf(l_rFamilies, "qxpxi_call_status").empty());
}

TEST(ToolMetrics, FaultsAreCallStatusesAndAgreeWithTheJson) {
    struct tCase {
        const char* what;
        void (*change)(json& a_rMachine);
        int exitStatus;
        const char* family;  // a series that shows the fault
        json labels;
        json value;
    };
    const std::string l_Remote = "Quarrix PXIe-8398 (QXSMBUS::16::0::0::0)";
    const tCase l_Cases[] = {
        {"a PCI bridge service call fails: no chassis count, the call's status instead",
         [](json& a_rMachine) {
             a_rMachine["faults"] =
                 json::array({{{"function", "QxPciBrd_FindBridgesByPciIds"}, {"status", -313003}}});
         },
         1,
         "qxpxi_call_status",
         {{"call", "PXISA_Chassis_GetCount(\"Quarrix\", \"QX PXIe-1092\")"},
          {"name", "kStatusPciBrdNotFound"}},
         -313003},
        {"a chassis EEPROM with a bad checksum, read past the library",
         [](json& a_rMachine) {
             a_rMachine["smbus"]["adapters"][1]["devices"]["0xA4"]["chassisEeprom"]["checksum"] = 1;
         },
         1,
         "qxpxi_chassis_eeprom_checksum_valid",
         {{"vendor", "Quarrix"}, {"model", "PXIe-8398"}, {"module", l_Remote}},
         0},
        // Not a fault: the controller's own identity, which no description names, is
        // found (one module) and the described one is not.
        {"a controller name with a double quote, a backslash and a line break",
         [](json& a_rMachine) {
             a_rMachine["controller"]["text"]["0x10000100"] = "PXIe-\"88\\81\"\nB";
         },
         0,
         "qxpxi_system_modules_found",
         {{"vendor", "Quarrix"}, {"model", "PXIe-\"88\\81\"\nB"}},
         1},
    };
    for (const tCase& l_rCase : l_Cases) {
        SCOPED_TRACE(l_rCase.what);
        json l_Machine = qxtest::exampleMachine();
        l_rCase.change(l_Machine);
        qxtest::cSimMachine l_Sim(l_Machine);
        const auto l_Result = metricsAndJson({}, l_rCase.exitStatus);
        EXPECT_EQ(value(l_Result.first, l_rCase.family, l_rCase.labels), l_rCase.value)
            << l_Result.first[l_rCase.family].dump(1);
        EXPECT_EQ(seriesOf(l_Result.first, "qxpxi_call_status").empty(), l_rCase.exitStatus == 0);
    }
}

TEST(ToolMetrics, MissingServiceAndTextsThatAreNotUtf8) {
    // The loader finds every stand-in but the controller driver service; a module
    // description names its identity in Latin-1.
    qxtest::cSimMachine l_Sim(qxtest::exampleMachine(false));
    l_Sim.copyExampleDescriptions();
    l_Sim.writeSystemModuleDescription(
        "latin1.ini",
        "[ModuleId]\nVendor=Qu\xE4rrix\nModel=\\\"9\"\n[ModuleParams]\n"
        "ModuleStyle=Remote\n");
    qxtest::cTempDir l_Services;
    for (const char* l_pFile : {"libqxpcibrd.so.1", "libqxsmbus.so.2", "libqxrelocations.so.0"}) {
        ASSERT_EQ(symlink((qxtest::buildDir() + "/services/" + l_pFile).c_str(),
                          l_Services.file(l_pFile).c_str()),
                  0);
    }
    const auto l_Result = metricsAndJson(
        {{"LD_LIBRARY_PATH", l_Services.path() + ":" + qxtest::buildDir() + "/lib"}}, 1);
    EXPECT_EQ(value(l_Result.first, "qxpxi_service_present", {{"service", "libqxcntdrv.so.1"}}),
              0.0);
    EXPECT_EQ(value(l_Result.first, "qxpxi_call_status",
                    {{"call", "dlopen(libqxcntdrv.so.1)"}, {"name", "unavailable"}}),
              "NaN");
    // The identity is in a series (found, or the failed call that asked for it), its
    // byte that is not UTF-8 replaced as in the JSON; the parser read the file as UTF-8.
    EXPECT_NE(l_Result.first.dump().find("Qu\xEF\xBF\xBDrrix"), std::string::npos)
        << l_Result.first.dump(1);
}

TEST(ToolMetrics, OutputFileIsReplacedAtOnceOrLeftAlone) {
    qxtest::cTempDir l_Dir;
    const std::string l_File = l_Dir.file("qxpxi.prom");
    std::ofstream(l_File) << "old\n";
    const qxtest::tChildResult l_Stdout = tooltest::run({tooltest::toolPath(), "--metrics"});
    const qxtest::tChildResult l_Written = tooltest::run(
        {"/bin/sh", "-c",
         "umask 022 && exec " + tooltest::toolPath() + " --metrics --output " + l_File});
    EXPECT_EQ(l_Written.exitCode, 0) << l_Written.stdErr;
    EXPECT_TRUE(l_Written.stdOut.empty()) << l_Written.stdOut;
    EXPECT_EQ(qxtest::readFile(l_File), l_Stdout.stdOut);
    struct stat l_Stat = {};
    ASSERT_EQ(stat(l_File.c_str(), &l_Stat), 0);
    EXPECT_EQ(l_Stat.st_mode & 0777, 0644u);  // readable by the node exporter's user
    // Nothing else is left in the directory: no temporary file.
    const qxtest::tChildResult l_List = tooltest::run({"/bin/ls", "-A", l_Dir.path()});
    EXPECT_EQ(l_List.stdOut, "qxpxi.prom\n");

    // A target that cannot be written: exit 4, one message, nothing changed.
    l_Dir.makeDir("a-directory");
    for (const std::string& l_rTarget :
         {l_Dir.file("missing/qxpxi.prom"), l_Dir.file("a-directory")}) {
        SCOPED_TRACE(l_rTarget);
        const qxtest::tChildResult l_Failed =
            tooltest::run({tooltest::toolPath(), "--metrics", "--output", l_rTarget});
        EXPECT_EQ(l_Failed.exitCode, 4);
        EXPECT_NE(l_Failed.stdErr.find("pxi-inventory: cannot write the output to " + l_rTarget),
                  std::string::npos)
            << l_Failed.stdErr;
        EXPECT_TRUE(l_Failed.stdOut.empty());
        EXPECT_EQ(tooltest::run({"/bin/ls", "-A", l_Dir.path()}).stdOut,
                  "a-directory\nqxpxi.prom\n");
    }
}

}  // namespace
