// The work of PXISA_SystemModule_SMBusOperation: which adapter a call names, and one
// transaction on it through the SMBus adapter registry. Runs on the caller's thread
// without the cache lock; the registry lock is held only around opening, counting and
// releasing, never during the transaction.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/qxns.h"
#include "runtime/status/tStatusRecord.h"

namespace QX_NS {

// Operation codes.
enum : int32_t {
    kSMBusQuick = 0,
    kSMBusSendByte = 1,
    kSMBusReceiveByte = 2,
    kSMBusWriteByte = 3,
    kSMBusReadByte = 4,
    kSMBusWriteWord = 5,
    kSMBusReadWord = 6,
    kSMBusProcessCall = 7,
    kSMBusWriteBlock = 8,
    kSMBusReadBlock = 9,
    kSMBusOpen = 10,
    kSMBusClose = 11,
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
