// Replay driver for fuzz targets built without libFuzzer: runs LLVMFuzzerTestOneInput
// once on every file named on the command line, or on every file of a named directory.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* a_pData, size_t a_Size);

namespace {

int replayFile(const std::string& a_rPath) {
    std::ifstream l_In(a_rPath, std::ios::binary);
    if (!l_In) {
        std::fprintf(stderr, "cannot read %s\n", a_rPath.c_str());
        return 1;
    }
    std::vector<uint8_t> l_Data((std::istreambuf_iterator<char>(l_In)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(l_Data.empty() ? nullptr : l_Data.data(), l_Data.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int l_Failures = 0;
    int l_Count = 0;
    for (int i = 1; i < argc; ++i) {
        struct stat l_Stat;
        if (stat(argv[i], &l_Stat) == 0 && S_ISDIR(l_Stat.st_mode)) {
            DIR* l_pDir = opendir(argv[i]);
            if (l_pDir == nullptr) {
                ++l_Failures;
                continue;
            }
            while (dirent* l_pEntry = readdir(l_pDir)) {
                const std::string l_Name = l_pEntry->d_name;
                if (l_Name == "." || l_Name == "..") continue;
                l_Failures += replayFile(std::string(argv[i]) + "/" + l_Name);
                ++l_Count;
            }
            closedir(l_pDir);
        } else {
            l_Failures += replayFile(argv[i]);
            ++l_Count;
        }
    }
    std::printf("replayed %d inputs\n", l_Count);
    return l_Failures == 0 ? 0 : 1;
}
