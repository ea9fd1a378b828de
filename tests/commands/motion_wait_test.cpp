// The waits of the moves and searches on both transports: which notification
// ends them, what a time-out returns, and when a search is stopped.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

// Notification values: done bits of X, Y, Z in bits 0..2, limit of Z in bit 10.
constexpr uint32_t kDoneX = 0x1;
constexpr uint32_t kDoneY = 0x2;
constexpr uint32_t kDoneZ = 0x4;
constexpr uint32_t kLimitZ = 0x400;

class MotionWait : public TransportTest {
 protected:
  using Clock = std::chrono::steady_clock;
  static long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  }
};

TEST_P(MotionWait, MoveAxisEndsWithTheDoneFlagOfItsAxis) {
  PushFlags(kDoneY, 20);  // another axis: not the end
  PushFlags(kDoneX, 120);
  const auto start = Clock::now();
  EXPECT_EQ(0u, Call(VEKnet_MoveAxis, VEKser_MoveAxis, 1, 0, 1000, 0, 10000));
  const long long took = MsSince(start);
  EXPECT_GE(took, 100);
  EXPECT_LT(took, 5000);
  EXPECT_EQ("AXMA1000;GDID;", Sent());
}

TEST_P(MotionWait, MoveAxisTimesOutWhileTheAxisKeepsMoving) {
  const auto start = Clock::now();
  EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, Call(VEKnet_MoveAxis, VEKser_MoveAxis, 2, 1, -250, 1, 150));
  EXPECT_GE(MsSince(start), 100);
  EXPECT_EQ("AYMR-250;GDIP;", Sent());  // no stop follows
}

TEST_P(MotionWait, MoveAxisWithANegativeTimeOutDiffersByTransport) {
  // The serial wait refuses the time-out after the move went out; the
  // Ethernet move does not wait at all.
  const uint32_t expected = serial() ? VEK_ERROR_INVALID_PARAMETER : VEK_SUCCESS;
  EXPECT_EQ(expected, Call(VEKnet_MoveAxis, VEKser_MoveAxis, 1, 0, 1000, 0, -1));
  EXPECT_EQ("AXMA1000;GDID;", Sent());
}

TEST_P(MotionWait, EthernetMoveAxisDumpsTheFlagsBeforeItsWait) {
  LogCapture log(0x4);
  ASSERT_TRUE(log.started());
  PushFlags(kDoneX, 30);
  EXPECT_EQ(0u, Call(VEKnet_MoveAxis, VEKser_MoveAxis, 1, 0, 5, 0, 5000));
  const std::string dump = HandleText(handle()) + " - VEKnet_MoveAxis - done:0x00 limit:0x00 slip:0x00 err:0x0";
  EXPECT_EQ(serial() ? 0 : 1, log.CountContaining("VEKnet_MoveAxis - done:"));
  if (!serial()) {
    EXPECT_TRUE(log.HasTrace(dump));
  }
}

TEST_P(MotionWait, MoveWaitsForEveryAxisOfItsMask) {
  const int32_t targets[10] = {100, 0, -5};
  PushFlags(kDoneX, 30);
  PushFlags(kDoneZ, 150);
  const auto start = Clock::now();
  EXPECT_EQ(0u, Call(VEKnet_Move, VEKser_Move, 5, 0, 2, targets, 1, 10000));
  const long long took = MsSince(start);
  EXPECT_GE(took, 130);
  EXPECT_LT(took, 5000);
  EXPECT_EQ("AAMT100,,-5;;GDIP;", Sent());
}

TEST_P(MotionWait, MoveTimesOutWhenOneAxisNeverReports) {
  const int32_t targets[10] = {100, 0, -5};
  PushFlags(kDoneX, 20);
  EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, Call(VEKnet_Move, VEKser_Move, 5, 0, 0, targets, 0, 200));
  EXPECT_EQ("AAMA100,,-5;;GDID;", Sent());
}

TEST_P(MotionWait, MoveRefusesANegativeTimeOutAfterSending) {
  const int32_t targets[10] = {100};
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, Call(VEKnet_Move, VEKser_Move, 1, 1, 0, targets, 0, -1));
  EXPECT_EQ("AMMA100;;GDID;", Sent());
}

TEST_P(MotionWait, MoveOfNoAxesEndsAtOnce) {
  const int32_t targets[10] = {};
  const auto start = Clock::now();
  EXPECT_EQ(0u, Call(VEKnet_Move, VEKser_Move, 0, 0, 0, targets, 0, 60000));
  EXPECT_LT(MsSince(start), 5000);
  EXPECT_EQ("AAMA;GDID;", Sent());
}

TEST_P(MotionWait, HomeSearchThatEndsIsNotStopped) {
  PushFlags(kDoneY, 50);
  EXPECT_EQ(0u, Call(VEKnet_FindAxisHome, VEKser_FindAxisHome, 2, 0, 0, 0, 10000));
  EXPECT_EQ("AYHSHM0;ID", Sent());
}

TEST_P(MotionWait, HomeSearchThatTimesOutIsStopped) {
  PushFlags(kLimitZ, 20);  // a limit of another axis ends nothing
  EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, Call(VEKnet_FindAxisHome, VEKser_FindAxisHome, 2, 1, 1, -100, 150));
  EXPECT_EQ("AYHEHR-100;IDSI,1;", Sent());
}

TEST_P(MotionWait, LimitSearchIsStoppedWhenTheLimitIsMet) {
  PushFlags(kDoneZ, 20);  // the done flag is not the limit flag
  PushFlags(kLimitZ, 120);
  const auto start = Clock::now();
  EXPECT_EQ(0u, Call(VEKnet_FindAxisLimit, VEKser_FindAxisLimit, 4, 1, 5000, 10000));
  EXPECT_GE(MsSince(start), 100);
  EXPECT_EQ("AZLNJG-5000;SI,,1;", Sent());

  // The flag stays set, so the next search toward it ends at once, and is
  // stopped all the same.
  const auto again = Clock::now();
  EXPECT_EQ(0u, Call(VEKnet_FindAxisLimit, VEKser_FindAxisLimit, 4, 0, 5000, 60000));
  EXPECT_LT(MsSince(again), 5000);
  EXPECT_EQ("AZLNJG5000;SI,,1;", Sent());
}

TEST_P(MotionWait, LimitSearchThatTimesOutIsStopped) {
  EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, Call(VEKnet_FindAxisLimit, VEKser_FindAxisLimit, 4, 0, 5000, 150));
  EXPECT_EQ("AZLNJG5000;SI,,1;", Sent());
}

VEK_TRANSPORT_SUITE(MotionWait);

}  // namespace
}  // namespace vek::test
