// The wait on the axes a motion set moving: one rule for the end of a move.
//
// A move ends well only with every moved axis at rest at its target. Each
// slice reads the status word (folding what has arrived) and ends the wait at
// once when a moved axis shows its limit or slip flag. A done flag is not
// believed by itself: a report of an earlier motion may arrive at any time.
// The axes whose done flag came, or whose confirmation is due (a report can
// be lost), are asked for their status and positions in one exchange, and
// the status word is read again after that answer: an axis counts as ended
// only when that later word shows no limit or slip for it, since such a
// notification may have come in the same chunk as the answer. An ended axis
// short of its target was stopped by something else, and says so.
#include <algorithm>
#include <cstdio>

#include "motion/controller.h"
#include "motion/results.h"
#include "platform/host.h"

namespace vek::motion {
namespace {

// Pause between two looks: short enough that a stop from another thread, a
// cancel or an interrupt is seen at once; each look itself takes about 10 ms
// on TCP (the refresh read), so a slice stays well under 50 ms.
constexpr std::chrono::milliseconds kSlice{10};
// The longest a missing done report goes unconfirmed.
constexpr std::chrono::milliseconds kConfirmInterval{250};
// A done flag found stale: the real end may be close, look again soon.
constexpr std::chrono::milliseconds kRecheck{30};
// Axes stopped on the way out of a failed motion are watched until they stand
// still, at most this long.
constexpr std::chrono::milliseconds kSettleLimit{3000};
// A look that fails (a late or garbled answer) is looked at again; this many
// in a row end the wait.
constexpr int kFailedLooks = 3;
constexpr int32_t kAnswerSize = 256;

bool Has(int32_t mask, int index) { return (mask & vek::axes::BitOf(index)) != 0; }

int FirstIndex(int32_t mask) {
  for (int i = 0; i < kAxes; ++i)
    if (Has(mask, i)) return i;
  return -1;
}

}  // namespace

struct Controller::Look {
  int failures = 0;
};

// Marks the axes of a wait as waited on, so that the tracker leaves their end
// to it. Made under the controller's lock; its end takes the lock again. A
// motion call that waits marks its axes when it records them (`adopted`), so
// that no poll from another thread takes their end between the two.
class WaitScope {
 public:
  WaitScope(std::mutex* mutex, AxisRecord* records, int32_t mask, bool adopted)
      : mutex_(mutex), records_(records), mask_(mask) {
    WaitBegins();
    for (int i = 0; i < kAxes && !adopted; ++i)
      if (Has(mask_, i)) ++records_[i].waits;
  }
  ~WaitScope() {
    {
      std::lock_guard<std::mutex> hold(*mutex_);
      for (int i = 0; i < kAxes; ++i)
        if (Has(mask_, i)) --records_[i].waits;
    }
    WaitEnds();
  }
  WaitScope(const WaitScope&) = delete;
  WaitScope& operator=(const WaitScope&) = delete;

 private:
  std::mutex* mutex_;
  AxisRecord* records_;
  int32_t mask_;
};

uint32_t Controller::ReadAxes(AxisStatus* status, int32_t* motor, int32_t* encoder, Failure* f) {
  char answer[kAnswerSize] = {};
  const int32_t size = kAnswerSize - 1;
  int32_t numbers[2 * kAxes] = {};
  const char* asked = "AAEA;AARP";
  uint32_t code = VEK_SUCCESS;
  bool parsed = false;
  if (!link_->serial()) {
    // One exchange: the answers of the queries come joined by commas. With
    // encoders too, long positions may not fit 255 characters.
    if (encoder != nullptr) {
      asked = "AAEA;AARP;AARE";
      code = link_->Query(asked, answer, size, f);
      parsed = code == VEK_SUCCESS && ParseAnswer(answer, kAxes, status, 2 * kAxes, numbers);
    }
    if (code == VEK_SUCCESS && !parsed) {
      asked = "AAEA;AARP";
      code = link_->Query(asked, answer, size, f);
      parsed = code == VEK_SUCCESS && ParseAnswer(answer, kAxes, status, kAxes, numbers);
      if (parsed && encoder != nullptr) {
        asked = "AARE";
        code = link_->Query(asked, answer, size, f);
        parsed = code == VEK_SUCCESS && ParseAnswer(answer, 0, nullptr, kAxes, numbers + kAxes);
      }
    }
  } else {
    // A serial query takes one answer line: one query each.
    asked = "AAEA";
    code = link_->Query(asked, answer, size, f);
    parsed = code == VEK_SUCCESS && ParseAnswer(answer, kAxes, status, 0, nullptr);
    for (int part = 0; parsed && part < (encoder != nullptr ? 2 : 1); ++part) {
      asked = part == 0 ? "AARP" : "AARE";
      code = link_->Query(asked, answer, size, f);
      parsed = code == VEK_SUCCESS && ParseAnswer(answer, 0, nullptr, kAxes, numbers + part * kAxes);
    }
  }
  if (code != VEK_SUCCESS) return code;
  if (!parsed) {
    return Fail(f, VEK_ERROR_BAD_RESPONSE, link_->Op("Query"),
                std::string("unreadable answer to ") + asked + ": \"" + answer + "\"");
  }
  std::copy(numbers, numbers + kAxes, motor);
  if (encoder != nullptr) std::copy(numbers + kAxes, numbers + 2 * kAxes, encoder);
  return VEK_SUCCESS;
}

void Controller::Settle(int32_t mask) {
  if (mask == 0) return;
  const Clock::time_point giveUp = Clock::now() + kSettleLimit;
  while (mask != 0 && Clock::now() < giveUp) {
    AxisStatus status[kAxes];
    int32_t motor[kAxes] = {};
    if (ReadAxes(status, motor, nullptr, nullptr) != VEK_SUCCESS) return;
    for (int i = 0; i < kAxes; ++i)
      if (!status[i].moving) mask &= ~vek::axes::BitOf(i);
    if (mask != 0) vek::host::SleepMilliseconds(static_cast<int>(kSlice.count()));
  }
  // Their done reports have come by now: folded here, they cannot end a
  // later motion.
  uint32_t word = 0;
  link_->FoldAll(&word, nullptr);
}

uint32_t Controller::EndedEarly(uint32_t code, int32_t axis, int32_t position, bool read, int32_t mask,
                                const std::string& detail, Failure* f) {
  const int32_t others = (mask | GroupOf(axis | mask)) & Active() & ~axis;
  StopQuietly(others);
  Settle(others);
  if (!read) {
    read = link_->Result(link_->ops().GetAxisMotorPosition(link_->handle(), axis, &position), "GetAxisMotorPosition",
                         nullptr) == VEK_SUCCESS;
  }
  const std::string operation = records_[vek::axes::IndexOf(axis)].operation;
  Forget(others | axis | mask);
  std::string text = detail + (read ? " at " + std::to_string(position) : ", position not read");
  if (others != 0) text += "; stopped " + AxisList(others);
  Fail(f, code, operation, text);
  if (f != nullptr) {
    f->axis = axis;
    f->position = position;
    f->positionRead = read;
    f->stopped = others;
  }
  return code;
}

uint32_t Controller::Tripped(int32_t mask, uint32_t word, const AxisStatus* status, const int32_t* motor, Failure* f) {
  int32_t searches = 0;
  for (int i = 0; i < kAxes; ++i)
    if (Has(mask, i) && records_[i].kind == Motion::kLimitSearch) searches |= vek::axes::BitOf(i);
  // The controller reports a slip kill as done too: limit and slip come first.
  const int32_t limited = LimitBits(word) & mask & ~searches;
  const int32_t slipped = SlipBits(word) & mask;
  if (limited == 0 && slipped == 0) return VEK_SUCCESS;
  const int index = FirstIndex(limited != 0 ? limited : slipped);
  const std::string what =
      std::string(1, vek::axes::kLetters[index]) + (limited != 0 ? " met a limit switch" : " slipped");
  // A position read with a status that shows the axis at rest is where it
  // stopped; otherwise it is read once the other axes are stopped.
  const bool atRest = status != nullptr && !status[index].moving;
  return EndedEarly(limited != 0 ? VEKM_LIMIT : VEKM_SLIP, vek::axes::BitOf(index), atRest ? motor[index] : 0, atRest,
                    mask, what, f);
}

uint32_t Controller::Finish(int32_t candidates, const AxisStatus* status, const int32_t* motor, uint32_t before,
                            uint32_t word, Look*, Failure* f) {
  const Clock::time_point now = Clock::now();
  int32_t ended = 0;
  for (int i = 0; i < kAxes; ++i) {
    if (!Has(candidates, i)) continue;
    AxisRecord& r = records_[i];
    const int32_t bit = vek::axes::BitOf(i);
    const bool foundLimit = r.kind == Motion::kLimitSearch && (LimitBits(word) & bit) != 0;
    if (status[i].moving && !foundLimit) {
      r.seenMoving = true;
      if ((DoneBits(before) & bit) != 0) {
        // The axis moves: the done flag seen before the answer is an earlier
        // motion's report.
        link_->Result(link_->ops().ClearMultiAxisDoneFlags(link_->handle(), bit), "ClearMultiAxisDoneFlags", nullptr);
        r.confirmAt = now + kRecheck;
      } else if ((DoneBits(word) & bit) != 0) {
        // A done flag that came with or after the answer may be this
        // motion's own end: it stays, and the axis is looked at again soon.
        r.confirmAt = now + kRecheck;
      } else {
        r.confirmAt = now + kConfirmInterval;
      }
      continue;
    }
    if (link_->serial() && !r.seenMoving && (word & kCommandError) != 0 && (DoneBits(word) & bit) == 0) {
      const std::string operation = r.operation;
      Forget(r.group);
      return Fail(f, VEK_ERROR_COMMAND_NAK, operation,
                  std::string("the controller refused the command (command-error flag); ") + vek::axes::kLetters[i] +
                      " never moved");
    }
    ended |= bit;
  }
  for (int i = 0; i < kAxes; ++i) {
    if (!Has(ended, i)) continue;
    const AxisRecord& r = records_[i];
    const int32_t bit = vek::axes::BitOf(i);
    const char letter = vek::axes::kLetters[i];
    if (r.kind == Motion::kLimitSearch) {
      if ((LimitBits(word) & bit) != 0) {
        // Found: a switch set to decelerate lets the axis run on a little.
        StopQuietly(bit);
        Settle(bit);
        continue;
      }
      return EndedEarly(VEKM_INTERRUPTED, bit, motor[i], true, candidates,
                        std::string(1, letter) + " came to rest before its limit switch", f);
    }
    if (r.hasTarget && motor[i] != r.target) {
      return EndedEarly(VEKM_INTERRUPTED, bit, motor[i], true, candidates,
                        std::string(1, letter) + " came to rest short of its target " + std::to_string(r.target), f);
    }
  }
  Forget(ended);
  return VEK_SUCCESS;
}

uint32_t Controller::LookOnce(int32_t mask, Look* look, Failure* f) {
  const int32_t pending = mask & Active();
  uint32_t word = 0;
  uint32_t code = link_->Word(&word, f);
  const Clock::time_point now = Clock::now();
  if (link_->TakeReopened()) {
    // Opening the connection again cleared the transport's flags: every axis
    // is asked for its status now.
    for (int i = 0; i < kAxes; ++i)
      if (Has(pending, i)) records_[i].confirmAt = now;
  }
  if (code == VEK_SUCCESS) code = Tripped(pending, word, nullptr, nullptr, f);
  if (code != VEK_SUCCESS) return code;
  int32_t candidates = 0;
  for (int i = 0; i < kAxes; ++i) {
    if (!Has(pending, i)) continue;
    const AxisRecord& r = records_[i];
    const int32_t bit = vek::axes::BitOf(i);
    const bool due = (DoneBits(word) & bit) != 0 || now >= r.confirmAt ||
                     (r.kind == Motion::kLimitSearch && (LimitBits(word) & bit) != 0) ||
                     (link_->serial() && !r.seenMoving && (word & kCommandError) != 0);
    if (due) candidates |= bit;
  }
  if (candidates == 0) return VEK_SUCCESS;
  AxisStatus status[kAxes];
  int32_t motor[kAxes] = {};
  const uint32_t before = word;
  code = ReadAxes(status, motor, nullptr, f);
  // The word read after the answer: a limit or slip that came with it counts.
  if (code == VEK_SUCCESS) code = link_->Word(&word, f);
  if (code == VEK_SUCCESS) code = Tripped(pending, word, status, motor, f);
  if (code == VEK_SUCCESS) return Finish(candidates, status, motor, before, word, look, f);
  return code;
}

uint32_t Controller::RunWait(int32_t mask, int32_t options, int32_t timeoutMs, Marks marks, Failure* f) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const uint64_t cancelMark = marks.cancels;
  const uint32_t interrupts = marks.interrupts;
  Look look;
  std::unique_ptr<WaitScope> scope;
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      if (!scope) scope = std::make_unique<WaitScope>(&mutex_, records_, mask, marks.adopted);
      const int32_t pending = mask & Active();
      if (pending == 0) return VEK_SUCCESS;
      const std::string operation = records_[FirstIndex(pending)].operation;
      if (cancels_.load() != cancelMark || vekm_interrupt_count() != interrupts) {
        const bool bySignal = vekm_interrupt_count() != interrupts;
        StopQuietly(pending);
        Forget(pending);
        Fail(f, VEKM_CANCELLED, operation,
             (bySignal ? "interrupted by signal " + std::to_string(LastInterruptSignal()) : std::string("cancelled")) +
                 "; stopped " + AxisList(pending));
        if (f != nullptr) {
          f->stopped = pending;
          f->signal = bySignal ? LastInterruptSignal() : 0;
        }
        // A signal whose default is to end the process ends it now that the
        // axes are stopped.
        if (bySignal) EndIfSignalWantsIt();
        return VEKM_CANCELLED;
      }
      uint32_t code = LookOnce(mask, &look, f);
      if (code == VEK_SUCCESS) {
        look.failures = 0;
      } else if (Passing(code) && ++look.failures < kFailedLooks) {
        code = VEK_SUCCESS;  // one failed look is only looked at again
      }
      if (code != VEK_SUCCESS) {
        // A wait that cannot go on leaves nothing running.
        const int32_t left = mask & Active();
        if (KindOf(code) != VEKM_KIND_LIMIT && KindOf(code) != VEKM_KIND_SLIP &&
            KindOf(code) != VEKM_KIND_INTERRUPTED && code != VEK_ERROR_COMMAND_NAK) {
          StopQuietly(left);
          Forget(left);
          if (f != nullptr) {
            f->stopped |= left;
            if (left != 0) f->detail += "; stopped " + AxisList(left);
          }
        }
        return Interrupted(code, interrupts, f);
      }
      if (code == VEK_SUCCESS && (mask & Active()) == 0) return VEK_SUCCESS;
      if (Clock::now() >= deadline) {
        const int32_t left = mask & Active();
        std::string detail = AxisList(left) + " still moving after " + std::to_string(timeoutMs) + " ms";
        const bool stop = (options & VEKM_KEEP_MOVING) == 0;
        if (stop) {
          StopQuietly(left);
          Settle(left);
          Forget(left);
          detail += "; stopped " + AxisList(left);
        } else {
          detail += "; left moving";
        }
        Fail(f, VEK_ERROR_WAIT_TIMEOUT, operation, detail);
        if (f != nullptr && stop) f->stopped = left;
        return VEK_ERROR_WAIT_TIMEOUT;
      }
    }
    Pause(std::min(deadline, Clock::now() + kSlice), cancelMark);
  }
}

void Controller::Pause(Clock::time_point until, uint64_t cancelMark) {
  std::unique_lock<std::mutex> hold(pauseMutex_);
  pause_.wait_until(hold, until, [&] { return cancels_.load() != cancelMark; });
}

}  // namespace vek::motion
