// The serial motion wait over a pty: its drain count, and notifications that
// end it.
#include "tests/serial/serial_fixture.h"

namespace vek::test {
namespace {

using SerialWaitTest = SerialPortTest;

TEST_F(SerialWaitTest, QuietPortIsDrainedOncePerFiveOfTheTimeOut) {
  // Zero and negative time-outs return at once, without a trace.
  EXPECT_EQ(WaitOnSerial(&handle_, 1, 0, 0), VEK_SUCCESS);
  EXPECT_EQ(WaitOnSerial(&handle_, 1, -5, 0), VEK_ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(log.Traces().empty());

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
  } cases[] = {
      {1, "%000 00000001\n", "%000 00000100\n"},
      {2, "%000 00000100\n", "%000 00010000\n"},
      {7, "%000 00000100\n", "%000 00000001\n"},  // any other group waits for done
  };
  for (const Case& c : cases) {
    gState.serStatusFlags = 0;
    peer_.PushLater(c.unrelated, 20);
    peer_.PushLater(std::string("noise\n") + c.awaited, 80);
    uint32_t result = 0;
    double ms = MillisecondsOf([&] { result = WaitOnSerial(&handle_, 1, 5000, c.group); });
    EXPECT_EQ(result, VEK_SUCCESS) << c.group;
    EXPECT_GE(ms, 60.0) << c.group;
    EXPECT_LT(ms, 2500.0) << c.group;
  }
  // Every axis of the mask is awaited: Y never comes.
  peer_.PushLater("%000 00000001\n", 10);
  EXPECT_EQ(WaitOnSerial(&handle_, 0x3, 50, 0), VEK_ERROR_WAIT_TIMEOUT);
}

TEST_F(SerialWaitTest, FailingReadsUseTheCountUpAtOnce) {
  peer_.CloseMaster();
  ASSERT_TRUE(peer_.WaitIdle(1000));
  double ms = MillisecondsOf([&] { EXPECT_EQ(WaitOnSerial(&handle_, 1, 2000, 0), VEK_ERROR_WAIT_TIMEOUT); });
  EXPECT_LT(ms, 1000.0);
}

}  // namespace
}  // namespace vek::test
