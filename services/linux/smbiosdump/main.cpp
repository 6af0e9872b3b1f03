// qxpxi-smbios-dump [--table FILE] [--entry-point FILE] [--output FILE]
//
// Writes the SMBIOS dump the discovery libraries read from the machine's raw SMBIOS
// table, atomically. Paths, each with an environment variable that moves it:
//   --table        QXPXI_DMI_TABLE        /sys/firmware/dmi/tables/DMI
//   --entry-point  QXPXI_DMI_ENTRY_POINT  /sys/firmware/dmi/tables/smbios_entry_point
//                  (optional: without it the header gives no version)
//   --output       QXPXI_SMBIOS_DUMP      /run/qxpxisv/smbios/smbiosdmp
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

int usage() {
    std::fprintf(stderr,
                 "usage: qxpxi-smbios-dump [--table FILE] [--entry-point FILE] [--output FILE]\n");
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

}  // namespace

int main(int a_Argc, char** a_pArgv) {
    std::string l_Table =
        nQxLinux::pathFromEnvironment("QXPXI_DMI_TABLE", "/sys/firmware/dmi/tables/DMI");
    std::string l_EntryPoint = nQxLinux::pathFromEnvironment(
        "QXPXI_DMI_ENTRY_POINT", "/sys/firmware/dmi/tables/smbios_entry_point");
    std::string l_Output =
        nQxLinux::pathFromEnvironment("QXPXI_SMBIOS_DUMP", "/run/qxpxisv/smbios/smbiosdmp");
    for (int l_Index = 1; l_Index < a_Argc; ++l_Index) {
        const std::string l_Option = a_pArgv[l_Index];
        if (l_Index + 1 >= a_Argc) {
            return usage();
        }
        if (l_Option == "--table") {
            l_Table = a_pArgv[++l_Index];
        } else if (l_Option == "--entry-point") {
            l_EntryPoint = a_pArgv[++l_Index];
        } else if (l_Option == "--output") {
            l_Output = a_pArgv[++l_Index];
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
        std::string l_Header;
        std::vector<uint8_t> l_Checked;
        try {
            l_Header = nQxLinux::dumpHeader(l_Entry, l_Raw.size());
        } catch (const std::exception& l_rError) {
            std::fprintf(stderr, "qxpxi-smbios-dump: %s: %s\n", l_EntryPoint.c_str(),
                         l_rError.what());
            return 1;
        }
        try {
            l_Checked = nQxLinux::checkedTable(l_Raw);
        } catch (const std::exception& l_rError) {
            std::fprintf(stderr, "qxpxi-smbios-dump: %s: %s\n", l_Table.c_str(), l_rError.what());
            return 1;
        }
        nQxSim::writeFileAtomically(l_Output, nQxSim::smbiosDumpOf(l_Header, l_Checked), true);
    } catch (const std::exception& l_rError) {
        std::fprintf(stderr, "qxpxi-smbios-dump: %s\n", l_rError.what());
        return 1;
    }
    return 0;
}
