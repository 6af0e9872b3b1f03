// A fake machine for the SMBus service: a sysfs tree with i2c adapters under PCI
// devices, and a /dev tree whose i2c-<n> files describe the devices behind each
// adapter to the fake i2c-dev layer (fakei2c/fakeI2cIo.cpp). QXPXI_SYSFS_ROOT,
// QXPXI_DEV_ROOT and QXPXI_FAKE_I2C_LOG point at them while the object lives.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/qxTestSupport.h"

namespace qxlinuxtest {

class cFakeSmBusTree {
public:
    cFakeSmBusTree();

    // An i2c adapter i2c-<a_Number> named a_rName below the PCI device a_rPciAddress
    // ("0000:00:1f.4"), created with the given class and ids when new. Adding a number
    // again renumbers: i2c-<a_Number> is then the new adapter.
    void addAdapter(unsigned a_Number, const std::string& a_rPciAddress, const std::string& a_rName,
                    unsigned a_Class = 0x0c0500, unsigned a_Vendor = 0x8086,
                    unsigned a_Device = 0xa323);
    // An adapter whose parent is not a PCI device.
    void addPlatformAdapter(unsigned a_Number);
    // The text of /dev/i2c-<n> (see fakeI2cIo.cpp); without it the node is missing.
    void writeNode(unsigned a_Number, const std::string& a_rText) const;
    void removeNode(unsigned a_Number) const;
    // /dev/i2c-<n> as a symbolic link to a_rTarget.
    void linkNode(unsigned a_Number, const std::string& a_rTarget) const;
    std::string node(unsigned a_Number) const;

    // The log of the fake's ioctls, line by line, and the SMBUS lines that write.
    std::vector<std::string> log() const;
    std::vector<std::string> writes() const;

    const qxtest::cTempDir& dir() const { return m_Dir; }

private:
    qxtest::cTempDir m_Dir;
    std::unique_ptr<qxtest::cScopedEnv> m_Sysfs, m_Dev, m_Log;
};

// "device <address> <bytes>" for a 256-byte image.
std::string deviceLine(unsigned a_Address, const std::vector<uint8_t>& a_rBytes);

}  // namespace qxlinuxtest
