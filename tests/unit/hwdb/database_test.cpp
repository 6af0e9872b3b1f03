// The description database: kinds, masks, rescans, first file wins, broken files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "config/pxiHardwareDatabase/cChassisDescIni.h"
#include "config/pxiHardwareDatabase/cPxiSvDeviceDbManager.h"
#include "config/pxiHardwareDatabase/cPxieChassisDriverDescIni.h"
#include "hwdbTestSupport.h"
#include "runtime/status/qxStatusCodes.h"

using namespace QX_NS;
using tIdentities = cPxiSvDeviceDbManager::tIdentityList;

namespace {

std::string driverFile(const std::string& a_rVendor, const std::string& a_rModel,
                       const std::string& a_rBridge = "1:1") {
    return "[Chassis]\nVendor=" + a_rVendor + "\nModel=" + a_rModel +
           "\n[RootBusBridges]\nBridge1SubsystemID=" + a_rBridge + "\n";
}

std::string moduleFile(const std::string& a_rStyle, const std::string& a_rVendor,
                       const std::string& a_rModel) {
    return "[ModuleParams]\nModuleStyle=" + a_rStyle + "\n[ModuleId]\nVendor=" + a_rVendor +
           "\nModel=" + a_rModel + "\n[UpstreamPort]\nTraversalMap=up\n";
}

class Database : public ::testing::Test {
protected:
    void SetUp() override {
        tStatusRecord l_Status;
        cPxiSvDeviceDbManager::createInstance(&l_Status);
        ASSERT_EQ(l_Status.code, 0);
        cPxiSvDeviceDbManager::getInstance(&m_pDb, &l_Status);
        ASSERT_EQ(l_Status.code, 0);
    }
    void TearDown() override { cPxiSvDeviceDbManager::destroyInstance(); }

    tIdentities list(uint32_t a_Mask, int64_t a_ExpectedCode = 0) {
        tIdentities l_Identities;
        tStatusRecord l_Status;
        m_pDb->listIdentities(a_Mask, l_Identities, &l_Status);
        EXPECT_EQ(l_Status.code, a_ExpectedCode) << "mask " << a_Mask;
        return l_Identities;
    }
    iPxiDeviceIni* find(uint32_t a_Mask, const char* a_pVendor, const char* a_pModel,
                        int64_t a_ExpectedCode = 0) {
        iPxiDeviceIni* l_pDescription = nullptr;
        tStatusRecord l_Status;
        m_pDb->findDescription(a_Mask, a_pVendor, a_pModel, &l_pDescription, &l_Status);
        EXPECT_EQ(l_Status.code, a_ExpectedCode) << a_pVendor << "/" << a_pModel;
        return l_pDescription;
    }
    static std::string pathOf(const iPxiDeviceIni* a_pDescription) {
        std::string l_Path;
        tStatusRecord l_Status;
        if (a_pDescription != nullptr)
            a_pDescription->getPath(l_Path, &l_Status);
        return l_Path.substr(l_Path.rfind('/') + 1);
    }

    hwdbtest::cInstallTree m_Tree;
    cPxiSvDeviceDbManager* m_pDb = nullptr;
};

}  // namespace

TEST(DatabaseInstance, EveryCallNeedsAManager) {
    cPxiSvDeviceDbManager::destroyInstance();
    cPxiSvDeviceDbManager* l_pDb = nullptr;
    tStatusRecord l_Status;
    cPxiSvDeviceDbManager::getInstance(&l_pDb, &l_Status);
    EXPECT_EQ(l_Status.code, kStatusNotInitialized);
    EXPECT_EQ(l_pDb, nullptr);

    // Creating twice keeps the first manager.
    tStatusRecord l_Created;
    cPxiSvDeviceDbManager::createInstance(&l_Created);
    cPxiSvDeviceDbManager::getInstance(&l_pDb, &l_Created);
    cPxiSvDeviceDbManager* l_pSecond = nullptr;
    cPxiSvDeviceDbManager::createInstance(&l_Created);
    cPxiSvDeviceDbManager::getInstance(&l_pSecond, &l_Created);
    EXPECT_EQ(l_Created.code, 0);
    EXPECT_EQ(l_pDb, l_pSecond);
    cPxiSvDeviceDbManager::destroyInstance();
    cPxiSvDeviceDbManager::destroyInstance();
}

TEST_F(Database, ChassisKindsSplitByStarTriggerTiming) {
    const std::string l_Dir = m_Tree.chassis();
    m_Tree.write(l_Dir, "star.ini",
                 "[Chassis]\nVendor=V\nModel=Star\nStarSystemTimingSetList=1\nTriggerBusList=1\n");
    m_Tree.write(l_Dir, "plain.ini", "[Chassis]\nVendor=V\nModel=Plain\nTriggerBusList=1\n");
    m_Tree.write(l_Dir, "none.ini", "[Chassis]\nVendor=V\nModel=None\nStarSystemTimingSetList=1\n");
    m_Tree.write(l_Dir, "lower.ini", "[Chassis]\nVendor=V\nModel=Lower\ntriggerbuslist=1\n");

    EXPECT_EQ(list(1024), (tIdentities{{"V", "Star"}}));
    EXPECT_EQ(list(2048), (tIdentities{{"V", "Plain"}}));
    // Both kinds: 2048 first.
    EXPECT_EQ(list(3072), (tIdentities{{"V", "Plain"}, {"V", "Star"}}));
    const iPxiDeviceIni* l_pStar = find(3072, "V", "Star");
    ASSERT_NE(l_pStar, nullptr);
    EXPECT_TRUE(dynamic_cast<const cChassisDescIni&>(*l_pStar).hasStarSystemTimingSetList());
    EXPECT_EQ(find(2048, "V", "Star", kStatusDbNotFound), nullptr);
    find(3072, "V", "None", kStatusDbNotFound);
}

TEST_F(Database, SystemModuleMaskListsRemoteBeforeEmbedded) {
    const std::string l_Dir = m_Tree.systemModules();
    m_Tree.write(l_Dir, "1.ini", moduleFile("Embedded", "Zeta", "E1"));
    m_Tree.write(l_Dir, "2.ini", moduleFile("Remote", "Beta", "R2"));
    m_Tree.write(l_Dir, "3.ini", moduleFile("Embedded", "Alpha", "E2"));
    m_Tree.write(l_Dir, "4.ini", moduleFile("Remote", "Beta", "R10"));
    m_Tree.write(l_Dir, "5.ini", moduleFile("Remote", "Alpha", "R1"));
    m_Tree.write(l_Dir, "6.ini", moduleFile("Hybrid", "Alpha", "H1"));
    m_Tree.write(l_Dir, "7.ini", moduleFile("Embedded", "alpha", "E3"));

    // Byte order: upper case before lower case, "R10" before "R2".
    EXPECT_EQ(list(768), (tIdentities{{"Alpha", "R1"},
                                      {"Beta", "R10"},
                                      {"Beta", "R2"},
                                      {"Alpha", "E2"},
                                      {"Zeta", "E1"},
                                      {"alpha", "E3"}}));
    EXPECT_EQ(find(768, "Beta", "R2") != nullptr, true);
    find(256, "Beta", "R2", kStatusDbNotFound);
    find(768, "alpha", "e3", kStatusDbNotFound);
    find(768, "Alpha", "H1", kStatusDbNotFound);
}

TEST_F(Database, FirstFileInNameOrderWins) {
    const std::string l_Dir = m_Tree.chassisDrivers();
    m_Tree.write(l_Dir, "b.ini", driverFile("V", "M", "2:2"));
    m_Tree.write(l_Dir, "a.ini", driverFile("V", "M", "1:1"));
    m_Tree.write(l_Dir, "c.ini", driverFile("V", "Other"));

    EXPECT_EQ(list(16), (tIdentities{{"V", "M"}, {"V", "Other"}}));
    EXPECT_EQ(pathOf(find(16, "V", "M")), "a.ini");
}

TEST_F(Database, BrokenFilesAreSkipped) {
    const std::string l_Dir = m_Tree.chassisDrivers();
    m_Tree.write(l_Dir, "a.ini", driverFile("V", "A"));
    m_Tree.write(l_Dir, "b.ini", "[Chassis]\nVendor=V\n");              // load fails
    m_Tree.write(l_Dir, "c.ini", std::string("\xFF\xFE[\0C\0h\0", 8));  // UTF-16
    m_Tree.write(l_Dir, "d.ini", driverFile("V", "D"));
    m_Tree.makeDirs(l_Dir + "/e.ini");                   // a directory
    m_Tree.write(l_Dir, "f.txt", driverFile("V", "F"));  // not *.ini

    EXPECT_EQ(list(16), (tIdentities{{"V", "A"}, {"V", "D"}}));
}

TEST_F(Database, EmptyOrMissingDirectoryIsAWarning) {
    EXPECT_EQ(list(16, kStatusNoFilesMatched), tIdentities{});
    m_Tree.makeDirs(m_Tree.controllers());
    EXPECT_EQ(list(2, kStatusNoFilesMatched), tIdentities{});
    find(2, "V", "M", kStatusDbNotFound);
}

TEST_F(Database, UnknownKindsAndArguments) {
    list(4, kStatusDbKindInvalid);
    list(16 | 4, kStatusDbKindInvalid);
    find(1, "V", "M", kStatusDbKindInvalid);
    // Nothing asked for: nothing to do.
    EXPECT_EQ(list(0), tIdentities{});
    find(0, "V", "M", kStatusDbNotFound);
    find(16, nullptr, "M", qxapalerr_invalidParameter);

    tStatusRecord l_Status;
    m_pDb->findDescription(16, "V", "M", nullptr, &l_Status);
    EXPECT_EQ(l_Status.code, 0) << "a null output makes find do nothing";
}

TEST_F(Database, RescanOnlyWhenTheDirectoryChanges) {
    const std::string l_Dir = m_Tree.chassisDrivers();
    const std::string l_First = m_Tree.write(l_Dir, "a.ini", driverFile("V", "A"));
    hwdbtest::cInstallTree::setTime(l_Dir, 1000000);
    EXPECT_EQ(list(16), (tIdentities{{"V", "A"}}));

    // Same directory time: no scan, so neither a new file nor a removed one is noticed
    // and no file is read again.
    m_Tree.write(l_Dir, "b.ini", driverFile("V", "B"));
    ASSERT_EQ(unlink(l_First.c_str()), 0);
    hwdbtest::cInstallTree::setTime(l_Dir, 1000000);
    EXPECT_EQ(list(16), (tIdentities{{"V", "A"}}));
    EXPECT_EQ(pathOf(find(16, "V", "A")), "a.ini");

    // A changed directory adds what is new; what was filed stays, even without its file.
    hwdbtest::cInstallTree::setTime(l_Dir, 1000010);
    EXPECT_EQ(list(16), (tIdentities{{"V", "A"}, {"V", "B"}}));

    // Editing a file in place changes nothing that is listed.
    m_Tree.write(l_Dir, "b.ini", driverFile("V", "B2"));
    hwdbtest::cInstallTree::setTime(l_Dir, 1000010);
    EXPECT_EQ(list(16), (tIdentities{{"V", "A"}, {"V", "B"}}));
}

TEST_F(Database, FailedScanIsRetriedOnTheNextCall) {
    // A chassis description without a vendor stops the scan with the identity error.
    const std::string l_Dir = m_Tree.chassis();
    m_Tree.write(l_Dir, "a.ini", "[Chassis]\nModel=M\nTriggerBusList=1\n");
    hwdbtest::cInstallTree::setTime(l_Dir, 2000000);
    list(2048, kStatusIniKeyNotFound);
    list(2048, kStatusIniKeyNotFound);

    // Once the file is mended in place (the directory time stays), the next call must
    // scan again instead of reporting the kind as invalid until the directory changes.
    m_Tree.write(l_Dir, "a.ini", "[Chassis]\nVendor=V\nModel=M\nTriggerBusList=1\n");
    hwdbtest::cInstallTree::setTime(l_Dir, 2000000);
    EXPECT_EQ(list(2048), (tIdentities{{"V", "M"}}));
}

TEST_F(Database, ConcurrentFirstCallsScanOnce) {
    const std::string l_Dir = m_Tree.systemModules();
    for (int i = 0; i < 20; ++i) {
        const std::string l_Name = std::to_string(100 + i);
        m_Tree.write(l_Dir, l_Name + ".ini",
                     moduleFile(i % 2 ? "Remote" : "Embedded", "V", l_Name));
    }
    std::vector<tIdentities> l_Results(4);
    std::vector<const iPxiDeviceIni*> l_Found(4);
    std::vector<std::thread> l_Threads;
    for (size_t t = 0; t < l_Results.size(); ++t) {
        l_Threads.emplace_back([&, t] {
            tStatusRecord l_Status;
            m_pDb->listIdentities(768, l_Results[t], &l_Status);
            iPxiDeviceIni* l_pDescription = nullptr;
            m_pDb->findDescription(768, "V", "119", &l_pDescription, &l_Status);
            l_Found[t] = l_pDescription;
        });
    }
    for (std::thread& l_rThread : l_Threads)
        l_rThread.join();
    for (size_t t = 0; t < l_Results.size(); ++t) {
        EXPECT_EQ(l_Results[t].size(), 20u);
        EXPECT_EQ(l_Results[t], l_Results[0]);
        EXPECT_NE(l_Found[t], nullptr);
        EXPECT_EQ(l_Found[t], l_Found[0]);
    }
}

TEST_F(Database, InstallationDirectoryWithWildcardCharacters) {
    // The directory is searched literally: "[x]" and "*" in its name match only themselves.
    const std::string l_Lib = m_Tree.root() + "/odd[x]*?";
    cPxiFilePathsTestAccess::setDirectory("libdir", l_Lib);
    m_Tree.write(l_Lib + "/qxpxihw/pxiechassis", "a.ini", driverFile("V", "A"));
    m_Tree.write(m_Tree.root() + "/oddxyz/qxpxihw/pxiechassis", "b.ini", driverFile("V", "B"));
    EXPECT_EQ(list(16), (tIdentities{{"V", "A"}}));
}
