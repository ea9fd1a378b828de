// Moves through vek::Controller against the simulator: every axis reaches its
// own motor, a limit or slip ends the wait and stops the other axis, an old
// done flag cannot end a new move, a time-out, a cancel or an exception
// leaving a scope stops what was set moving, and a missing done report does
// not hang the wait.
#include <future>
#include <optional>
#include <stdexcept>

#include "tests/cpp/sim_controller.h"

namespace vek::test {
namespace {

using std::chrono::seconds;

class Motion : public SimControllerTest {};

TEST_P(Motion, EveryAxisMovesItsOwnMotorAndHomes) {
  sim::Options options;
  options.axes[0].homeSwitch = 700;
  StartSim(options);
  Controller ctl = Open();
  for (const AxisRow& row : kAxisRows) {
    EXPECT_EQ(static_cast<int32_t>(row.axis), row.bit);
    const int32_t target = 100 + 10 * row.index;
    ctl.move_axis(row.axis, target, seconds(2));
    EXPECT_NEAR(sim_->axis(row.index).motorPosition, target, 0.5) << letter(row.axis);
    EXPECT_EQ(ctl.position(row.axis), target);
  }
  ctl.move_by({{Axis::Y, -300}, {Axis::K, 50}}, seconds(2));
  const std::map<Axis, Position> all = ctl.positions();
  ASSERT_EQ(all.size(), 10u);
  EXPECT_EQ(all.at(Axis::Y).motor, 110 - 300);
  EXPECT_EQ(all.at(Axis::K).motor, 190 + 50);
  EXPECT_EQ(all.at(Axis::T).motor, 130);

  // The home search ends on the switch, which then reads 0.
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
    ASSERT_TRUE(AtRestWithin(1, milliseconds(1000)));
    EXPECT_LT(sim_->axis(1).motorPosition, 10000);
    EXPECT_TRUE(ctl.moving().empty());
    ctl.close();
    sim_->Stop();
  }
}

TEST_P(Motion, DoneFlagOfAnEarlierMoveDoesNotEndTheNext) {
  StartSim();
  Controller ctl = Open();
  ctl.move_axis(Axis::X, 100, seconds(2));
  ctl.move_axis(Axis::X, 15000, seconds(10));
  EXPECT_FALSE(sim_->axis(0).moving);
  EXPECT_NEAR(sim_->axis(0).motorPosition, 15000, 0.5);
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
    EXPECT_EQ(AtRestWithin(0, milliseconds(500)), stops);
    EXPECT_EQ(ctl.moving().contains(Axis::X), !stops);
    ctl.stop();
    ASSERT_TRUE(AtRestWithin(0, milliseconds(1000)));
  }
}

TEST_P(Motion, CancelStopsTheMovedAxesAtOnce) {
  StartSim();
  Controller ctl = Open();
  auto moving = std::async(std::launch::async, [&] { ctl.move({{Axis::X, 40000}, {Axis::Z, -40000}}, seconds(10)); });
  while (sim_->axis(0).velocity < 9999 || sim_->axis(2).velocity > -9999) std::this_thread::sleep_for(milliseconds(1));
  const Clock::time_point cancelled = Clock::now();
  ctl.cancel();
  // Cruising at the default 10000 steps/s: a stop shows as the speed falling.
  while (sim_->axis(0).velocity >= 9999 || sim_->axis(2).velocity <= -9999) {
    ASSERT_LT(MsSince(cancelled), 1000);
    std::this_thread::sleep_for(milliseconds(1));
  }
  EXPECT_LT(MsSince(cancelled), 100);
  EXPECT_THROW(moving.get(), CancelledError);
  EXPECT_TRUE(AtRestWithin(0, milliseconds(500)));
  EXPECT_TRUE(AtRestWithin(2, milliseconds(500)));
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
      ASSERT_TRUE(MovingWithin(0, milliseconds(500)));
      if (c.thrown) throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(AtRestWithin(0, milliseconds(500)), c.thrown);
    if (c.guard) {
      EXPECT_TRUE(sim_->axis(2).moving);
    }
    Controller last = c.guard ? std::move(outer) : Open();
    last.stop();
    ASSERT_TRUE(AtRestWithin(0, milliseconds(1000)));
    ASSERT_TRUE(AtRestWithin(2, milliseconds(1000)));
  }
}

// A second motion command replaces the move without asking for a done
// report, so none comes: the status query finds the axis at rest.
TEST_P(Motion, MissingDoneReportDoesNotHangTheWait) {
  StartSim();
  Controller ctl = Open();
  auto moving = std::async(std::launch::async, [&] { ctl.move_axis(Axis::X, 40000, seconds(5)); });
  ASSERT_TRUE(MovingWithin(0, milliseconds(1000)));
  ctl.send("AXMA1500;GD;");
  EXPECT_NO_THROW(moving.get());
  EXPECT_FALSE(sim_->axis(0).moving);
  EXPECT_NEAR(sim_->axis(0).motorPosition, 1500, 0.5);
}

VEK_CPP_BOTH_LINKS(Motion);

}  // namespace
}  // namespace vek::test
