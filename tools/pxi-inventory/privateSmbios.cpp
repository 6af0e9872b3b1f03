#include "tools/pxi-inventory/privateSmbios.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <fstream>
#include <sstream>

#include "platform/smbios/cQxSmBiosLinuxProvider.h"
#include "services/common/cMachine.h"
#include "services/smbiosdump/smbiosTable.h"

namespace nQxPxiInventory {

namespace {

std::string failed(const std::string& a_rWhat) {
    return a_rWhat + ": " + std::strerror(errno);
}

bool isDirectory(const std::string& a_rPath) {
    struct stat l_Stat;
    return stat(a_rPath.c_str(), &l_Stat) == 0 && S_ISDIR(l_Stat.st_mode);
}

bool writeText(const char* a_pFile, const std::string& a_rText) {
    const int l_Fd = open(a_pFile, O_WRONLY | O_CLOEXEC);
    if (l_Fd < 0) {
        return false;
    }
    const bool l_Written =
        write(l_Fd, a_rText.data(), a_rText.size()) == static_cast<ssize_t>(a_rText.size());
    return close(l_Fd) == 0 && l_Written;
}

// A user namespace in which this user is itself (same uid and gid, so that files and
// messages keep their owner) and may make the mount namespace. The map files take one
// write each; setgroups must be refused before an unprivileged gid map is accepted.
std::string enterUserNamespace() {
    const uid_t l_Uid = geteuid();
    const gid_t l_Gid = getegid();
    if (unshare(CLONE_NEWUSER) != 0) {
        return failed("no user namespace may be made");
    }
    if (!writeText("/proc/self/setgroups", "deny") ||
        !writeText("/proc/self/uid_map",
                   std::to_string(l_Uid) + " " + std::to_string(l_Uid) + " 1") ||
        !writeText("/proc/self/gid_map",
                   std::to_string(l_Gid) + " " + std::to_string(l_Gid) + " 1")) {
        return failed("the user namespace cannot map this user");
    }
    return std::string();
}

std::string makeDirectories(const std::string& a_rBelow, const std::string& a_rPath) {
    for (size_t l_Slash = a_rPath.find('/', a_rBelow.size() + 1);;
         l_Slash = a_rPath.find('/', l_Slash + 1)) {
        const std::string l_Dir = a_rPath.substr(0, l_Slash);
        if (mkdir(l_Dir.c_str(), 0755) != 0 && errno != EEXIST) {
            return failed("cannot create " + l_Dir);
        }
        if (l_Slash == std::string::npos) {
            return std::string();
        }
    }
}

std::string writeDump(const std::string& a_rPath, const std::vector<uint8_t>& a_rDump) {
    const int l_Fd = open(a_rPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (l_Fd < 0) {
        return failed("cannot create " + a_rPath);
    }
    size_t l_Done = 0;
    while (l_Done < a_rDump.size()) {
        const ssize_t l_Now = write(l_Fd, a_rDump.data() + l_Done, a_rDump.size() - l_Done);
        if (l_Now < 0 && errno == EINTR) {
            continue;
        }
        if (l_Now <= 0) {
            const std::string l_Problem = failed("cannot write " + a_rPath);
            close(l_Fd);
            return l_Problem;
        }
        l_Done += static_cast<size_t>(l_Now);
    }
    return close(l_Fd) == 0 ? std::string() : failed("cannot write " + a_rPath);
}

}  // namespace

const char* smbiosDumpPath() {
    return QX_NS::cQxSmBiosLinuxProvider::kDefaultDumpPath;
}

std::string providePrivateSmbios(const std::vector<uint8_t>& a_rDump, bool a_HasDump) {
    const std::string l_Path = smbiosDumpPath();
    const std::string l_Dir = l_Path.substr(0, l_Path.rfind('/'));
    // Root makes the mount namespace alone; a user, or root in a container without the
    // right to, through a user namespace of its own.
    if (unshare(CLONE_NEWNS) != 0) {
        const std::string l_Plain = failed("no private mount namespace may be made");
        const std::string l_Problem = enterUserNamespace();
        if (!l_Problem.empty()) {
            return l_Plain + "; " + l_Problem;
        }
        if (unshare(CLONE_NEWNS) != 0) {
            return failed("no private mount namespace may be made");
        }
    }
    // Nothing mounted from here on may reach the namespace everyone else uses.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return failed("the mounts cannot be made private");
    }
    // The deepest directory of the dump's path that exists gets the tmpfs, so that as
    // little as possible of the machine's own files is hidden.
    std::string l_MountPoint = l_Dir;
    while (!isDirectory(l_MountPoint)) {
        const size_t l_Slash = l_MountPoint.rfind('/');
        if (l_Slash == 0 || l_Slash == std::string::npos) {
            errno = ENOENT;
            return failed("no directory of " + l_Dir + " exists to mount on");
        }
        l_MountPoint.resize(l_Slash);
    }
    if (mount("tmpfs", l_MountPoint.c_str(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC,
              "mode=0755,size=1m") != 0) {
        return failed("cannot mount a tmpfs on " + l_MountPoint);
    }
    if (!a_HasDump) {
        return std::string();
    }
    std::string l_Problem =
        l_Dir == l_MountPoint ? std::string() : makeDirectories(l_MountPoint, l_Dir);
    return l_Problem.empty() ? writeDump(l_Path, a_rDump) : l_Problem;
}

std::string provideSimulatedSmbios(const std::string& a_rMachineFile) {
    std::vector<uint8_t> l_Dump;
    bool l_HasDump = false;
    try {
        std::ifstream l_File(a_rMachineFile, std::ios::binary);
        std::ostringstream l_Text;
        l_Text << l_File.rdbuf();
        if (!l_File) {
            return "the machine file " + a_rMachineFile + " cannot be read";
        }
        const auto l_pMachine = nQxSim::cMachine::parse(l_Text.str(), a_rMachineFile);
        l_HasDump = !l_pMachine->m_Smbios.is_null();
        if (l_HasDump) {
            l_Dump = nQxSim::buildSmbiosDump(l_pMachine->m_Smbios);
        }
    } catch (const std::exception& l_rError) {
        return std::string("the machine's SMBIOS: ") + l_rError.what();
    }
    return providePrivateSmbios(l_Dump, l_HasDump);
}

}  // namespace nQxPxiInventory
