// Saving a document. The text is built in memory first, then written to a temporary file
// in the target's directory, flushed, synchronised and renamed over the target, and the
// directory is synchronised so that the rename survives a power cut. A failure at any
// step removes the temporary file and leaves the old target untouched.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>

#include "config/inifile/tIniDocument.h"
#include "config/inifile/tIniFileOps.h"

namespace QX_NS {
namespace nQxPxiDriverTools_1_0 {

namespace {

std::string directoryOf(const std::string& a_rPath) {
    const size_t l_Slash = a_rPath.rfind('/');
    return l_Slash == std::string::npos ? std::string() : a_rPath.substr(0, l_Slash + 1);
}

// The target with its extension replaced by "TMP" (or ".TMP" appended).
std::string namedTempPath(const std::string& a_rPath) {
    const size_t l_Dot = a_rPath.rfind('.');
    const size_t l_Slash = a_rPath.rfind('/');
    const bool l_HasExtension =
        l_Dot != std::string::npos && (l_Slash == std::string::npos || l_Dot > l_Slash);
    if (l_HasExtension && a_rPath.compare(l_Dot + 1, std::string::npos, "TMP") != 0) {
        return a_rPath.substr(0, l_Dot + 1) + "TMP";
    }
    return a_rPath + ".TMP";
}

void syncDirectory(const std::string& a_rDirectory) {
    const int l_Fd = ::open(a_rDirectory.empty() ? "." : a_rDirectory.c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (l_Fd < 0)
        return;
    // The new file is complete and in place; a directory that cannot be synchronised
    // leaves nothing to undo, so the result is not a failure of the save.
    (void)iniFileOps().syncDescriptor(l_Fd);
    ::close(l_Fd);
}

// Checks that the target can be written: an existing file is opened for update, a
// missing one is created and removed again.
int32_t probeTarget(const char* a_pPath, bool a_Exists) {
    const tIniFileOps& l_rOps = iniFileOps();
    FILE* l_pFile = l_rOps.openFile(a_pPath, a_Exists ? "r+be" : "wbe");
    if (l_pFile == nullptr)
        return kIniAccessDenied;
    l_rOps.closeFile(l_pFile);
    if (!a_Exists)
        l_rOps.removePath(a_pPath);
    return kIniOk;
}

// Writes the text to an open output and closes it; false on any failure.
bool writeAndClose(FILE* a_pFile, const std::string& a_rText, bool a_Sync) {
    const tIniFileOps& l_rOps = iniFileOps();
    bool l_Ok = a_rText.empty() ||
                l_rOps.writeFile(a_rText.data(), 1, a_rText.size(), a_pFile) == a_rText.size();
    l_Ok = l_Ok && l_rOps.flushFile(a_pFile) == 0;
    if (l_Ok && a_Sync)
        l_Ok = l_rOps.syncDescriptor(fileno(a_pFile)) == 0;
    const bool l_Closed = l_rOps.closeFile(a_pFile) == 0;
    return l_Ok && l_Closed;
}

}  // namespace

int32_t tIniDocument::save(const char* a_pPath) {
    if (a_pPath == nullptr || *a_pPath == '\0' || std::strlen(a_pPath) > kMaxPathLength) {
        return kIniInvalidPath;
    }
    try {
        // Everything that allocates happens before the rename, so that a save reported
        // as failed never has replaced the file.
        std::string l_Target(a_pPath);
        const std::string l_Directory = directoryOf(l_Target);
        std::string l_Text;
        const int32_t l_Written = write(l_Text);
        if (l_Written != kIniOk)
            return l_Written;

        const tIniFileOps& l_rOps = iniFileOps();
        struct stat l_Before;
        const bool l_Exists = ::stat(a_pPath, &l_Before) == 0;
        const int32_t l_Probe = probeTarget(a_pPath, l_Exists);
        if (l_Probe != kIniOk)
            return l_Probe;

        // Always through a temporary file: writing the target in place could leave it
        // torn. A named temporary file ("<name>.TMP") is used only when asked for
        // together with the safe save; otherwise the name is unique.
        const bool l_Named =
            (m_WriteOptions & kWriteSafe) != 0 && (m_WriteOptions & kWriteUniqueTemp) == 0;
        std::string l_Temp;
        FILE* l_pOut = nullptr;
        if (l_Named) {
            l_Temp = namedTempPath(l_Target);
            l_pOut = l_rOps.openFile(l_Temp.c_str(), "wbe");
            if (l_pOut == nullptr)
                return kIniOutputOpenFailed;
        } else {
            l_Temp = l_Directory + "ini$$.TMPXXXXXX";
            const int l_Fd = l_rOps.makeTemp(&l_Temp[0]);
            if (l_Fd < 0)
                return kIniTempFileFailed;
            if (::fchmod(l_Fd, 0644) != 0 ||
                (l_pOut = l_rOps.openDescriptor(l_Fd, "wb")) == nullptr) {
                ::close(l_Fd);
                l_rOps.removePath(l_Temp.c_str());
                return kIniOutputOpenFailed;
            }
        }
        if (!writeAndClose(l_pOut, l_Text, (m_WriteOptions & kWriteSync) != 0)) {
            l_rOps.removePath(l_Temp.c_str());
            return kIniWriteError;
        }

        struct stat l_Owner;
        const bool l_Existed = ::stat(a_pPath, &l_Owner) == 0;
        if (l_rOps.renamePath(l_Temp.c_str(), a_pPath) != 0) {
            l_rOps.removePath(l_Temp.c_str());
            return kIniAccessDenied;
        }
        if (l_Existed) {
            // Best effort: a caller who may not give the file away keeps it as its own.
            (void)::chmod(a_pPath, l_Owner.st_mode & 07777);
            if (::chown(a_pPath, l_Owner.st_uid, l_Owner.st_gid) != 0) {
            }
        }
        syncDirectory(l_Directory);

        struct stat l_After;
        if (::stat(a_pPath, &l_After) == 0)
            m_FileTime = l_After.st_mtim;
        m_FilePath.swap(l_Target);
        return kIniOk;
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

}  // namespace nQxPxiDriverTools_1_0
}  // namespace QX_NS
