// The controller model: free of I/O. Feed it each received command text and
// the time; it returns the verdict and the answers, and hands out the status
// notifications that motion, limits, slips and refused texts produce. Times
// are seconds on any monotonic clock that only moves forward.
#ifndef VEK_SIM_MODEL_H
#define VEK_SIM_MODEL_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/simulator.h"

namespace vek::sim {

// StatusFlags layout: done bits 0-9, limit 10-19, slip 20-29, error 30.
inline constexpr uint32_t kDoneShift = 0;
inline constexpr uint32_t kLimitShift = 10;
inline constexpr uint32_t kSlipShift = 20;
inline constexpr uint32_t kCommandErrorFlag = 1u << 30;

// The notification value whose bits map back onto `flags`: the inverse of
// the mapping the library applies to a received notification.
uint32_t NotificationValueFromFlags(uint32_t flags);
// "%000 " and eight upper-case hexadecimal digits, then "\r\n" on TCP
// (15 characters) or "\n" on the serial line (14 characters).
std::string TcpNotification(uint32_t value);
std::string SerialNotification(uint32_t value);

enum class Ramp { kTrapezoid, kCosine, kParabolic, kSCurve };

struct ExecResult {
  bool accepted = true;
  std::vector<std::string> answers;  // one per query in the text, in order
};

class Model {
 public:
  explicit Model(const std::array<AxisSetup, kAxisCount>& setup = {});

  // Parses the whole text first; a text with any part it cannot parse is
  // refused as a whole, recorded for "#ER" and reported by the command-error
  // notification. Otherwise every command in it runs at time `now`. With
  // `refuse` the text is refused so whatever it holds.
  ExecResult Execute(std::string_view text, double now, bool refuse = false);

  // Runs the motion up to `now`, producing the notifications of what
  // finished, met a limit or slipped on the way.
  void Advance(double now);

  // The flags reported since the last call, one StatusFlags-layout word per
  // event, in the order they happened.
  std::vector<uint32_t> TakeEvents();

  // The outside world.
  void SetInput(int line, bool level);
  void TripLimit(int axis, bool positive, double now);
  void LatchLimit(int axis, bool positive);  // the switch stays tripped
  void SetSlip(int axis, bool slip, double now);
  void SetHomeSwitch(int axis, double position);
  void SetLimitSwitches(int axis, double negative, double positive);

  AxisSnapshot Snapshot(int axis, double now) const;
  uint16_t outputWord() const { return outputs_; }
  uint16_t directionWord() const { return ioDirection_; }
  uint16_t stateWord() const;
  const std::string& lastIllegalCommand() const { return lastIllegal_; }

  // Motion parameters, for tests and benchmarks that compute expected times.
  double baseVelocity(int axis) const { return AxisAt(axis).baseVelocity; }
  double maxVelocity(int axis) const { return AxisAt(axis).maxVelocity; }
  double acceleration(int axis) const { return AxisAt(axis).acceleration; }
  Ramp ramp(int axis) const { return AxisAt(axis).ramp; }

  // The time a move of `distance` steps takes from rest to rest with the
  // axis's current velocities, acceleration and ramp shape.
  double MoveDuration(int axis, double distance) const;

 private:
  // The command language (sim/mnemonics.cpp) works on the axes directly.
  friend struct Interpreter;

  enum class Segment { kIdle, kProfile, kRamp };
  enum class EndKind { kNone, kHome };
  enum class DoneRequest { kNone, kAtProfileEnd, kAfterSettling };

  // A rest-to-rest move: from the start velocity it ramps to the peak,
  // cruises, ramps back down and stops at the start velocity.
  struct Profile {
    double startVelocity = 0.0, peakVelocity = 0.0, acceleration = 0.0;
    double rampTime = 0.0, cruiseTime = 0.0, totalTime = 0.0;
  };

  struct Axis {
    // Configuration.
    double baseVelocity = 100.0, maxVelocity = 10000.0, acceleration = 100000.0;
    Ramp ramp = Ramp::kTrapezoid;
    int32_t rampParameter = 0;
    bool homeActiveHigh = false;
    bool overtravelDetect = true, overtravelActiveHigh = true, stopAbruptly = true;
    bool softLimitsOn = false;
    double softLowerLimit = 0.0, softUpperLimit = 0.0;
    int32_t encoderCounts = 1, motorSteps = 1;  // the encoder ratio: counts per motor step = encoderCounts / motorSteps
    int32_t holdDeadBand[3] = {0, 0, 0};
    int32_t slipTolerance = 10, holdGain = 0, holdVelocity = 0;
    bool pidOn = true, slipDetect = false;
    bool auxEnabled = false, auxDefaultHigh = false, auxBit = false;
    int32_t auxSettleMs = 0;
    bool oneStepNegative = false;
    AxisSetup switches;
    bool negativeLatched = false, positiveLatched = false;  // the switch reads tripped whatever the position
    bool slipping = false;
    double frameOffset = 0.0;  // motor reading minus the power-on position: the switches stay put

    // Motion: one segment, started at `segmentStart` from `startPosition`.
    Segment segment = Segment::kIdle;
    double segmentStart = 0.0, startPosition = 0.0;
    // A profile segment covers `distance` steps in `direction` (+1 or -1).
    double direction = 1.0, distance = 0.0;
    Profile profile;
    // A ramp segment changes the velocity at a constant rate; it ends at rest
    // when `stopping`, else it keeps the target velocity.
    double rampStartVelocity = 0.0, rampTargetVelocity = 0.0, rampAcceleration = 0.0, rampTime = 0.0;
    bool stopping = false;
    EndKind endKind = EndKind::kNone;
    double checkedUntil = 0.0;  // limits and slip are checked up to this time

    // Position bookkeeping.
    double encoderOffset = 0.0;  // encoder = motor * ratio + offset (+ slip)
    double slipAnchor = 0.0;     // motor position where the current slip began
    bool slipReported = false;
    bool hasTarget = false;
    double target = 0.0;  // staged by MA, MR, MT, ML for the next GD
    bool hasHomeValue = false;
    double homeValue = 0.0;
    DoneRequest doneRequest = DoneRequest::kNone;
    double doneAt = -1.0;  // a done report waiting for the aux settle time
    double auxUntil = -1.0;
  };

  static Profile PlanProfile(double baseVelocity, double maxVelocity, double acceleration, double distance);
  double PositionAt(const Axis& a, double t) const;
  double VelocityAt(const Axis& a, double t) const;
  double AccelerationAt(const Axis& a, double t) const;
  double SegmentEnd(const Axis& a) const;
  double EncoderAt(const Axis& a, double t) const;
  double EffectiveAcceleration(const Axis& a) const;

  // Freezes the motion at t: the axis rests where it was then.
  void Settle(Axis& a, double t);
  // The encoder keeps its reading at t; the slip lag restarts there.
  void FoldEncoder(Axis& a, double t);
  void StartProfile(int axis, double target, double now, EndKind end);
  void StartRamp(int axis, double velocity, double now, bool stopping);
  void StopAxis(int axis, double now, bool abrupt, bool reportDone);
  void FinishMotion(int axis, double t, bool reportDone);
  bool CheckLimits(int axis, double from, double to);
  bool CheckSlip(int axis, double from, double to);
  bool BlockedAt(int axis, double position, double direction) const;
  void HitLimit(int axis, double t, double position);
  void AdvanceAxis(int axis, double now);
  void Report(uint32_t flags) { events_.push_back(flags); }
  Axis& AxisAt(int axis) { return axes_[static_cast<size_t>(axis)]; }
  const Axis& AxisAt(int axis) const { return axes_[static_cast<size_t>(axis)]; }

  std::array<Axis, kAxisCount> axes_{};
  uint16_t ioDirection_ = 0, outputs_ = 0, inputs_ = 0;
  std::string lastIllegal_;
  std::vector<uint32_t> events_;
  double now_ = 0.0;
};

}  // namespace vek::sim

#endif  // VEK_SIM_MODEL_H
