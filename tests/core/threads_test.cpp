// Two controllers on one transport, driven from two threads at once. Each
// transport has one status word for all of its connections: both threads'
// reads fold notifications into it while the other thread clears flags in it.
// Run under ThreadSanitizer as well (the "tsan" preset).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "tests/support/log_capture.h"
#include "tests/support/pty_peer.h"
#include "tests/support/tcp_peer.h"
#include "tests/support/twins.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

constexpr int32_t kWaitMs = 3000;
constexpr int32_t kAxisZ = VEK_AXIS_Z;

// One scripted controller that acknowledges the move of its axis (X or Y)
// and reports that axis done `doneMs` later.
class Controller {
 public:
  Controller(bool serial, int comPort, int32_t axis, int doneMs)
      : serial_(serial),
        comPort_(comPort),
        axis_(axis),
        doneMs_(doneMs),
        peer_(serial ? static_cast<ScriptedPeer*>(new PtyPeer(comPort)) : new TcpPeer()) {}
  ~Controller() { serial_ ? VEKser_Close(&handle_) : VEKnet_Close(&handle_); }

  uint32_t Open() {
    return serial_ ? VEKser_Initialize(comPort_, 115200, &handle_) : static_cast<TcpPeer&>(*peer_).Connect(&handle_);
  }

  // The thread's work: the move and its wait, then a clear of an axis
  // nobody waits for, so that it meets the other thread's folds.
  void MoveAndClear() {
    const std::string done = Notification(static_cast<uint32_t>(axis_), serial_ ? "\n" : "\r\n");
    peer_->QueueReply(Reply{{serial_ ? "" : "\x06"}, {done, doneMs_}});
    moved = Twins(serial_).MoveAxis(&handle_, axis_, 0, 1000, 0, kWaitMs);
    cleared = Twins(serial_).ClearMultiAxisDoneFlags(&handle_, kAxisZ);
  }
  uint32_t ClearOwnAxis() { return Twins(serial_).ClearMultiAxisDoneFlags(&handle_, axis_); }

  uint32_t moved = 0xFFFFFFFFu;
  uint32_t cleared = 0xFFFFFFFFu;

 private:
  bool serial_;
  int comPort_;
  int32_t axis_;
  int doneMs_;
  uint32_t handle_ = 0;
  std::unique_ptr<ScriptedPeer> peer_;
};

void RunTogether(Controller& a, Controller& b) {
  ASSERT_EQ(VEK_SUCCESS, a.ClearOwnAxis());
  ASSERT_EQ(VEK_SUCCESS, b.ClearOwnAxis());
  std::thread other([&] { b.MoveAndClear(); });
  a.MoveAndClear();
  other.join();
}

TEST(Threads, TwoControllersMoveAndWaitAtOnce) {
  LogCapture log(kAllTraces);  // every trace category runs on both threads
  ASSERT_TRUE(log.started());
  for (bool serial : {false, true}) {
    SCOPED_TRACE(serial ? "serial" : "Ethernet");
    Controller quick(serial, 21, VEK_AXIS_X, 20);
    Controller slow(serial, 22, VEK_AXIS_Y, 150);
    ASSERT_EQ(VEK_SUCCESS, quick.Open());
    ASSERT_EQ(VEK_SUCCESS, slow.Open());
    for (int round = 0; round < 3; ++round) {
      RunTogether(quick, slow);
      EXPECT_EQ(VEK_SUCCESS, quick.moved) << "round " << round;
      EXPECT_EQ(VEK_SUCCESS, slow.moved) << "round " << round;
      EXPECT_EQ(VEK_SUCCESS, quick.cleared);
      EXPECT_EQ(VEK_SUCCESS, slow.cleared);
    }
  }
}

// The shared word seen from outside: when two Ethernet controllers move the
// same axis, the first done ends both waits, and the wait whose own link
// stayed silent says so with 101 instead of claiming success mid-move.
TEST(Threads, ASharedAxisEndsTheOtherWaitWithItsSilentPoll) {
  Controller quick(false, 0, VEK_AXIS_X, 200);
  Controller slow(false, 0, VEK_AXIS_X, 1500);
  ASSERT_EQ(VEK_SUCCESS, quick.Open());
  ASSERT_EQ(VEK_SUCCESS, slow.Open());
  RunTogether(quick, slow);
  EXPECT_EQ(VEK_SUCCESS, quick.moved);
  EXPECT_EQ(VEK_ERROR_POLL_TIMEOUT, slow.moved);
}

}  // namespace
}  // namespace vek::test
