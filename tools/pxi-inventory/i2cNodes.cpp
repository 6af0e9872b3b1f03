#include "tools/pxi-inventory/i2cNodes.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace nQxPxiInventory {

namespace {

// The node at the end of a description "<name> (<dir>/i2c-<n>)", or empty.
std::string nodeOf(const std::string& a_rDescription) {
    if (a_rDescription.empty() || a_rDescription.back() != ')') {
        return std::string();
    }
    const size_t l_Open = a_rDescription.rfind('(');
    if (l_Open == std::string::npos) {
        return std::string();
    }
    const std::string l_Path =
        a_rDescription.substr(l_Open + 1, a_rDescription.size() - l_Open - 2);
    const size_t l_Slash = l_Path.rfind('/');
    const std::string l_Name = l_Path.substr(l_Slash == std::string::npos ? 0 : l_Slash + 1);
    if (l_Path.empty() || l_Path[0] != '/' || l_Name.compare(0, 4, "i2c-") != 0 ||
        l_Name.size() == 4) {
        return std::string();
    }
    for (size_t l_Index = 4; l_Index < l_Name.size(); ++l_Index) {
        if (!std::isdigit(static_cast<unsigned char>(l_Name[l_Index]))) {
            return std::string();
        }
    }
    return l_Path;
}

std::string groupName(gid_t a_Group) {
    const struct group* l_pGroup = getgrgid(a_Group);
    return l_pGroup != nullptr && l_pGroup->gr_name != nullptr ? std::string(l_pGroup->gr_name)
                                                               : std::to_string(a_Group);
}

tJson nodeAccess(const std::string& a_rPath) {
    tJson l_Node;
    l_Node["path"] = a_rPath;
    struct stat l_Stat {};
    // stat, not lstat: udev may give the node a link, and what counts is what it reaches.
    if (stat(a_rPath.c_str(), &l_Stat) != 0) {
        const int l_Errno = errno;
        l_Node["exists"] = false;
        l_Node["characterDevice"] = false;
        l_Node["readWrite"] = false;
        l_Node["group"] = nullptr;
        l_Node["advice"] =
            l_Errno == ENOENT
                ? "the node is missing: load the i2c-dev module (sudo modprobe i2c-dev; to load "
                  "it at every boot: echo i2c-dev | sudo tee /etc/modules-load.d/i2c-dev.conf)"
                : std::string("cannot be examined: ") + std::strerror(l_Errno);
        return l_Node;
    }
    const bool l_Character = S_ISCHR(l_Stat.st_mode);
    // access() answers for the real user, who runs the tool: read and write, as the
    // service opens the node.
    const bool l_ReadWrite = access(a_rPath.c_str(), R_OK | W_OK) == 0;
    const std::string l_Group = groupName(l_Stat.st_gid);
    l_Node["exists"] = true;
    l_Node["characterDevice"] = l_Character;
    l_Node["readWrite"] = l_ReadWrite;
    l_Node["group"] = l_Group;
    if (!l_Character) {
        l_Node["advice"] =
            "not a character device: the SMBus service refuses it; remove it and load the "
            "i2c-dev module (sudo modprobe i2c-dev)";
    } else if (!l_ReadWrite) {
        l_Node["advice"] =
            "this user may not open it for reading and writing: run as a member of the group "
            "owning it (sudo usermod -aG " +
            l_Group +
            " $USER, then log in again), or give the i2c devices to such a group with a udev "
            "rule (KERNEL==\"i2c-[0-9]*\", GROUP=\"i2c\", MODE=\"0660\")";
    } else {
        l_Node["advice"] = nullptr;
    }
    return l_Node;
}

}  // namespace

void addI2cNodeAccess(tJson& a_rSmbusAdapters) {
    if (!a_rSmbusAdapters.contains("adapters") || !a_rSmbusAdapters["adapters"].is_array()) {
        return;
    }
    for (tJson& l_rAdapter : a_rSmbusAdapters["adapters"]) {
        const tJson& l_rDescription = l_rAdapter["description"];
        const std::string l_Path =
            l_rDescription.is_string() ? nodeOf(l_rDescription.get<std::string>()) : std::string();
        l_rAdapter["deviceNode"] = l_Path.empty() ? tJson(nullptr) : nodeAccess(l_Path);
    }
}

std::string i2cNodeLine(const tJson& a_rAdapter) {
    const tJson l_Node = a_rAdapter.value("deviceNode", tJson());
    if (!l_Node.is_object()) {
        return std::string();
    }
    const std::string l_Path = l_Node["path"].get<std::string>();
    if (l_Node["advice"].is_null()) {
        return "node " + l_Path + ": can be opened read-write by this user";
    }
    return "node " + l_Path + ": " + l_Node["advice"].get<std::string>();
}

}  // namespace nQxPxiInventory
