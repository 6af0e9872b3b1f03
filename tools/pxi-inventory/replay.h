// pxi-inventory --replay: the unchanged libraries run over a recording (recording.h)
// through the Linux services, as they ran on the recorded machine. The recording is laid
// out in a temporary directory the services are pointed at: the topology for hwloc, a
// sysfs tree, an empty device directory (SMBus transactions are not replayed), the
// description files below an installation prefix, and the SMBIOS dump, which the
// libraries are given at its fixed path in a private mount namespace.
#pragma once

#include <string>

#include "tools/pxi-inventory/inventory.h"
#include "tools/pxi-inventory/launch.h"
#include "tools/pxi-inventory/options.h"

namespace nQxPxiInventory {

// Set in the environment of the tool run over the laid-out recording: its directory.
constexpr const char* kReplayEnv = "QXPXI_INVENTORY_REPLAY";

struct tReplay {
    bool active = false;    // this process runs the libraries over the recording
    std::string directory;  // the laid-out recording
    tJson manifest;         // what was recorded, and how the replay gives it
};

// In the process the user started: reads the recording, lays it out, runs the tool again
// over it and returns that run's exit status, after removing the directory again. In the
// run it started: fills a_rReplay, gives the libraries the recorded SMBIOS dump (the
// outcome in a_rSimulation) and returns -1, for the inventory to go on. Call it before any
// library or service is loaded.
int startReplay(const tOptions& a_rOptions, const tLayout& a_rLayout, char** a_ppArgv,
                tReplay& a_rReplay, tSimulation& a_rSimulation);

// Makes the inventory of a replay read as the recorded machine's: paths below the
// temporary directory become the recorded machine's, the chassis EEPROM images the
// library could not read (no SMBus) are the recorded ones, marked "recorded", and
// "environment" gets "replay": where the recording came from and what is not replayed.
void finishReplay(const tReplay& a_rReplay, tJson& a_rDocument);

// The end of the title line of a replay's views and what a replay does not show: from
// the document's "environment"/"replay".
std::string replayHeader(const tJson& a_rReplay);

}  // namespace nQxPxiInventory
