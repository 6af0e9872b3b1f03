#include "tools/pxi-inventory/options.h"

#include <set>

namespace nQxPxiInventory {

const char* const kUsageLine =
    "usage: pxi-inventory [--json | --dot | --metrics] [--bridges | --smbus | --smbios]\n"
    "                     [--verbose] [--output FILE]\n"
    "                     [--simulate [MACHINE] | --topology FILE] [--chassis MODEL]\n"
    "                     [--module MODEL] [--help] [--version]\n"
    "       pxi-inventory --record FILE [--anonymise] | --replay FILE [...]\n"
    "       pxi-inventory --check [--json] [--output FILE] PATH...\n";

// Kept beside docs/pxi-inventory.1: the test suite checks that both list the same
// options and exit statuses.
const char* const kHelpText =
    "NAME\n"
    "    pxi-inventory - show the chassis, system modules and finder results of a PXI\n"
    "    Express machine, as the qxpxi libraries see them\n"
    "\n"
    "SYNOPSIS\n"
    "    pxi-inventory [--json | --dot | --metrics] [--verbose] [--output FILE]\n"
    "                  [--simulate [MACHINE] | --topology FILE] [--chassis MODEL]\n"
    "                  [--module MODEL]\n"
    "    pxi-inventory --bridges | --smbus | --smbios [--json] [--simulate [MACHINE]]\n"
    "    pxi-inventory --record FILE [--anonymise] [--topology FILE]\n"
    "    pxi-inventory --replay FILE [--json | --dot] [--bridges | --smbus | --smbios]\n"
    "    pxi-inventory --check [--json] [--output FILE] PATH...\n"
    "    pxi-inventory --help | --version\n"
    "\n"
    "DESCRIPTION\n"
    "    Loads libQXPXIeCDu.so, libQXPXIeSMu.so, libqx7402.so and libqxpxiecf.so by file\n"
    "    name, as any host does, and asks them everything: the chassis of every chassis\n"
    "    driver description with their PCI root buses; the system modules of every\n"
    "    system module description and of the controller itself, with their names,\n"
    "    attributes, decoded chassis EEPROM and, for embedded modules, the peer-to-peer\n"
    "    routing between their ports; the items of both finder plug-ins with all their\n"
    "    attributes and the controller's IDSEL map. A library that cannot be loaded and\n"
    "    a call that fails are shown with the status code, its symbolic name and its\n"
    "    meaning, and the tool goes on with the rest.\n"
    "\n"
    "    The libraries see the machine through the platform services the loader finds\n"
    "    (libqxpcibrd.so.1, libqxcntdrv.so.1, libqxsmbus.so.2, libqxrelocations.so.0):\n"
    "    with the Linux services installed, this computer. Without a PCI bridge service\n"
    "    the tool names the missing services and exits with status 3; it simulates a\n"
    "    machine only when asked to with --simulate, and then says so on standard error\n"
    "    and in the JSON document.\n"
    "\n"
    "OPTIONS\n"
    "    --json             print one JSON document instead of the tree (its members:\n"
    "                       /usr/share/doc/qxpxi/inventory-json.md)\n"
    "    --dot              print the machine as a Graphviz graph: controller, system\n"
    "                       modules, links, chassis, root buses, peer-to-peer routes\n"
    "                       (pxi-inventory --dot | dot -Tsvg > machine.svg)\n"
    "    --metrics          print gauges in the Prometheus text format, for the node\n"
    "                       exporter's textfile collector: chassis and system modules\n"
    "                       found, link widths, EEPROM validity, the controller's\n"
    "                       identification, services present, every failed call\n"
    "                       (qxpxi_call_status); the unit qxpxi-metrics.timer writes\n"
    "                       them every minute\n"
    "    --output FILE      write the output to FILE instead of standard output,\n"
    "                       atomically (a temporary file in FILE's directory, renamed)\n"
    "    -v, --verbose      add raw values: EEPROM bytes, library paths, description\n"
    "                       files (and those skipped), every call made with its status\n"
    "    --bridges          show the PCI bridges the PCI bridge service sees, and which\n"
    "                       bridges each chassis driver description's root-bus bridge\n"
    "                       pairs matched\n"
    "    --smbus            show the SMBus adapters the SMBus service offers\n"
    "    --smbios           show the machine's SMBIOS identity as the controller finder\n"
    "                       reads it from the SMBIOS dump\n"
    "    --chassis MODEL    show only the chassis model MODEL (model or \"vendor model\");\n"
    "                       a MODEL no description names is an error that lists\n"
    "                       the models there are\n"
    "    --module MODEL     show only the system modules of MODEL (model, \"vendor\n"
    "                       model\" or module name); likewise\n"
    "    --check PATH...    check description files before installing them: each\n"
    "                       file, or each *.ini file of a directory, is loaded as the\n"
    "                       libraries load it; shows its kind, its identity and every\n"
    "                       problem with file, line and key (missing required keys,\n"
    "                       malformed bridge pairs, values out of range, names that\n"
    "                       differ from known ones only by letter case, identities\n"
    "                       described twice); exit status 0 when every file is usable\n"
    "    --simulate [MACHINE]\n"
    "                       run on the stand-in services, which simulate the example\n"
    "                       machine or the machine file MACHINE (its format:\n"
    "                       /usr/share/doc/qxpxi/machine-file.md)\n"
    "    --machine FILE     the same as --simulate FILE\n"
    "    --topology FILE    run the Linux PCI bridge service on a machine's topology\n"
    "                       recorded by lstopo-no-graphics as XML (sets HWLOC_XMLFILE)\n"
    "    --record FILE      record what the libraries read of this machine into one\n"
    "                       file (.tar.gz), and list it: the PCI topology (hwloc XML),\n"
    "                       the SMBIOS table and dump, the SMBus adapters and link\n"
    "                       widths from sysfs, the description files, the chassis\n"
    "                       EEPROM images and this inventory. Send it when a chassis\n"
    "                       is not found; the SMBIOS table needs root\n"
    "    --anonymise        with --record: serial numbers, UUIDs and the host name\n"
    "                       become placeholders\n"
    "    --replay FILE      show the inventory of a recording: the libraries run over it\n"
    "                       through the Linux services; SMBus transactions are not\n"
    "                       replayed, and the chassis EEPROM images are the recorded\n"
    "                       ones\n"
    "    -h, --help         show this text\n"
    "    --version          show the version\n"
    "    --                 end of the options; an operand after it is the machine file\n"
    "                       of --simulate\n"
    "\n"
    "EXIT STATUS\n"
    "    0  every call answered\n"
    "    1  some library could not be loaded or some call failed; with --check, some\n"
    "       description file is not usable\n"
    "    2  bad usage (an option given twice, a MODEL nothing names), or the\n"
    "       machine or topology file cannot be used\n"
    "    3  no PCI bridge service found (the platform services are not installed) and\n"
    "       --simulate not given\n"
    "    4  the output (or the recording) could not be written\n"
    "\n"
    "ENVIRONMENT\n"
    "    QXPXI_SIM_MACHINE  machine file of the stand-in services\n"
    "    HWLOC_XMLFILE      recorded topology of the Linux PCI bridge service\n"
    "    QXPXI_DMI_TABLE    the SMBIOS table --record records (with\n"
    "                       QXPXI_DMI_ENTRY_POINT, as the dump writer reads them)\n"
    "    LD_LIBRARY_PATH    where the loader looks for the libraries and services\n";

namespace {

bool takesValue(const std::string& a_rArg, const char* a_pName,
                const std::vector<std::string>& a_rArgs, size_t& a_rIndex, std::string& a_rValue,
                std::string& a_rError) {
    const std::string l_Name = a_pName;
    if (a_rArg.rfind(l_Name + "=", 0) == 0) {
        a_rValue = a_rArg.substr(l_Name.size() + 1);
    } else if (a_rArg == l_Name) {
        if (a_rIndex + 1 >= a_rArgs.size()) {
            a_rError = l_Name + " needs a value";
            return true;
        }
        a_rValue = a_rArgs[++a_rIndex];
    } else {
        return false;
    }
    if (a_rValue.empty()) {
        a_rError = l_Name + " needs a value";
    }
    return true;
}

}  // namespace

tParsed parseArguments(const std::vector<std::string>& a_rArgs) {
    tParsed l_Parsed;
    tOptions& l_rOptions = l_Parsed.options;
    auto l_Fail = [&l_Parsed](const std::string& a_rMessage) {
        l_Parsed.command = eCommand::usageError;
        l_Parsed.error = a_rMessage;
        return l_Parsed;
    };
    int l_Views = 0;
    int l_Formats = 0;
    bool l_Operands = false;
    // A second value would silently replace the first: refused. A flag given twice
    // changes nothing.
    std::set<std::string> l_Given;
    auto l_Again = [&l_Given](const std::string& a_rOption) {
        return !l_Given.insert(a_rOption).second;
    };
    auto l_Twice = [&l_Fail](const std::string& a_rOption) {
        return l_Fail(a_rOption + " is given twice");
    };
    for (size_t l_Index = 0; l_Index < a_rArgs.size(); ++l_Index) {
        const std::string& l_rArg = a_rArgs[l_Index];
        std::string l_Value;
        std::string l_Error;
        if (l_Operands || l_rArg.empty() || l_rArg[0] != '-') {
            if (l_rOptions.check) {
                if (l_rArg.empty()) {
                    return l_Fail("--check needs description files, not an empty text");
                }
                l_rOptions.checkPaths.push_back(l_rArg);
                continue;
            }
            // The only operand is the machine file of a --simulate given without one.
            if (!l_rOptions.simulate || !l_rOptions.machine.empty()) {
                return l_Fail("unexpected operand '" + l_rArg + "'");
            }
            if (l_rArg.empty()) {
                return l_Fail("--simulate needs a machine file, not an empty text");
            }
            l_rOptions.machine = l_rArg;
        } else if (l_rArg == "--") {
            l_Operands = true;
        } else if (l_rArg == "--json") {
            l_rOptions.format = eFormat::json;
            l_Formats += l_Again(l_rArg) ? 0 : 1;
        } else if (l_rArg == "--dot") {
            l_rOptions.format = eFormat::dot;
            l_Formats += l_Again(l_rArg) ? 0 : 1;
        } else if (l_rArg == "--metrics") {
            l_rOptions.format = eFormat::metrics;
            l_Formats += l_Again(l_rArg) ? 0 : 1;
        } else if (l_rArg == "--verbose" || l_rArg == "-v") {
            l_rOptions.verbose = true;
        } else if (l_rArg == "--bridges" || l_rArg == "--smbus" || l_rArg == "--smbios") {
            l_rOptions.view = l_rArg == "--bridges" ? eView::bridges
                              : l_rArg == "--smbus" ? eView::smbus
                                                    : eView::smbios;
            l_Views += l_Again(l_rArg) ? 0 : 1;
        } else if (l_rArg == "--check") {
            l_rOptions.check = true;
        } else if (l_rArg == "--help" || l_rArg == "-h") {
            l_Parsed.command = eCommand::help;
            return l_Parsed;
        } else if (l_rArg == "--version") {
            l_Parsed.command = eCommand::version;
            return l_Parsed;
        } else if (l_rArg == "--simulate") {
            if (l_Again("--simulate")) {
                return l_Twice("--simulate (or --machine)");
            }
            l_rOptions.simulate = true;
            l_rOptions.machine.clear();
            // An optional value: the next argument unless it is an option.
            if (l_Index + 1 < a_rArgs.size() && !a_rArgs[l_Index + 1].empty() &&
                a_rArgs[l_Index + 1][0] != '-') {
                l_rOptions.machine = a_rArgs[++l_Index];
            }
        } else if (takesValue(l_rArg, "--simulate", a_rArgs, l_Index, l_Value, l_Error) ||
                   takesValue(l_rArg, "--machine", a_rArgs, l_Index, l_Value, l_Error)) {
            if (!l_Error.empty()) {
                return l_Fail(l_Error);
            }
            if (l_Again("--simulate")) {
                return l_Twice("--simulate (or --machine)");
            }
            l_rOptions.simulate = true;
            l_rOptions.machine = l_Value;
        } else if (takesValue(l_rArg, "--topology", a_rArgs, l_Index, l_Value, l_Error)) {
            if (!l_Error.empty()) {
                return l_Fail(l_Error);
            }
            if (l_Again("--topology")) {
                return l_Twice("--topology");
            }
            l_rOptions.topology = l_Value;
        } else if (takesValue(l_rArg, "--output", a_rArgs, l_Index, l_Value, l_Error)) {
            if (!l_Error.empty()) {
                return l_Fail(l_Error);
            }
            if (l_Again("--output")) {
                return l_Twice("--output");
            }
            l_rOptions.output = l_Value;
        } else if (takesValue(l_rArg, "--record", a_rArgs, l_Index, l_Value, l_Error) ||
                   takesValue(l_rArg, "--replay", a_rArgs, l_Index, l_Value, l_Error)) {
            if (!l_Error.empty()) {
                return l_Fail(l_Error);
            }
            const std::string l_Option = l_rArg.substr(0, 8);  // "--record" or "--replay"
            if (l_Again(l_Option)) {
                return l_Twice(l_Option);
            }
            (l_Option == "--record" ? l_rOptions.record : l_rOptions.replay) = l_Value;
        } else if (l_rArg == "--anonymise") {
            l_rOptions.anonymise = true;
        } else if (takesValue(l_rArg, "--chassis", a_rArgs, l_Index, l_Value, l_Error)) {
            if (!l_Error.empty()) {
                return l_Fail(l_Error);
            }
            if (l_Again("--chassis")) {
                return l_Twice("--chassis");
            }
            l_rOptions.chassisFilter = l_Value;
        } else if (takesValue(l_rArg, "--module", a_rArgs, l_Index, l_Value, l_Error)) {
            if (!l_Error.empty()) {
                return l_Fail(l_Error);
            }
            if (l_Again("--module")) {
                return l_Twice("--module");
            }
            l_rOptions.moduleFilter = l_Value;
        } else {
            return l_Fail("unknown option '" + l_rArg + "'");
        }
    }
    if (l_rOptions.check) {
        if (l_rOptions.checkPaths.empty()) {
            return l_Fail("--check needs description files or directories");
        }
        if ((l_rOptions.format != eFormat::tree && l_rOptions.format != eFormat::json) ||
            l_Views > 0 || l_rOptions.simulate || !l_rOptions.topology.empty() ||
            !l_rOptions.chassisFilter.empty() || !l_rOptions.moduleFilter.empty() ||
            !l_rOptions.record.empty() || !l_rOptions.replay.empty()) {
            return l_Fail("--check takes only --json and --output beside its files");
        }
    }
    if (l_Formats > 1) {
        return l_Fail("--json, --dot and --metrics exclude each other");
    }
    if (l_Views > 1) {
        return l_Fail("--bridges, --smbus and --smbios exclude each other");
    }
    if (l_rOptions.format == eFormat::dot && l_rOptions.view != eView::inventory) {
        return l_Fail("--dot draws the whole inventory; it takes no view");
    }
    if (l_rOptions.format == eFormat::metrics && l_rOptions.view != eView::inventory) {
        return l_Fail("--metrics describes the whole inventory; it takes no view");
    }
    if (l_rOptions.simulate && !l_rOptions.topology.empty()) {
        return l_Fail("--simulate and --topology exclude each other");
    }
    const std::string l_Problem = recordReplayProblem(l_rOptions, l_Views, l_Formats);
    if (!l_Problem.empty()) {
        return l_Fail(l_Problem);
    }
    return l_Parsed;
}

}  // namespace nQxPxiInventory
