// The system calls the SMBus service makes on i2c-dev nodes. The service library links
// i2cDevIo.cpp, which makes them for real; the test build of the service links a fake
// that simulates devices behind the nodes of a fake /dev tree.
#pragma once

namespace nQxLinux {

// As open(2) with O_RDWR | O_CLOEXEC: a descriptor, or -1 with errno set.
int i2cOpen(const char* a_pPath);
// As ioctl(2) with I2C_SLAVE, I2C_PEC, I2C_FUNCS or I2C_SMBUS: 0, or -1 with errno set.
int i2cIoctl(int a_Fd, unsigned long a_Request, unsigned long a_Argument);
void i2cClose(int a_Fd);

}  // namespace nQxLinux
