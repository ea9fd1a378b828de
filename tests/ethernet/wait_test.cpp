// The motion-completion wait against a controller that sends notifications.
#include <thread>

#include "ethernet/ethernet.h"
#include "tests/ethernet/ethernet_fixture.h"

namespace vek::test {
namespace {

using WaitTest = EthernetTest;

TEST_F(WaitTest, EndsWithoutReadingOnZeroTimeOutOrFlagsSetAtEntry) {
  peer.Push(Notification(0x2));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it arrive
  EXPECT_EQ(VEK_SUCCESS, WaitOnEthernet(&sock, 1, 0, 0));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, WaitOnEthernet(&sock, 1, -1, 0));
  EXPECT_TRUE(log.Traces().empty());

  gState.netStatusFlags = 0x5;
  EXPECT_EQ(VEK_SUCCESS, WaitOnEthernet(&sock, 0x5, 1000, 0));
  EXPECT_EQ(0x5u, gState.netStatusFlags);  // the pushed notification is still unread
  std::vector<std::string> lines = log.Traces();
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(Handle() + " - WaitOnEthernet | start - Axis:0x05  Timeout:1000  lRet:0", lines[0]);
  EXPECT_EQ(0u, lines[1].rfind(Handle() + " - WaitOnEthernet | end - Axis:0x05  total elapsed time:0.", 0)) << lines[1];
  EXPECT_NE(std::string::npos, lines[1].find("  Timeout:1000  lRet:0"));
}

TEST_F(WaitTest, FlagGroupChoosesTheAwaitedBits) {
  struct Case {
    int32_t mask;
    uint32_t group;
    uint32_t flags;  // set before the wait
    uint32_t result;
  } cases[] = {
      {1, 1, 1u << 10, VEK_SUCCESS},
      {1, 1, 1u << 0, VEK_ERROR_WAIT_TIMEOUT},
      {2, 2, 1u << 21, VEK_SUCCESS},
      {4, 5, 1u << 2, VEK_SUCCESS},                 // unknown groups wait for done flags
      {0x401, 0, 1u << 0, VEK_ERROR_WAIT_TIMEOUT},  // mask bit 10 awaits limit X
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mask " << c.mask << " group " << c.group);
    gState.netStatusFlags = c.flags;
    EXPECT_EQ(c.result, WaitOnEthernet(&sock, c.mask, 30, c.group));
  }
}

TEST_F(WaitTest, NotificationsCompleteTheWait) {
  peer.Push(Notification(0x1), 20);
  peer.Push(Notification(0x4), 80);
  uint32_t result = 0;
  double ms = MillisecondsOf([&] { result = WaitOnEthernet(&sock, 0x5, 5000, 0); });
  EXPECT_EQ(VEK_SUCCESS, result);
  EXPECT_EQ(0x5u, gState.netStatusFlags);
  EXPECT_GE(ms, 70.0);
  EXPECT_LT(ms, 3000.0);
}

TEST_F(WaitTest, TimesOutOnAQuietOrBrokenConnection) {
  uint32_t result = 0;
  double ms = MillisecondsOf([&] { result = WaitOnEthernet(&sock, 0x1, 100, 0); });
  EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, result);
  EXPECT_GE(ms, 100.0);
  EXPECT_LT(ms, 3000.0);
  EXPECT_NE(std::string::npos, log.Traces().back().find("  Timeout:100  lRet:6"));

  // Failing reads do not end the wait early.
  uint32_t closed = 0;
  ms = MillisecondsOf([&] { result = WaitOnEthernet(&closed, 0x1, 50, 0); });
  EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, result);
  EXPECT_GE(ms, 50.0);
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, WaitOnEthernet(nullptr, 0x1, 50, 0));
}

TEST_F(WaitTest, TimeTestComesBeforeTheFlagTest) {
  // The notification arrives in the first poll, but after the 1 ms limit.
  peer.Push(Notification(0x1), 5);
  EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, WaitOnEthernet(&sock, 0x1, 1, 0));
  EXPECT_EQ(0x1u, gState.netStatusFlags);
}

}  // namespace
}  // namespace vek::test
