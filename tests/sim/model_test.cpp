// The controller model on a fake clock: what it accepts and answers, when its
// motions end and which notifications they produce.
#include "sim/model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vek::sim {
namespace {

constexpr uint32_t Done(int axis) { return 1u << axis; }
constexpr uint32_t Limit(int axis) { return 1u << (10 + axis); }
constexpr uint32_t Slip(int axis) { return 1u << (20 + axis); }

class ModelTest : public ::testing::Test {
 protected:
  ExecResult Run(const char* text, double now = -1) {
    if (now >= 0) now_ = now;
    return model_.Execute(text, now_);
  }
  void Ok(const char* text) { ASSERT_TRUE(Run(text).accepted) << text; }
  std::string Ask(const char* text) {
    ExecResult r = Run(text);
    EXPECT_TRUE(r.accepted) << text;
    EXPECT_EQ(r.answers.size(), 1u) << text;
    return r.answers.empty() ? std::string() : r.answers.front();
  }
  uint32_t EventsAt(double t) {
    now_ = t;
    model_.Advance(t);
    uint32_t all = 0;
    for (uint32_t f : model_.TakeEvents()) all |= f;
    return all;
  }
  double Position(int axis) { return model_.Snapshot(axis, now_).motorPosition; }

  Model model_;
  double now_ = 0.0;
};

// One text per way of writing a command: run together, value lists with
// empty fields, signs, fractions, hex, optional fields, no terminator.
TEST_F(ModelTest, AcceptsTheLibrarysTextsRunTogetherOrSeparated) {
  // clang-format off
  const char* accepted[] = {
      "AXMA1000;GDID;", "AZJF1500.750000;", "AAMA100,,-5;;GDID;", "AAMA;GDID;", ";AMKL", "SI", "KS,,,,,,,,,1;",
      "AXHSHM0;ID", "AZLNJG--5000;", "AMLP", "AXHD5,,20;", "AUTL-1000,250000;", "BDFFFF;", "BS5 ;", "BSa5;", "BL15;",
      "AXADL", "AXVB100;AXVL2000;", "AXHLAXRP;", "SAPP", "AXVB0;AXPA0;AXMA-2147483647;"};
  // clang-format on
  for (const char* text : accepted) EXPECT_TRUE(Run(text).accepted) << text;
}

TEST_F(ModelTest, RefusesWhatItCannotParseAndRemembersIt) {
  // Unknown mnemonic, no axis, no value, zero ratio term, a number where none
  // goes, 17 lines, no such bit, no speed, a bare sign, a negative base
  // velocity, no acceleration (nor half a step of it), an aux selector of 2, a value beyond 32 bits,
  // travel limits for every axis at once, four dead-band terms, one bad part
  // of many.
  const char* refused[] = {"AXQQ;",  "MA100;",          "AXMA;",     "AXER1,0;",     "AXHL5",   "BD10000;",
                           "BH16;",  "AXVL0;",          "AXMA-;",    "AXVB-1;",      "AXAC0;",  "AXAC.5;",
                           "AXPA2;", "AXMA2147483648;", "AATL-5,5;", "AXHD1,2,3,4;", "AXLP5;QQ"};
  for (const char* text : refused) {
    EXPECT_FALSE(Run(text).accepted) << text;
    EXPECT_EQ(EventsAt(now_), kCommandErrorFlag) << text;
    EXPECT_EQ(model_.lastIllegalCommand(), text);
  }
  EXPECT_EQ(Position(0), 0.0);  // "AXLP5;QQ" loaded nothing
  EXPECT_EQ(Ask("#ER"), "AXLP5;QQ");
}

TEST_F(ModelTest, AnswersEachQueryInItsOwnForm) {
  EXPECT_EQ(Ask("#ER"), "NONE");
  model_.SetHomeSwitch(0, 100);
  Ok("AXVB2500;AXLP-42;AZLP7;");
  EXPECT_EQ(Ask("AX?VB"), "=2500");
  EXPECT_EQ(Ask("AXRE;"), "-42");
  EXPECT_EQ(Ask("PE;"), "-42,0,7,0,0,0,0,0,0,0");
  EXPECT_EQ(Ask("AMRC"), "0,0,0,0,0,0,0,0,0,0");
  // PID on, slip detection off, no slip, not at the home switch, at rest.
  EXPECT_EQ(Ask("AXEA"), "EDNNN");
  Ok("AXHF;AXIS;AXLP0;");
  EXPECT_EQ(Ask("AXEA"), "DENNN");
  Ok("BD00F0;");
  EXPECT_EQ(Ask("RB"), "=00F0");
  EXPECT_EQ(Run("AXRP;AZRP;").answers, (std::vector<std::string>{"0", "7"}));
}

// Trapezoid (10000 steps/s after 0.09 s from 1000: 495 steps per ramp, 4010
// cruising), a move too short to reach the maximum, then the shaped ramps.
TEST_F(ModelTest, MovesEndAtTheirAnalyticTime) {
  const struct {
    const char* setup;
    const char* move;
    double total, end;
  } rows[] = {
      {"AXVB1000;AXVL10000;AXAC100000;", "AXMA5000;GDID;", 0.581, 5000},
      {"AXVB0;AXVL10000;AXAC100000;", "AXMR-400;GDIP;", 2.0 * std::sqrt(100000.0 * 400.0) / 100000.0, -400},
      {"AXVB0;AXVL10000;AXAC100000;AXSC;", "AXMA5000;GDID;", 0.6 + 0.1 * (M_PI / 2 - 1), 5000},
      {"AXVB0;AXVL10000;AXAC100000;AXSS100;", "AXMA5000;GDID;", 0.7, 5000},
  };
  Ok("AXVB1000;AXVL10000;AXAC100000;AXMA5000;GDID;");
  EXPECT_EQ(EventsAt(0.045), 0u);
  EXPECT_NEAR(Position(0), 1000 * 0.045 + 0.5 * 100000 * 0.045 * 0.045, 1e-6);
  EXPECT_EQ(Ask("AXRC"), "100000");
  EXPECT_EQ(EventsAt(0.3), 0u);
  EXPECT_EQ(Ask("AXRV"), "10000");
  for (const auto& row : rows) {
    model_ = Model();
    now_ = 0;
    Ok(row.setup);
    EXPECT_NEAR(model_.MoveDuration(0, row.end), row.total, 1e-9) << row.setup;
    Ok(row.move);
    EXPECT_EQ(EventsAt(row.total - 0.0005), 0u) << row.setup;
    EXPECT_EQ(EventsAt(row.total + 0.0005), Done(0)) << row.setup;
    EXPECT_EQ(Position(0), row.end) << row.setup;
  }
}

TEST_F(ModelTest, DoneIsReportedOnlyWhenAskedForAndAfterTheSettleTime) {
  Ok("AXVB0;AXVL10000;AXAC100000;AXMA1000;GD;");
  EXPECT_EQ(EventsAt(1.0), 0u);  // no completion request
  Ok("AXPA1;AXSE50;AXMA0;GDID;");
  EXPECT_EQ(EventsAt(1.21), 0u);
  EXPECT_TRUE(model_.Snapshot(0, 1.21).auxOutput);  // held through the settle time
  EXPECT_EQ(EventsAt(1.249), 0u);
  EXPECT_EQ(EventsAt(1.251), Done(0));
  EXPECT_FALSE(model_.Snapshot(0, 1.26).auxOutput);
  Ok("AXMA1000;GDIP;");  // IP: the end of the profile, settle or not
  EXPECT_EQ(EventsAt(1.251 + 0.2001), Done(0));
}

TEST_F(ModelTest, MultiAxisMoveReportsEachStartedAxis) {
  Ok("AAVB0,0,0;AAVL10000,10000,10000;");
  Ok("AAMA100,,-5;;GDID;");
  EXPECT_EQ(EventsAt(1.0), Done(0) | Done(2));
  EXPECT_EQ(Ask("PP"), "100,0,-5,0,0,0,0,0,0,0");
  Ok("AMLP,,,,,,,,,77;");
  EXPECT_EQ(Ask("AKRP;"), "77");
}

TEST_F(ModelTest, StopDeceleratesAndKillHaltsAtOnce) {
  Ok("AXVB0;AXVL5000;AXAC100000;AXJG5000;AYVB0;AYJG-2000;");
  EXPECT_EQ(EventsAt(0.1), 0u);
  EXPECT_EQ(Ask("AXRV"), "5000");
  double atStop = Position(0);
  Ok("SI1;");
  EXPECT_EQ(EventsAt(0.149), 0u);
  EXPECT_EQ(EventsAt(0.151), Done(0));
  EXPECT_NEAR(Position(0), atStop + 5000 * 0.05 / 2, 1e-6);
  double y = Position(1);
  Ok(";AMKL");
  EXPECT_EQ(EventsAt(now_), Done(1));
  EXPECT_EQ(Position(1), y);
  EXPECT_EQ(EventsAt(2.0), 0u);
}

TEST_F(ModelTest, LimitSearchStopsAtTheSwitchAndWillNotGoFurther) {
  model_.SetLimitSwitches(2, -2000, 2000);
  Ok("AZVB0;AZAC1000000;AZLNJG4000;");
  EXPECT_EQ(EventsAt(0.4), 0u);
  EXPECT_EQ(EventsAt(0.6), Limit(2));
  EXPECT_EQ(Position(2), 2000.0);
  EXPECT_FALSE(model_.Snapshot(2, now_).moving);
  Ok("AZJG100;");
  EXPECT_EQ(EventsAt(now_), Limit(2));  // still on the switch
  Ok("AZMR-500;GDID;");                 // away from it is fine
  EXPECT_EQ(EventsAt(now_ + 1.0), Done(2));
  EXPECT_EQ(Position(2), 1500.0);
  // Decelerating stop mode: the axis runs past the switch while it stops.
  Ok("AZSL;AZJG-4000;");
  EXPECT_EQ(EventsAt(now_ + 2.0), Limit(2));
  EXPECT_LT(Position(2), -2000.0);
  // Detection off: the switch is ignored; software limits still hold.
  Ok("AZLF;AZSF;AZTL-5000,5000;AZJG-4000;");
  EXPECT_EQ(EventsAt(now_ + 2.0), Limit(2));
  EXPECT_EQ(Position(2), -5000.0);
}

// At the end of a home search both counters take the home value, the encoder
// times its ratio, whichever search (HS, HE) and home command (HM, HR) the
// text holds and however far the encoder lagged before: a homed axis at rest
// shows no following error. The switches stay put; the frame moves.
TEST_F(ModelTest, HomeSearchRunsToTheSwitchAndSetsMotorAndEncoder) {
  for (const char* search : {"AXHSHM1000;ID", "AXHEHM1000;ID", "AXHSHR1000;ID", "AXHEHR1000;ID"}) {
    SCOPED_TRACE(search);
    model_ = Model();
    now_ = 0.0;
    model_.SetHomeSwitch(0, 300);
    model_.SetLimitSwitches(0, -5000, 5000);
    model_.SetSlip(0, true, 0.0);
    Ok("AXVB0;AXVL10000;AXAC100000;AXER2,1;AXMA-400;GD;");
    EventsAt(1.0);
    EXPECT_EQ(Ask("AXRE;"), "-400");  // half the way, at two counts a step
    model_.SetSlip(0, false, now_);
    Ok(search);
    EXPECT_EQ(EventsAt(1.05), 0u);
    EXPECT_EQ(EventsAt(2.0), Done(0));
    EXPECT_EQ(Ask("AXRP;"), "1000");
    EXPECT_EQ(Ask("AXRE;"), "2000");
    EXPECT_EQ(Ask("AXEA")[3], 'P');
    Ok("AXHSHM-100;ID");  // already there: done at once
    EXPECT_EQ(EventsAt(now_), Done(0));
    EXPECT_EQ(Ask("AXRP;"), "-100");
    EXPECT_EQ(Ask("AXRE;"), "-200");
    Ok("AXJG5000;");  // the positive switch, 4700 steps from home
    EXPECT_EQ(EventsAt(now_ + 2.0), Limit(0));
    EXPECT_EQ(Position(0), 4600.0);
  }
}

// A caught slip kills the axis, and like any kill it reports done: a move's
// wait ends with the slip flag beside the done flag, a jog's stop is seen.
TEST_F(ModelTest, SlippingAxisIsCaughtOnlyWithDetectionOnAndKilledWithDone) {
  model_.SetSlip(0, true, 0.0);
  Ok("AXVB0;AXVL10000;AXAC100000;AXMA1000;GDID;");
  EXPECT_EQ(EventsAt(1.0), Done(0));
  EXPECT_EQ(Ask("AXRE;"), "500");  // lags half the way without a report
  Ok("AXIS;AXES20;AXMA2000;GDID;");
  model_.Advance(now_ = 2.0);
  EXPECT_EQ(model_.TakeEvents(), (std::vector<uint32_t>{Slip(0), Done(0)}));  // the slip first
  EXPECT_FALSE(model_.Snapshot(0, now_).moving);
  EXPECT_LT(Position(0), 1100.0);
  EXPECT_EQ(Ask("AXEA")[2], 'S');
  Ok("AXJG-5000;");  // no done asked for
  EXPECT_EQ(EventsAt(2.5), Slip(0) | Done(0));
  EXPECT_FALSE(model_.Snapshot(0, now_).moving);
}

TEST_F(ModelTest, TrippedSwitchStopsTheAxisAndReportsItsLimit) {
  Ok("AYVB0;AYJG1000;");
  model_.TripLimit(1, true, 0.5);
  EXPECT_EQ(EventsAt(0.5), Limit(1));
  EXPECT_FALSE(model_.Snapshot(1, 0.5).moving);
  Ok("AYJG-1000;");
  model_.TripLimit(1, true, 0.55);  // the switch behind it: reported, not stopped
  EXPECT_EQ(EventsAt(0.55), Limit(1));
  EXPECT_TRUE(model_.Snapshot(1, 0.55).moving);
  Ok("AYKL");
  EXPECT_EQ(EventsAt(0.55), Done(1));
  model_.LatchLimit(1, false);
  Ok("AYJG-10;");
  EXPECT_EQ(EventsAt(0.6), Limit(1));
  Ok("AYJG10;");  // the other direction still runs
  EXPECT_EQ(EventsAt(0.7), 0u);
}

TEST_F(ModelTest, IoLinesFollowTheDirectionWordAndAuxBitsTheirCommands) {
  Ok("BDFF;BSa5;");
  model_.SetInput(8, true);
  model_.SetInput(0, true);  // an output line: the input level does not show
  EXPECT_EQ(Ask("BX"), "01A5");
  Ok("BH6;BL0;");
  EXPECT_EQ(Ask("BX"), "01E4");
  model_.SetInput(8, false);
  EXPECT_EQ(Ask("BX"), "00E4");
  for (bool on : {true, false}) {
    Ok(on ? "AXADH" : "AXAF");
    EXPECT_EQ(model_.Snapshot(0, 0).auxOutput, on);
  }
}

}  // namespace
}  // namespace vek::sim
