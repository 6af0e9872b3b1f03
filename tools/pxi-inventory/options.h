// The command line of pxi-inventory and its exit statuses.
#pragma once

#include <string>
#include <vector>

namespace nQxPxiInventory {

// Exit statuses, as --help and the man page list them.
constexpr int kExitAnswered = 0;
constexpr int kExitFailures = 1;      // a library missing or a call failed
constexpr int kExitUsage = 2;         // bad usage, or a machine or topology file unusable
constexpr int kExitNoServices = 3;    // no PCI bridge service found, and not simulating
constexpr int kExitOutputFailed = 4;  // standard output could not be written

enum class eFormat { tree, json, dot, metrics };
enum class eView { inventory, bridges, smbus, smbios };

struct tOptions {
    eFormat format = eFormat::tree;
    eView view = eView::inventory;
    bool verbose = false;
    bool simulate = false;
    std::string machine;   // with simulate: the machine file; empty for the example machine
    std::string topology;  // a recorded PCI topology for the Linux PCI bridge service
    std::string chassisFilter;
    std::string moduleFilter;
    std::string output;  // written atomically instead of standard output; empty for stdout
    std::string record;  // --record: the recording to write
    std::string replay;  // --replay: the recording to run the libraries over
    bool anonymise = false;
    bool check = false;                   // --check: the description files below instead
    std::vector<std::string> checkPaths;  // files, or directories of "*.ini" files
};

enum class eCommand { run, help, version, usageError };

struct tParsed {
    eCommand command = eCommand::run;
    tOptions options;
    std::string error;  // with usageError
};

tParsed parseArguments(const std::vector<std::string>& a_rArguments);

// What --record, --replay and --anonymise do not go with (recording.cpp); empty when
// nothing.
std::string recordReplayProblem(const tOptions& a_rOptions, int a_Views, int a_Formats);

extern const char* const kUsageLine;
extern const char* const kHelpText;

}  // namespace nQxPxiInventory
