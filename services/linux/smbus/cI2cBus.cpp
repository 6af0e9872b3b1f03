#include "services/linux/smbus/cI2cBus.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "qxpxi/services/qxsmbus_linux.h"
#include "services/common/environment.h"
#include "services/linux/smbus/i2cIo.h"

namespace nQxLinux {

namespace {

// The major number of the i2c-dev character devices, fixed in the kernel's device list.
constexpr unsigned kI2cDevMajor = 89;

std::string hexByte(unsigned a_Value) {
    char l_Text[8];
    std::snprintf(l_Text, sizeof(l_Text), "0x%02X", a_Value & 0xFF);
    return l_Text;
}

// The function bit an adapter must offer for a transaction.
unsigned long functionFor(char a_ReadWrite, int a_Size) {
    const bool l_Read = a_ReadWrite == I2C_SMBUS_READ;
    switch (a_Size) {
        case I2C_SMBUS_QUICK:
            return I2C_FUNC_SMBUS_QUICK;
        case I2C_SMBUS_BYTE:
            return l_Read ? I2C_FUNC_SMBUS_READ_BYTE : I2C_FUNC_SMBUS_WRITE_BYTE;
        case I2C_SMBUS_BYTE_DATA:
            return l_Read ? I2C_FUNC_SMBUS_READ_BYTE_DATA : I2C_FUNC_SMBUS_WRITE_BYTE_DATA;
        case I2C_SMBUS_WORD_DATA:
            return l_Read ? I2C_FUNC_SMBUS_READ_WORD_DATA : I2C_FUNC_SMBUS_WRITE_WORD_DATA;
        case I2C_SMBUS_PROC_CALL:
            return I2C_FUNC_SMBUS_PROC_CALL;
        case I2C_SMBUS_BLOCK_DATA:
            return l_Read ? I2C_FUNC_SMBUS_READ_BLOCK_DATA : I2C_FUNC_SMBUS_WRITE_BLOCK_DATA;
        case I2C_SMBUS_I2C_BLOCK_DATA:
            return l_Read ? I2C_FUNC_SMBUS_READ_I2C_BLOCK : I2C_FUNC_SMBUS_WRITE_I2C_BLOCK;
        default:
            return ~0UL;
    }
}

}  // namespace

cI2cBus::cI2cBus(tI2cAdapter a_Adapter) : m_Adapter(std::move(a_Adapter)) {}

cI2cBus::~cI2cBus() {
    closeNode();
}

void cI2cBus::closeNode() {
    if (m_Fd >= 0) {
        i2cClose(m_Fd);
        m_Fd = -1;
    }
}

const char* cI2cBus::lastError() {
    // One copy per thread: another thread's question never moves the text this one got.
    static thread_local std::string t_Copy;
    std::lock_guard<std::mutex> l_Lock(m_ErrorMutex);
    const auto l_Found = m_LastErrors.find(std::this_thread::get_id());
    t_Copy = l_Found == m_LastErrors.end() ? std::string() : l_Found->second;
    return t_Copy.c_str();
}

int32_t cI2cBus::fail(int32_t a_Status, const std::string& a_rText) {
    std::string l_Text = m_Adapter.node + ": " + a_rText;
    nQxSim::debugLine("qxsmbus", l_Text);
    std::lock_guard<std::mutex> l_Lock(m_ErrorMutex);
    m_LastErrors[std::this_thread::get_id()] = std::move(l_Text);
    return a_Status;
}

void cI2cBus::succeeded() {
    std::lock_guard<std::mutex> l_Lock(m_ErrorMutex);
    m_LastErrors.erase(std::this_thread::get_id());
}

// The node must be the i2c-dev character device of the listed adapter (minor number =
// adapter number), and that adapter must still be the one listed: anything else is
// refused before the first ioctl.
int32_t cI2cBus::checkNode(int a_Fd) {
    struct stat l_Stat {};
    if (i2cFstat(a_Fd, &l_Stat) != 0) {
        const int l_Errno = errno;
        return fail(QXSMBUS_LINUX_IO_ERROR,
                    std::string("cannot be examined: ") + std::strerror(l_Errno));
    }
    if (!S_ISCHR(l_Stat.st_mode) || major(l_Stat.st_rdev) != kI2cDevMajor) {
        return fail(QXSMBUS_LINUX_NO_DEVICE_NODE,
                    "is not an i2c-dev device node (character device of major " +
                        std::to_string(kI2cDevMajor) + "): refused");
    }
    if (minor(l_Stat.st_rdev) != m_Adapter.number) {
        return fail(QXSMBUS_LINUX_NOT_FOUND,
                    "is the node of adapter " + std::to_string(minor(l_Stat.st_rdev)) +
                        ", not of i2c-" + std::to_string(m_Adapter.number) + ": refused");
    }
    const std::string l_Change = adapterChange(m_Adapter);
    if (!l_Change.empty()) {
        return fail(QXSMBUS_LINUX_NOT_FOUND,
                    l_Change + ": refused (the adapters were renumbered; list them again)");
    }
    return 0;
}

int32_t cI2cBus::ensureOpen() {
    if (m_Fd >= 0) {
        return 0;
    }
    const int l_Fd = i2cOpen(m_Adapter.node.c_str(), kI2cOpenFlags);
    if (l_Fd < 0) {
        const int l_Errno = errno;
        int32_t l_Status = QXSMBUS_LINUX_IO_ERROR;
        std::string l_Text = std::string("cannot be opened: ") + std::strerror(l_Errno);
        if (l_Errno == ENOENT || l_Errno == ENODEV || l_Errno == ENXIO) {
            l_Status = QXSMBUS_LINUX_NO_DEVICE_NODE;
            l_Text = "no such device node (is the i2c-dev module loaded?)";
        } else if (l_Errno == EACCES || l_Errno == EPERM) {
            l_Status = QXSMBUS_LINUX_PERMISSION_DENIED;
            l_Text = "permission denied (needs read and write access to the device node)";
        } else if (l_Errno == ELOOP) {
            l_Status = QXSMBUS_LINUX_NO_DEVICE_NODE;
            l_Text = "is a symbolic link, not an i2c-dev device node: refused";
        }
        return fail(l_Status, l_Text);
    }
    // Closed on every way out, an exception included, until the session takes it.
    struct tNode {
        int fd;
        ~tNode() {
            if (fd >= 0) {
                i2cClose(fd);
            }
        }
    } l_Node{l_Fd};
    int32_t l_Status = checkNode(l_Fd);
    unsigned long l_Functions = 0;
    if (l_Status == 0 &&
        i2cIoctl(l_Fd, I2C_FUNCS, reinterpret_cast<unsigned long>(&l_Functions)) != 0) {
        const int l_Errno = errno;
        l_Status = fail(QXSMBUS_LINUX_IO_ERROR,
                        std::string("not an i2c-dev node: ") + std::strerror(l_Errno));
    }
    if (l_Status != 0) {
        return l_Status;
    }
    l_Node.fd = -1;
    m_Fd = l_Fd;
    m_Functions = l_Functions;
    m_Address = -1;
    m_Pec = -1;
    return 0;
}

int32_t cI2cBus::transfer(uint8_t a_Address, bool a_Pec, char a_ReadWrite, uint8_t a_Command,
                          int a_Size, void* a_pData, const char* a_pWhat) {
    int32_t l_Status = ensureOpen();
    if (l_Status != 0) {
        return l_Status;
    }
    const std::string l_Where = std::string(a_pWhat) + " at address " + hexByte(a_Address);
    if ((m_Functions & functionFor(a_ReadWrite, a_Size)) == 0 ||
        (a_Pec && (m_Functions & I2C_FUNC_SMBUS_PEC) == 0)) {
        return fail(
            QXSMBUS_LINUX_FEATURE_UNSUPPORTED,
            l_Where + ": the adapter cannot run this transaction" + (a_Pec ? " with PEC" : ""));
    }
    const int l_Slave = a_Address >> 1;
    if (l_Slave != m_Address) {
        // Never I2C_SLAVE_FORCE: an address a kernel driver holds stays its own.
        if (i2cIoctl(m_Fd, I2C_SLAVE, static_cast<unsigned long>(l_Slave)) != 0) {
            const int l_Errno = errno;
            m_Address = -1;
            if (l_Errno == EBUSY) {
                return fail(QXSMBUS_LINUX_BUSY,
                            l_Where + ": the address is in use by a kernel driver");
            }
            return fail(QXSMBUS_LINUX_IO_ERROR, l_Where + ": " + std::strerror(l_Errno));
        }
        m_Address = l_Slave;
    }
    if (static_cast<int>(a_Pec) != m_Pec) {
        if (i2cIoctl(m_Fd, I2C_PEC, a_Pec ? 1UL : 0UL) != 0) {
            const int l_Errno = errno;
            m_Pec = -1;
            return fail(QXSMBUS_LINUX_IO_ERROR,
                        l_Where + ": PEC cannot be set: " + std::strerror(l_Errno));
        }
        m_Pec = a_Pec ? 1 : 0;
    }
    i2c_smbus_ioctl_data l_Args{};
    l_Args.read_write = a_ReadWrite;
    l_Args.command = a_Command;
    l_Args.size = static_cast<uint32_t>(a_Size);
    l_Args.data = static_cast<i2c_smbus_data*>(a_pData);
    if (i2cIoctl(m_Fd, I2C_SMBUS, reinterpret_cast<unsigned long>(&l_Args)) == 0) {
        succeeded();
        return 0;
    }
    const int l_Errno = errno;
    switch (l_Errno) {
        case ENODEV:
            // The adapter went away under the open node: the next call opens the node
            // again and checks it is still the listed adapter.
            closeNode();
            return fail(QXSMBUS_LINUX_NO_DEVICE_NODE, l_Where + ": the adapter is gone");
        case ENXIO:
        case EREMOTEIO:
            return fail(QXSMBUS_LINUX_NO_ACKNOWLEDGE, l_Where + ": no acknowledge");
        case ETIMEDOUT:
            return fail(QXSMBUS_LINUX_TIMEOUT, l_Where + ": timed out");
        case EBUSY:
        case EAGAIN:
            return fail(QXSMBUS_LINUX_BUSY, l_Where + ": the bus is busy");
        case EBADMSG:
            return fail(QXSMBUS_LINUX_PEC_ERROR, l_Where + ": PEC mismatch");
        case EOPNOTSUPP:
            return fail(QXSMBUS_LINUX_FEATURE_UNSUPPORTED,
                        l_Where + ": the adapter cannot run this transaction");
        default:
            return fail(QXSMBUS_LINUX_IO_ERROR, l_Where + ": " + std::strerror(l_Errno));
    }
}

int32_t cI2cBus::quick(uint8_t a_Address, bool a_Write) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    return transfer(a_Address, false, a_Write ? I2C_SMBUS_WRITE : I2C_SMBUS_READ, 0,
                    I2C_SMBUS_QUICK, nullptr, a_Write ? "quick write" : "quick read");
}

int32_t cI2cBus::sendByte(uint8_t a_Address, uint8_t a_Data, bool a_Pec) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    return transfer(a_Address, a_Pec, I2C_SMBUS_WRITE, a_Data, I2C_SMBUS_BYTE, nullptr,
                    "send byte");
}

int32_t cI2cBus::receiveByte(uint8_t a_Address, bool a_Pec, uint8_t& a_rData) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    i2c_smbus_data l_Data{};
    const int32_t l_Status =
        transfer(a_Address, a_Pec, I2C_SMBUS_READ, 0, I2C_SMBUS_BYTE, &l_Data, "receive byte");
    if (l_Status == 0) {
        a_rData = l_Data.byte;
    }
    return l_Status;
}

int32_t cI2cBus::writeByte(uint8_t a_Address, uint8_t a_Command, uint8_t a_Data, bool a_Pec) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    i2c_smbus_data l_Data{};
    l_Data.byte = a_Data;
    return transfer(a_Address, a_Pec, I2C_SMBUS_WRITE, a_Command, I2C_SMBUS_BYTE_DATA, &l_Data,
                    "write byte");
}

int32_t cI2cBus::readByte(uint8_t a_Address, uint8_t a_Command, bool a_Pec, uint8_t& a_rData) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    i2c_smbus_data l_Data{};
    const int32_t l_Status = transfer(a_Address, a_Pec, I2C_SMBUS_READ, a_Command,
                                      I2C_SMBUS_BYTE_DATA, &l_Data, "read byte");
    if (l_Status == 0) {
        a_rData = l_Data.byte;
    }
    return l_Status;
}

int32_t cI2cBus::writeWord(uint8_t a_Address, uint8_t a_Command, uint16_t a_Data, bool a_Pec) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    i2c_smbus_data l_Data{};
    l_Data.word = a_Data;
    return transfer(a_Address, a_Pec, I2C_SMBUS_WRITE, a_Command, I2C_SMBUS_WORD_DATA, &l_Data,
                    "write word");
}

int32_t cI2cBus::readWord(uint8_t a_Address, uint8_t a_Command, bool a_Pec, uint16_t& a_rData) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    i2c_smbus_data l_Data{};
    const int32_t l_Status = transfer(a_Address, a_Pec, I2C_SMBUS_READ, a_Command,
                                      I2C_SMBUS_WORD_DATA, &l_Data, "read word");
    if (l_Status == 0) {
        a_rData = l_Data.word;
    }
    return l_Status;
}

int32_t cI2cBus::processCall(uint8_t a_Address, uint8_t a_Command, uint16_t a_Data, bool a_Pec,
                             uint16_t& a_rResult) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    i2c_smbus_data l_Data{};
    l_Data.word = a_Data;
    const int32_t l_Status = transfer(a_Address, a_Pec, I2C_SMBUS_WRITE, a_Command,
                                      I2C_SMBUS_PROC_CALL, &l_Data, "process call");
    if (l_Status == 0) {
        a_rResult = l_Data.word;
    }
    return l_Status;
}

int32_t cI2cBus::writeBlock(uint8_t a_Address, uint8_t a_Command, uint8_t a_Count,
                            const uint8_t* a_pData, bool a_Pec) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    if (a_Count == 0 || a_Count > I2C_SMBUS_BLOCK_MAX || a_pData == nullptr) {
        return fail(QXSMBUS_LINUX_INVALID_PARAMETER,
                    "write block: an SMBus block holds 1 to 32 bytes");
    }
    i2c_smbus_data l_Data{};
    l_Data.block[0] = a_Count;
    std::memcpy(&l_Data.block[1], a_pData, a_Count);
    return transfer(a_Address, a_Pec, I2C_SMBUS_WRITE, a_Command, I2C_SMBUS_BLOCK_DATA, &l_Data,
                    "write block");
}

int32_t cI2cBus::readBlock(uint8_t a_Address, uint8_t a_Command, bool a_Pec, uint8_t& a_rCount,
                           uint8_t* a_pBuffer) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    i2c_smbus_data l_Data{};
    const int32_t l_Status = transfer(a_Address, a_Pec, I2C_SMBUS_READ, a_Command,
                                      I2C_SMBUS_BLOCK_DATA, &l_Data, "read block");
    if (l_Status != 0) {
        return l_Status;
    }
    const uint8_t l_Count = std::min<uint8_t>(l_Data.block[0], I2C_SMBUS_BLOCK_MAX);
    std::memcpy(a_pBuffer, &l_Data.block[1], l_Count);
    a_rCount = l_Count;
    return 0;
}

int32_t cI2cBus::readEeprom(uint8_t a_Address, uint8_t a_Offset, uint32_t a_Length,
                            uint8_t* a_pBuffer) {
    std::lock_guard<std::recursive_mutex> l_Lock(m_Mutex);
    if (static_cast<uint32_t>(a_Offset) + a_Length > 256 ||
        (a_Length != 0 && a_pBuffer == nullptr)) {
        return fail(QXSMBUS_LINUX_INVALID_PARAMETER, "EEPROM read beyond its 256 bytes");
    }
    int32_t l_Status = ensureOpen();
    // I2C block reads of up to 32 bytes where the adapter has them, else byte by byte.
    const bool l_Blocks = (m_Functions & I2C_FUNC_SMBUS_READ_I2C_BLOCK) != 0;
    uint32_t l_Done = 0;
    while (l_Status == 0 && l_Done < a_Length) {
        const uint8_t l_Offset = static_cast<uint8_t>(a_Offset + l_Done);
        i2c_smbus_data l_Data{};
        if (l_Blocks) {
            const uint32_t l_Chunk = std::min<uint32_t>(a_Length - l_Done, I2C_SMBUS_BLOCK_MAX);
            l_Data.block[0] = static_cast<uint8_t>(l_Chunk);
            l_Status = transfer(a_Address, false, I2C_SMBUS_READ, l_Offset,
                                I2C_SMBUS_I2C_BLOCK_DATA, &l_Data, "EEPROM read");
            if (l_Status == 0 && (l_Data.block[0] == 0 || l_Data.block[0] > l_Chunk)) {
                l_Status = fail(QXSMBUS_LINUX_IO_ERROR,
                                "EEPROM read at address " + hexByte(a_Address) +
                                    ": the adapter returned a block of the wrong length");
            }
            if (l_Status == 0) {
                std::memcpy(a_pBuffer + l_Done, &l_Data.block[1], l_Data.block[0]);
                l_Done += l_Data.block[0];
            }
        } else {
            l_Status = transfer(a_Address, false, I2C_SMBUS_READ, l_Offset, I2C_SMBUS_BYTE_DATA,
                                &l_Data, "EEPROM read");
            if (l_Status == 0) {
                a_pBuffer[l_Done++] = l_Data.byte;
            }
        }
    }
    return l_Status;
}

}  // namespace nQxLinux
