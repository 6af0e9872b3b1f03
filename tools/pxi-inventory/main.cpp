// pxi-inventory: shows what the qxpxi libraries see of a PXI / PXI Express machine.
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "tools/pxi-inventory/inventory.h"
#include "tools/pxi-inventory/launch.h"
#include "tools/pxi-inventory/treeView.h"

namespace {

constexpr int kExitUsage = 2;

const char* const kUsageLine = "usage: pxi-inventory [--json] [--verbose] [--machine FILE]\n";

const char* const kHelp =
    "NAME\n"
    "    pxi-inventory - show the chassis, system modules and finder results of a PXI\n"
    "    Express machine, as the qxpxi libraries see them\n"
    "\n"
    "SYNOPSIS\n"
    "    pxi-inventory [--json] [--verbose] [--machine FILE]\n"
    "    pxi-inventory --help\n"
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
    "    When the PCI bridge service libqxpcibrd.so.1 is not installed, the tool runs\n"
    "    itself again on the bundled stand-in services, which simulate the example\n"
    "    machine (or the machine of --machine).\n"
    "\n"
    "OPTIONS\n"
    "    --json          print one JSON document (schema: docs/inventory-json.md)\n"
    "                    instead of the tree\n"
    "    -v, --verbose   add raw values: EEPROM bytes, attribute ids, library paths,\n"
    "                    description files and every call made with its status\n"
    "    --machine FILE  the simulated machine file for the stand-in services\n"
    "                    (sets QXPXI_SIM_MACHINE)\n"
    "    -h, --help      show this text\n"
    "\n"
    "EXIT STATUS\n"
    "    0  every call answered\n"
    "    1  some library could not be loaded or some call failed\n"
    "    2  bad usage\n"
    "\n"
    "ENVIRONMENT\n"
    "    QXPXI_SIM_MACHINE  machine file of the stand-in services\n"
    "    LD_LIBRARY_PATH    where the loader looks for the libraries and services\n";

int usageError(const std::string& a_rMessage) {
    std::fprintf(stderr, "pxi-inventory: %s\n%s", a_rMessage.c_str(), kUsageLine);
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    nQxPxiInventory::tOptions l_Options;
    std::string l_Machine;
    for (int l_Index = 1; l_Index < argc; ++l_Index) {
        const std::string l_Arg = argv[l_Index];
        if (l_Arg == "--json") {
            l_Options.json = true;
        } else if (l_Arg == "--verbose" || l_Arg == "-v") {
            l_Options.verbose = true;
        } else if (l_Arg == "--help" || l_Arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (l_Arg == "--machine" || l_Arg.rfind("--machine=", 0) == 0) {
            if (l_Arg == "--machine") {
                if (l_Index + 1 >= argc) {
                    return usageError("--machine needs a file");
                }
                l_Machine = argv[++l_Index];
            } else {
                l_Machine = l_Arg.substr(std::strlen("--machine="));
            }
            if (l_Machine.empty()) {
                return usageError("--machine needs a file");
            }
        } else {
            return usageError("unknown argument '" + l_Arg + "'");
        }
    }
    if (!l_Machine.empty()) {
        char l_Resolved[PATH_MAX];
        if (access(l_Machine.c_str(), R_OK) != 0 ||
            realpath(l_Machine.c_str(), l_Resolved) == nullptr) {
            return usageError("cannot read machine file '" + l_Machine + "'");
        }
        setenv(nQxPxiInventory::kMachineEnv, l_Resolved, 1);
    }

    const nQxPxiInventory::tLayout l_Layout = nQxPxiInventory::findLayout();
    nQxPxiInventory::switchToStandInsIfNeeded(l_Layout, argv);
    try {
        const nQxPxiInventory::tJson l_Doc = nQxPxiInventory::collectInventory(l_Options, l_Layout);
        if (l_Options.json) {
            // Texts from services and descriptions are not checked for UTF-8: replace
            // what is not, rather than fail on it.
            std::printf("%s\n",
                        l_Doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
                            .c_str());
        } else {
            std::fputs(nQxPxiInventory::renderTree(l_Doc, l_Options.verbose).c_str(), stdout);
        }
        return l_Doc["exitStatus"].get<int>();
    } catch (const std::exception& l_rError) {
        std::fprintf(stderr, "pxi-inventory: %s\n", l_rError.what());
        return 1;
    }
}
