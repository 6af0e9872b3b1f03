// The optional call log: when QXPXI_SIM_CALL_LOG names a file, every service call
// appends one line to it, the function name and then its arguments as name=value,
// separated by single spaces. Numbers are decimal; ids, attributes and addresses of
// the PCI and SMBus services are hexadecimal with 0x; a null pointer is "null";
// texts are written as they are.
#pragma once

#include <cstdint>
#include <string>

namespace nQxSim {

class tCallLine {
public:
    explicit tCallLine(const char* a_pFunction);
    // Writes the line when the log is on.
    ~tCallLine();
    tCallLine(const tCallLine&) = delete;
    tCallLine& operator=(const tCallLine&) = delete;

    tCallLine& dec(const char* a_pName, int64_t a_Value);
    tCallLine& hex(const char* a_pName, uint64_t a_Value);
    tCallLine& hexPtr(const char* a_pName, const uint16_t* a_pValue);
    tCallLine& ptr(const char* a_pName, const void* a_pValue);
    tCallLine& text(const char* a_pName, const char* a_pValue);

private:
    bool m_On;
    std::string m_Line;
};

}  // namespace nQxSim
