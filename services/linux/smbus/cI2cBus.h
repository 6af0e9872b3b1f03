// One session's way to its adapter: the device node, opened at the first transaction
// and kept until the session closes (or the adapter goes away under it), and the SMBus
// transactions of the contract, each one I2C_SMBUS ioctl. Calls on one session are
// serialised, so the slave address and PEC setting stay with the transaction they were
// set for. The last failure is kept per calling thread.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "services/linux/smbus/i2cAdapters.h"

namespace nQxLinux {

class cI2cBus {
public:
    explicit cI2cBus(tI2cAdapter a_Adapter);
    ~cI2cBus();
    cI2cBus(const cI2cBus&) = delete;
    cI2cBus& operator=(const cI2cBus&) = delete;

    const tI2cAdapter& adapter() const { return m_Adapter; }

    // All return 0 or a QXSMBUS_LINUX_... status; a_Address is 8-bit (bit 0 ignored).
    int32_t quick(uint8_t a_Address, bool a_Write);
    int32_t sendByte(uint8_t a_Address, uint8_t a_Data, bool a_Pec);
    int32_t receiveByte(uint8_t a_Address, bool a_Pec, uint8_t& a_rData);
    int32_t writeByte(uint8_t a_Address, uint8_t a_Command, uint8_t a_Data, bool a_Pec);
    int32_t readByte(uint8_t a_Address, uint8_t a_Command, bool a_Pec, uint8_t& a_rData);
    int32_t writeWord(uint8_t a_Address, uint8_t a_Command, uint16_t a_Data, bool a_Pec);
    int32_t readWord(uint8_t a_Address, uint8_t a_Command, bool a_Pec, uint16_t& a_rData);
    int32_t processCall(uint8_t a_Address, uint8_t a_Command, uint16_t a_Data, bool a_Pec,
                        uint16_t& a_rResult);
    int32_t writeBlock(uint8_t a_Address, uint8_t a_Command, uint8_t a_Count,
                       const uint8_t* a_pData, bool a_Pec);
    int32_t readBlock(uint8_t a_Address, uint8_t a_Command, bool a_Pec, uint8_t& a_rCount,
                      uint8_t* a_pBuffer);
    // a_Length bytes from a_Offset of the EEPROM at a_Address, without PEC.
    int32_t readEeprom(uint8_t a_Address, uint8_t a_Offset, uint32_t a_Length, uint8_t* a_pBuffer);

    // The last failure of the calling thread's calls on this session, in words naming
    // the device node; empty when its last call succeeded. The text stays valid, and
    // unchanged, until the calling thread asks for a last error again, whatever other
    // threads do with the session meanwhile.
    const char* lastError();

private:
    int32_t transfer(uint8_t a_Address, bool a_Pec, char a_ReadWrite, uint8_t a_Command, int a_Size,
                     void* a_pData, const char* a_pWhat);
    int32_t ensureOpen();
    int32_t checkNode(int a_Fd);
    void closeNode();
    int32_t fail(int32_t a_Status, const std::string& a_rText);
    void succeeded();

    tI2cAdapter m_Adapter;
    std::recursive_mutex m_Mutex;
    int m_Fd = -1;
    unsigned long m_Functions = 0;
    int m_Address = -1;       // 7-bit address the descriptor is set to, -1 none
    int m_Pec = -1;           // PEC setting of the descriptor, -1 unknown
    std::mutex m_ErrorMutex;  // guards m_LastErrors alone, so asking never waits for the bus
    std::map<std::thread::id, std::string> m_LastErrors;  // threads whose last call failed
};

}  // namespace nQxLinux
