// The work of PXISA_SystemModule_SMBusOperation: which adapter a call names, and one
// transaction on it through the SMBus adapter registry. Runs on the caller's thread
// without the cache lock; the registry lock is held only around opening, counting and
// releasing, never during the transaction.
#pragma once

#include <cstdint>
#include <string>

#include "qxpxi/QXPXIeSMu.h"
#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

// Operation codes: the public PXISA_SMBUS_OP_* values under this library's names.
enum : int32_t {
    kSMBusQuick = PXISA_SMBUS_OP_QUICK,
    kSMBusSendByte = PXISA_SMBUS_OP_SEND_BYTE,
    kSMBusReceiveByte = PXISA_SMBUS_OP_RECEIVE_BYTE,
    kSMBusWriteByte = PXISA_SMBUS_OP_WRITE_BYTE,
    kSMBusReadByte = PXISA_SMBUS_OP_READ_BYTE,
    kSMBusWriteWord = PXISA_SMBUS_OP_WRITE_WORD,
    kSMBusReadWord = PXISA_SMBUS_OP_READ_WORD,
    kSMBusProcessCall = PXISA_SMBUS_OP_PROCESS_CALL,
    kSMBusWriteBlock = PXISA_SMBUS_OP_WRITE_BLOCK,
    kSMBusReadBlock = PXISA_SMBUS_OP_READ_BLOCK,
    kSMBusOpen = PXISA_SMBUS_OP_OPEN,
    kSMBusClose = PXISA_SMBUS_OP_CLOSE,
};

// The resource name a call names: the resource text up to its first ";" when that
// contains "QXSMBUS", else the text between the first "(" and the first ")" of the
// module name. False when neither gives one.
bool smbusResourceName(const char* a_pModuleName, const char* a_pResource,
                       std::string& a_rResourceName);

struct tSMBusArguments {
    int32_t operation;
    uint8_t address;
    uint8_t command;
    int32_t pec;  // 1 on, 0 off
    int32_t writeCount;
    const uint8_t* pWriteData;
    int32_t* pReadCount;
    uint8_t* pReadData;
};

// Opens, counts and releases the adapter around the transaction as the operation asks.
void runSMBusOperation(const std::string& a_rResourceName, const tSMBusArguments& a_rArgs,
                       tStatusRecord* a_pStatus);

}  // namespace QX_NS
