// The serial motion wait over a pty: its drain count, and notifications that
// end it.
#include <chrono>
#include <string>

#include "serial/serial.h"
#include "tests/serial/serial_fixture.h"
#include "tests/support/log_capture.h"

namespace vek::test {
namespace {

using Clock = std::chrono::steady_clock;

class SerialWaitTest : public SerialPortTest {};

TEST_F(SerialWaitTest, ZeroAndNegativeTimeOutsReturnAtOnceWithoutTrace) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  EXPECT_EQ(WaitOnSerial(&handle_, 1, 0, 0), VEK_SUCCESS);
  EXPECT_EQ(WaitOnSerial(&handle_, 1, -5, 0), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(log.CountContaining("WaitOnSerial"), 0);
  EXPECT_EQ(log.CountContaining("ReadSerialBuff"), 0);
}

TEST_F(SerialWaitTest, QuietPortIsDrainedOncePerFiveOfTheTimeOut) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  const std::string h = HandleText(&handle_);
  struct Case {
    int timeout;
    int drains;
  } cases[] = {{5, 1}, {7, 2}, {10, 2}, {11, 3}};
  for (const Case& c : cases) {
    log.Clear();
    EXPECT_EQ(WaitOnSerial(&handle_, 1, c.timeout, 0), VEK_ERROR_WAIT_TIMEOUT) << c.timeout;
    EXPECT_EQ(log.CountContaining("ReadSerialBuff() timeout=-35"), c.drains) << c.timeout;
    const std::string t = std::to_string(c.timeout);
    EXPECT_TRUE(log.HasTrace(h + " - WaitOnSerial() | start | Flags:0x0  lAxes:0x1  lTimeout:" + t));
    EXPECT_TRUE(log.HasTrace(h + " - WaitOnSerial | OutOfLoop - lflags:0x0  lAxes:0x1  lRetVal:6  recv timeout: " +
                             std::to_string(5 * c.drains) + ", timeout: " + t));
  }
}

TEST_F(SerialWaitTest, FlagsAlreadySetEndTheWaitWithoutReading) {
  LogCapture log(kAllTraces);
  ASSERT_TRUE(log.started());
  gState.serStatusFlags = 0x5u << 20;
  EXPECT_EQ(WaitOnSerial(&handle_, 0x5, 1000, 2), VEK_SUCCESS);
  EXPECT_EQ(log.CountContaining("ReadSerialBuff"), 0);
  EXPECT_EQ(log.CountContaining("lRetVal:0  recv timeout: 0, timeout: 1000"), 1);
  EXPECT_EQ(gState.serStatusFlags, 0x5u << 20);  // the wait never clears a flag
}

TEST_F(SerialWaitTest, NotificationOfTheAwaitedGroupEndsTheWait) {
  struct Case {
    uint32_t group;
    const char* unrelated;  // arrives first and must not end the wait
    const char* awaited;
    uint32_t bit;
  } cases[] = {
      {0, "%000 00000100\n", "%000 00000001\n", 1u << 0},
      {1, "%000 00000001\n", "%000 00000100\n", 1u << 10},
      {2, "%000 00000100\n", "%000 00010000\n", 1u << 20},
      {7, "%000 00000100\n", "%000 00000001\n", 1u << 0},  // any other group waits for done
  };
  for (const Case& c : cases) {
    gState.serStatusFlags = 0;
    peer_.PushLater(c.unrelated, 20);
    peer_.PushLater(std::string("noise\n") + c.awaited, 80);
    auto start = Clock::now();
    EXPECT_EQ(WaitOnSerial(&handle_, 1, 5000, c.group), VEK_SUCCESS) << c.group;
    double elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 60.0) << c.group;
    EXPECT_LT(elapsed, 2500.0) << c.group;
    EXPECT_EQ(gState.serStatusFlags & c.bit, c.bit) << c.group;
  }
}

TEST_F(SerialWaitTest, EveryAxisOfTheMaskIsAwaited) {
  peer_.PushLater("%000 00000001\n", 10);
  peer_.PushLater("%000 00000004\n", 60);
  EXPECT_EQ(WaitOnSerial(&handle_, 0x5, 3000, 0), VEK_SUCCESS);
  EXPECT_EQ(gState.serStatusFlags, 0x5u);
  // Y never comes.
  EXPECT_EQ(WaitOnSerial(&handle_, 0x3, 50, 0), VEK_ERROR_WAIT_TIMEOUT);
}

TEST_F(SerialWaitTest, FailingReadsUseTheCountUpAtOnce) {
  peer_.CloseMaster();
  ASSERT_TRUE(peer_.WaitIdle(1000));
  auto start = Clock::now();
  EXPECT_EQ(WaitOnSerial(&handle_, 1, 2000, 0), VEK_ERROR_WAIT_TIMEOUT);
  EXPECT_LT(MillisecondsSince(start), 1000.0);
  uint32_t closed = 0;
  EXPECT_EQ(WaitOnSerial(&closed, 1, 100, 0), VEK_ERROR_WAIT_TIMEOUT);
}

}  // namespace
}  // namespace vek::test
