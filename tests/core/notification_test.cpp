// Reading a notification's value and mapping it onto StatusFlags.
#include "core/notification.h"

#include <gtest/gtest.h>

namespace {

TEST(NotificationValue, ReadsLikeAHexadecimalStrtolSaturatedTo31Bits) {
  EXPECT_EQ(vek::ParseNotificationValue("0000001F"), 0x1F);
  EXPECT_EQ(vek::ParseNotificationValue("0000a0B0"), 0xA0B0);
  EXPECT_EQ(vek::ParseNotificationValue("80000000"), 0x7FFFFFFF);
  EXPECT_EQ(vek::ParseNotificationValue("FFFFFFFF"), 0x7FFFFFFF);
  EXPECT_EQ(vek::ParseNotificationValue("0001x234"), 0x1);  // stops at the first non-digit
  EXPECT_EQ(vek::ParseNotificationValue("zzzzzzzz"), 0);
  EXPECT_EQ(vek::ParseNotificationValue(" 0x00010"), 0x10);
}

TEST(NotificationValue, MapsEachByteOntoItsGroup) {
  struct Case {
    uint32_t n, flags;
  } cases[] = {{0x0000001F, 0x1F},    {0x00000100, 1u << 10}, {0x00FF0000, 0xFFu << 20}, {0x01000000, 1u << 30},
               {0x06000000, 3u << 8}, {0x18000000, 3u << 18}, {0x60000000, 3u << 28},    {0x7FFFFFFF, 0x7FFFFFFF}};
  for (const auto& c : cases)
    EXPECT_EQ(vek::MapNotificationValue(static_cast<int32_t>(c.n)), c.flags) << std::hex << c.n;
  // Bit 31 is ignored.
  EXPECT_EQ(vek::MapNotificationValue(static_cast<int32_t>(0x80000001u)), 1u);
}

}  // namespace
