// The Linux services of the build tree (build/services-linux), loaded by path and
// looked up typed, and the recordings of real machines the tests run them on.
#pragma once

#include <string>
#include <vector>

#include "qxpxi/services/qxcntdrv.h"
#include "qxpxi/services/qxpcibrd.h"
#include "qxpxi/services/qxpcibrd_linux.h"
#include "qxpxi/services/qxrelocations.h"
#include "qxpxi/services/qxsmbus.h"
#include "qxpxi/services/qxsmbus_linux.h"
#include "tests/support/qxTestSupport.h"

namespace qxlinuxtest {

// build/services-linux/<file>.
std::string linuxService(const std::string& a_rFile);
// The test build of the SMBus service, whose i2c-dev calls go to a fake (fakei2c/).
std::string fakeSmBusService();
// tests/data/realworld/<relative>.
std::string realworld(const std::string& a_rRelative);
// The four recorded topologies, by file name.
std::vector<std::string> recordedTopologies();

#define QXLINUX_BIND(name) decltype(::name)* name = m_Lib.require<decltype(::name)>(#name)

struct tPciBrd {
    qxtest::cHostLibrary m_Lib{linuxService("libqxpcibrd.so.1")};
    QXLINUX_BIND(QxPciBrd_OpenSession);
    QXLINUX_BIND(QxPciBrd_CloseSession);
    QXLINUX_BIND(QxPciBrd_FindBridgesByPciIds);
    QXLINUX_BIND(QxPciBrd_FindBridgeByAddress);
    QXLINUX_BIND(QxPciBrd_FindBridgeBySlotPath);
    QXLINUX_BIND(QxPciBrd_FindParentBridgeForBus);
    QXLINUX_BIND(QxPciBrd_GetBridgeParent);
    QXLINUX_BIND(QxPciBrd_GetBridgeChildren);
    QXLINUX_BIND(QxPciBrd_GetBusChildren);
    QXLINUX_BIND(QxPciBrd_GetRootBuses);
    QXLINUX_BIND(QxPciBrd_GetBridgeAddress);
    QXLINUX_BIND(QxPciBrd_GetBridgeSlotPath);
    QXLINUX_BIND(QxPciBrd_GetBridgeIds);
    QXLINUX_BIND(QxPciBrd_SetAttributeU32);
    QXLINUX_BIND(QxPciBrd_GetAttributeU32);
    QXLINUX_BIND(QxPciBrd_OpenBridge);
    QXLINUX_BIND(QxPciBrd_CloseBridge);
    QXLINUX_BIND(QxPciBrd_EepromUpdate);
    QXLINUX_BIND(QxPciBrd_GetOmittedBridgeCount);
    QXLINUX_BIND(QxPciBrd_GetLastError);
};

struct tSmBus {
    explicit tSmBus(const std::string& a_rPath) : m_Lib(a_rPath) {}
    qxtest::cHostLibrary m_Lib;
    QXLINUX_BIND(QXSMBusOpen);
    QXLINUX_BIND(QXSMBusClose);
    QXLINUX_BIND(QXSMBusGetAttribute);
    QXLINUX_BIND(QXSMBusSetAttribute);
    QXLINUX_BIND(QXSMBusQuickWrite);
    QXLINUX_BIND(QXSMBusQuickRead);
    QXLINUX_BIND(QXSMBusSendByte);
    QXLINUX_BIND(QXSMBusReceiveByte);
    QXLINUX_BIND(QXSMBusWriteByte);
    QXLINUX_BIND(QXSMBusReadByte);
    QXLINUX_BIND(QXSMBusWriteWord);
    QXLINUX_BIND(QXSMBusReadWord);
    QXLINUX_BIND(QXSMBusProcessCall);
    QXLINUX_BIND(QXSMBusWriteBlock);
    QXLINUX_BIND(QXSMBusReadBlock);
    QXLINUX_BIND(QXSMBusGetChassisEEPROM);
    QXLINUX_BIND(QXSMBusReadI2CEEPROM);
    QXLINUX_BIND(QXSMBusWriteFirmware);
    QXLINUX_BIND(QXSMBusOpenList);
    QXLINUX_BIND(QXSMBusCloseList);
};

#undef QXLINUX_BIND

}  // namespace qxlinuxtest
