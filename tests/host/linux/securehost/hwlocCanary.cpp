// A stand-in for a plugin an unprivileged user would slip into a privileged host through
// HWLOC_PLUGINS_PATH: when loaded, it leaves the file "loaded" beside itself.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace {

__attribute__((constructor)) void markLoaded() {
    Dl_info l_Info{};
    if (dladdr(reinterpret_cast<void*>(&markLoaded), &l_Info) == 0 || l_Info.dli_fname == nullptr) {
        return;
    }
    std::string l_Path = l_Info.dli_fname;
    l_Path = l_Path.substr(0, l_Path.rfind('/') + 1) + "loaded";
    const int l_Fd = ::open(l_Path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (l_Fd >= 0) {
        ::close(l_Fd);
    }
}

}  // namespace
