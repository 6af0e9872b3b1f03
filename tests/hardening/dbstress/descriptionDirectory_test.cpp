// Description directories under stress, seen through the chassis library (its chassis
// driver descriptions live in one directory; PXISA_Chassis_GetCount answers status 0 for
// an identity the database knows and -313331 for one it does not). The database rescans a
// directory when its modification time (in seconds) changes, and a rescan only adds:
// descriptions filed once keep answering, so nothing valid is ever lost, and a file
// edited to another identity adds that identity. The tests move the directory's time on explicitly,
// so that a change is visible without waiting for the clock.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "qxpxi/QXPXIeCDu.h"
#include "tests/support/qxTestSupport.h"

namespace {

constexpr int32_t kKnown = 0;
constexpr int32_t kUnknown = -313331;  // no chassis driver description of that identity
constexpr const char* kVendor = "Stress";

std::string description(const std::string& a_rModel) {
    return "[Chassis]\nVendor=" + std::string(kVendor) + "\nModel=" + a_rModel +
           "\n[RootBusBridges]\nBridge1SubsystemID=1093:7A10\n";
}

class DescriptionDirectory : public ::testing::Test {
protected:
    DescriptionDirectory()
        : m_Machine(nlohmann::json{{"pci", {{"bridges", nlohmann::json::array()}}}}),
          m_Directory(m_Machine.libDir() + "/qxpxihw/pxiechassis") {
        m_Machine.writeChassisDriverDescription("seed.ini", description("Seed"));
    }

    int32_t status(const std::string& a_rModel) {
        uint32_t l_Count = 99;
        return m_GetCount(kVendor, a_rModel.c_str(), &l_Count);
    }
    std::string write(const std::string& a_rFile, const std::string& a_rModel) {
        return m_Machine.writeChassisDriverDescription(a_rFile, description(a_rModel));
    }
    std::string path(const std::string& a_rFile) const { return m_Directory + "/" + a_rFile; }
    // Moves the directory's modification time one second on from what it was.
    void touchDirectory() {
        struct stat l_Stat {};
        ASSERT_EQ(stat(m_Directory.c_str(), &l_Stat), 0);
        m_Time = std::max<time_t>(m_Time, l_Stat.st_mtime) + 1;
        const timespec l_Times[2] = {{m_Time, 0}, {m_Time, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, m_Directory.c_str(), l_Times, 0), 0);
    }

    qxtest::cSimMachine m_Machine;
    const std::string m_Directory;
    time_t m_Time = 0;
    qxtest::cHostLibrary m_Lib{"libQXPXIeCDu.so"};
    decltype(&PXISA_Chassis_GetCount) m_GetCount =
        m_Lib.require<decltype(PXISA_Chassis_GetCount)>("PXISA_Chassis_GetCount");
};

TEST_F(DescriptionDirectory, ThousandsOfFilesAreAllFound) {
    constexpr int kFiles = 3000;
    for (int l_Index = 0; l_Index < kFiles; ++l_Index)
        write("m" + std::to_string(l_Index) + ".ini", "M" + std::to_string(l_Index));
    for (int l_Index : {0, 1, kFiles / 2, kFiles - 1})
        EXPECT_EQ(status("M" + std::to_string(l_Index)), kKnown) << l_Index;
    EXPECT_EQ(status("M" + std::to_string(kFiles)), kUnknown);
}

TEST_F(DescriptionDirectory, ChangesBetweenCallsShowOnceTheDirectoryTimeMoves) {
    write("a.ini", "A");
    write("b.ini", "B");
    write("c.ini", "C");
    ASSERT_EQ(status("A"), kKnown);

    // Added: unknown until the directory's time says so, then known.
    write("d.ini", "D");
    touchDirectory();
    EXPECT_EQ(status("D"), kKnown);
    // Made unreadable (a directory now stands where the file was), replaced by a file of
    // another identity (renamed over it), and edited in place to another identity: what
    // was filed stays, and the new identities are added.
    ASSERT_EQ(unlink(path("a.ini").c_str()), 0);
    ASSERT_EQ(mkdir(path("a.ini").c_str(), 0755), 0);
    const std::string l_New = write("new.tmp", "B2");
    ASSERT_EQ(rename(l_New.c_str(), path("b.ini").c_str()), 0);
    write("c.ini", "C-edited");
    touchDirectory();
    EXPECT_EQ(status("A"), kKnown);
    EXPECT_EQ(status("B"), kKnown);
    EXPECT_EQ(status("B2"), kKnown);
    EXPECT_EQ(status("C"), kKnown);
    EXPECT_EQ(status("C-edited"), kKnown);
    EXPECT_EQ(status("E"), kUnknown);
    EXPECT_EQ(status("D"), kKnown);
}

TEST_F(DescriptionDirectory, LinkLoopsAndOddEntriesAreSkipped) {
    write("good.ini", "Good");
    ASSERT_EQ(symlink("self.ini", path("self.ini").c_str()), 0);
    ASSERT_EQ(symlink("pong.ini", path("ping.ini").c_str()), 0);
    ASSERT_EQ(symlink("ping.ini", path("pong.ini").c_str()), 0);
    ASSERT_EQ(symlink(".", path("here.ini").c_str()), 0);  // the directory itself
    ASSERT_EQ(symlink("nowhere", path("dangling.ini").c_str()), 0);
    ASSERT_EQ(symlink("good.ini", path("alias.ini").c_str()), 0);  // same identity again
    EXPECT_EQ(status("Good"), kKnown);
    EXPECT_EQ(status("Seed"), kKnown);
}

TEST_F(DescriptionDirectory, ChangesDuringRescansLoseNothingValid) {
    // One thread keeps adding, replacing and breaking files and moving the directory's
    // time, while this one rescans; a file grows while it is read. Afterwards every
    // identity whose file is there answers.
    constexpr int kRounds = 150;
    std::atomic<bool> l_Done{false};
    std::thread l_Changer([&] {
        for (int l_Round = 0; l_Round < kRounds; ++l_Round) {
            write("r" + std::to_string(l_Round) + ".ini", "R" + std::to_string(l_Round));
            const std::string l_Tmp = write("swap.tmp", "S" + std::to_string(l_Round));
            rename(l_Tmp.c_str(), path("swap.ini").c_str());
            // Broken for a moment: truncated, then written again.
            const int l_Fd = open(path("r0.ini").c_str(), O_WRONLY | O_TRUNC);
            if (l_Fd >= 0)
                close(l_Fd);
            write("r0.ini", "R0");
            touchDirectory();
        }
        l_Done = true;
    });
    std::thread l_Grower([&] {
        // Valid identity first, then ever more keys while the readers read it.
        const int l_Fd = open(path("grow.ini").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (l_Fd < 0)
            return;
        const std::string l_Head = description("Grow");
        (void)!::write(l_Fd, l_Head.data(), l_Head.size());
        for (int l_Key = 0; !l_Done; ++l_Key) {
            const std::string l_Line =
                "Extra" + std::to_string(l_Key) + "=" + std::string(64, 'x') + "\n";
            (void)!::write(l_Fd, l_Line.data(), l_Line.size());
            if (l_Key % 256 == 0)
                std::this_thread::yield();
        }
        close(l_Fd);
    });
    int l_Calls = 0;
    while (!l_Done) {
        const int32_t l_Status = status("R0");
        EXPECT_TRUE(l_Status == kKnown || l_Status == kUnknown) << l_Status;
        ++l_Calls;
    }
    l_Changer.join();
    l_Grower.join();
    touchDirectory();
    // Every file still there answers (swap.ini holds the last of its identities; the
    // earlier ones answer only if a rescan happened to see them).
    for (int l_Round = 0; l_Round < kRounds; ++l_Round)
        EXPECT_EQ(status("R" + std::to_string(l_Round)), kKnown) << l_Round;
    EXPECT_EQ(status("S" + std::to_string(kRounds - 1)), kKnown);
    EXPECT_EQ(status("Grow"), kKnown);
    EXPECT_EQ(status("Seed"), kKnown);
    EXPECT_GT(l_Calls, 0);
}

}  // namespace
