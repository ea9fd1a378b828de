// What the two transports' exchanges and waits share, and the waits of the
// moves and searches: which notification ends them, when a search is stopped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/state.h"
#include "ethernet/ethernet.h"
#include "serial/serial.h"
#include "tests/commands/transport_fixture.h"
#include "tests/support/log_capture.h"

namespace vek::test {
namespace {

class Exchange : public TransportTest {
 protected:
  char answer_[32];
};

TEST_P(Exchange, RefusesMissingArgumentsAndSendsNothing) {
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, ops().SendCommand(nullptr, "AXST;"));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, ops().SendCommand(handle(), nullptr));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, ops().Query(nullptr, "AXRP;", answer_, 16));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, ops().Query(handle(), nullptr, answer_, 16));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, ops().Query(handle(), "AXRP;", nullptr, 16));
  EXPECT_EQ(VEK_ERROR_INVALID_PARAMETER, ops().Query(handle(), "AXRP;", answer_, 0));
  EXPECT_EQ("", Sent());
}

// A stale copy of a closed handle names whatever is opened next on that
// number: here a socket that is not the library's, whose other end must hear
// nothing, and which must stay open.
TEST_P(Exchange, StaleCopyOfAClosedHandleReachesNothing) {
  uint32_t stale = *handle();
  const int n = static_cast<int>(stale);
  Close(handle());
  LastError();
  int pair[2];
  ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair));
  ASSERT_EQ(n, dup2(pair[0], n));
  if (pair[0] != n) close(pair[0]);
  const uint32_t refused = serial() ? VEK_ERROR_SERIAL_WRITE : VEK_ERROR_SOCKET_SEND;
  EXPECT_EQ(refused, ops().SendCommand(&stale, "AXMA1000;GD;"));
  EXPECT_EQ(serial() ? EBADF : ENOTSOCK, LastError());
  EXPECT_EQ(refused, ops().Query(&stale, "AXRP;", answer_, sizeof answer_));
  Close(&stale);
  EXPECT_NE(-1, fcntl(n, F_GETFD)) << "closed by a stale copy";
  EXPECT_EQ(-1, recv(pair[1], answer_, sizeof answer_, 0)) << "the other end heard something";
  close(n);
  close(pair[1]);
}

TEST_P(Exchange, ControllerHangingUpMidAnswerIsAReadFailureThatStays) {
  {
    LogCapture log(kAllTraces);
    ASSERT_TRUE(log.started());
    peer_->QueueReply(Reply{{serial() ? "12" : "\x06"}, CloseConnection(30)});
    std::memset(answer_, 'x', sizeof answer_);
    EXPECT_EQ(serial() ? VEK_ERROR_SERIAL_READ : VEK_ERROR_SOCKET_RECEIVE, ops().Query(handle(), "AXRP;", answer_, 16));
    EXPECT_STREQ("", answer_);
    EXPECT_EQ(serial() ? EIO : 0, LastError());
    EXPECT_TRUE(log.HasTrace(HandleText(handle()) +
                             (serial() ? " - ReadSerialBuff() ReadFile() error:5" : " - ReadTCPIP() recv() error:0")));
    EXPECT_EQ(serial() ? VEK_ERROR_SERIAL_WRITE : VEK_ERROR_SOCKET_RECEIVE, ops().SendCommand(handle(), "AXST;"));
  }
  // The serial wait counts drains, not time: on a dead port each drain fails
  // at once, and the wait ends long before a wait by the clock could (its
  // whole time-out; untraced, the 400 failed reads take well under that).
  if (serial()) {
    EXPECT_LT(MillisecondsOf([&] { EXPECT_EQ(VEK_ERROR_WAIT_TIMEOUT, WaitOnSerial(handle(), 1, 2000, 0)); }), 2000.0);
  }
}

TEST_P(Exchange, WaitEndsOnTheFlagsOfItsGroupWithoutReadingWhenSetAtEntry) {
  const struct {
    int32_t mask;
    int32_t timeoutMs;
    uint32_t group;  // 1 limit, 2 slip, any other done
    uint32_t word;   // set before the wait
    uint32_t result;
  } cases[] = {
      {1, 0, 0, 0, VEK_SUCCESS},  // a zero time-out waits for nothing
      {1, -1, 0, 0, VEK_ERROR_INVALID_PARAMETER},
      {5, 1000, 0, 0x5, VEK_SUCCESS},
      {4, 30, 5, 0x4, VEK_SUCCESS},
      {1, 30, 1, 1u << 10, VEK_SUCCESS},
      {5, 30, 2, 0x5u << 20, VEK_SUCCESS},
      {1, 30, 1, 0x1, VEK_ERROR_WAIT_TIMEOUT},
      {0x401, 30, 0, 0x1, VEK_ERROR_WAIT_TIMEOUT},  // bit 10 reaches into the limit group
  };
  PushFlags(0x2);  // unread as long as no wait reads
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    word() = c.word;
    EXPECT_EQ(c.result, (serial() ? WaitOnSerial : WaitOnEthernet)(handle(), c.mask, c.timeoutMs, c.group));
    if (c.result != VEK_ERROR_WAIT_TIMEOUT) {
      EXPECT_EQ(c.word, word()) << "the wait read the link";
    }
  }
}

VEK_TRANSPORT_SUITE(Exchange);

// Notification values: done bits of X, Y, Z in bits 0..2, limits from bit 8.
constexpr uint32_t kDoneX = 0x1, kDoneY = 0x2, kDoneZ = 0x4, kLimitY = 0x200, kLimitZ = 0x400;
constexpr uint32_t kOut = VEK_ERROR_WAIT_TIMEOUT;
constexpr int32_t kX = VEK_AXIS_X, kY = VEK_AXIS_Y, kZ = VEK_AXIS_Z;
const int32_t kXZ[10] = {100, 0, -5};

class MotionWait : public TransportTest {};

TEST_P(MotionWait, EachEndsOnItsOwnFlagsOrTimesOut) {
  const struct {
    const char* name;
    Invoke call;
    uint32_t flags[2];  // notifications sent 20 and 60 ms into the call (0: none)
    uint32_t result;
    const char* sent;
  } cases[] = {
      {"another axis ends no move", TWIN(MoveAxis, kX, 0, 1000, 0, 300), {kDoneY}, kOut, "AXMA1000;GDID;"},
      {"its own axis ends it", TWIN(MoveAxis, kX, 0, 1000, 0, 10000), {kDoneX}, 0, "AXMA1000;GDID;"},
      {"one axis of two", TWIN(Move, kX | kZ, 0, 0, kXZ, 0, 300), {kDoneX}, kOut, "AAMA100,,-5;;GDID;"},
      {"both axes", TWIN(Move, kX | kZ, 0, 2, kXZ, 1, 10000), {kDoneX, kDoneZ}, 0, "AAMT100,,-5;;GDIP;"},
      {"no axes end at once", TWIN(Move, 0, 0, 0, kXZ, 0, 60000), {}, 0, "AAMA;GDID;"},
      {"negative time-out after sending", TWIN(Move, kX, 1, 0, kXZ, 0, -1), {}, 3, "AMMA100;;GDID;"},
      // The serial wait refuses it after the move went out; the Ethernet move does not wait.
      {"one axis, negative time-out", TWIN(MoveAxis, kX, 0, 1000, 0, -1), {}, serial() ? 3u : 0u, "AXMA1000;GDID;"},
      {"home found, not stopped", TWIN(FindAxisHome, kY, 0, 0, 0, 10000), {kDoneY}, 0, "AYHSHM0;ID"},
      {"home: a limit ends nothing", TWIN(FindAxisHome, kY, 1, 1, -100, 300), {kLimitY}, kOut, "AYHEHR-100;IDSI,1;"},
      {"limit: done ends nothing", TWIN(FindAxisLimit, kZ, 0, 5000, 300), {kDoneZ}, kOut, "AZLNJG5000;SI,,1;"},
      {"limit met, stopped", TWIN(FindAxisLimit, kZ, 1, 5000, 10000), {kDoneZ, kLimitZ}, 0, "AZLNJG-5000;SI,,1;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    gState.netStatusFlags = gState.serStatusFlags = 0;  // nothing set by an earlier case
    if (c.flags[0] != 0) PushFlags(c.flags[0], 20);
    if (c.flags[1] != 0) PushFlags(c.flags[1], 60);
    EXPECT_EQ(c.result, c.call(handle(), serial()));
    EXPECT_EQ(c.sent, Sent());
  }
}

VEK_TRANSPORT_SUITE(MotionWait);

}  // namespace
}  // namespace vek::test
