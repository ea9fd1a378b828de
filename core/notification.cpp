#include "core/notification.h"

#include <cstdlib>

namespace vek {

int32_t ParseNotificationValue(const char* digits) {
  long value = std::strtol(digits, nullptr, 16);
  // A long is wider than 32 bits on some systems; saturate as a 32-bit
  // strtol would.
  if (value > 0x7FFFFFFFL) return 0x7FFFFFFF;
  if (value < -0x7FFFFFFFL - 1) return static_cast<int32_t>(-0x7FFFFFFFL - 1);
  return static_cast<int32_t>(value);
}

uint32_t MapNotificationValue(int32_t value) {
  uint32_t n = static_cast<uint32_t>(value);
  uint32_t flags = 0;
  flags |= (n & 0xFFu);                // done X..S
  flags |= ((n >> 8) & 0xFFu) << 10;   // limit X..S
  flags |= ((n >> 16) & 0xFFu) << 20;  // slip X..S
  flags |= ((n >> 24) & 0x1u) << 30;   // command error
  flags |= ((n >> 25) & 0x3u) << 8;    // done W, K
  flags |= ((n >> 27) & 0x3u) << 18;   // limit W, K
  flags |= ((n >> 29) & 0x3u) << 28;   // slip W, K
  return flags;
}

}  // namespace vek
