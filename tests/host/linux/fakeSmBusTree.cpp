#include "tests/host/linux/fakeSmBusTree.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qxlinuxtest {

namespace {

std::string hexText(unsigned a_Value, int a_Digits) {
    char l_Text[16];
    std::snprintf(l_Text, sizeof(l_Text), "0x%0*x", a_Digits, a_Value);
    return l_Text;
}

void link(const std::string& a_rTarget, const std::string& a_rLink) {
    if (symlink(a_rTarget.c_str(), a_rLink.c_str()) != 0) {
        throw std::runtime_error("cannot link " + a_rLink);
    }
}

}  // namespace

cFakeSmBusTree::cFakeSmBusTree() {
    m_Dir.makeDir("sys/bus/i2c/devices");
    m_Dir.makeDir("dev");
    m_Sysfs = std::make_unique<qxtest::cScopedEnv>("QXPXI_SYSFS_ROOT", m_Dir.file("sys"));
    m_Dev = std::make_unique<qxtest::cScopedEnv>("QXPXI_DEV_ROOT", m_Dir.file("dev"));
    m_Log = std::make_unique<qxtest::cScopedEnv>("QXPXI_FAKE_I2C_LOG", m_Dir.file("i2c.log"));
}

void cFakeSmBusTree::addAdapter(unsigned a_Number, const std::string& a_rPciAddress,
                                const std::string& a_rName, unsigned a_Class, unsigned a_Vendor,
                                unsigned a_Device) {
    const std::string l_Pci = "sys/devices/pci" + a_rPciAddress.substr(0, 7) + "/" + a_rPciAddress;
    m_Dir.writeFile(l_Pci + "/class", hexText(a_Class, 6) + "\n");
    m_Dir.writeFile(l_Pci + "/vendor", hexText(a_Vendor, 4) + "\n");
    m_Dir.writeFile(l_Pci + "/device", hexText(a_Device, 4) + "\n");
    m_Dir.writeFile(l_Pci + "/subsystem_vendor", "0x1028\n");
    m_Dir.writeFile(l_Pci + "/subsystem_device", "0x0869\n");
    const std::string l_Name = "i2c-" + std::to_string(a_Number);
    m_Dir.writeFile(l_Pci + "/" + l_Name + "/name", a_rName + "\n");
    unlink(m_Dir.file("sys/bus/i2c/devices/" + l_Name).c_str());  // a renumbered adapter
    link("../../../devices/pci" + a_rPciAddress.substr(0, 7) + "/" + a_rPciAddress + "/" + l_Name,
         m_Dir.file("sys/bus/i2c/devices/" + l_Name));
}

void cFakeSmBusTree::addPlatformAdapter(unsigned a_Number) {
    const std::string l_Name = "i2c-" + std::to_string(a_Number);
    m_Dir.writeFile("sys/devices/platform/i2c-gpio.0/" + l_Name + "/name", "i2c-gpio\n");
    link("../../../devices/platform/i2c-gpio.0/" + l_Name,
         m_Dir.file("sys/bus/i2c/devices/" + l_Name));
}

void cFakeSmBusTree::writeNode(unsigned a_Number, const std::string& a_rText) const {
    unlink(node(a_Number).c_str());  // a link in its place is replaced, not written through
    m_Dir.writeFile("dev/i2c-" + std::to_string(a_Number), a_rText);
}

void cFakeSmBusTree::linkNode(unsigned a_Number, const std::string& a_rTarget) const {
    unlink(node(a_Number).c_str());
    link(a_rTarget, node(a_Number));
}

void cFakeSmBusTree::removeNode(unsigned a_Number) const {
    unlink(node(a_Number).c_str());
}

std::string cFakeSmBusTree::node(unsigned a_Number) const {
    return m_Dir.file("dev/i2c-" + std::to_string(a_Number));
}

std::vector<std::string> cFakeSmBusTree::log() const {
    std::vector<std::string> l_Lines;
    std::ifstream l_File(m_Dir.file("i2c.log"));
    for (std::string l_Line; std::getline(l_File, l_Line);) {
        l_Lines.push_back(l_Line);
    }
    return l_Lines;
}

std::vector<std::string> cFakeSmBusTree::writes() const {
    std::vector<std::string> l_Writes;
    for (const std::string& l_rLine : log()) {
        if (l_rLine.find(" SMBUS W ") != std::string::npos) {
            l_Writes.push_back(l_rLine);
        }
    }
    return l_Writes;
}

std::string deviceLine(unsigned a_Address, const std::vector<uint8_t>& a_rBytes) {
    std::ostringstream l_Line;
    char l_Byte[4];
    std::snprintf(l_Byte, sizeof(l_Byte), "%02X", a_Address);
    l_Line << "device " << l_Byte;
    for (uint8_t l_Value : a_rBytes) {
        std::snprintf(l_Byte, sizeof(l_Byte), "%02X", l_Value);
        l_Line << ' ' << l_Byte;
    }
    return l_Line.str() + "\n";
}

}  // namespace qxlinuxtest
