// What vek::Controller does itself, beside the scenario table that every
// layer runs: the stops of its destructor and of MotionGuard, the trampoline
// of with_handle, the closed states a C++ object can be in, the poll's axis
// slots, and examples/move_xy.cpp. Against the embedded simulator, on either
// link.
#include <sys/wait.h>

#include <cstdio>
#include <optional>
#include <regex>
#include <stdexcept>
#include <thread>

#include "platform/host.h"
#include "tests/sim/sim_link.h"
#include "tests/support/twins.h"
#include "vekkestra.hpp"

namespace vek::test {
namespace {

using sim::Link;
using std::chrono::milliseconds;

// This suite's COM port (the scenario harness's too: each runs in its own process).
constexpr int kComPort = 24;

class ControllerTest : public sim::SimTest {
 protected:
  ControllerTest() : SimTest(kComPort) {}

  Controller Open() const {
    return serial() ? Controller::serial(kComPort) : Controller::tcp("localhost", sim_->tcpPort());
  }

  // Sends a command text on a TCP connection of its own, as another program would; true once it was acknowledged.
  bool AnotherProgram(const std::string& text) const {
    const int fd = host::ConnectTcp("127.0.0.1", sim_->tcpPort());
    char ack = 0;
    host::PollEntry entry{fd, false};
    const bool acked = fd >= 0 && host::WriteSome(fd, text.data(), text.size()) == static_cast<long>(text.size()) &&
                       host::PollReadable(&entry, 1, 2500) == 1 && host::ReadSome(fd, &ack, 1) == 1 && ack == 0x06;
    host::CloseDescriptor(fd);
    return acked;
  }

  // Whether the axis moves (or rests) as `moving` says within `limit`: by
  // default the 2.5 s a stop's reply may take, and its ramp.
  bool Moving(int index, bool moving, milliseconds limit = milliseconds(3000)) const {
    return sim::Eventually([&] { return sim_->axis(index).moving == moving; },
                           static_cast<double>(limit.count()) / 1e3);
  }
};

// A jog runs until something stops it, so what still runs after a scope tells
// what leaving it did. Z is jogged by another program throughout, and in the
// guard's cases Y by the same controller before the guard: neither is stopped.
TEST_P(ControllerTest, LeavingByAnExceptionStopsWhatWasSetMovingThereAndNothingElse) {
  struct Case {
    const char* name;
    bool guard;   // a MotionGuard in the scope; else the controller lives in it
    bool thrown;  // the scope is left by an exception
  };
  StartSim();
  ASSERT_TRUE(AnotherProgram("AZJG3000;"));
  for (const Case& c : {Case{"controller unwound", false, true}, Case{"controller left normally", false, false},
                        Case{"guard unwound", true, true}, Case{"guard left normally", true, false}}) {
    SCOPED_TRACE(c.name);
    // One controller at a time: a serial port has one.
    std::optional<Controller> outer;
    if (c.guard) {
      outer.emplace(Open());
      outer->jog(Axis::Y, 3000);
    }
    try {
      std::optional<Controller> inner;
      if (!c.guard) inner.emplace(Open());
      Controller& ctl = c.guard ? *outer : *inner;
      std::optional<MotionGuard> guard;
      if (c.guard) guard.emplace(ctl);
      ctl.jog(Axis::X, 5000);
      ASSERT_TRUE(Moving(0, true));
      if (c.thrown) throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Moving(0, false), c.thrown);
    EXPECT_TRUE(sim_->axis(2).moving);
    if (c.guard) {
      EXPECT_TRUE(sim_->axis(1).moving);
    }
    if (!outer) outer.emplace(Open());
    outer->stop(Axes{Axis::X, Axis::Y});
    ASSERT_TRUE(Moving(0, false));
    ASSERT_TRUE(Moving(1, false));
  }
}

// The guard's scope is the thread it lives in: a motion another thread starts
// meanwhile is that thread's business.
TEST_P(ControllerTest, GuardStopsOnlyWhatItsOwnThreadSetMoving) {
  StartSim();
  Controller ctl = Open();
  try {
    MotionGuard guard(ctl);
    ctl.jog(Axis::X, 4000);
    std::thread([&] { ctl.jog(Axis::Y, 4000); }).join();
    ASSERT_TRUE(Moving(0, true) && Moving(1, true));
    throw std::runtime_error("leaving");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(Moving(0, false));
  EXPECT_TRUE(sim_->axis(1).moving);
  ctl.stop();
}

// with_handle reaches the exports of the controller's own transport; a failed
// result throws as the core's calls do, and an exception of the function
// comes out whole without leaving the controller locked.
TEST_P(ControllerTest, WithHandleCallsTheTransportsExports) {
  StartSim();
  Controller ctl = Open();
  ctl.send("AXLP1234;");
  const Exports& ops = Twins(serial());
  int32_t x = 0;
  ctl.with_handle([&](uint32_t* handle) { return ops.GetAxisMotorPosition(handle, VEK_AXIS_X, &x); });
  EXPECT_EQ(x, 1234);

  try {
    ctl.with_handle([&](uint32_t* handle) { return ops.GetAxisMotorPosition(handle, 3, &x); }, "GetAxisMotorPosition");
    ADD_FAILURE() << "an invalid axis did not throw";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), VEK_ERROR_INVALID_AXIS);
    EXPECT_EQ(e.operation(), std::string(serial() ? "VEKser_" : "VEKnet_") + "GetAxisMotorPosition");
  }

  struct Own {
    int value;
  };
  try {
    ctl.with_handle([](uint32_t*) -> uint32_t { throw Own{7}; });
    ADD_FAILURE() << "the function's exception was lost";
  } catch (const Own& own) {
    EXPECT_EQ(own.value, 7);
  }
  EXPECT_EQ(ctl.position(Axis::X), 1234);
}

TEST_P(ControllerTest, DefaultMadeMovedFromAndClosedControllersThrowClosedError) {
  StartSim();
  Controller made;
  Controller closed = Open();
  closed.close();
  Controller moved = Open();
  Controller taker = std::move(moved);
  for (Controller* c : {&made, &moved, &closed}) {
    EXPECT_FALSE(c->is_open());
    EXPECT_THROW(c->move({{Axis::X, 5}}), ClosedError);
    EXPECT_THROW(c->jog(Axis::X, 100), ClosedError);
    EXPECT_THROW(c->position(Axis::X), ClosedError);
    EXPECT_THROW(c->with_handle([](uint32_t*) { return VEK_SUCCESS; }), ClosedError);
    EXPECT_TRUE(c->moving().empty());
  }
  EXPECT_TRUE(taker.is_open());
  EXPECT_EQ(taker.position(Axis::X), 0);
  EXPECT_NEAR(sim_->axis(0).motorPosition, 0, 0.5);
}

// Slot i of the poll is axis bit i, as vekkestra.h numbers the value lists.
TEST_P(ControllerTest, PollGivesEachAxisInItsSlot) {
  StartSim();
  Controller ctl = Open();
  ctl.send("AZLP-777;");
  ctl.jog(Axis::W, 3000);
  ASSERT_TRUE(Moving(8, true));
  ctl.poll();
  std::this_thread::sleep_for(milliseconds(50));
  const std::array<AxisState, VEK_AXIS_COUNT> states = ctl.poll();
  EXPECT_EQ(states[8].state, AxisState::State::Moving);
  EXPECT_TRUE(states[8].has(VEKM_AXIS_OURS));
  EXPECT_EQ(states[8].direction, 1);
  EXPECT_GT(states[8].motor, 0);
  EXPECT_EQ(states[2].state, AxisState::State::AtRest);
  EXPECT_EQ(states[2].motor, -777);
  EXPECT_FALSE(states[2].has(VEKM_AXIS_OURS));
  ctl.stop();
}

VEK_SIM_LINK_SUITE(ControllerTest);

#ifdef VEK_MOVE_XY_CPP
// examples/move_xy.cpp, run as its README says, against the embedded simulator.
TEST(MoveXyExample, HomesMovesAndPrintsWhereTheAxesStand) {
  sim::Simulator simulator{sim::Options()};
  std::string error;
  ASSERT_TRUE(simulator.Start(&error)) << error;
  const std::string command =
      std::string(VEK_MOVE_XY_CPP) + " localhost " + std::to_string(simulator.tcpPort()) + " 2>&1";
  FILE* program = popen(command.c_str(), "r");
  ASSERT_NE(program, nullptr);
  std::string printed;
  char chunk[256];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, program)) > 0;) printed.append(chunk, n);
  const int status = pclose(program);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << printed;
  EXPECT_TRUE(std::regex_search(printed, std::regex("X and Y have arrived\n[^]*\nX +4000 +4000\nY +-2500 +-2500\n")))
      << printed;
  EXPECT_FALSE(simulator.axis(0).moving || simulator.axis(1).moving);
  simulator.Stop();
}
#endif

}  // namespace
}  // namespace vek::test
