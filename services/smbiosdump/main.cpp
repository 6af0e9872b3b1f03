// qxsim-smbios-dump [--machine FILE] OUTPUT
//
// Writes the SMBIOS dump file of a simulated machine (by default the machine the
// stand-in services serve: QXPXI_SIM_MACHINE, else the bundled example) to OUTPUT.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "services/common/cMachine.h"
#include "services/common/machineStore.h"
#include "services/smbiosdump/smbiosDump.h"
#include "services/smbiosdump/smbiosTable.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: qxsim-smbios-dump [--machine FILE] OUTPUT\n");
    return 2;
}

}  // namespace

int main(int a_Argc, char** a_pArgv) {
    std::string l_Machine = nQxSim::machinePath();
    std::string l_Output;
    for (int l_Index = 1; l_Index < a_Argc; ++l_Index) {
        if (std::strcmp(a_pArgv[l_Index], "--machine") == 0 && l_Index + 1 < a_Argc) {
            l_Machine = a_pArgv[++l_Index];
        } else if (a_pArgv[l_Index][0] == '-' || !l_Output.empty()) {
            return usage();
        } else {
            l_Output = a_pArgv[l_Index];
        }
    }
    if (l_Output.empty()) {
        return usage();
    }
    try {
        std::ifstream l_File(l_Machine, std::ios::binary);
        if (!l_File) {
            std::fprintf(stderr, "qxsim: machine file %s: cannot be read\n", l_Machine.c_str());
            return 1;
        }
        std::ostringstream l_Text;
        l_Text << l_File.rdbuf();
        const auto l_pMachine = nQxSim::cMachine::parse(l_Text.str(), l_Machine);
        const std::vector<uint8_t> l_Dump = nQxSim::buildSmbiosDump(l_pMachine->m_Smbios);
        try {
            nQxSim::writeFileAtomically(l_Output, l_Dump, nQxSim::eLink::kRefuse);
        } catch (const std::exception& l_rError) {
            std::fprintf(stderr, "qxsim-smbios-dump: %s\n", l_rError.what());
            return 1;
        }
    } catch (const std::exception& l_rError) {
        std::fprintf(stderr, "qxsim: machine file %s: %s\n", l_Machine.c_str(), l_rError.what());
        return 1;
    }
    return 0;
}
