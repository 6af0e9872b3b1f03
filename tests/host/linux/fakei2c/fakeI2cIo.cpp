// A fake of the i2c-dev system calls for the test build of the SMBus service. A device
// node of the fake /dev tree is a text file that describes the devices behind it, one
// per line, addresses 8-bit in hexadecimal:
//   device A4 <hex bytes>   a device with 256 registers, the bytes given first, the
//                           rest 0xFF (register pointer at 0, as an EEPROM)
//   nack 50 | timeout 50 | busy 50 | pecerror 50 | gone 50
//                           transactions at the address fail with that errno (gone:
//                           ENODEV, the adapter was removed)
//   claimed 50              a kernel driver holds the address (I2C_SLAVE fails)
//   blocklength A4 0        I2C block reads at the address answer that many bytes,
//                           whatever was asked (0 to 32)
//   funcs 0x...             the adapter's I2C_FUNCS (default: every SMBus transaction
//                           and PEC)
//   refuse EACCES           open fails with that errno (root ignores file modes)
//   stat regular            fstat shows the file as it is (a regular file); without
//   stat char 4 1           such a line, the file is shown as the character device
//                           89:<n> of /dev/i2c-<n>, else as the device given
// Files are opened with the flags the service gives, so a symbolic link in place of a
// node meets O_NOFOLLOW as a real one would.
// Every ioctl is appended to the file QXPXI_FAKE_I2C_LOG names, one line each:
//   "<node> SMBUS <R|W> <address> <command> <size> pec=<0|1>" (8-bit address, hex) or
//   "<node> SLAVE <address>", "<node> PEC <0|1>", "<node> FUNCS".
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>

#include "services/common/environment.h"
#include "services/linux/smbus/i2cIo.h"

namespace nQxLinux {

namespace {

struct tDevice {
    std::array<uint8_t, 256> bytes;
    uint8_t pointer = 0;
    int failure = 0;  // errno of every transaction, 0 none
    bool claimed = false;
    int blockLength = -1;  // length of every I2C block read's answer, -1 as asked
    tDevice() { bytes.fill(0xFF); }
};

struct tNode {
    std::string path;
    unsigned long funcs = I2C_FUNC_SMBUS_QUICK | I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_BYTE_DATA |
                          I2C_FUNC_SMBUS_WORD_DATA | I2C_FUNC_SMBUS_PROC_CALL |
                          I2C_FUNC_SMBUS_BLOCK_DATA | I2C_FUNC_SMBUS_I2C_BLOCK | I2C_FUNC_SMBUS_PEC;
    std::map<uint8_t, tDevice> devices;  // by 8-bit address, bit 0 clear
    int slave = -1;
    bool pec = false;
    bool regular = false;  // fstat shows the file itself
    unsigned major = 89;
    unsigned minor = 0;
};

std::mutex g_Mutex;
std::map<int, tNode> g_Nodes;

void logLine(const std::string& a_rLine) {
    const std::string l_Log = nQxSim::environmentValue("QXPXI_FAKE_I2C_LOG");
    if (!l_Log.empty()) {
        std::ofstream(l_Log, std::ios::app) << a_rLine << "\n";
    }
}

std::string hex(unsigned a_Value) {
    char l_Text[8];
    std::snprintf(l_Text, sizeof(l_Text), "%02X", a_Value);
    return l_Text;
}

int failWith(int a_Errno) {
    errno = a_Errno;
    return -1;
}

int errnoNamed(const std::string& a_rName) {
    static const std::map<std::string, int> s_Names = {
        {"ENXIO", ENXIO},   {"ETIMEDOUT", ETIMEDOUT},  {"EBUSY", EBUSY}, {"EBADMSG", EBADMSG},
        {"EACCES", EACCES}, {"ENOENT", ENOENT},        {"EIO", EIO},     {"EAGAIN", EAGAIN},
        {"EPERM", EPERM},   {"EOPNOTSUPP", EOPNOTSUPP}};
    auto l_Found = s_Names.find(a_rName);
    return l_Found == s_Names.end() ? EIO : l_Found->second;
}

int smbus(tNode& a_rNode, const i2c_smbus_ioctl_data& a_rArgs) {
    logLine(a_rNode.path + " SMBUS " + (a_rArgs.read_write == I2C_SMBUS_READ ? "R " : "W ") +
            hex(static_cast<unsigned>(a_rNode.slave << 1)) + " " + hex(a_rArgs.command) + " " +
            std::to_string(a_rArgs.size) + " pec=" + (a_rNode.pec ? "1" : "0"));
    auto l_Found = a_rNode.devices.find(static_cast<uint8_t>(a_rNode.slave << 1));
    if (l_Found == a_rNode.devices.end()) {
        return failWith(ENXIO);
    }
    tDevice& l_rDevice = l_Found->second;
    if (l_rDevice.failure != 0) {
        return failWith(l_rDevice.failure);
    }
    const bool l_Read = a_rArgs.read_write == I2C_SMBUS_READ;
    i2c_smbus_data* l_pData = a_rArgs.data;
    const uint8_t l_Command = a_rArgs.command;
    switch (a_rArgs.size) {
        case I2C_SMBUS_QUICK:
            return 0;
        case I2C_SMBUS_BYTE:
            if (l_Read) {
                l_pData->byte = l_rDevice.bytes[l_rDevice.pointer++];
            } else {
                l_rDevice.pointer = l_Command;
            }
            return 0;
        case I2C_SMBUS_BYTE_DATA:
            if (l_Read) {
                l_pData->byte = l_rDevice.bytes[l_Command];
            } else {
                l_rDevice.bytes[l_Command] = l_pData->byte;
            }
            return 0;
        case I2C_SMBUS_WORD_DATA:
        case I2C_SMBUS_PROC_CALL:
            if (l_Command == 0xFF) {
                return failWith(EIO);
            }
            if (!l_Read) {
                l_rDevice.bytes[l_Command] = static_cast<uint8_t>(l_pData->word & 0xFF);
                l_rDevice.bytes[l_Command + 1] = static_cast<uint8_t>(l_pData->word >> 8);
            }
            if (l_Read || a_rArgs.size == I2C_SMBUS_PROC_CALL) {
                // A process call answers the word bit-inverted, so that a test sees
                // the answer is not merely its own argument.
                const uint16_t l_Word = static_cast<uint16_t>(
                    l_rDevice.bytes[l_Command] | (l_rDevice.bytes[l_Command + 1] << 8));
                l_pData->word =
                    a_rArgs.size == I2C_SMBUS_PROC_CALL ? static_cast<uint16_t>(~l_Word) : l_Word;
            }
            return 0;
        case I2C_SMBUS_BLOCK_DATA:
            if (l_Read) {
                // The device's register at the command holds the block's length.
                const unsigned l_Count = std::min<unsigned>(l_rDevice.bytes[l_Command], 32);
                l_pData->block[0] = static_cast<uint8_t>(l_Count);
                for (unsigned l_Byte = 0; l_Byte < l_Count; ++l_Byte) {
                    l_pData->block[1 + l_Byte] = l_rDevice.bytes[(l_Command + 1 + l_Byte) & 0xFF];
                }
            } else {
                if (l_pData->block[0] == 0 || l_pData->block[0] > 32) {
                    return failWith(EINVAL);
                }
                l_rDevice.bytes[l_Command] = l_pData->block[0];
                for (unsigned l_Byte = 0; l_Byte < l_pData->block[0]; ++l_Byte) {
                    l_rDevice.bytes[(l_Command + 1 + l_Byte) & 0xFF] = l_pData->block[1 + l_Byte];
                }
            }
            return 0;
        case I2C_SMBUS_I2C_BLOCK_DATA:
            if (!l_Read || l_pData->block[0] == 0 || l_pData->block[0] > 32) {
                return failWith(EINVAL);
            }
            if (l_rDevice.blockLength >= 0) {
                l_pData->block[0] = static_cast<uint8_t>(std::min(l_rDevice.blockLength, 32));
            }
            for (unsigned l_Byte = 0; l_Byte < l_pData->block[0]; ++l_Byte) {
                l_pData->block[1 + l_Byte] = l_rDevice.bytes[(l_Command + l_Byte) & 0xFF];
            }
            return 0;
        default:
            return failWith(EINVAL);
    }
}

}  // namespace

int i2cOpen(const char* a_pPath, int a_Flags) {
    const int l_Fd = ::open(a_pPath, a_Flags);
    if (l_Fd < 0) {
        return -1;
    }
    tNode l_Node;
    l_Node.path = a_pPath;
    const char* l_pNumber = std::strrchr(a_pPath, '-');
    l_Node.minor = l_pNumber != nullptr ? std::strtoul(l_pNumber + 1, nullptr, 10) : 0;
    std::ifstream l_File(a_pPath);
    std::string l_Line;
    while (std::getline(l_File, l_Line)) {
        std::istringstream l_Words(l_Line);
        std::string l_Kind, l_Argument;
        l_Words >> l_Kind >> l_Argument;
        if (l_Kind == "refuse") {
            ::close(l_Fd);
            return failWith(errnoNamed(l_Argument));
        }
        if (l_Kind == "funcs") {
            l_Node.funcs = std::strtoul(l_Argument.c_str(), nullptr, 0);
            continue;
        }
        if (l_Kind == "stat") {
            l_Node.regular = l_Argument == "regular";
            l_Words >> l_Node.major >> l_Node.minor;
            continue;
        }
        if (l_Kind.empty()) {
            continue;
        }
        tDevice& l_rDevice = l_Node.devices[static_cast<uint8_t>(
            std::strtoul(l_Argument.c_str(), nullptr, 16) & 0xFE)];
        if (l_Kind == "device") {
            std::string l_Hex;
            size_t l_Index = 0;
            while (l_Words >> l_Hex && l_Index < 256) {
                l_rDevice.bytes[l_Index++] =
                    static_cast<uint8_t>(std::strtoul(l_Hex.c_str(), nullptr, 16));
            }
        } else if (l_Kind == "claimed") {
            l_rDevice.claimed = true;
        } else if (l_Kind == "blocklength") {
            l_Words >> l_rDevice.blockLength;
        } else {
            l_rDevice.failure = l_Kind == "nack"      ? ENXIO
                                : l_Kind == "timeout" ? ETIMEDOUT
                                : l_Kind == "busy"    ? EAGAIN
                                : l_Kind == "gone"    ? ENODEV
                                                      : EBADMSG;
        }
    }
    std::lock_guard<std::mutex> l_Lock(g_Mutex);
    g_Nodes[l_Fd] = std::move(l_Node);
    return l_Fd;
}

int i2cFstat(int a_Fd, struct stat* a_pStat) {
    if (::fstat(a_Fd, a_pStat) != 0) {
        return -1;
    }
    std::lock_guard<std::mutex> l_Lock(g_Mutex);
    auto l_Found = g_Nodes.find(a_Fd);
    if (l_Found == g_Nodes.end()) {
        return failWith(EBADF);
    }
    if (!l_Found->second.regular) {
        a_pStat->st_mode = S_IFCHR | 0600;
        a_pStat->st_rdev = makedev(l_Found->second.major, l_Found->second.minor);
    }
    return 0;
}

int i2cIoctl(int a_Fd, unsigned long a_Request, unsigned long a_Argument) {
    std::lock_guard<std::mutex> l_Lock(g_Mutex);
    auto l_Found = g_Nodes.find(a_Fd);
    if (l_Found == g_Nodes.end()) {
        return failWith(EBADF);
    }
    tNode& l_rNode = l_Found->second;
    switch (a_Request) {
        case I2C_FUNCS:
            logLine(l_rNode.path + " FUNCS");
            *reinterpret_cast<unsigned long*>(a_Argument) = l_rNode.funcs;
            return 0;
        case I2C_SLAVE: {
            logLine(l_rNode.path + " SLAVE " + hex(static_cast<unsigned>(a_Argument << 1)));
            auto l_Device = l_rNode.devices.find(static_cast<uint8_t>(a_Argument << 1));
            if (a_Argument > 0x7F ||
                (l_Device != l_rNode.devices.end() && l_Device->second.claimed)) {
                return failWith(a_Argument > 0x7F ? EINVAL : EBUSY);
            }
            l_rNode.slave = static_cast<int>(a_Argument);
            return 0;
        }
        case I2C_PEC:
            logLine(l_rNode.path + " PEC " + std::to_string(a_Argument));
            l_rNode.pec = a_Argument != 0;
            return 0;
        case I2C_SMBUS:
            if (l_rNode.slave < 0) {
                return failWith(EINVAL);
            }
            return smbus(l_rNode, *reinterpret_cast<const i2c_smbus_ioctl_data*>(a_Argument));
        default:
            return failWith(ENOTTY);
    }
}

void i2cClose(int a_Fd) {
    {
        std::lock_guard<std::mutex> l_Lock(g_Mutex);
        g_Nodes.erase(a_Fd);
    }
    ::close(a_Fd);
}

}  // namespace nQxLinux
