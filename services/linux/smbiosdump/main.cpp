// qxpxi-smbios-dump [--table FILE] [--entry-point FILE] [--output FILE] | --help | --version
//
// Writes the SMBIOS dump the discovery libraries read from the machine's raw SMBIOS
// table, atomically. Paths, each with an environment variable that moves it:
//   --table        QXPXI_DMI_TABLE        /sys/firmware/dmi/tables/DMI
//   --entry-point  QXPXI_DMI_ENTRY_POINT  /sys/firmware/dmi/tables/smbios_entry_point
//                  (optional: without it the header gives no version)
//   --output       QXPXI_SMBIOS_DUMP      /run/qxpxisv/smbios/smbiosdmp
// Without --output the missing directories are made (mode 0755) and a symbolic link
// at the dump's place is replaced; --output names a place in an existing directory. An
// existing target that is not a regular file is never written over.
// Exit status: 0 written, 1 failure (nothing written), 2 bad usage.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "services/linux/common/environment.h"
#include "services/linux/smbiosdump/dmiTable.h"
#include "services/smbiosdump/smbiosDump.h"

namespace {

constexpr const char* kDumpDirectory = "/run/qxpxisv/smbios";
constexpr const char* kDefaultDump = "/run/qxpxisv/smbios/smbiosdmp";
// The directories of the dump at its default place; other users must be able to enter
// them, whatever mode an earlier run under another umask left.
constexpr const char* kOwnDirectories = "/run/qxpxisv";
// The dump's length field is 16 bits.
constexpr size_t kMaxTableLength = 0xFFFF;

const char kUsage[] =
    "usage: qxpxi-smbios-dump [--table FILE] [--entry-point FILE] [--output FILE]\n"
    "       qxpxi-smbios-dump --help | --version\n";

const char kHelp[] =
    "Writes the SMBIOS dump the qxpxi discovery libraries read (/run/qxpxisv/smbios/smbiosdmp)\n"
    "from the SMBIOS table and entry point the kernel exposes. Run at boot by\n"
    "qxpxi-smbios-dump.service.\n\n"
    "    --table FILE        the raw table (default /sys/firmware/dmi/tables/DMI)\n"
    "    --entry-point FILE  its entry point, optional\n"
    "                        (default /sys/firmware/dmi/tables/smbios_entry_point)\n"
    "    --output FILE       where to write the dump instead of the default place; the\n"
    "                        directory must exist, and an existing FILE must be a\n"
    "                        regular file\n"
    "    --help              show this text\n"
    "    --version           show the version\n\n"
    "Exit status: 0 written, 1 failure (nothing written), 2 bad usage.\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// The whole file; false with errno when it cannot be opened. A file that opens but
// cannot be read throws std::runtime_error naming it.
bool readFile(const std::string& a_rPath, std::vector<uint8_t>& a_rBytes) {
    const int l_Fd = open(a_rPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (l_Fd < 0) {
        return false;
    }
    a_rBytes.clear();
    uint8_t l_Chunk[4096];
    while (true) {
        const ssize_t l_Read = read(l_Fd, l_Chunk, sizeof(l_Chunk));
        if (l_Read < 0 && errno == EINTR) {
            continue;
        }
        if (l_Read < 0) {
            const int l_Errno = errno;
            close(l_Fd);
            throw std::runtime_error(a_rPath + ": cannot be read: " + std::strerror(l_Errno));
        }
        if (l_Read == 0) {
            break;
        }
        a_rBytes.insert(a_rBytes.end(), l_Chunk, l_Chunk + l_Read);
    }
    close(l_Fd);
    return true;
}

// The directory part of a path ("." for a bare name).
std::string directoryOf(const std::string& a_rPath) {
    const size_t l_Slash = a_rPath.rfind('/');
    return l_Slash == std::string::npos ? std::string(".")
           : l_Slash == 0               ? std::string("/")
                                        : a_rPath.substr(0, l_Slash);
}

}  // namespace

int main(int a_Argc, char** a_pArgv) {
    std::string l_Table =
        nQxLinux::pathFromEnvironment("QXPXI_DMI_TABLE", "/sys/firmware/dmi/tables/DMI");
    std::string l_EntryPoint = nQxLinux::pathFromEnvironment(
        "QXPXI_DMI_ENTRY_POINT", "/sys/firmware/dmi/tables/smbios_entry_point");
    std::string l_Output = nQxLinux::pathFromEnvironment("QXPXI_SMBIOS_DUMP", kDefaultDump);
    bool l_GivenOutput = false;
    for (int l_Index = 1; l_Index < a_Argc; ++l_Index) {
        const std::string l_Option = a_pArgv[l_Index];
        if (l_Option == "--help" || l_Option == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (l_Option == "--version") {
            std::fputs("qxpxi-smbios-dump (qxpxi) " QXPXI_VERSION "\n", stdout);
            return 0;
        }
        if (l_Index + 1 >= a_Argc) {
            return usage();
        }
        if (l_Option == "--table") {
            l_Table = a_pArgv[++l_Index];
        } else if (l_Option == "--entry-point") {
            l_EntryPoint = a_pArgv[++l_Index];
        } else if (l_Option == "--output") {
            l_Output = a_pArgv[++l_Index];
            l_GivenOutput = true;
        } else {
            return usage();
        }
    }
    try {
        std::vector<uint8_t> l_Raw;
        if (!readFile(l_Table, l_Raw)) {
            std::fprintf(stderr, "qxpxi-smbios-dump: %s: cannot be read: %s\n", l_Table.c_str(),
                         std::strerror(errno));
            return 1;
        }
        std::vector<uint8_t> l_Entry;
        if (!readFile(l_EntryPoint, l_Entry) && errno != ENOENT) {
            std::fprintf(stderr, "qxpxi-smbios-dump: %s: cannot be read: %s\n",
                         l_EntryPoint.c_str(), std::strerror(errno));
            return 1;
        }
        nQxLinux::tEntryPoint l_Read;
        try {
            l_Read = nQxLinux::readEntryPoint(l_Entry);
        } catch (const std::exception& l_rError) {
            std::fprintf(stderr, "qxpxi-smbios-dump: %s: %s\n", l_EntryPoint.c_str(),
                         l_rError.what());
            return 1;
        }
        nQxLinux::tTable l_Checked;
        try {
            l_Checked = nQxLinux::checkedTable(l_Raw, l_Read, kMaxTableLength);
        } catch (const std::exception& l_rError) {
            std::fprintf(stderr, "qxpxi-smbios-dump: %s: %s\n", l_Table.c_str(), l_rError.what());
            return 1;
        }
        // Only the default place gets its directories made; a given output names a
        // place the caller prepared.
        if (!l_GivenOutput) {
            const bool l_BuiltIn = l_Output == kDefaultDump;
            nQxSim::makeDirectories(l_BuiltIn ? std::string(kDumpDirectory) : directoryOf(l_Output),
                                    l_BuiltIn ? kOwnDirectories : "");
        }
        nQxSim::writeFileAtomically(
            l_Output, nQxSim::smbiosDumpOf(l_Read.header, l_Checked.bytes),
            l_GivenOutput ? nQxSim::eLink::kRefuse : nQxSim::eLink::kReplace);
        if (l_Checked.leftOutStructures != 0) {
            // The identity the libraries read is in the first structures; the rest is
            // said, not fatal.
            std::fprintf(stderr,
                         "qxpxi-smbios-dump: %s: the table has %zu bytes, more than a dump holds "
                         "(%zu): the last %zu structure(s), %zu bytes, are left out of %s\n",
                         l_Table.c_str(), l_Raw.size(), kMaxTableLength,
                         l_Checked.leftOutStructures, l_Checked.leftOutBytes, l_Output.c_str());
        }
    } catch (const std::exception& l_rError) {
        std::fprintf(stderr, "qxpxi-smbios-dump: %s\n", l_rError.what());
        return 1;
    }
    return 0;
}
