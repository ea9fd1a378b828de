// Status-flag notifications: "%000 " and eight hexadecimal digits, sent by
// the controller on either link whenever done, limit, slip or command-error
// flags change. Both transports read the value the same way and fold it into
// their StatusFlags word with the same mapping.
#ifndef VEK_CORE_NOTIFICATION_H
#define VEK_CORE_NOTIFICATION_H

#include <cstdint>

namespace vek {

inline constexpr char kNotificationPrefix[] = "%000 ";
inline constexpr int kNotificationPrefixLength = 5;
// The prefix and the eight digits.
inline constexpr int kNotificationLength = 13;

// Reads the value after the prefix as strtol does with base 16: blanks, a
// sign and "0x" accepted, stops at the first non-digit, and a value above
// 0x7FFFFFFF reads as 0x7FFFFFFF. `digits` is NUL-terminated.
int32_t ParseNotificationValue(const char* digits);

// Maps a notification value onto StatusFlags bits: the low three bytes carry
// the first eight axes of the done, limit and slip groups, the high byte the
// command error and the last two axes of each group. Bit 31 is ignored.
uint32_t MapNotificationValue(int32_t value);

}  // namespace vek

#endif  // VEK_CORE_NOTIFICATION_H
