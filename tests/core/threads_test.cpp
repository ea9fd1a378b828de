// Two controllers on one transport, driven from two threads at once. Each
// transport has one status word for all of its connections: both threads'
// reads fold notifications into it while the other thread clears flags in it.
// Run under ThreadSanitizer as well (the "tsan" preset).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/log_capture.h"
#include "tests/support/pty_peer.h"
#include "tests/support/tcp_peer.h"
#include "tests/support/twins.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

constexpr int32_t kWaitMs = 3000;
constexpr int32_t kAxisZ = VEK_AXIS_Z;

// A scripted controller that acknowledges the move of its axis (X or Y) and
// reports that axis done `doneMs` later.
struct Controller {
  Controller(bool onSerial, int comPort, int32_t axisBit, int doneAfterMs)
      : serial(onSerial),
        axis(axisBit),
        doneMs(doneAfterMs),
        peer(serial ? static_cast<ScriptedPeer*>(new PtyPeer(comPort)) : new TcpPeer()) {
    opened = serial ? VEKser_Initialize(comPort, 115200, &handle) : static_cast<TcpPeer&>(*peer).Connect(&handle);
  }
  ~Controller() { serial ? VEKser_Close(&handle) : VEKnet_Close(&handle); }

  // The thread's work: the move and its wait, then a clear of an axis
  // nobody waits for, so that it meets the other thread's folds.
  void MoveAndClear() {
    const std::string done = Notification(static_cast<uint32_t>(axis), serial ? "\n" : "\r\n");
    peer->QueueReply(Reply{{serial ? "" : "\x06"}, {done, doneMs}});
    moved = Twins(serial).MoveAxis(&handle, axis, 0, 1000, 0, kWaitMs);
    cleared = Twins(serial).ClearMultiAxisDoneFlags(&handle, kAxisZ);
  }

  bool serial;
  int32_t axis;
  int doneMs;
  std::unique_ptr<ScriptedPeer> peer;
  uint32_t handle = 0, opened = 0xFFFFFFFFu, moved = 0xFFFFFFFFu, cleared = 0xFFFFFFFFu;
};

void RunTogether(Controller& a, Controller& b) {
  ASSERT_EQ(VEK_SUCCESS, a.opened);
  ASSERT_EQ(VEK_SUCCESS, b.opened);
  ASSERT_EQ(VEK_SUCCESS, Twins(a.serial).ClearMultiAxisDoneFlags(&a.handle, a.axis | b.axis));
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
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE(round);
      RunTogether(quick, slow);
      EXPECT_EQ(std::vector<uint32_t>(4, VEK_SUCCESS),
                std::vector<uint32_t>({quick.moved, slow.moved, quick.cleared, slow.cleared}));
    }
  }
}

// The shared word seen from outside: when two Ethernet controllers move the
// same axis, the first done ends both waits, and the wait whose own link
// stayed silent says so with 101 instead of claiming success mid-move.
TEST(Threads, ASharedAxisEndsTheOtherWaitWithItsSilentPoll) {
  Controller quick(false, 0, VEK_AXIS_X, 200);
  Controller slow(false, 0, VEK_AXIS_X, 1500);
  RunTogether(quick, slow);
  EXPECT_EQ(VEK_SUCCESS, quick.moved);
  EXPECT_EQ(VEK_ERROR_POLL_TIMEOUT, slow.moved);
}

}  // namespace
}  // namespace vek::test
