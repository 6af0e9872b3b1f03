// The system calls the SMBus service makes on i2c-dev nodes. The service library links
// i2cDevIo.cpp, which makes them for real; the test build of the service links a fake
// that simulates devices behind the nodes of a fake /dev tree.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

namespace nQxLinux {

// How a device node is opened: never through a symbolic link, never as a controlling
// terminal, never inherited by a program the host runs.
constexpr int kI2cOpenFlags = O_RDWR | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;

// As open(2): a descriptor, or -1 with errno set.
int i2cOpen(const char* a_pPath, int a_Flags);
// As fstat(2): 0, or -1 with errno set.
int i2cFstat(int a_Fd, struct stat* a_pStat);
// As ioctl(2) with I2C_SLAVE, I2C_PEC, I2C_FUNCS or I2C_SMBUS: 0, or -1 with errno set.
int i2cIoctl(int a_Fd, unsigned long a_Request, unsigned long a_Argument);
void i2cClose(int a_Fd);

}  // namespace nQxLinux
