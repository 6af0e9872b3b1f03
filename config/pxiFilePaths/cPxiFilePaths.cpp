#include "config/pxiFilePaths/cPxiFilePaths.h"

#include <glob.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <new>

#include "config/pxiFilePaths/cQxRelocationsDynLib.h"
#include "config/tPxiDeviceKind.h"
#include "runtime/status/qxStatusCodes.h"

namespace QX_NS {

namespace {

// Names in the order the relocation service is asked, with their defaults.
struct tDefault {
    const char* name;
    const char* value;
};

constexpr tDefault kDefaults[cPxiFilePaths::kEntryCount] = {
    {"prefixdir", "/usr"},
    {"execprefixdir", "/usr"},
    {"bindir", "/usr/bin"},
    {"sbindir", "/usr/sbin"},
    {"libdir", "/usr/lib"},
    {"lib32dir", "/usr/lib"},
    {"lib64dir", "/usr/lib64"},
    {"nativelibdir", "/usr/lib64"},
    {"multiarchlibdir", "/usr/lib/x86_64-linux-gnu"},
    {"libexecdir", "/usr/libexec"},
    {"sharedstatedir", "/var/lib"},
    {"datarootdir", "/usr/share"},
    {"datadir", "/usr/share"},
    {"sysconfdir", "/etc"},
    {"localstatedir", "/var"},
    {"runstatedir", "/var/run"},
    {"includedir", "/usr/include"},
    {"docdir", "/usr/share/doc"},
    {"initddir", "/etc/init.d"},
};

struct tKindDirectory {
    uint32_t kind;
    const char* base;
    const char* appended;
};

constexpr tKindDirectory kKindDirectories[] = {
    {kPxiDeviceKindPxi1EmbeddedController, "datadir", "/qxpxi/hardware_descriptions/controllers/"},
    {kPxiDeviceKindPxieChassisDriver, "libdir", "/qxpxihw/pxiechassis/"},
    {kPxiDeviceKindPxieEmbeddedController, "libdir", "/qxpxihw/pxiesysmodules/"},
    {kPxiDeviceKindPxieRemoteController, "libdir", "/qxpxihw/pxiesysmodules/"},
    {kPxiDeviceKindMaskSystemModules, "libdir", "/qxpxihw/pxiesysmodules/"},
    {kPxiDeviceKindChassisStarTrigger, "datadir", "/pxisa/chassis/"},
    {kPxiDeviceKindChassisNoStarTrigger, "datadir", "/pxisa/chassis/"},
};

// Frees a glob result on every path.
class tGlobResult {
public:
    tGlobResult() { std::memset(&m_Glob, 0, sizeof(m_Glob)); }
    ~tGlobResult() { globfree(&m_Glob); }
    tGlobResult(const tGlobResult&) = delete;
    tGlobResult& operator=(const tGlobResult&) = delete;
    glob_t* get() { return &m_Glob; }

private:
    glob_t m_Glob;
};

}  // namespace

cPxiFilePaths::cPxiFilePaths() {
    for (size_t i = 0; i < kEntryCount; ++i) {
        m_Entries[i].name = kDefaults[i].name;
        m_Entries[i].value = kDefaults[i].value;
    }
    applyRelocations();
}

void cPxiFilePaths::applyRelocations() {
    // A missing service or function is not a failure: the defaults stand.
    tJsonStatus l_BindStatus;
    cQxRelocationsDynLib l_Relocations(l_BindStatus);
    if (l_BindStatus.isError() || !l_Relocations.isBound())
        return;

    for (size_t i = 0; i < kEntryCount && !m_CreationStatus.isError(); ++i) {
        std::unique_ptr<char[]> l_pBuffer(new (std::nothrow) char[kRelocationBufferSize]);
        if (!l_pBuffer) {
            m_CreationStatus.setWithLocation(qxapalerr_memoryFull,
                                             QX_LOCATION("qxapalerr_memoryFull"));
            break;
        }
        std::memset(l_pBuffer.get(), 0, kRelocationBufferSize);
        const int l_Result = l_Relocations.getRelocatedDir(m_Entries[i].name, l_pBuffer.get(),
                                                           kRelocationBufferSize);
        if (l_Result < 0) {
            m_CreationStatus.setWithLocation(kStatusNotFound, QX_LOCATION("kStatusNotFound"));
        } else if (l_Result > 0) {
            // The service promises a NUL; never read past the buffer if it broke that.
            try {
                m_Entries[i].value.assign(l_pBuffer.get(),
                                          strnlen(l_pBuffer.get(), kRelocationBufferSize));
            } catch (...) {
                m_CreationStatus.setWithLocation(qxapalerr_memoryFull,
                                                 QX_LOCATION("qxapalerr_memoryFull"));
            }
        }
    }
    // l_Relocations releases the library here.
}

cPxiFilePaths& cPxiFilePaths::instance() {
    static cPxiFilePaths s_Paths;
    return s_Paths;
}

void cPxiFilePaths::getRelocatedDir(const char* a_pName, std::string& a_rValue,
                                    tJsonStatus& a_rStatus) {
    if (a_rStatus.isError())
        return;
    try {
        const cPxiFilePaths& l_rPaths = instance();
        if (tStatusRecord::takesPrecedence(a_rStatus.code, l_rPaths.m_CreationStatus.code)) {
            a_rStatus.copyFrom(l_rPaths.m_CreationStatus);
        }
        if (a_pName == nullptr) {
            a_rStatus.setWithLocation(kStatusUnknownKey, QX_LOCATION("kStatusUnknownKey"));
            return;
        }
        for (const tEntry& l_rEntry : l_rPaths.m_Entries) {
            if (std::strcmp(l_rEntry.name, a_pName) == 0) {
                a_rValue = l_rEntry.value;
                return;
            }
        }
        a_rStatus.setWithLocation(kStatusUnknownKey, QX_LOCATION("kStatusUnknownKey"));
    } catch (...) {
        // Building the table or copying the value ran out of memory.
        a_rStatus.setWithLocation(qxapalerr_memoryFull, QX_LOCATION("qxapalerr_memoryFull"));
    }
}

void cPxiFilePaths::getDescriptionDirectory(uint32_t a_Kind, std::string& a_rDirectory,
                                            tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    const tKindDirectory* l_pKind = nullptr;
    for (const tKindDirectory& l_rKind : kKindDirectories) {
        if (l_rKind.kind == a_Kind)
            l_pKind = &l_rKind;
    }
    if (l_pKind == nullptr) {
        QX_SET_STATUS_P(a_pStatus, kStatusDbKindInvalid);
        return;
    }
    std::string l_Base;
    {
        tJsonStatus l_Status;
        getRelocatedDir(l_pKind->base, l_Base, l_Status);
        if (l_Status.code != 0)
            QX_SET_STATUS_P(a_pStatus, l_Status.code);
    }
    if (a_pStatus->isError())
        return;
    try {
        std::string l_Directory;
        l_Directory.reserve(l_Base.size() + std::strlen(l_pKind->appended));
        l_Directory.append(l_Base).append(l_pKind->appended);
        a_rDirectory.swap(l_Directory);
    } catch (...) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

void cPxiFilePaths::findFiles(const char* a_pPattern, std::vector<std::string>& a_rFiles,
                              tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    if (a_pPattern == nullptr || *a_pPattern == '\0') {
        QX_SET_STATUS_P(a_pStatus, kStatusNoPattern);
        return;
    }
    tGlobResult l_Glob;
    const int l_Result = glob(a_pPattern, 0, nullptr, l_Glob.get());
    if (l_Result == GLOB_NOMATCH) {
        QX_SET_STATUS_P(a_pStatus, kStatusNoFilesMatched);
        return;
    }
    if (l_Result != 0) {
        QX_SET_STATUS_P(a_pStatus, kStatusGlobFailed);
        return;
    }
    try {
        for (size_t i = 0; i < l_Glob.get()->gl_pathc; ++i) {
            a_rFiles.emplace_back(l_Glob.get()->gl_pathv[i]);
        }
    } catch (...) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_memoryFull);
    }
}

void cPxiFilePaths::getFileTimes(const char* a_pPath, time_t* a_pModified, time_t* a_pAccessed,
                                 tStatusRecord* a_pStatus) {
    if (a_pStatus == nullptr || a_pStatus->isError())
        return;
    if (a_pPath == nullptr || *a_pPath == '\0' ||
        (a_pModified == nullptr && a_pAccessed == nullptr)) {
        QX_SET_STATUS_P(a_pStatus, kStatusInvalidArgument);
        return;
    }
    struct stat l_Stat;
    if (stat(a_pPath, &l_Stat) != 0) {
        QX_SET_STATUS_P(a_pStatus, kStatusFileAccessFailed);
        return;
    }
    if (a_pModified != nullptr)
        *a_pModified = l_Stat.st_mtime;
    if (a_pAccessed != nullptr)
        *a_pAccessed = l_Stat.st_atime;
}

}  // namespace QX_NS
