// pxi-inventory: shows what the qxpxi libraries see of a PXI / PXI Express machine.
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "services/common/environment.h"
#include "tools/pxi-inventory/descriptionCheck.h"
#include "tools/pxi-inventory/dotView.h"
#include "tools/pxi-inventory/inventory.h"
#include "tools/pxi-inventory/launch.h"
#include "tools/pxi-inventory/machineCheck.h"
#include "tools/pxi-inventory/metricsView.h"
#include "tools/pxi-inventory/options.h"
#include "tools/pxi-inventory/outputFile.h"
#include "tools/pxi-inventory/privateSmbios.h"
#include "tools/pxi-inventory/recording.h"
#include "tools/pxi-inventory/replay.h"
#include "tools/pxi-inventory/treeView.h"

#ifndef QXINV_VERSION
#error "QXINV_VERSION must give the package version"
#endif

namespace {

using namespace nQxPxiInventory;

int usageError(const std::string& a_rMessage) {
    std::fprintf(stderr, "pxi-inventory: %s\n%s", a_rMessage.c_str(), kUsageLine);
    return kExitUsage;
}

int fileError(const std::string& a_rWhat, const std::string& a_rPath,
              const std::string& a_rProblem) {
    std::fprintf(stderr, "pxi-inventory: %s %s: %s\n", a_rWhat.c_str(), a_rPath.c_str(),
                 a_rProblem.c_str());
    return kExitUsage;
}

// Everything goes through here, so that a full disk or a closed pipe is an error and not
// a silent success. With --output the text goes to that file, atomically.
int writeOut(const std::string& a_rText, int a_Status, const std::string& a_rFile = {}) {
    if (!a_rFile.empty()) {
        const std::string l_Problem = writeFileAtomically(a_rFile, a_rText);
        if (!l_Problem.empty()) {
            std::fprintf(stderr, "pxi-inventory: cannot write the output to %s: %s\n",
                         a_rFile.c_str(), l_Problem.c_str());
            return kExitOutputFailed;
        }
        return a_Status;
    }
    const bool l_Written = std::fwrite(a_rText.data(), 1, a_rText.size(), stdout) == a_rText.size();
    const bool l_Flushed = std::fflush(stdout) == 0;
    if (!l_Written || !l_Flushed || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "pxi-inventory: cannot write the output: %s\n", std::strerror(errno));
        return kExitOutputFailed;
    }
    return a_Status;
}

int noServices(const std::vector<std::pair<std::string, std::string>>& a_rMissing,
               const tLayout& a_rLayout) {
    std::string l_Text =
        "pxi-inventory: no PCI bridge service found: the platform services this machine needs "
        "are not installed.\nMissing:\n";
    for (const auto& l_rService : a_rMissing) {
        l_Text += "  " + l_rService.first + " (" + l_rService.second + ")\n";
    }
    l_Text +=
        "Install the Linux services (package qxpxi-linux) to inventory this computer, or run\n"
        "pxi-inventory --simulate to see the simulated example machine.\n";
    // A build tree that has the Linux services: they need only be put on the loader's path.
    const std::string l_Built = resolvedPath(a_rLayout.servicesDir + "/../services-linux");
    if (a_rLayout.buildTree && access((l_Built + "/" + kPciBridgeServiceFile).c_str(), R_OK) == 0) {
        l_Text +=
            "This build has the Linux services; to use them here:\n  LD_LIBRARY_PATH=" + l_Built +
            " " + resolvedPath("/proc/self/exe") + "\n";
    }
    std::fputs(l_Text.c_str(), stderr);
    return kExitNoServices;
}

}  // namespace

int main(int argc, char** argv) {
    const tParsed l_Parsed = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    switch (l_Parsed.command) {
        case eCommand::usageError:
            return usageError(l_Parsed.error);
        case eCommand::help:
            return writeOut(kHelpText, kExitAnswered);
        case eCommand::version:
            return writeOut("pxi-inventory (qxpxi) " QXINV_VERSION "\n", kExitAnswered);
        case eCommand::run:
            break;
    }
    tOptions l_Options = l_Parsed.options;
    if (l_Options.check) {
        const tCheckOutput l_Check =
            checkDescriptions(l_Options.checkPaths, l_Options.format == eFormat::json);
        return writeOut(l_Check.text, l_Check.status, l_Options.output);
    }
    const tLayout l_Layout = findLayout();
    tSimulation l_Simulation;
    tReplay l_Replay;
    if (!l_Options.replay.empty()) {
        const int l_Replayed = startReplay(l_Options, l_Layout, argv, l_Replay, l_Simulation);
        if (l_Replayed >= 0) {
            return l_Replayed;
        }
    }

    if (!l_Options.topology.empty()) {
        const std::string l_Problem = readableFileProblem(l_Options.topology);
        if (!l_Problem.empty()) {
            return fileError("topology file", l_Options.topology, l_Problem);
        }
        l_Options.topology = resolvedPath(l_Options.topology);
        setenv("HWLOC_XMLFILE", l_Options.topology.c_str(), 1);
        const std::string l_Unusable = topologyProblem();
        if (!l_Unusable.empty()) {
            return fileError("topology file", l_Options.topology, l_Unusable);
        }
    }
    if (l_Options.simulate) {
        // Without a MACHINE, the one QXPXI_SIM_MACHINE names, as the stand-ins would serve.
        const std::string l_Named = nQxSim::environmentValue(kMachineEnv);
        if (l_Options.machine.empty() && !l_Named.empty()) {
            l_Options.machine = l_Named;
        }
        std::string l_Machine =
            l_Options.machine.empty() ? l_Layout.exampleMachine : resolvedPath(l_Options.machine);
        if (nQxSim::environmentValue(kStandInsEnv).empty()) {
            const std::string l_Problem = machineFileProblem(l_Machine);
            if (!l_Problem.empty()) {
                return fileError("machine file",
                                 l_Options.machine.empty() ? l_Machine : l_Options.machine,
                                 l_Problem);
            }
            std::string l_Error;
            switchToStandIns(l_Layout, l_Machine, argv, l_Error);
            std::fprintf(stderr, "pxi-inventory: %s\n", l_Error.c_str());
            return kExitNoServices;
        }
    } else {
        const auto l_Missing = missingServices();
        if (!l_Missing.empty() && l_Missing.front().first == kPciBridgeServiceFile) {
            return noServices(l_Missing, l_Layout);
        }
    }

    const std::string l_StandIns = standInServicesInUse(l_Layout);
    std::string l_SimulatedMachine;
    if (!l_Options.record.empty() && !l_StandIns.empty()) {
        return usageError(
            "--record records a real machine, and the services in use are the "
            "stand-ins (" +
            l_StandIns + ")");
    }
    if (!l_StandIns.empty()) {
        const std::string l_Machine = nQxSim::environmentValue(kMachineEnv);
        l_SimulatedMachine = !l_Machine.empty() ? resolvedPath(l_Machine) : l_Layout.exampleMachine;
        if (!l_Options.simulate) {
            // Not asked for, but the loader found the stand-ins (LD_LIBRARY_PATH): the
            // file they serve is checked as if it had been named.
            const std::string l_Problem = machineFileProblem(l_SimulatedMachine);
            if (!l_Problem.empty()) {
                return fileError("machine file", l_SimulatedMachine, l_Problem);
            }
        }
        std::fprintf(stderr,
                     "pxi-inventory: SIMULATED machine %s (stand-in services in %s), not this "
                     "computer's hardware\n",
                     l_SimulatedMachine.c_str(), l_StandIns.c_str());
        l_Simulation.standIns = l_StandIns;
        l_Simulation.machine = l_SimulatedMachine;
        l_Simulation.smbiosOf = "the simulated machine";
        l_Simulation.smbiosProblem = provideSimulatedSmbios(l_SimulatedMachine);
        if (!l_Simulation.smbiosProblem.empty()) {
            std::fprintf(stderr, "pxi-inventory: the simulated machine's SMBIOS is not shown: %s\n",
                         l_Simulation.smbiosProblem.c_str());
        }
    }
    try {
        if (!l_Options.record.empty()) {
            return recordMachine(l_Options, l_Layout);
        }
        tJson l_Doc = collectInventory(l_Options, l_Layout, l_Simulation);
        if (l_Doc.contains("unknownFilter")) {
            std::fprintf(stderr, "pxi-inventory: %s\n",
                         l_Doc["unknownFilter"].get<std::string>().c_str());
            return kExitUsage;
        }
        if (l_Replay.active) {
            finishReplay(l_Replay, l_Doc);
        }
        const int l_Status = l_Doc["exitStatus"].get<int>();
        switch (l_Options.format) {
            case eFormat::json:
                // Texts from services and descriptions are not checked for UTF-8: replace
                // what is not, rather than fail on it.
                return writeOut(l_Doc.dump(2, ' ', false, tJson::error_handler_t::replace) + "\n",
                                l_Status, l_Options.output);
            case eFormat::dot:
                return writeOut(renderDot(l_Doc), l_Status, l_Options.output);
            case eFormat::metrics:
                return writeOut(renderMetrics(l_Doc), l_Status, l_Options.output);
            case eFormat::tree:
                break;
        }
        return writeOut(renderView(l_Doc, l_Options), l_Status, l_Options.output);
    } catch (const std::exception& l_rError) {
        std::fprintf(stderr, "pxi-inventory: %s\n", l_rError.what());
        return kExitFailures;
    }
}
