#include "services/smbiosdump/smbiosDump.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace nQxSim {

namespace {

std::runtime_error failure(const std::string& a_rPath, const char* a_pWhat, int a_Errno) {
    return std::runtime_error(a_rPath + ": " + a_pWhat + ": " + std::strerror(a_Errno));
}

// Mode 0755 on the directory itself, never on what a link there points to.
void setDirectoryMode(const std::string& a_rDir) {
    const int l_Fd = open(a_rDir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (l_Fd < 0) {
        throw failure(a_rDir, "is not a directory that can be opened", errno);
    }
    struct stat l_Stat {};
    const bool l_Done =
        fstat(l_Fd, &l_Stat) == 0 && ((l_Stat.st_mode & 07777) == 0755 || fchmod(l_Fd, 0755) == 0);
    const int l_Errno = errno;
    close(l_Fd);
    if (!l_Done) {
        throw failure(a_rDir, "cannot set the mode 0755", l_Errno);
    }
}

// Refuses what must not be written over; a missing target is fine.
void checkTarget(const std::string& a_rPath, eLink a_Link) {
    struct stat l_Stat {};
    if (lstat(a_rPath.c_str(), &l_Stat) != 0) {
        if (errno == ENOENT) {
            return;
        }
        throw failure(a_rPath, "cannot be examined", errno);
    }
    if (S_ISREG(l_Stat.st_mode) || (S_ISLNK(l_Stat.st_mode) && a_Link == eLink::kReplace)) {
        return;
    }
    throw std::runtime_error(a_rPath + ": exists and is not a regular file; it is left as it is");
}

}  // namespace

std::vector<uint8_t> smbiosDumpOf(const std::string& a_rHeader,
                                  const std::vector<uint8_t>& a_rTable) {
    if (a_rTable.size() > 0xFFFF) {
        throw std::runtime_error("the SMBIOS table is longer than 65535 bytes (" +
                                 std::to_string(a_rTable.size()) + ")");
    }
    if (a_rHeader.find('\0') != std::string::npos) {
        throw std::runtime_error("the dump's header text holds a NUL");
    }
    std::vector<uint8_t> l_Dump(a_rHeader.begin(), a_rHeader.end());
    l_Dump.push_back(0);
    l_Dump.push_back(static_cast<uint8_t>(a_rTable.size() & 0xFF));
    l_Dump.push_back(static_cast<uint8_t>(a_rTable.size() >> 8));
    l_Dump.insert(l_Dump.end(), a_rTable.begin(), a_rTable.end());
    return l_Dump;
}

void makeDirectories(const std::string& a_rDirectory, const std::string& a_rOwnedFrom) {
    const std::string l_Owned = a_rOwnedFrom.empty() ? std::string() : a_rOwnedFrom + "/";
    size_t l_Slash = a_rDirectory.find('/', 1);
    while (true) {
        const std::string l_Dir = a_rDirectory.substr(0, l_Slash);
        const bool l_Created = mkdir(l_Dir.c_str(), 0755) == 0;
        if (!l_Created && errno != EEXIST) {
            throw failure(l_Dir, "cannot create the directory", errno);
        }
        // mkdir applies the umask; the dump's readers need 0755.
        if (l_Created ||
            (!l_Owned.empty() && (l_Dir + "/").compare(0, l_Owned.size(), l_Owned) == 0)) {
            setDirectoryMode(l_Dir);
        }
        if (l_Slash == std::string::npos) {
            break;
        }
        l_Slash = a_rDirectory.find('/', l_Slash + 1);
    }
}

void writeFileAtomically(const std::string& a_rPath, const std::vector<uint8_t>& a_rBytes,
                         eLink a_Link) {
    // Checked before the temporary file is made beside it, and again just before the
    // rename in case something appeared there meanwhile.
    checkTarget(a_rPath, a_Link);
    std::string l_Temp = a_rPath + ".XXXXXX";
    const int l_Fd = mkstemp(&l_Temp[0]);
    if (l_Fd < 0) {
        throw failure(a_rPath, "cannot create a temporary file beside it", errno);
    }
    // Closes and removes the temporary file on every failure.
    auto l_Fail = [&](const char* a_pWhat) {
        const int l_Errno = errno;
        close(l_Fd);
        unlink(l_Temp.c_str());
        return failure(a_rPath, a_pWhat, l_Errno);
    };
    if (fchmod(l_Fd, 0644) != 0) {
        throw l_Fail("cannot set the mode");
    }
    size_t l_Written = 0;
    while (l_Written < a_rBytes.size()) {
        const ssize_t l_Now = write(l_Fd, a_rBytes.data() + l_Written, a_rBytes.size() - l_Written);
        if (l_Now < 0 && errno == EINTR) {
            continue;
        }
        if (l_Now <= 0) {
            throw l_Fail("cannot be written");
        }
        l_Written += static_cast<size_t>(l_Now);
    }
    if (fsync(l_Fd) != 0) {
        throw l_Fail("cannot be flushed");
    }
    if (close(l_Fd) != 0) {
        const int l_Errno = errno;
        unlink(l_Temp.c_str());
        throw failure(a_rPath, "cannot be written", l_Errno);
    }
    try {
        checkTarget(a_rPath, a_Link);
    } catch (const std::exception&) {
        unlink(l_Temp.c_str());
        throw;
    }
    if (rename(l_Temp.c_str(), a_rPath.c_str()) != 0) {
        const int l_Errno = errno;
        unlink(l_Temp.c_str());
        throw failure(a_rPath, "cannot be replaced", l_Errno);
    }
}

}  // namespace nQxSim
