// The motion core against the simulator through the real library, on both
// links: the axis-state tracker that the monitors use, cancel and interrupt
// from another thread, and failed opens that leave nothing open.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <string>

#include "tests/sim/sim_link.h"
#include "vekkestra_motion.h"

namespace vek::test {
namespace {

using sim::Eventually;
using sim::Link;
using std::chrono::milliseconds;

constexpr int kComPort = 27;

class MotionCore : public sim::SimTest {
 protected:
  MotionCore() : SimTest(kComPort) {}
  void TearDown() override {
    vekm_free(ctl_);
    SimTest::TearDown();
  }
  void Open(sim::Options o = sim::Options()) {
    ASSERT_NO_FATAL_FAILURE(StartSim(o));
    VekmError e;
    const uint32_t rc = serial() ? vekm_open_serial(kComPort, 115200, &ctl_, &e)
                                 : vekm_open_tcp("localhost", sim_->tcpPort(), &ctl_, &e);
    ASSERT_EQ(rc, VEK_SUCCESS) << e.message;
  }
  // Polls until `done` holds for the states; the last states seen.
  template <class Done>
  bool PollUntil(Done done, VekmAxisState* states, uint32_t* word = nullptr) {
    return Eventually([&] {
      VekmError e;
      return vekm_poll(ctl_, states, word, &e) == VEK_SUCCESS && done(states);
    });
  }

  VekmController* ctl_ = nullptr;
};

// What the tracker reports: positions from the simulator, an axis moving and
// then ended at its target, the home switch, and the motions it did not
// start as not its own.
TEST_P(MotionCore, TheTrackerSeesEachAxisMoveEndAndRest) {
  sim::Options o;
  o.axes[1].homeSwitch = 5000;  // Y stands off its home switch; Z on its own (at 0)
  ASSERT_NO_FATAL_FAILURE(Open(o));
  VekmError e;
  int32_t targets[VEK_AXIS_COUNT] = {};
  targets[0] = 20000;
  ASSERT_EQ(vekm_move(ctl_, VEK_AXIS_X, targets, 0, 0, &e), VEK_SUCCESS) << e.message;
  VekmAxisState s[VEK_AXIS_COUNT];
  ASSERT_TRUE(PollUntil([](const VekmAxisState* a) { return a[0].state == VEKM_STATE_MOVING; }, s));
  EXPECT_TRUE(s[0].flags & VEKM_AXIS_OURS);
  EXPECT_TRUE(s[0].flags & VEKM_AXIS_HAS_TARGET);
  EXPECT_EQ(s[0].target, 20000);
  EXPECT_EQ(s[0].direction, 1);
  EXPECT_EQ(s[1].state, VEKM_STATE_AT_REST);
  EXPECT_TRUE(s[2].flags & VEKM_AXIS_HOME_SWITCH);
  EXPECT_FALSE(s[1].flags & VEKM_AXIS_HOME_SWITCH);

  bool ended = false;
  ASSERT_TRUE(PollUntil(
      [&](const VekmAxisState* a) {
        ended = ended || (a[0].flags & VEKM_AXIS_ENDED) != 0;
        return a[0].state == VEKM_STATE_AT_REST;
      },
      s));
  EXPECT_TRUE(ended);
  EXPECT_EQ(s[0].motor, 20000);
  EXPECT_EQ(s[0].encoder, 20000);
  EXPECT_FALSE(s[0].flags & (VEKM_AXIS_OURS | VEKM_AXIS_SHORT));
  EXPECT_EQ(vekm_moving(ctl_), 0);

  // Another program's motion is seen, and is not this controller's.
  ASSERT_EQ(vekm_send(ctl_, "AYJG3000;", &e), VEK_SUCCESS) << e.message;
  ASSERT_TRUE(PollUntil([](const VekmAxisState* a) { return a[1].state == VEKM_STATE_MOVING; }, s));
  EXPECT_FALSE(s[1].flags & VEKM_AXIS_OURS);
  EXPECT_EQ(vekm_stop(ctl_, VEK_AXIS_Y, &e), VEK_SUCCESS);
}

// A motion of this controller that nobody waits on ends at a limit: the
// tracker reports the limit and stops the other axis of that motion.
TEST_P(MotionCore, TheTrackerEndsAMotionAtALimitAndStopsItsPartner) {
  sim::Options o;
  o.axes[0].positiveLimit = 4000;
  ASSERT_NO_FATAL_FAILURE(Open(o));
  VekmError e;
  int32_t targets[VEK_AXIS_COUNT] = {9000, 200000};
  ASSERT_EQ(vekm_move(ctl_, VEK_AXIS_X | VEK_AXIS_Y, targets, 0, 0, &e), VEK_SUCCESS) << e.message;
  VekmAxisState s[VEK_AXIS_COUNT];
  uint32_t word = 0;
  ASSERT_TRUE(PollUntil([](const VekmAxisState* a) { return a[0].state == VEKM_STATE_LIMIT; }, s, &word));
  EXPECT_EQ(s[0].motor, 4000);
  EXPECT_TRUE(word & (1u << 10)) << "X's limit flag, as the header lays out the status word";
  ASSERT_TRUE(Eventually([&] { return !sim_->axis(1).moving; }, 3.0)) << "Y stopped with X";
  EXPECT_LT(sim_->axis(1).motorPosition, 200000);
  EXPECT_EQ(vekm_moving(ctl_), 0);
}

// cancel() and an interrupt from another thread end a long wait at once,
// with its axis stopped, and say which.
TEST_P(MotionCore, CancelAndInterruptEndAWaitAndStopItsAxis) {
  ASSERT_NO_FATAL_FAILURE(Open());
  // A cancel 1 ms after the call began comes while the move is still being
  // started: it must end the wait all the same.
  for (const auto& [signal, delay] : {std::pair{0, 300}, std::pair{15, 300}, std::pair{0, 1}}) {
    SCOPED_TRACE((signal == 0 ? "cancel after " : "interrupt after ") + std::to_string(delay) + " ms");
    auto later = std::async(std::launch::async, [&, delay = delay, signal = signal] {
      std::this_thread::sleep_for(milliseconds(delay));
      if (signal == 0) {
        vekm_cancel(ctl_);
      } else {
        vekm_interrupt(signal);
      }
    });
    VekmError e;
    const auto start = sim::Clock::now();
    EXPECT_EQ(vekm_move_axis(ctl_, VEK_AXIS_X, 1000000, 0, 20000, &e), VEKM_CANCELLED) << e.message;
    later.get();
    // The cancel's 300 ms, about 20 ms to notice it and the stop's reply
    // within its 2.5 s: far short of the 20 s time-out.
    EXPECT_LT(sim::SecondsSince(start), 3.0) << "ended by the cancel, not by the time-out";
    EXPECT_EQ(e.kind, VEKM_KIND_CANCELLED);
    EXPECT_EQ(e.signal, signal);
    EXPECT_EQ(e.stopped, VEK_AXIS_X);
    EXPECT_TRUE(Eventually([&] { return !sim_->axis(0).moving; }, 2.0));
  }
}

VEK_SIM_LINK_SUITE(MotionCore);

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

// Failed opens leave nothing open and say what was tried and why; bad
// arguments are refused before anything is opened.
TEST(MotionCoreOpen, AFailedOpenLeavesNothingOpenAndSaysWhy) {
  const int before = OpenDescriptors();
  VekmError e;
  VekmController* ctl = reinterpret_cast<VekmController*>(1);
  for (int i = 0; i < 20; ++i) {
    // Port 1 on loopback: nothing listens there for a test.
    ASSERT_EQ(vekm_open_tcp("127.0.0.1", 1, &ctl, &e), VEK_ERROR_ETHERNET_CONNECT);
    EXPECT_EQ(ctl, nullptr);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(e.kind, VEKM_KIND_CONNECTION);
  EXPECT_NE(std::string(e.message).find("127.0.0.1:1"), std::string::npos) << e.message;
  EXPECT_NE(std::string(e.hint).find("port 1"), std::string::npos) << e.hint;

  setenv("VEKKESTRA_COM29", "/nonexistent/ttyVEK", 1);
  EXPECT_EQ(vekm_open_serial(29, 115200, &ctl, &e), VEK_ERROR_SERIAL_OPEN);
  EXPECT_NE(std::string(e.message).find("/nonexistent/ttyVEK"), std::string::npos) << e.message;
  EXPECT_NE(std::string(e.hint).find("VEKKESTRA_COM29"), std::string::npos) << e.hint;
  EXPECT_EQ(OpenDescriptors(), before);

  EXPECT_EQ(vekm_open_tcp("127.0.0.1", 0, &ctl, &e), VEKM_BAD_ARGUMENT);
  EXPECT_EQ(vekm_open_serial(1, 4800, &ctl, &e), VEKM_BAD_ARGUMENT);
  EXPECT_EQ(e.kind, VEKM_KIND_ARGUMENT);
  EXPECT_EQ(vekm_move_axis(nullptr, VEK_AXIS_X, 1, 0, 0, &e), VEKM_CLOSED);
}

}  // namespace
}  // namespace vek::test
