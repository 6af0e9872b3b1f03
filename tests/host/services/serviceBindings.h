// The stand-in services loaded by file name, their functions looked up typed.
#pragma once

#include "qxpxi/services/qxcntdrv.h"
#include "qxpxi/services/qxrelocations.h"
#include "qxpxi/services/qxsmbus.h"
#include "tests/support/qxTestSupport.h"

namespace qxsimtest {

#define QXSIM_BIND(name) decltype(::name)* name = m_Lib.require<decltype(::name)>(#name)

struct tCntDrv {
    qxtest::cHostLibrary m_Lib{"libqxcntdrv.so.1"};
    QXSIM_BIND(QXCNTDRV_openController);
    QXSIM_BIND(QXCNTDRV_closeController);
    QXSIM_BIND(QXCNTDRV_getAttributeUTF8);
    QXSIM_BIND(QXCNTDRV_getAttributeU32);
    QXSIM_BIND(QXCNTDRV_getAttributeI32);
    QXSIM_BIND(QXCNTDRV_getAttributeDBL);
    QXSIM_BIND(QXCNTDRV_setAttributeUTF8);
};

struct tSmBus {
    qxtest::cHostLibrary m_Lib{"libqxsmbus.so.2"};
    QXSIM_BIND(QXSMBusOpen);
    QXSIM_BIND(QXSMBusClose);
    QXSIM_BIND(QXSMBusGetAttribute);
    QXSIM_BIND(QXSMBusSetAttribute);
    QXSIM_BIND(QXSMBusQuickWrite);
    QXSIM_BIND(QXSMBusQuickRead);
    QXSIM_BIND(QXSMBusSendByte);
    QXSIM_BIND(QXSMBusReceiveByte);
    QXSIM_BIND(QXSMBusWriteByte);
    QXSIM_BIND(QXSMBusReadByte);
    QXSIM_BIND(QXSMBusWriteWord);
    QXSIM_BIND(QXSMBusReadWord);
    QXSIM_BIND(QXSMBusProcessCall);
    QXSIM_BIND(QXSMBusWriteBlock);
    QXSIM_BIND(QXSMBusReadBlock);
    QXSIM_BIND(QXSMBusGetChassisEEPROM);
    QXSIM_BIND(QXSMBusReadI2CEEPROM);
    QXSIM_BIND(QXSMBusOpenList);
    QXSIM_BIND(QXSMBusCloseList);
};

struct tRelocations {
    qxtest::cHostLibrary m_Lib{"libqxrelocations.so.0"};
    QXSIM_BIND(get_relocated_dir);
};

#undef QXSIM_BIND

}  // namespace qxsimtest
