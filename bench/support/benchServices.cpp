#include "bench/support/benchServices.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

// The build directory's folder of services the benchmark runs on.
#ifndef QX_BENCH_SERVICES
#define QX_BENCH_SERVICES "services"
#endif

namespace qxbench {

namespace {

struct tServicePath {
    tServicePath() {
        const std::string l_Services = std::string(QX_BUILD_DIR) + "/" + QX_BENCH_SERVICES;
        const char* l_pPath = std::getenv("LD_LIBRARY_PATH");
        if (l_pPath != nullptr && std::string(l_pPath).find(l_Services) != std::string::npos)
            return;
        setenv("LD_LIBRARY_PATH",
               (l_Services + (l_pPath != nullptr ? ":" + std::string(l_pPath) : "")).c_str(), 1);
        std::ifstream l_CmdLine("/proc/self/cmdline", std::ios::binary);
        std::vector<std::string> l_Args;
        for (std::string l_Arg; std::getline(l_CmdLine, l_Arg, '\0');)
            l_Args.push_back(l_Arg);
        std::vector<char*> l_Argv;
        for (std::string& l_Arg : l_Args)
            l_Argv.push_back(&l_Arg[0]);
        l_Argv.push_back(nullptr);
        execv("/proc/self/exe", l_Argv.data());
        std::perror("execv");
    }
} g_ServicePath;

}  // namespace

void writeFile(const std::string& a_rPath, const std::string& a_rText) {
    std::ofstream l_Out(a_rPath);
    l_Out << a_rText;
    if (!l_Out)
        throw std::runtime_error("cannot write " + a_rPath);
}

}  // namespace qxbench
