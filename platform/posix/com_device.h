// The device a COM port number names on POSIX systems: the value of the
// environment variable VEKKESTRA_COM<port> when it is set, else
// /dev/ttyS<port-1>. The library opens it; the motion core names it in its
// errors. No system call: only the environment is read.
#ifndef VEK_PLATFORM_POSIX_COM_DEVICE_H
#define VEK_PLATFORM_POSIX_COM_DEVICE_H

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vek::plat {

// Writes the device path; false when it does not fit `size` (the path is then
// cut, still terminated).
inline bool ComDevicePathOf(int port, char* path, size_t size) {
  char envName[32] = {};
  std::snprintf(envName, sizeof envName, "VEKKESTRA_COM%d", port);
  const char* configured = std::getenv(envName);
  if (configured != nullptr && configured[0] != '\0') {
    std::snprintf(path, size, "%s", configured);
    return std::strlen(configured) < size;
  }
  std::snprintf(path, size, "/dev/ttyS%d", port - 1);
  return true;
}

}  // namespace vek::plat

#endif  // VEK_PLATFORM_POSIX_COM_DEVICE_H
