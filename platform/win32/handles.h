// The application keeps sockets and port handles in a 32-bit variable. Kernel
// handles and sockets carry only 32 significant bits, sign-extended on 64-bit
// Windows, so the variable holds them exactly; the invalid-handle value is
// all bits set on both sides.
#ifndef VEK_PLATFORM_WIN32_HANDLES_H
#define VEK_PLATFORM_WIN32_HANDLES_H

#include <windows.h>

#include <cstdint>

namespace vek::plat {

inline HANDLE HandleFromValue(uint32_t value) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

inline uint32_t ValueFromHandle(HANDLE handle) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)); }

}  // namespace vek::plat

#endif  // VEK_PLATFORM_WIN32_HANDLES_H
