// The axis-state tracker: one look at every axis for the monitors (vekctl's
// recording, the Tango server's poll, the panel). The status letters and
// both positions come from one exchange; the status word is read after that
// answer whenever an axis came to rest, so that a limit or slip reported
// with the answer decides that axis's state. An axis this controller set
// moving and nobody waits on is ended here, by the same rule as a wait:
// a limit or slip stops the other axes of its motion, and an end short of
// its target is flagged.
#include <algorithm>

#include "motion/controller.h"
#include "motion/results.h"

namespace vek::motion {
namespace {

// At rest, flags set by something else are seen within this many polls.
constexpr int kWordEvery = 10;

}  // namespace

int32_t Controller::EndOfPolled(int index, int32_t motor, uint32_t word) {
  AxisRecord& r = records_[index];
  const int32_t bit = vek::axes::BitOf(index);
  const bool done = (DoneBits(word) & bit) != 0;
  const bool refused = link_->serial() && !r.seenMoving && (word & kCommandError) != 0 && !done;
  // A command not seen moving yet may not have started: its end counts once
  // it reported done, or once it had time to start (its first confirmation).
  if (!r.seenMoving && !done && !refused && Clock::now() < r.confirmAt) return 0;
  int32_t flags = VEKM_AXIS_ENDED;
  const bool foundLimit = r.kind == Motion::kLimitSearch && (LimitBits(word) & bit) != 0;
  const bool tripped = !foundLimit && ((LimitBits(word) | SlipBits(word)) & bit) != 0;
  const bool shortOfTarget =
      r.kind == Motion::kLimitSearch ? !foundLimit && !tripped : r.hasTarget && motor != r.target && !tripped;
  if (refused) {
    Forget(r.group);
    return flags | VEKM_AXIS_SHORT;
  }
  if (shortOfTarget) flags |= VEKM_AXIS_SHORT;
  if (tripped || shortOfTarget) {
    const int32_t others = GroupOf(bit) & Active() & ~bit;
    StopQuietly(others);
    Forget(others);
  }
  Forget(bit);
  return flags;
}

uint32_t Controller::PollLook(AxisStatus* status, int32_t* motor, int32_t* encoder, uint32_t interrupts, Failure* f) {
  uint32_t code = ReadAxes(status, motor, encoder, f);
  // One failed look is looked at again, as in a wait: a burst of reports
  // that arrives with the answer, or one reply garbled or late on the line,
  // must not end a monitor's view of the axes. A connection that the far end
  // closed or broke is a lost link, which the monitor is to see and say.
  const bool linkBroke = code == VEK_ERROR_SOCKET_RECEIVE || code == VEK_ERROR_SOCKET_SEND;
  if (Passing(code) && !linkBroke && vekm_interrupt_count() == interrupts) {
    if (f != nullptr) *f = Failure();
    code = ReadAxes(status, motor, encoder, f);
  }
  return code;
}

bool Controller::PollNeedsWord(const AxisStatus* status) {
  if (++pollsSinceWord_ >= kWordEvery || link_->TakeReopened()) return true;
  for (int i = 0; i < kAxes; ++i) {
    if (status[i].moving) continue;
    const Tracked& t = tracked_[i];
    if (!t.seen || t.moving || (records_[i].active && records_[i].waits == 0)) return true;
  }
  return false;
}

VekmAxisState Controller::TrackAxis(int i, const AxisStatus& status, int32_t motor, int32_t encoder) {
  Tracked& t = tracked_[i];
  AxisRecord& r = records_[i];
  const int32_t bit = vek::axes::BitOf(i);
  VekmAxisState out{};
  out.motor = motor;
  out.encoder = encoder;
  if (t.seen && motor != t.motor) out.direction = motor > t.motor ? 1 : -1;
  if (out.direction == 0) out.direction = t.direction;
  // Before a second look, this controller's own motion tells the way.
  if (out.direction == 0 && r.active && r.hasTarget && r.target != motor) out.direction = r.target > motor ? 1 : -1;
  if (status.moving) {
    if (r.active) {
      r.seenMoving = true;
    } else if (!t.seen || !t.moving) {
      // Set moving by somebody else: the flags of its last motion no longer
      // hold.
      const vek::Exports& ops = link_->ops();
      link_->Result(ops.ClearMultiAxisOvertravelFlags(link_->handle(), bit), "ClearMultiAxisOvertravelFlags", nullptr);
      link_->Result(ops.ClearMultiAxisSlipFlag(link_->handle(), bit), "ClearMultiAxisSlipFlag", nullptr);
      lastWord_ &= ~(VEKM_LIMIT_BIT(i) | VEKM_SLIP_BIT(i));
    }
    out.state = VEKM_STATE_MOVING;
  } else {
    const bool refused = r.active && link_->serial() && !r.seenMoving && (lastWord_ & kCommandError) != 0 &&
                         (DoneBits(lastWord_) & bit) == 0;
    if ((LimitBits(lastWord_) & bit) != 0) {
      out.state = VEKM_STATE_LIMIT;
    } else if ((SlipBits(lastWord_) & bit) != 0 || status.slipped) {
      out.state = VEKM_STATE_SLIP;
    } else if (refused) {
      out.state = VEKM_STATE_REFUSED;
    }
    if (t.seen && t.moving) out.flags |= VEKM_AXIS_ENDED;
  }
  if (r.active && r.hasTarget) {
    out.flags |= VEKM_AXIS_HAS_TARGET;
    out.target = r.target;
  }
  if (!status.moving && r.active && r.waits == 0) out.flags |= EndOfPolled(i, motor, lastWord_);
  if (r.active) out.flags |= VEKM_AXIS_OURS;
  if (status.onHome) out.flags |= VEKM_AXIS_HOME_SWITCH;
  if (status.pid) out.flags |= VEKM_AXIS_PID;
  if (status.slipDetection) out.flags |= VEKM_AXIS_SLIP_DETECTION;
  t.seen = true;
  t.moving = status.moving;
  t.motor = motor;
  t.direction = out.direction;
  return out;
}

uint32_t Controller::Poll(VekmAxisState* states, uint32_t* wordOut, Failure* f) {
  if (states == nullptr) return Fail(f, VEKM_BAD_ARGUMENT, "vekm_poll", "no place for the axis states");
  std::lock_guard<std::mutex> hold(mutex_);
  const uint32_t interrupts = vekm_interrupt_count();
  AxisStatus status[kAxes];
  int32_t motor[kAxes] = {};
  int32_t encoder[kAxes] = {};
  uint32_t code = PollLook(status, motor, encoder, interrupts, f);
  if (code != VEK_SUCCESS) return Interrupted(code, interrupts, f);
  if (PollNeedsWord(status)) {
    code = link_->Word(&lastWord_, f);
    if (code != VEK_SUCCESS) return Interrupted(code, interrupts, f);
    pollsSinceWord_ = 0;
  }
  for (int i = 0; i < kAxes; ++i) states[i] = TrackAxis(i, status[i], motor[i], encoder[i]);
  if (wordOut != nullptr) *wordOut = lastWord_;
  return VEK_SUCCESS;
}

}  // namespace vek::motion
