// Loading the library: a cache that cannot be built stops the process with the fatal
// attach message, since the library cannot work half-built.
#include <cstdlib>
#include <string>

#include <gmock/gmock.h>

#include "tests/host/chassis/chassisHost.h"

namespace chassistest {
namespace {

TEST(cChassisAttach, CacheWithoutItsMutexStopsTheProcess) {
    if (!qxtest::isChild()) {
        const char* l_pAsan = std::getenv("ASAN_OPTIONS");
        const qxtest::tChildResult l_Child = qxtest::rerunInFreshProcess(
            {{"LD_PRELOAD", qxtest::buildDir() + "/tests/lib/libqx_failpimutex.so"},
             // The preloaded library comes before the sanitizer runtime in the load order.
             {"ASAN_OPTIONS",
              std::string(l_pAsan != nullptr ? l_pAsan : "") + ":verify_asan_link_order=0"}});
        EXPECT_FALSE(l_Child.exited) << "exit code " << l_Child.exitCode << "\n" << l_Child.stdOut;
        EXPECT_NE(l_Child.signal, 0);
        EXPECT_THAT(l_Child.stdErr, ::testing::HasSubstr("[QXPXIeCDu|"));
        EXPECT_THAT(l_Child.stdErr, ::testing::HasSubstr("chassisModule.cpp|"));
        EXPECT_THAT(l_Child.stdErr, ::testing::HasSubstr("!!ASSERT!!\n"));
        EXPECT_THAT(l_Child.stdErr,
                    ::testing::HasSubstr("Main failed during process attach request.  Module not "
                                         "loaded. No choice but to halt the process.\n"));
        return;
    }
    qxtest::cHostLibrary l_Library("libQXPXIeCDu.so");
    // Reached only when loading went through: the parent then sees a normal exit.
}

}  // namespace
}  // namespace chassistest
