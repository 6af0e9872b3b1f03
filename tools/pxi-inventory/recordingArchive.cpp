#include "tools/pxi-inventory/recordingArchive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace nQxPxiInventory {

namespace {

struct tWriteCloser {
    void operator()(archive* a_pArchive) const { archive_write_free(a_pArchive); }
};
struct tReadCloser {
    void operator()(archive* a_pArchive) const { archive_read_free(a_pArchive); }
};
struct tEntryCloser {
    void operator()(archive_entry* a_pEntry) const { archive_entry_free(a_pEntry); }
};

std::string problemOf(archive* a_pArchive, const std::string& a_rWhat) {
    const char* l_pText = archive_error_string(a_pArchive);
    return a_rWhat + ": " + (l_pText != nullptr ? l_pText : "unknown error");
}

}  // namespace

bool isPlainRelativePath(const std::string& a_rName) {
    if (a_rName.empty() || a_rName.front() == '/') {
        return false;
    }
    size_t l_Start = 0;
    while (true) {
        const size_t l_Slash = a_rName.find('/', l_Start);
        const std::string l_Part = a_rName.substr(l_Start, l_Slash - l_Start);
        if (l_Part.empty() || l_Part == "." || l_Part == ".." ||
            l_Part.find('\0') != std::string::npos) {
            return false;
        }
        if (l_Slash == std::string::npos) {
            return true;
        }
        l_Start = l_Slash + 1;
    }
}

std::string writeRecordingArchive(const std::string& a_rPath, const tMembers& a_rMembers,
                                  long a_Time) {
    std::string l_Temp = a_rPath + ".XXXXXX";
    const int l_Fd = mkstemp(&l_Temp[0]);
    if (l_Fd < 0) {
        return "cannot create a file beside " + a_rPath + ": " + std::strerror(errno);
    }
    // A file like any other the user makes (mkstemp makes it private).
    const mode_t l_Mask = umask(0);
    umask(l_Mask);
    std::string l_Problem;
    if (fchmod(l_Fd, 0666 & ~l_Mask) != 0) {
        l_Problem = std::string("cannot set its mode: ") + std::strerror(errno);
    }
    if (l_Problem.empty()) {
        std::unique_ptr<archive, tWriteCloser> l_pArchive(archive_write_new());
        archive* l_pOut = l_pArchive.get();
        if (l_pOut == nullptr || archive_write_set_format_pax_restricted(l_pOut) != ARCHIVE_OK ||
            archive_write_add_filter_gzip(l_pOut) != ARCHIVE_OK ||
            archive_write_open_fd(l_pOut, l_Fd) != ARCHIVE_OK) {
            l_Problem = l_pOut == nullptr ? std::string("out of memory")
                                          : problemOf(l_pOut, "cannot start the archive");
        }
        for (auto l_It = a_rMembers.begin(); l_Problem.empty() && l_It != a_rMembers.end();
             ++l_It) {
            std::unique_ptr<archive_entry, tEntryCloser> l_pEntry(archive_entry_new());
            archive_entry_set_pathname(l_pEntry.get(), l_It->first.c_str());
            archive_entry_set_filetype(l_pEntry.get(), AE_IFREG);
            archive_entry_set_perm(l_pEntry.get(), 0644);
            archive_entry_set_size(l_pEntry.get(), static_cast<la_int64_t>(l_It->second.size()));
            archive_entry_set_mtime(l_pEntry.get(), a_Time, 0);
            if (archive_write_header(l_pOut, l_pEntry.get()) != ARCHIVE_OK ||
                (!l_It->second.empty() &&
                 archive_write_data(l_pOut, l_It->second.data(), l_It->second.size()) !=
                     static_cast<la_ssize_t>(l_It->second.size()))) {
                l_Problem = problemOf(l_pOut, "cannot write " + l_It->first);
            }
        }
        if (l_Problem.empty() && archive_write_close(l_pOut) != ARCHIVE_OK) {
            l_Problem = problemOf(l_pOut, "cannot complete the archive");
        }
    }
    if (l_Problem.empty() && fsync(l_Fd) != 0) {
        l_Problem = std::string("cannot be written: ") + std::strerror(errno);
    }
    if (close(l_Fd) != 0 && l_Problem.empty()) {
        l_Problem = std::string("cannot be written: ") + std::strerror(errno);
    }
    if (l_Problem.empty() && rename(l_Temp.c_str(), a_rPath.c_str()) != 0) {
        l_Problem = std::string("cannot be put in place: ") + std::strerror(errno);
    }
    if (!l_Problem.empty()) {
        unlink(l_Temp.c_str());
    }
    return l_Problem;
}

std::string readRecordingArchive(const std::string& a_rPath, size_t a_MaxBytes,
                                 tMembers& a_rMembers) {
    a_rMembers.clear();
    std::unique_ptr<archive, tReadCloser> l_pArchive(archive_read_new());
    archive* l_pIn = l_pArchive.get();
    if (l_pIn == nullptr) {
        return "out of memory";
    }
    // Only what --record writes: tar in gzip.
    archive_read_support_filter_gzip(l_pIn);
    archive_read_support_format_tar(l_pIn);
    struct stat l_Stat;
    if (stat(a_rPath.c_str(), &l_Stat) != 0) {
        return std::string("cannot be read: ") + std::strerror(errno);
    }
    if (!S_ISREG(l_Stat.st_mode)) {
        return "is not a regular file";
    }
    if (archive_read_open_filename(l_pIn, a_rPath.c_str(), 65536) != ARCHIVE_OK) {
        return problemOf(l_pIn, "is not a gzip-compressed tar archive");
    }
    size_t l_Total = 0;
    archive_entry* l_pEntry = nullptr;
    while (true) {
        const int l_Next = archive_read_next_header(l_pIn, &l_pEntry);
        if (l_Next == ARCHIVE_EOF) {
            break;
        }
        if (l_Next != ARCHIVE_OK) {
            return problemOf(l_pIn, "is not a gzip-compressed tar archive");
        }
        const char* l_pName = archive_entry_pathname(l_pEntry);
        std::string l_Name = l_pName != nullptr ? l_pName : "";
        while (!l_Name.empty() && l_Name.back() == '/') {
            l_Name.pop_back();
        }
        if (!isPlainRelativePath(l_Name)) {
            return "holds a member named \"" + l_Name + "\", which no recording has";
        }
        const mode_t l_Type = archive_entry_filetype(l_pEntry);
        if (l_Type == AE_IFDIR) {
            continue;
        }
        if (l_Type != AE_IFREG) {
            return "holds " + l_Name + ", which is not a regular file";
        }
        std::string l_Content;
        char l_Buffer[65536];
        while (true) {
            const la_ssize_t l_Read = archive_read_data(l_pIn, l_Buffer, sizeof(l_Buffer));
            if (l_Read < 0) {
                return problemOf(l_pIn, "cannot read " + l_Name);
            }
            if (l_Read == 0) {
                break;
            }
            l_Total += static_cast<size_t>(l_Read);
            if (l_Total > a_MaxBytes) {
                return "holds more than " + std::to_string(a_MaxBytes / (1024 * 1024)) +
                       " MiB, more than any recording";
            }
            l_Content.append(l_Buffer, static_cast<size_t>(l_Read));
        }
        a_rMembers[l_Name] = std::move(l_Content);
    }
    return std::string();
}

}  // namespace nQxPxiInventory
