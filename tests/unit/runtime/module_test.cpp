// The process-wide mutex, the status-reporting allocation and the module entry object.
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/process/qxAllocate.h"
#include "runtime/process/qxDebugPrint.h"
#include "runtime/process/tFastMutex.h"
#include "runtime/process/tModuleEntry.h"

// Allocation failure is part of what is tested; the sanitizer must report it as null.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

using namespace QX_NS;

bool tryLockFromOtherThread(tFastMutex& a_rMutex) {
    int l_Result = -1;
    std::thread l_Other([&] {
        l_Result = pthread_mutex_trylock(&a_rMutex.mutex);
        if (l_Result == 0)
            pthread_mutex_unlock(&a_rMutex.mutex);
    });
    l_Other.join();
    return l_Result == 0;
}

TEST(FastMutex, RecursiveOnOneThreadExclusiveAcrossThreads) {
    tStatusRecord l_Status;
    tFastMutex l_Mutex;
    createFastMutex(l_Mutex, &l_Status);
    ASSERT_EQ(l_Status.code, 0);
    ASSERT_TRUE(l_Mutex.initialised);
    {
        tFastMutexLock l_Outer(l_Mutex);
        tFastMutexLock l_Inner(l_Mutex);  // must not deadlock
        EXPECT_FALSE(tryLockFromOtherThread(l_Mutex));
    }
    EXPECT_TRUE(tryLockFromOtherThread(l_Mutex));
    destroyFastMutex(l_Mutex);
    EXPECT_FALSE(l_Mutex.initialised);
    destroyFastMutex(l_Mutex);  // a second destroy does nothing
}

TEST(FastMutex, ErrorStatusLeavesItUninitialisedAndHarmless) {
    tStatusRecord l_Status;
    l_Status.set(-52005, "qxtest", "earlier.cpp", 1);
    tFastMutex l_Mutex;
    createFastMutex(l_Mutex, &l_Status);
    EXPECT_FALSE(l_Mutex.initialised);
    EXPECT_EQ(l_Status.code, -52005);
    EXPECT_STREQ(l_Status.file, "earlier.cpp");
    tFastMutexLock l_Lock(l_Mutex);  // lock and unlock of an uninitialised mutex do nothing
}

TEST(FastMutex, GuardsACounterAcrossThreads) {
    tStatusRecord l_Status;
    tFastMutex l_Mutex;
    createFastMutex(l_Mutex, &l_Status);
    int l_Counter = 0;
    std::vector<std::thread> l_Threads;
    for (int t = 0; t < 4; ++t) {
        l_Threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                tFastMutexLock l_Lock(l_Mutex);
                tFastMutexLock l_Again(l_Mutex);
                ++l_Counter;
            }
        });
    }
    for (std::thread& l_rThread : l_Threads)
        l_rThread.join();
    EXPECT_EQ(l_Counter, 40000);
    destroyFastMutex(l_Mutex);
}

TEST(Allocate, ReportsExhaustionAndSkipsOnError) {
    using tAllocate = void* (*)(size_t, tStatusRecord*);
    using tRelease = void (*)(void*);
    struct tCase {
        const char* name;
        tAllocate allocate;
        tRelease release;
    };
    volatile size_t l_Huge = SIZE_MAX - 4096;
    for (const tCase& l_rCase : {tCase{"array", allocateArray, releaseArray},
                                 tCase{"object", allocateObject, releaseObject}}) {
        tStatusRecord l_Status;
        void* l_p = l_rCase.allocate(64, &l_Status);
        ASSERT_NE(l_p, nullptr) << l_rCase.name;
        l_rCase.release(l_p);
        EXPECT_EQ(l_Status.code, 0);

        EXPECT_EQ(l_rCase.allocate(l_Huge, &l_Status), nullptr) << l_rCase.name;
        EXPECT_EQ(l_Status.code, -52000) << l_rCase.name;
        EXPECT_NE(std::string(l_Status.file).find("qxAllocate"), std::string::npos);
        EXPECT_STREQ(l_Status.component, "qxtest");

        // Once in error nothing is allocated and the first error stays.
        tStatusRecord l_Failed;
        l_Failed.set(-52005, "qxtest", "earlier.cpp", 3);
        EXPECT_EQ(l_rCase.allocate(16, &l_Failed), nullptr) << l_rCase.name;
        EXPECT_EQ(l_Failed.code, -52005);
        EXPECT_STREQ(l_Failed.file, "earlier.cpp");
    }
    releaseArray(nullptr);
    releaseObject(nullptr);
}

std::vector<int> g_Reasons;
bool g_HookResult = true;
bool recordingHook(int a_Reason) {
    g_Reasons.push_back(a_Reason);
    return g_HookResult;
}

TEST(ModuleEntry, AttachesAtConstructionAndDetachesAtDestruction) {
    g_Reasons.clear();
    g_HookResult = true;
    {
        tModuleEntry l_Entry(recordingHook, "entry.cpp", 5);
        EXPECT_TRUE(l_Entry.isAttached());
        EXPECT_EQ(g_Reasons, std::vector<int>{kModuleAttach});
    }
    EXPECT_EQ(g_Reasons, (std::vector<int>{kModuleAttach, kModuleDetach}));
}

// Runs a failing attach in a child process; returns what it wrote to standard error and
// how it ended.
struct tChildOutcome {
    std::string stderrText;
    int waitStatus = 0;
};

tChildOutcome attachFailingInChild() {
    int l_Pipe[2];
    tChildOutcome l_Outcome;
    if (pipe(l_Pipe) != 0)
        return l_Outcome;
    const pid_t l_Child = fork();
    if (l_Child == 0) {
        dup2(l_Pipe[1], STDERR_FILENO);
        close(l_Pipe[0]);
        close(l_Pipe[1]);
        g_HookResult = false;
        tModuleEntry l_Entry(recordingHook, "entry.cpp", 12);
        // Reaching this line means the process was not stopped.
        _exit(0);
    }
    close(l_Pipe[1]);
    char l_Buffer[512];
    ssize_t l_Read = 0;
    while ((l_Read = read(l_Pipe[0], l_Buffer, sizeof l_Buffer)) > 0) {
        l_Outcome.stderrText.append(l_Buffer, static_cast<size_t>(l_Read));
    }
    close(l_Pipe[0]);
    waitpid(l_Child, &l_Outcome.waitStatus, 0);
    return l_Outcome;
}

TEST(ModuleEntry, FailedAttachWritesTheFatalLinesAndStopsTheProcess) {
    const tChildOutcome l_Outcome = attachFailingInChild();
    EXPECT_EQ(l_Outcome.stderrText,
              "[qxtest|entry.cpp|12] !!ASSERT!!\n"
              "Main failed during process attach request.  Module not loaded. No choice but to "
              "halt the process.\n");
    EXPECT_TRUE(WIFSIGNALED(l_Outcome.waitStatus)) << "exit status " << l_Outcome.waitStatus;
}

TEST(ModuleEntry, FailedAttachUsesTheHaltHookAndNeverDetaches) {
    struct tRestore {
        tDebugPrintHooks saved = debugPrintHooks();
        ~tRestore() { debugPrintHooks() = saved; }
    } l_Restore;
    static std::string s_Halted;
    s_Halted.clear();
    debugPrintHooks().output = [](const char*) {};
    debugPrintHooks().halt = [](const char* a_pReason) { s_Halted = a_pReason; };
    g_Reasons.clear();
    g_HookResult = false;
    {
        tModuleEntry l_Entry(recordingHook, "entry.cpp", 1);
        EXPECT_FALSE(l_Entry.isAttached());
    }
    EXPECT_EQ(s_Halted, "ASSERT");
    EXPECT_EQ(g_Reasons, std::vector<int>{kModuleAttach});
    g_HookResult = true;
}

}  // namespace
