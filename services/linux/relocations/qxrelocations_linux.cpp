// Relocation service of an installation: answers the directories below the prefix the
// package was installed under. The prefix is where this library itself lies, less the
// library directory it was installed into (QXLINUX_LIBDIR, e.g. "lib"), so a staged,
// packaged or moved installation answers for where it actually is. QXPXI_INSTALL_PREFIX
// overrides the prefix (not in secure mode). A library found elsewhere (a build tree) answers 0:
// "no different value", and the libraries keep their defaults.
#include "qxpxi/services/qxrelocations.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "services/common/environment.h"

#define QXLINUX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kInvalidArgument = -2;
constexpr int kBufferTooSmall = -3;
constexpr int kInternalFault = -4;

// The installation prefix, or empty when this library is not installed.
std::string installPrefix() {
    std::string l_Override = nQxSim::environmentValue("QXPXI_INSTALL_PREFIX");
    if (!l_Override.empty()) {
        while (l_Override.size() > 1 && l_Override.back() == '/') {
            l_Override.pop_back();
        }
        return l_Override;
    }
    Dl_info l_Info{};
    if (dladdr(reinterpret_cast<void*>(&get_relocated_dir), &l_Info) == 0 ||
        l_Info.dli_fname == nullptr) {
        return std::string();
    }
    char* l_pReal = realpath(l_Info.dli_fname, nullptr);
    if (l_pReal == nullptr) {
        return std::string();
    }
    std::string l_Path = l_pReal;
    std::free(l_pReal);
    const std::string l_Suffix = std::string("/") + QXLINUX_LIBDIR + "/";
    const size_t l_Slash = l_Path.rfind('/');
    if (l_Slash == std::string::npos) {
        return std::string();
    }
    const std::string l_Dir = l_Path.substr(0, l_Slash + 1);
    if (l_Dir.size() < l_Suffix.size() ||
        l_Dir.compare(l_Dir.size() - l_Suffix.size(), l_Suffix.size(), l_Suffix) != 0) {
        return std::string();
    }
    std::string l_Prefix = l_Dir.substr(0, l_Dir.size() - l_Suffix.size());
    return l_Prefix.empty() ? std::string("/") : l_Prefix;
}

// The directory of a_rName below the prefix, or empty for names that do not follow
// the prefix (/etc, /var and the architecture's own library directories).
std::string relativeDir(const std::string& a_rName) {
    static const struct {
        const char* name;
        const char* dir;
    } s_Dirs[] = {
        {"prefixdir", ""},         {"execprefixdir", ""},          {"bindir", "/bin"},
        {"sbindir", "/sbin"},      {"libdir", "/" QXLINUX_LIBDIR}, {"libexecdir", "/libexec"},
        {"datarootdir", "/share"}, {"datadir", "/share"},          {"includedir", "/include"},
        {"docdir", "/share/doc"}};
    for (const auto& l_rDir : s_Dirs) {
        if (a_rName == l_rDir.name) {
            return l_rDir.dir[0] == '\0' ? std::string("/") : std::string(l_rDir.dir);
        }
    }
    return std::string();
}

}  // namespace

QXLINUX_EXPORT int get_relocated_dir(const char* name, char* buffer, size_t bufferSize) {
    try {
        if (name == nullptr || buffer == nullptr || bufferSize == 0) {
            return kInvalidArgument;
        }
        const std::string l_Relative = relativeDir(name);
        if (l_Relative.empty()) {
            return 0;
        }
        const std::string l_Prefix = installPrefix();
        if (l_Prefix.empty()) {
            return 0;
        }
        std::string l_Dir =
            l_Prefix == "/" ? l_Relative : (l_Relative == "/" ? l_Prefix : l_Prefix + l_Relative);
        if (l_Dir.size() + 1 > bufferSize) {
            return kBufferTooSmall;
        }
        std::memcpy(buffer, l_Dir.c_str(), l_Dir.size() + 1);
        return 1;
    } catch (...) {
        return kInternalFault;
    }
}
