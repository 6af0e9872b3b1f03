// pxi-inventory --record: one file that brings a machine here. What the libraries and
// their services read of the machine is gathered into a recording (recordingArchive.h),
// which --replay (replay.h) runs the libraries over again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pxi-inventory/eeprom.h"
#include "tools/pxi-inventory/inventory.h"
#include "tools/pxi-inventory/launch.h"
#include "tools/pxi-inventory/options.h"

namespace nQxPxiInventory {

// The members of a recording.
constexpr const char* kRecordingFormat = "qxpxi-recording/1";
constexpr const char* kManifestMember = "recording.json";   // what was recorded, and how
constexpr const char* kInventoryMember = "inventory.json";  // the tool's own JSON (verbose)
constexpr const char* kTopologyMember = "topology.xml";     // hwloc XML
constexpr const char* kDmiTableMember = "dmi/DMI";          // as /sys/firmware/dmi/tables
constexpr const char* kDmiEntryPointMember = "dmi/smbios_entry_point";
constexpr const char* kSmbiosDumpMember = "smbios/smbiosdmp";  // the dump the libraries read
constexpr const char* kSysfsPrefix = "sysfs/";                 // files below the sysfs root
constexpr const char* kLibdirPrefix = "descriptions/libdir/";  // below the libraries' libdir
constexpr const char* kDatadirPrefix = "descriptions/datadir/";
constexpr const char* kEepromPrefix = "eeprom/";  // 256-byte images, named in the manifest

// The description directories the libraries read, below libdir and datadir.
extern const char* const kLibdirDescriptionDirs[2];
extern const char* const kDatadirDescriptionDirs[2];

// Records the machine the services in use see into a_rOptions.record and lists what was
// recorded on standard output. The exit status: 0 written, 2 unusable target, 4 the
// recording could not be written.
int recordMachine(const tOptions& a_rOptions, const tLayout& a_rLayout);

// The 256 bytes of an "raw" EEPROM listing (16 texts of 16 hexadecimal bytes); false
// when it is not one.
bool eepromFromRaw(const nlohmann::ordered_json& a_rRaw, tEepromImage& a_rImage);

}  // namespace nQxPxiInventory
