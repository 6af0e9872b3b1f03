#include "sysmodule/smbusOperation.h"

#include <cstring>

#include "sysmodule/cSMBusAdapterRegistry.h"

namespace QX_NS {

namespace {

bool hasWrite(const tSMBusArguments& a_rArgs, int32_t a_Count) {
    return a_rArgs.pWriteData != nullptr && a_rArgs.writeCount == a_Count;
}

bool hasRead(const tSMBusArguments& a_rArgs) {
    return a_rArgs.pReadData != nullptr && a_rArgs.pReadCount != nullptr;
}

uint16_t wordOf(const uint8_t* a_pData) {
    uint16_t l_Word = 0;
    memcpy(&l_Word, a_pData, sizeof l_Word);  // host byte order, any alignment
    return l_Word;
}

void putWord(uint16_t a_Word, uint8_t* a_pData) {
    memcpy(a_pData, &a_Word, sizeof a_Word);
}

// One transaction; an argument that the operation needs and lacks reports -52005.
void transact(iSMBusWrapper& a_rAdapter, const tSMBusArguments& a_rArgs, tStatusRecord* a_pStatus) {
    const uint8_t l_Address = a_rArgs.address;
    const uint8_t l_Command = a_rArgs.command;
    const int32_t l_Pec = a_rArgs.pec;
    switch (a_rArgs.operation) {
        case kSMBusQuick:
            if (l_Address & 1)
                a_rAdapter.QuickRead(l_Address, a_pStatus);
            else
                a_rAdapter.QuickWrite(l_Address, a_pStatus);
            return;
        case kSMBusSendByte:
            if (!hasWrite(a_rArgs, 1))
                break;
            a_rAdapter.SendByte(l_Address, a_rArgs.pWriteData[0], l_Pec, a_pStatus);
            return;
        case kSMBusReceiveByte:
            if (!hasRead(a_rArgs))
                break;
            a_rAdapter.ReceiveByte(l_Address, l_Pec, a_rArgs.pReadData, a_pStatus);
            return;
        case kSMBusWriteByte:
            if (!hasWrite(a_rArgs, 1))
                break;
            a_rAdapter.WriteByte(l_Address, l_Command, a_rArgs.pWriteData[0], l_Pec, a_pStatus);
            return;
        case kSMBusReadByte:
            if (!hasRead(a_rArgs))
                break;
            a_rAdapter.ReadByte(l_Address, l_Command, l_Pec, a_rArgs.pReadData, a_pStatus);
            return;
        case kSMBusWriteWord:
            if (!hasWrite(a_rArgs, 2))
                break;
            a_rAdapter.WriteWord(l_Address, l_Command, wordOf(a_rArgs.pWriteData), l_Pec,
                                 a_pStatus);
            return;
        case kSMBusReadWord: {
            if (!hasRead(a_rArgs))
                break;
            uint16_t l_Word = 0;
            a_rAdapter.ReadWord(l_Address, l_Command, l_Pec, &l_Word, a_pStatus);
            if (!a_pStatus->isError())
                putWord(l_Word, a_rArgs.pReadData);
            return;
        }
        case kSMBusProcessCall: {
            if (!hasWrite(a_rArgs, 2) || !hasRead(a_rArgs))
                break;
            uint16_t l_Result = 0;
            a_rAdapter.ProcessCall(l_Address, l_Command, wordOf(a_rArgs.pWriteData), l_Pec,
                                   &l_Result, a_pStatus);
            if (!a_pStatus->isError())
                putWord(l_Result, a_rArgs.pReadData);
            return;
        }
        case kSMBusWriteBlock:
            // A block holds 0 to 255 bytes; the count is not cut to a byte behind the
            // caller's back.
            if (a_rArgs.pWriteData == nullptr || a_rArgs.writeCount < 0 || a_rArgs.writeCount > 255)
                break;
            a_rAdapter.WriteBlock(l_Address, l_Command, static_cast<uint8_t>(a_rArgs.writeCount),
                                  a_rArgs.pWriteData, l_Pec, a_pStatus);
            return;
        case kSMBusReadBlock: {
            if (!hasRead(a_rArgs))
                break;
            // The adapter needs 256 bytes of room; the caller receives only the bytes read.
            uint8_t l_Block[256] = {};
            uint8_t l_Count = 0;
            a_rAdapter.ReadBlock(l_Address, l_Command, l_Pec, &l_Count, l_Block, a_pStatus);
            if (!a_pStatus->isError()) {
                memcpy(a_rArgs.pReadData, l_Block, l_Count);
                *a_rArgs.pReadCount = l_Count;
            }
            return;
        }
        default:
            QX_SET_STATUS_P(a_pStatus, qxapalerr_featureUnsupported);
            return;
    }
    QX_SET_STATUS_P(a_pStatus, qxapalerr_invalidParameter);
}

}  // namespace

bool smbusResourceName(const char* a_pModuleName, const char* a_pResource,
                       std::string& a_rResourceName) {
    const char* l_pCut = strchr(a_pResource, ';');
    const std::string l_Resource(a_pResource, l_pCut != nullptr
                                                  ? static_cast<size_t>(l_pCut - a_pResource)
                                                  : strlen(a_pResource));
    if (l_Resource.find("QXSMBUS") != std::string::npos) {
        a_rResourceName = l_Resource;
        return true;
    }
    const char* l_pOpen = strchr(a_pModuleName, '(');
    const char* l_pClose = strchr(a_pModuleName, ')');
    if (l_pOpen == nullptr || l_pClose == nullptr || l_pClose < l_pOpen)
        return false;
    a_rResourceName.assign(l_pOpen + 1, l_pClose);
    return true;
}

void runSMBusOperation(const std::string& a_rResourceName, const tSMBusArguments& a_rArgs,
                       tStatusRecord* a_pStatus) {
    cSMBusAdapterRegistry& l_rRegistry = smbusAdapterRegistry();
    if (l_rRegistry.lockStatus().isError()) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
        return;
    }
    if (a_rArgs.operation == kSMBusClose) {
        l_rRegistry.release(a_rResourceName, a_pStatus);
        return;
    }
    const bool l_Transaction = a_rArgs.operation != kSMBusOpen;
    const cSMBusAdapterRegistry::tLeasePtr l_Lease =
        l_rRegistry.acquire(a_rResourceName, l_Transaction, a_pStatus);
    if (a_pStatus->isError() || !l_Transaction)
        return;
    if (!l_Lease) {
        QX_SET_STATUS_P(a_pStatus, qxapalerr_softwareFaultAPALInternalUseOnly);
    } else {
        // No lock held here: other transactions, on this adapter or others, run meanwhile.
        transact(l_Lease->adapter(), a_rArgs, a_pStatus);
    }
    tStatusRecord l_Release;
    l_rRegistry.release(a_rResourceName, &l_Release);
    a_pStatus->merge(l_Release);
}

}  // namespace QX_NS
