#include "tools/pxi-inventory/machineCheck.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "qxpxi/qxstatus.h"
#include "qxpxi/services/qxpcibrd.h"
#include "services/common/cMachine.h"
#include "tools/pxi-inventory/cLibrary.h"
#include "tools/pxi-inventory/launch.h"

namespace nQxPxiInventory {

std::string readableFileProblem(const std::string& a_rPath) {
    struct stat l_Stat;
    if (stat(a_rPath.c_str(), &l_Stat) != 0) {
        return std::strerror(errno);
    }
    if (S_ISDIR(l_Stat.st_mode)) {
        return "is a directory";
    }
    if (!S_ISREG(l_Stat.st_mode)) {
        return "is not a regular file";
    }
    std::ifstream l_File(a_rPath, std::ios::binary);
    if (!l_File) {
        return std::strerror(errno);
    }
    return std::string();
}

std::string machineFileProblem(const std::string& a_rPath) {
    std::string l_Problem = readableFileProblem(a_rPath);
    if (!l_Problem.empty()) {
        return l_Problem;
    }
    std::ifstream l_File(a_rPath, std::ios::binary);
    std::ostringstream l_Content;
    l_Content << l_File.rdbuf();
    if (l_File.bad()) {
        return "read error";
    }
    const std::string l_Text = l_Content.str();
    if (l_Text.find_first_not_of(" \t\r\n") == std::string::npos) {
        return "is empty";
    }
    std::shared_ptr<nQxSim::cMachine> l_pMachine;
    try {
        l_pMachine = nQxSim::cMachine::parse(l_Text, a_rPath);
    } catch (const std::exception& l_rError) {
        std::string l_Message = l_rError.what();
        const std::string l_Syntax = "not valid JSON: parse error at ";
        if (l_Message.rfind(l_Syntax, 0) == 0) {
            l_Message = l_Message.substr(l_Syntax.size());  // "line 1, column 22: ..."
        }
        return l_Message;
    }
    // A relative relocation is taken from the file's own directory: a copy of the file
    // elsewhere would otherwise lose its descriptions without a word.
    for (const auto& l_rRelocation : l_pMachine->m_Relocations) {
        if (l_rRelocation.first != "libdir" && l_rRelocation.first != "datadir") {
            continue;  // the libraries ask for no other directory
        }
        struct stat l_Stat;
        if (stat(l_rRelocation.second.c_str(), &l_Stat) != 0 || !S_ISDIR(l_Stat.st_mode)) {
            return "relocations." + l_rRelocation.first + ": no directory " + l_rRelocation.second +
                   " (relative directories are taken from the machine " + "file's directory)";
        }
    }
    return std::string();
}

std::string topologyProblem() {
    cLibrary l_Library(kPciBridgeServiceFile, {});
    std::string l_Error;
    auto l_pOpen =
        l_Library.symbol<decltype(QxPciBrd_OpenSession)>("QxPciBrd_OpenSession", l_Error);
    auto l_pClose =
        l_Library.symbol<decltype(QxPciBrd_CloseSession)>("QxPciBrd_CloseSession", l_Error);
    if (l_pOpen == nullptr || l_pClose == nullptr) {
        return std::string();  // said later, for every run
    }
    uint32_t l_Session = 0xFFFFFFFF;
    const int32_t l_Status = l_pOpen(0, &l_Session);
    if (l_Status >= 0) {
        l_pClose(l_Session);
        return std::string();
    }
    // The Linux service keeps why, instead of printing it.
    std::string l_Ignored;
    auto l_pWhy = l_Library.symbol<int32_t(char*, uint32_t*)>("QxPciBrd_GetLastError", l_Ignored);
    char l_Why[512] = {};
    uint32_t l_Size = sizeof(l_Why);
    if (l_pWhy != nullptr && l_pWhy(l_Why, &l_Size) == 0 && l_Why[0] != '\0') {
        return "the PCI bridge service cannot use it: " + std::string(l_Why);
    }
    return "the PCI bridge service cannot use it: " + std::to_string(l_Status) + " " +
           qxpxi_status_name(l_Status) + ": " + qxpxi_status_meaning(l_Status);
}

}  // namespace nQxPxiInventory
