// Two controllers on one transport, driven from two threads at once. Each
// transport has one status word for all of its connections: both threads'
// reads fold notifications into it while the other thread clears flags in it,
// and the move that ends first on one controller also ends the wait on the
// other. Run under ThreadSanitizer as well (the "tsan" preset).
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "tests/support/log_capture.h"
#include "tests/support/pty_peer.h"
#include "tests/support/tcp_peer.h"
#include "vekkestra.h"

namespace vek::test {
namespace {

constexpr int32_t kAxisX = 1;
constexpr int32_t kAxisZ = 4;
constexpr int32_t kWaitMs = 3000;
constexpr char kMoveX[] = "AXMA1000;GDID;";

// One scripted controller that acknowledges the move of X and reports X
// done `doneMs` later.
class Controller {
 public:
  Controller(bool serial, int comPort, int doneMs) : serial_(serial), comPort_(comPort), doneMs_(doneMs) {
    if (serial_) {
      pty_ = std::make_unique<PtyPeer>(comPort_);
      pty_->Reply(kMoveX, std::vector<PtyPeer::Step>{{doneMs_, "%000 00000001\n"}});
    } else {
      tcp_ = std::make_unique<TcpPeer>();
    }
  }
  ~Controller() { serial_ ? VEKser_Close(&handle_) : VEKnet_Close(&handle_); }

  uint32_t Open() { return serial_ ? VEKser_Initialize(comPort_, 115200, &handle_) : tcp_->Connect(&handle_); }

  // The thread's work: the move and its wait, then a clear of an axis
  // nobody waits for, so that it meets the other thread's folds.
  void MoveAndClear() {
    if (!serial_) tcp_->QueueReply(Reply{{"\x06"}, {Notification(0x1), doneMs_}});
    moved_ = serial_ ? VEKser_MoveAxis(&handle_, kAxisX, 0, 1000, 0, kWaitMs)
                     : VEKnet_MoveAxis(&handle_, kAxisX, 0, 1000, 0, kWaitMs);
    cleared_ =
        serial_ ? VEKser_ClearMultiAxisDoneFlags(&handle_, kAxisZ) : VEKnet_ClearMultiAxisDoneFlags(&handle_, kAxisZ);
  }

  uint32_t ClearX() {
    return serial_ ? VEKser_ClearMultiAxisDoneFlags(&handle_, kAxisX)
                   : VEKnet_ClearMultiAxisDoneFlags(&handle_, kAxisX);
  }

  uint32_t moved() const { return moved_; }
  uint32_t cleared() const { return cleared_; }

 private:
  bool serial_;
  int comPort_;
  int doneMs_;
  uint32_t handle_ = 0;
  uint32_t moved_ = 0xFFFFFFFFu;
  uint32_t cleared_ = 0xFFFFFFFFu;
  std::unique_ptr<TcpPeer> tcp_;
  std::unique_ptr<PtyPeer> pty_;
};

TEST(Threads, TwoControllersMoveAndWaitAtOnce) {
  LogCapture log(kAllTraces);  // every trace category runs on both threads
  ASSERT_TRUE(log.started());
  for (bool serial : {false, true}) {
    SCOPED_TRACE(serial ? "serial" : "Ethernet");
    // The quick controller's done notification ends the slow one's wait too,
    // while the slow one's poll has heard nothing: that is still a success.
    Controller quick(serial, 21, 20);
    Controller slow(serial, 22, 150);
    ASSERT_EQ(VEK_SUCCESS, quick.Open());
    ASSERT_EQ(VEK_SUCCESS, slow.Open());
    for (int round = 0; round < 3; ++round) {
      ASSERT_EQ(VEK_SUCCESS, quick.ClearX());
      std::thread other([&] { slow.MoveAndClear(); });
      quick.MoveAndClear();
      other.join();
      EXPECT_EQ(VEK_SUCCESS, quick.moved()) << "round " << round;
      EXPECT_EQ(VEK_SUCCESS, slow.moved()) << "round " << round;
      EXPECT_EQ(VEK_SUCCESS, quick.cleared());
      EXPECT_EQ(VEK_SUCCESS, slow.cleared());
    }
  }
}

}  // namespace
}  // namespace vek::test
