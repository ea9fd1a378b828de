// The controller's motion, switches and notifications. The command language
// that drives them is in sim/mnemonics.cpp.
#include "sim/model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vek::sim {

namespace {
// M_PI is not standard C++ (MinGW leaves it out).
constexpr double kPi = 3.14159265358979323846;

double Sign(double v) { return v < 0.0 ? -1.0 : 1.0; }

// Limits and slips are found by bisection over a check interval: 60 halvings
// reach the resolution of a double.
constexpr int kBisections = 60;
}  // namespace

// ---- Notifications -----------------------------------------------------------

uint32_t NotificationValueFromFlags(uint32_t flags) {
  uint32_t n = 0;
  n |= flags & 0xFFu;                  // done X..S
  n |= ((flags >> 10) & 0xFFu) << 8;   // limit X..S
  n |= ((flags >> 20) & 0xFFu) << 16;  // slip X..S
  n |= ((flags >> 30) & 0x1u) << 24;   // command error
  n |= ((flags >> 8) & 0x3u) << 25;    // done W, K
  n |= ((flags >> 18) & 0x3u) << 27;   // limit W, K
  n |= ((flags >> 28) & 0x3u) << 29;   // slip W, K
  return n;
}

std::string TcpNotification(uint32_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%%000 %08X\r\n", static_cast<unsigned>(value));
  return text;
}

std::string SerialNotification(uint32_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%%000 %08X\n", static_cast<unsigned>(value));
  return text;
}

// ---- Motion --------------------------------------------------------------------

Model::Model(const std::array<AxisSetup, kAxisCount>& setup) {
  for (size_t i = 0; i < axes_.size(); ++i) axes_[i].switches = setup[i];
}

uint16_t Model::stateWord() const {
  return static_cast<uint16_t>((outputs_ & ioDirection_) | (inputs_ & ~ioDirection_));
}

Model::Profile Model::PlanProfile(double baseVelocity, double maxVelocity, double acceleration, double distance) {
  Profile p{};
  p.acceleration = acceleration;
  p.startVelocity = std::min(std::max(baseVelocity, 0.0), maxVelocity);
  if (distance <= 0.0) return p;
  double rampDistance = (maxVelocity * maxVelocity - p.startVelocity * p.startVelocity) / (2.0 * acceleration);
  if (2.0 * rampDistance <= distance) {
    p.peakVelocity = maxVelocity;
    p.rampTime = (maxVelocity - p.startVelocity) / acceleration;
    p.cruiseTime = (distance - 2.0 * rampDistance) / maxVelocity;
  } else {
    p.peakVelocity = std::sqrt(p.startVelocity * p.startVelocity + acceleration * distance);
    p.rampTime = (p.peakVelocity - p.startVelocity) / acceleration;
    p.cruiseTime = 0.0;
  }
  if (p.peakVelocity <= 0.0) {
    // No velocity at all: the step happens at once.
    p.rampTime = p.cruiseTime = 0.0;
  }
  p.totalTime = 2.0 * p.rampTime + p.cruiseTime;
  return p;
}

double Model::EffectiveAcceleration(const Axis& a) const {
  // The shaped ramps reach the same speed as a linear ramp whose constant
  // acceleration is their mean: 2/pi of the peak for the cosine, half of it
  // for the parabola and the S-curve.
  switch (a.ramp) {
    case Ramp::kCosine:
      return a.acceleration * 2.0 / kPi;
    case Ramp::kParabolic:
    case Ramp::kSCurve:
      return a.acceleration * 0.5;
    case Ramp::kTrapezoid:
      break;
  }
  return a.acceleration;
}

double Model::MoveDuration(int axis, double distance) const {
  const Axis& a = AxisAt(axis);
  return PlanProfile(a.baseVelocity, a.maxVelocity, EffectiveAcceleration(a), std::fabs(distance)).totalTime;
}

double Model::PositionAt(const Axis& a, double t) const {
  double tau = std::max(0.0, t - a.segmentStart);
  if (a.segment == Segment::kProfile) {
    const Profile& p = a.profile;
    if (tau >= p.totalTime) return a.startPosition + a.direction * a.distance;
    double rampDistance = p.startVelocity * p.rampTime + 0.5 * p.acceleration * p.rampTime * p.rampTime;
    double s;
    if (tau < p.rampTime) {
      s = p.startVelocity * tau + 0.5 * p.acceleration * tau * tau;
    } else if (tau < p.rampTime + p.cruiseTime) {
      s = rampDistance + p.peakVelocity * (tau - p.rampTime);
    } else {
      double d = tau - p.rampTime - p.cruiseTime;
      s = rampDistance + p.peakVelocity * p.cruiseTime + p.peakVelocity * d - 0.5 * p.acceleration * d * d;
    }
    return a.startPosition + a.direction * std::min(s, a.distance);
  }
  if (a.segment == Segment::kRamp) {
    double sign = a.rampTargetVelocity >= a.rampStartVelocity ? 1.0 : -1.0;
    double r = std::min(tau, a.rampTime);
    double p = a.startPosition + a.rampStartVelocity * r + 0.5 * sign * a.rampAcceleration * r * r;
    if (tau > a.rampTime && !a.stopping) p += a.rampTargetVelocity * (tau - a.rampTime);
    return p;
  }
  return a.startPosition;
}

double Model::VelocityAt(const Axis& a, double t) const {
  double tau = std::max(0.0, t - a.segmentStart);
  if (a.segment == Segment::kProfile) {
    const Profile& p = a.profile;
    if (tau >= p.totalTime) return 0.0;
    double v;
    if (tau < p.rampTime) {
      v = p.startVelocity + p.acceleration * tau;
    } else if (tau < p.rampTime + p.cruiseTime) {
      v = p.peakVelocity;
    } else {
      v = p.peakVelocity - p.acceleration * (tau - p.rampTime - p.cruiseTime);
    }
    return a.direction * v;
  }
  if (a.segment == Segment::kRamp) {
    if (tau >= a.rampTime) return a.stopping ? 0.0 : a.rampTargetVelocity;
    return a.rampStartVelocity + (a.rampTargetVelocity >= a.rampStartVelocity ? 1.0 : -1.0) * a.rampAcceleration * tau;
  }
  return 0.0;
}

double Model::AccelerationAt(const Axis& a, double t) const {
  double tau = std::max(0.0, t - a.segmentStart);
  if (a.segment == Segment::kProfile) {
    const Profile& p = a.profile;
    if (tau < p.rampTime) return a.direction * p.acceleration;
    if (tau < p.rampTime + p.cruiseTime || tau >= p.totalTime) return 0.0;
    return -a.direction * p.acceleration;
  }
  if (a.segment == Segment::kRamp && tau < a.rampTime)
    return (a.rampTargetVelocity >= a.rampStartVelocity ? 1.0 : -1.0) * a.rampAcceleration;
  return 0.0;
}

double Model::EncoderAt(const Axis& a, double t) const {
  double ratio = static_cast<double>(a.encoderCounts) / a.motorSteps;
  double p = PositionAt(a, t);
  double slip = a.slipping ? -0.5 * ratio * (p - a.slipAnchor) : 0.0;
  return p * ratio + a.encoderOffset + slip;
}

double Model::SegmentEnd(const Axis& a) const {
  if (a.segment == Segment::kProfile) return a.segmentStart + a.profile.totalTime;
  if (a.segment == Segment::kRamp && a.stopping) return a.segmentStart + a.rampTime;
  if (a.segment == Segment::kRamp) return HUGE_VAL;
  return a.segmentStart;
}

void Model::FoldEncoder(Axis& a, double t) {
  double encoder = EncoderAt(a, t);
  a.slipAnchor = PositionAt(a, t);
  a.encoderOffset = encoder - a.slipAnchor * a.encoderCounts / a.motorSteps;
}

void Model::Settle(Axis& a, double t) {
  a.startPosition = PositionAt(a, t);
  a.segmentStart = t;
  a.segment = Segment::kIdle;
  a.checkedUntil = t;
}

bool Model::BlockedAt(int axis, double position, double direction) const {
  const Axis& a = AxisAt(axis);
  if (direction > 0.0) {
    if (a.positiveLatched) return true;
    if (a.overtravelDetect && position >= a.switches.positiveLimit + a.frameOffset) return true;
    if (a.softLimitsOn && position >= a.softUpperLimit) return true;
  } else {
    if (a.negativeLatched) return true;
    if (a.overtravelDetect && position <= a.switches.negativeLimit + a.frameOffset) return true;
    if (a.softLimitsOn && position <= a.softLowerLimit) return true;
  }
  return false;
}

void Model::StartProfile(int axis, double target, double now, EndKind end) {
  Axis& a = AxisAt(axis);
  double from = PositionAt(a, now);
  FoldEncoder(a, now);
  Settle(a, now);
  a.endKind = end;
  a.doneRequest = DoneRequest::kNone;
  a.doneAt = -1.0;
  a.slipReported = false;
  double distance = target - from;
  if (distance == 0.0) return;
  if (BlockedAt(axis, from, distance)) {
    HitLimit(axis, now, from);
    return;
  }
  a.segment = Segment::kProfile;
  a.direction = Sign(distance);
  a.distance = std::fabs(distance);
  a.profile = PlanProfile(a.baseVelocity, a.maxVelocity, EffectiveAcceleration(a), a.distance);
}

void Model::StartRamp(int axis, double velocity, double now, bool stopping) {
  Axis& a = AxisAt(axis);
  double v = VelocityAt(a, now);
  bool wasIdle = a.segment == Segment::kIdle;
  Settle(a, now);
  double base = std::min(std::max(a.baseVelocity, 0.0), a.maxVelocity);
  double acceleration = EffectiveAcceleration(a);
  if (stopping || velocity == 0.0) {
    if (wasIdle) return;
    a.stopping = true;
    a.rampStartVelocity = v;
    a.rampTargetVelocity = Sign(v) * std::min(std::fabs(v), base);
  } else {
    a.doneRequest = DoneRequest::kNone;
    a.doneAt = -1.0;
    a.endKind = EndKind::kNone;
    if (wasIdle) {
      a.slipReported = false;
      FoldEncoder(a, now);
    }
    if (BlockedAt(axis, a.startPosition, velocity)) {
      HitLimit(axis, now, a.startPosition);
      return;
    }
    a.stopping = false;
    double target = Sign(velocity) * std::min(std::fabs(velocity), a.maxVelocity);
    // Below the base velocity the motor starts (or reverses) at once.
    if (std::fabs(v) < base || Sign(v) != Sign(target)) v = Sign(target) * std::min(base, std::fabs(target));
    a.rampStartVelocity = v;
    a.rampTargetVelocity = target;
  }
  a.rampAcceleration = acceleration;
  a.rampTime = std::fabs(a.rampTargetVelocity - a.rampStartVelocity) / acceleration;
  a.segment = Segment::kRamp;
}

void Model::FinishMotion(int axis, double t, bool reportDone) {
  Axis& a = AxisAt(axis);
  Settle(a, t);
  if (a.endKind == EndKind::kHome && a.hasHomeValue) {
    // At home the controller zeroes both counters on the home value: the
    // motor position takes it and the encoder reads it times the ratio, so
    // that a homed axis at rest shows no following error. The switches stay
    // where they are; the frame they are measured in moves.
    double shift = a.homeValue - a.startPosition;
    a.startPosition = a.homeValue;
    a.frameOffset += shift;
    a.target = a.homeValue;
    a.slipAnchor = a.homeValue;
    a.encoderOffset = 0.0;
    a.hasHomeValue = false;
  }
  a.endKind = EndKind::kNone;
  double settle = a.auxEnabled ? a.auxSettleMs / 1000.0 : 0.0;
  a.auxUntil = t + settle;
  if (reportDone) {
    if (a.doneRequest == DoneRequest::kAfterSettling && settle > 0.0) {
      a.doneAt = t + settle;
    } else {
      Report((1u << axis) << kDoneShift);
    }
  }
  a.doneRequest = DoneRequest::kNone;
}

void Model::StopAxis(int axis, double now, bool abrupt, bool reportDone) {
  Axis& a = AxisAt(axis);
  if (a.segment == Segment::kIdle) return;
  if (abrupt) {
    a.endKind = EndKind::kNone;
    FinishMotion(axis, now, reportDone);
    return;
  }
  if (a.segment == Segment::kRamp && a.stopping) return;  // already stopping
  DoneRequest request = DoneRequest::kNone;
  if (reportDone) request = a.doneRequest == DoneRequest::kNone ? DoneRequest::kAtProfileEnd : a.doneRequest;
  a.endKind = EndKind::kNone;
  StartRamp(axis, 0.0, now, true);
  a.doneRequest = request;
}

void Model::HitLimit(int axis, double t, double position) {
  Axis& a = AxisAt(axis);
  Report((1u << axis) << kLimitShift);
  a.endKind = EndKind::kNone;
  a.doneRequest = DoneRequest::kNone;
  a.doneAt = -1.0;
  if (a.segment == Segment::kIdle) return;
  if (a.stopAbruptly) {
    Settle(a, t);
    a.startPosition = position;
    FinishMotion(axis, t, false);
  } else {
    StartRamp(axis, 0.0, t, true);
    a.doneRequest = DoneRequest::kNone;
  }
}

bool Model::CheckLimits(int axis, double from, double to) {
  Axis& a = AxisAt(axis);
  if (a.segment == Segment::kRamp && a.stopping) return false;  // coming to rest past the switch
  double pFrom = PositionAt(a, from), pTo = PositionAt(a, to);
  double direction = pTo - pFrom;
  if (direction == 0.0) return false;
  double bound = direction > 0.0 ? HUGE_VAL : -HUGE_VAL;
  if (direction > 0.0) {
    if (a.overtravelDetect) bound = std::min(bound, a.switches.positiveLimit + a.frameOffset);
    if (a.softLimitsOn) bound = std::min(bound, a.softUpperLimit);
  } else {
    if (a.overtravelDetect) bound = std::max(bound, a.switches.negativeLimit + a.frameOffset);
    if (a.softLimitsOn) bound = std::max(bound, a.softLowerLimit);
  }
  auto beyond = [&](double p) { return direction > 0.0 ? p > bound : p < bound; };
  if (!beyond(pTo)) return false;
  // The motion is monotonic over a check interval: find when it crossed.
  double lo = from, hi = to;
  for (int i = 0; i < kBisections; ++i) {
    double mid = 0.5 * (lo + hi);
    if (beyond(PositionAt(a, mid)))
      hi = mid;
    else
      lo = mid;
  }
  HitLimit(axis, hi, bound);
  return true;
}

bool Model::CheckSlip(int axis, double from, double to) {
  Axis& a = AxisAt(axis);
  if (!a.slipping || !a.slipDetect || a.slipReported) return false;
  double ratio = std::fabs(static_cast<double>(a.encoderCounts) / a.motorSteps);
  auto slipped = [&](double t) { return 0.5 * ratio * std::fabs(PositionAt(a, t) - a.slipAnchor) > a.slipTolerance; };
  if (!slipped(to)) return false;
  double lo = from, hi = to;
  for (int i = 0; i < kBisections && !slipped(from); ++i) {
    double mid = 0.5 * (lo + hi);
    if (slipped(mid))
      hi = mid;
    else
      lo = mid;
  }
  a.slipReported = true;
  // The slip is reported first and the axis is then killed as "KL" would kill
  // it: at rest where the lag passed the tolerance, a search abandoned, and
  // done reported (after the aux settle time when "ID" asked for it). A wait
  // for done thus ends as soon as the axis is at rest, with the slip flag
  // already set beside the done flag, instead of running out its time-out
  // as if the motion were still going.
  Report((1u << axis) << kSlipShift);
  a.endKind = EndKind::kNone;
  FinishMotion(axis, slipped(from) ? from : hi, true);
  return true;
}

void Model::AdvanceAxis(int axis, double now) {
  Axis& a = AxisAt(axis);
  for (int guard = 0; guard < 16; ++guard) {
    if (a.doneAt >= 0.0 && a.doneAt <= now) {
      a.doneAt = -1.0;
      Report((1u << axis) << kDoneShift);
    }
    if (a.segment == Segment::kIdle) return;
    double end = SegmentEnd(a);
    double to = std::min(now, end);
    if (CheckLimits(axis, a.checkedUntil, to)) continue;
    if (CheckSlip(axis, a.checkedUntil, to)) continue;
    a.checkedUntil = to;
    if (end > now) return;
    FinishMotion(axis, end, a.doneRequest != DoneRequest::kNone);
  }
}

void Model::Advance(double now) {
  if (now < now_) now = now_;
  now_ = now;
  for (int i = 0; i < kAxisCount; ++i) AdvanceAxis(i, now);
}

std::vector<uint32_t> Model::TakeEvents() {
  std::vector<uint32_t> out;
  out.swap(events_);
  return out;
}

// ---- The outside world ---------------------------------------------------------

void Model::SetInput(int line, bool level) {
  if (line < 0 || line >= kIoLineCount) return;
  uint16_t bit = static_cast<uint16_t>(1u << line);
  inputs_ = static_cast<uint16_t>(level ? (inputs_ | bit) : (inputs_ & ~bit));
}

void Model::TripLimit(int axis, bool positive, double now) {
  if (axis < 0 || axis >= kAxisCount) return;
  Advance(now);
  const Axis& a = AxisAt(axis);
  double v = VelocityAt(a, now);
  if (v != 0.0 && (v > 0.0) != positive) {
    Report((1u << axis) << kLimitShift);  // running away from it: reported, not stopped
    return;
  }
  HitLimit(axis, now, PositionAt(a, now));
}

void Model::LatchLimit(int axis, bool positive) {
  if (axis < 0 || axis >= kAxisCount) return;
  (positive ? AxisAt(axis).positiveLatched : AxisAt(axis).negativeLatched) = true;
}

void Model::SetSlip(int axis, bool slip, double now) {
  if (axis < 0 || axis >= kAxisCount) return;
  Advance(now);
  Axis& a = AxisAt(axis);
  double encoder = EncoderAt(a, now);
  a.slipping = slip;
  a.slipAnchor = PositionAt(a, now);
  a.encoderOffset = encoder - a.slipAnchor * a.encoderCounts / a.motorSteps;
}

void Model::SetHomeSwitch(int axis, double position) {
  if (axis >= 0 && axis < kAxisCount) AxisAt(axis).switches.homeSwitch = position;
}

void Model::SetLimitSwitches(int axis, double negative, double positive) {
  if (axis < 0 || axis >= kAxisCount) return;
  AxisAt(axis).switches.negativeLimit = negative;
  AxisAt(axis).switches.positiveLimit = positive;
}

AxisSnapshot Model::Snapshot(int axis, double now) const {
  AxisSnapshot s;
  if (axis < 0 || axis >= kAxisCount) return s;
  const Axis& a = AxisAt(axis);
  s.motorPosition = PositionAt(a, now);
  s.encoderPosition = EncoderAt(a, now);
  s.velocity = VelocityAt(a, now);
  s.moving = a.segment != Segment::kIdle;
  s.slipped = a.slipReported;
  bool settling = a.auxEnabled && (s.moving || now < a.auxUntil);
  s.auxOutput = settling ? !a.auxDefaultHigh : a.auxBit;
  return s;
}

}  // namespace vek::sim
