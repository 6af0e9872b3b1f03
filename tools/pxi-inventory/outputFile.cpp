#include "tools/pxi-inventory/outputFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace nQxPxiInventory {

namespace {

bool writeAll(int a_Fd, const std::string& a_rText) {
    size_t l_Done = 0;
    while (l_Done < a_rText.size()) {
        const ssize_t l_Written = write(a_Fd, a_rText.data() + l_Done, a_rText.size() - l_Done);
        if (l_Written < 0 && errno == EINTR) {
            continue;
        }
        if (l_Written <= 0) {
            if (l_Written == 0) {
                errno = EIO;
            }
            return false;
        }
        l_Done += static_cast<size_t>(l_Written);
    }
    return true;
}

}  // namespace

std::string writeFileAtomically(const std::string& a_rPath, const std::string& a_rText) {
    const size_t l_Slash = a_rPath.rfind('/');
    const std::string l_Directory = l_Slash == std::string::npos ? "."
                                    : l_Slash == 0               ? "/"
                                                                 : a_rPath.substr(0, l_Slash);
    const std::string l_Base = a_rPath.substr(l_Slash == std::string::npos ? 0 : l_Slash + 1);
    if (l_Base.empty()) {
        return std::strerror(EISDIR);
    }
    // A hidden name without the target's suffix, so that the collector, which reads the
    // directory's *.prom files, never picks the temporary file up.
    const std::string l_Template = l_Directory + "/." + l_Base + ".XXXXXX";
    std::vector<char> l_TempPath(l_Template.begin(), l_Template.end());
    l_TempPath.push_back('\0');
    const int l_Fd = mkostemp(l_TempPath.data(), O_CLOEXEC);
    if (l_Fd < 0) {
        return std::string("cannot create a temporary file in ") + l_Directory + ": " +
               std::strerror(errno);
    }
    // mkstemp makes the file private; the output is for others to read (the node
    // exporter runs as a user of its own): the mode a new file gets from the umask.
    const mode_t l_Umask = umask(0);
    umask(l_Umask);
    std::string l_Problem;
    if (!writeAll(l_Fd, a_rText) || fchmod(l_Fd, 0666 & ~l_Umask) != 0 || fsync(l_Fd) != 0) {
        l_Problem = std::strerror(errno);
    }
    if (close(l_Fd) != 0 && l_Problem.empty()) {
        l_Problem = std::strerror(errno);
    }
    if (l_Problem.empty() && rename(l_TempPath.data(), a_rPath.c_str()) != 0) {
        l_Problem = std::strerror(errno);
    }
    if (!l_Problem.empty()) {
        unlink(l_TempPath.data());
        return l_Problem;
    }
    // The rename itself reaches the disk with the directory.
    const int l_DirFd = open(l_Directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (l_DirFd >= 0) {
        fsync(l_DirFd);
        close(l_DirFd);
    }
    return {};
}

}  // namespace nQxPxiInventory
