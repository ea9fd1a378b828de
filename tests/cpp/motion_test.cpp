// Moves through vek::Controller against the simulator: docs/motion.md's waits,
// stops and early exits.
#include <future>
#include <optional>
#include <stdexcept>

#include "tests/cpp/sim_controller.h"

namespace vek::test {
namespace {

// The axes in the controller's order, as vekkestra.h documents them.
constexpr Axis kAxes[] = {Axis::X, Axis::Y, Axis::Z, Axis::T, Axis::U, Axis::V, Axis::R, Axis::S, Axis::W, Axis::K};

class Motion : public SimControllerTest {};

// Every axis reaches its own motor; the done flags of one move, together or
// alone, cannot end the next; a home search ends on the switch, then read as 0.
TEST_P(Motion, EveryAxisMovesItsOwnMotorAndHomes) {
  sim::Options options;
  options.axes[0].homeSwitch = 700;
  StartSim(options);
  Controller ctl = Open();
  std::map<Axis, int32_t> targets;
  for (int i = 0; i < 10; ++i) targets[kAxes[i]] = 100 + 10 * i;
  ctl.move(targets, seconds(2));
  const std::map<Axis, Position> all = ctl.positions();
  for (int i = 0; i < 10; ++i) {
    EXPECT_NEAR(sim_->axis(i).motorPosition, 100 + 10 * i, 0.5) << letter(kAxes[i]);
    EXPECT_EQ(all.at(kAxes[i]).motor, 100 + 10 * i) << letter(kAxes[i]);
  }
  ctl.move_by({{Axis::Y, -3000}, {Axis::K, 5000}}, seconds(5));
  EXPECT_FALSE(sim_->axis(1).moving || sim_->axis(9).moving);
  ctl.move_axis(Axis::X, 5000, seconds(5));
  EXPECT_FALSE(sim_->axis(0).moving);
  EXPECT_EQ(ctl.position(Axis::Y), 110 - 3000);
  EXPECT_EQ(ctl.position(Axis::K), 190 + 5000);
  EXPECT_EQ(ctl.position(Axis::X), 5000);

  ctl.home(Axis::X, seconds(2));
  EXPECT_FALSE(sim_->axis(0).moving);
  EXPECT_EQ(ctl.position(Axis::X), 0);
  EXPECT_TRUE(ctl.moving().empty());
}

// A limit or slip of X during a move of X and Y: the wait ends at once with
// the error naming X, and Y is stopped far short of its target.
TEST_P(Motion, LimitOrSlipEndsTheWaitAndStopsTheOtherAxis) {
  for (const bool slip : {false, true}) {
    SCOPED_TRACE(slip ? "slip" : "limit");
    sim::Options options;
    options.axes[0].positiveLimit = 3000;
    if (slip) options.faults.slipAxis = 0;
    StartSim(options);
    Controller ctl = Open();
    if (slip) ctl.send("AXIS;");  // slip detection on for X
    try {
      ctl.move({{Axis::X, 20000}, {Axis::Y, 20000}}, seconds(10));
      ADD_FAILURE() << "the move ended without an error";
    } catch (const AxisError& e) {
      EXPECT_EQ(e.axis(), Axis::X);
      EXPECT_EQ(e.operation(), Export("Move"));
      EXPECT_EQ(dynamic_cast<const SlipError*>(&e) != nullptr, slip) << e.what();
      EXPECT_EQ(dynamic_cast<const LimitError*>(&e) != nullptr, !slip) << e.what();
      EXPECT_TRUE(e.position_read());
      if (!slip) {
        EXPECT_EQ(e.position(), 3000);
      }
    }
    ASSERT_TRUE(Moving(1, false, milliseconds(1000)));
    EXPECT_LT(sim_->axis(1).motorPosition, 10000);
    EXPECT_TRUE(ctl.moving().empty());
    ctl.close();
    sim_->Stop();
  }
}

TEST_P(Motion, TimeOutStopsTheAxesUnlessAskedNotTo) {
  StartSim();
  for (const OnTimeout on_timeout : {OnTimeout::Stop, OnTimeout::KeepMoving}) {
    const bool stops = on_timeout == OnTimeout::Stop;
    SCOPED_TRACE(stops ? "stop" : "keep moving");
    Controller ctl = Open();
    try {
      ctl.move_axis(Axis::X, stops ? 40000 : -40000, milliseconds(300), on_timeout);
      ADD_FAILURE() << "the move did not time out";
    } catch (const TimeoutError& e) {
      EXPECT_EQ(e.code(), VEK_ERROR_WAIT_TIMEOUT);
      EXPECT_EQ(std::string(e.what()), Export("MoveAxis") + ": VEK_ERROR_WAIT_TIMEOUT (6)");
    }
    EXPECT_EQ(Moving(0, false, milliseconds(500)), stops);
    EXPECT_EQ(ctl.moving().contains(Axis::X), !stops);
    ctl.stop();
    ASSERT_TRUE(Moving(0, false, milliseconds(1000)));
  }
}

TEST_P(Motion, CancelStopsTheMovedAxesAtOnce) {
  StartSim();
  Controller ctl = Open();
  auto moving = std::async(std::launch::async, [&] { ctl.move({{Axis::X, 40000}, {Axis::Z, -40000}}, seconds(10)); });
  ASSERT_TRUE(sim::Eventually([&] { return sim_->axis(0).velocity >= 9999 && sim_->axis(2).velocity <= -9999; }));
  const Clock::time_point cancelled = Clock::now();
  ctl.cancel();
  // Cruising at the default 10000 steps/s: a stop shows as the speed falling.
  ASSERT_TRUE(sim::Eventually([&] { return sim_->axis(0).velocity < 9999 && sim_->axis(2).velocity > -9999; }, 1.0));
  EXPECT_LT(sim::SecondsSince(cancelled), 0.1);
  EXPECT_THROW(moving.get(), CancelledError);
  EXPECT_TRUE(Moving(0, false, milliseconds(500)));
  EXPECT_TRUE(Moving(2, false, milliseconds(500)));
  EXPECT_TRUE(ctl.moving().empty());
}

// A jog goes on until something stops it, so what is still running after the
// scope tells what its exit did.
TEST_P(Motion, LeavingAScopeByExceptionStopsWhatItSetMoving) {
  struct Case {
    const char* name;
    bool guard;   // a MotionGuard in the scope, else the controller lives in it
    bool thrown;  // the scope is left by an exception
  };
  StartSim();
  for (const Case& c : {Case{"controller unwound", false, true}, Case{"guard unwound", true, true},
                        Case{"guard left normally", true, false}}) {
    SCOPED_TRACE(c.name);
    Controller outer = c.guard ? Open() : Controller();
    if (c.guard) outer.jog(Axis::Z, 3000);  // set moving before the guard: not the guard's
    try {
      Controller inner = c.guard ? Controller() : Open();
      Controller& ctl = c.guard ? outer : inner;
      std::optional<MotionGuard> guard;
      if (c.guard) guard.emplace(ctl);
      ctl.jog(Axis::X, 5000);
      ASSERT_TRUE(Moving(0, true, milliseconds(500)));
      if (c.thrown) throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Moving(0, false, milliseconds(500)), c.thrown);
    if (c.guard) {
      EXPECT_TRUE(sim_->axis(2).moving);
    }
    Controller last = c.guard ? std::move(outer) : Open();
    last.stop();
    ASSERT_TRUE(Moving(0, false, milliseconds(1000)));
    ASSERT_TRUE(Moving(2, false, milliseconds(1000)));
  }
}

// A second motion command replaces the move without asking for a done
// report, so none comes: the status query finds the axis at rest.
TEST_P(Motion, MissingDoneReportDoesNotHangTheWait) {
  StartSim();
  Controller ctl = Open();
  auto moving = std::async(std::launch::async, [&] { ctl.move_axis(Axis::X, 40000, seconds(5)); });
  ASSERT_TRUE(Moving(0, true, milliseconds(1000)));
  ctl.send("AXMA1500;GD;");
  EXPECT_NO_THROW(moving.get());
  EXPECT_FALSE(sim_->axis(0).moving);
  EXPECT_NEAR(sim_->axis(0).motorPosition, 1500, 0.5);
}

VEK_SIM_LINK_SUITE(Motion);

}  // namespace
}  // namespace vek::test
