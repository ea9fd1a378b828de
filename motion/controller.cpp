// Starting motions, stopping them, and the calls that only read or send.
#include "motion/controller.h"

#include <cmath>
#include <cstring>

#include "motion/results.h"

namespace vek::motion {
namespace {

constexpr std::chrono::milliseconds kConfirmInterval{250};
constexpr int32_t kKnownOptions =
    VEKM_RELATIVE | VEKM_KEEP_MOVING | VEKM_IN_POSITION | VEKM_HOME_EDGE | VEKM_HOME_RESET;

std::string Letters(int32_t mask) {
  std::string text;
  for (int i = 0; i < kAxes; ++i) {
    if ((mask & vek::axes::BitOf(i)) == 0) continue;
    if (!text.empty()) text += ",";
    text += vek::axes::kLetters[i];
  }
  return text;
}

uint32_t CheckMask(int32_t mask, const char* operation, Failure* f) {
  if (mask <= 0 || mask > vek::axes::kAllMask)
    return Fail(f, VEKM_BAD_ARGUMENT, operation,
                "axis mask " + std::to_string(mask) + " names no axis or not only axes");
  return VEK_SUCCESS;
}

uint32_t CheckAxis(int32_t axis, const char* operation, Failure* f) {
  if (vek::axes::IndexOf(axis) < 0)
    return Fail(f, VEKM_BAD_ARGUMENT, operation, std::to_string(axis) + " is not an axis bit (1 for X to 512 for K)");
  return VEK_SUCCESS;
}

uint32_t CheckWait(int32_t options, int32_t timeoutMs, const char* operation, Failure* f) {
  if ((options & ~kKnownOptions) != 0)
    return Fail(f, VEKM_BAD_ARGUMENT, operation, "unknown option bits " + std::to_string(options & ~kKnownOptions));
  if (timeoutMs < 0) return Fail(f, VEKM_BAD_ARGUMENT, operation, "negative time-out");
  return VEK_SUCCESS;
}

}  // namespace

std::string AxisList(int32_t mask) { return Letters(mask); }

int32_t Controller::Active() const {
  int32_t mask = 0;
  for (int i = 0; i < kAxes; ++i)
    if (records_[i].active) mask |= vek::axes::BitOf(i);
  return mask;
}

int32_t Controller::GroupOf(int32_t mask) const {
  int32_t group = 0;
  for (int i = 0; i < kAxes; ++i)
    if ((mask & vek::axes::BitOf(i)) != 0 && records_[i].active) group |= records_[i].group;
  return group;
}

void Controller::Unadopt(int32_t mask) {
  for (int i = 0; i < kAxes; ++i)
    if ((mask & vek::axes::BitOf(i)) != 0 && records_[i].waits > 0) --records_[i].waits;
}

void Controller::Forget(int32_t mask) {
  for (int i = 0; i < kAxes; ++i)
    if ((mask & vek::axes::BitOf(i)) != 0) records_[i].active = false;
}

void Controller::StopQuietly(int32_t mask) {
  if (mask == 0) return;
  // A stop whose reply was lost may not have been taken: once more, on a
  // connection opened again.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (link_->Ready(Use::kSend, nullptr) != VEK_SUCCESS) continue;
    const uint32_t code = link_->ops().StopMotion(link_->handle(), mask);
    if (link_->Result(code, "StopMotion", nullptr) == VEK_SUCCESS) return;
  }
}

uint32_t Controller::Interrupted(uint32_t code, uint32_t interruptsAtStart, Failure* f) {
  if (code == VEK_SUCCESS || vekm_interrupt_count() == interruptsAtStart) return code;
  // A read cut short by the signal counts as the interruption, not as a
  // failure of the link (which recovers all the same).
  const std::string operation = f != nullptr ? f->operation : std::string();
  Fail(f, VEKM_CANCELLED, operation, "interrupted by signal " + std::to_string(LastInterruptSignal()));
  if (f != nullptr) f->signal = LastInterruptSignal();
  return VEKM_CANCELLED;
}

uint32_t Controller::TargetsOf(int32_t mask, const int32_t* targets, bool relative, int32_t* absolute, bool* known,
                               Failure* f) {
  if (targets == nullptr) return VEK_SUCCESS;
  AxisStatus status[kAxes];
  int32_t motor[kAxes] = {};
  if (relative) {
    const uint32_t code = ReadAxes(status, motor, nullptr, f);
    if (code != VEK_SUCCESS) return code;
  }
  for (int i = 0; i < kAxes; ++i) {
    if ((mask & vek::axes::BitOf(i)) == 0) continue;
    // A relative move of an axis that moves starts from wherever the axis
    // is when the command arrives: its end is not known beforehand.
    const int64_t target = relative ? int64_t{motor[i]} + targets[i] : targets[i];
    known[i] = (!relative || !status[i].moving) && target >= INT32_MIN && target <= INT32_MAX;
    absolute[i] = known[i] ? static_cast<int32_t>(target) : 0;
  }
  return VEK_SUCCESS;
}

uint32_t Controller::ClearFlags(int32_t mask, Failure* f) {
  const vek::Exports& ops = link_->ops();
  uint32_t* handle = link_->handle();
  uint32_t code = link_->Result(ops.ClearMultiAxisDoneFlags(handle, mask), "ClearMultiAxisDoneFlags", f);
  if (code == VEK_SUCCESS)
    code = link_->Result(ops.ClearMultiAxisOvertravelFlags(handle, mask), "ClearMultiAxisOvertravelFlags", f);
  if (code == VEK_SUCCESS) code = link_->Result(ops.ClearMultiAxisSlipFlag(handle, mask), "ClearMultiAxisSlipFlag", f);
  // On serial nothing acknowledges a command: a refused one shows only as the
  // command-error flag.
  if (code == VEK_SUCCESS && link_->serial())
    code = link_->Result(ops.ClearCommandErrorFlag(handle), "ClearCommandErrorFlag", f);
  return code;
}

void Controller::Record(Motion kind, int32_t mask, const int32_t* absolute, const bool* known, bool waited,
                        const char* name) {
  const Clock::time_point now = Clock::now();
  ++starts_;
  for (int i = 0; i < kAxes; ++i) {
    if ((mask & vek::axes::BitOf(i)) == 0) continue;
    AxisRecord& r = records_[i];
    const int waits = r.waits;  // a wait on another thread keeps its count
    r = AxisRecord{};
    r.waits = waits + (waited ? 1 : 0);
    r.active = true;
    r.kind = kind;
    r.group = mask;
    r.hasTarget = known[i];
    r.target = absolute[i];
    r.confirmAt = now + kConfirmInterval;
    r.mark = starts_;
    r.starter = std::this_thread::get_id();
    r.operation = link_->Op(name);
  }
}

uint32_t Controller::Start(Motion kind, int32_t mask, const int32_t* targets, bool relative, bool waited,
                           const char* name, const std::function<uint32_t()>& command, Failure* f) {
  uint32_t code = link_->Ready(Use::kQuery, f);
  if (code != VEK_SUCCESS) return code;
  // Fresh flags: what has arrived is read first, until the line is quiet, so
  // that a report of an earlier motion cannot set a flag after the clear.
  uint32_t word = 0;
  code = link_->FoldAll(&word, f);
  if (code != VEK_SUCCESS) return code;
  int32_t absolute[kAxes] = {};
  bool known[kAxes] = {};
  code = TargetsOf(mask, targets, relative, absolute, known, f);
  if (code == VEK_SUCCESS) code = ClearFlags(mask, f);
  if (code != VEK_SUCCESS) return code;

  // Recorded before the command goes out, so that whatever happens to its
  // reply the axes are known to be possibly moving.
  Record(kind, mask, absolute, known, waited, name);
  code = link_->Result(command(), name, f);
  if (code == VEK_SUCCESS) return code;
  if (waited) Unadopt(mask);  // no wait follows
  if (code == VEK_ERROR_COMMAND_NAK || code == VEK_ERROR_INVALID_AXIS || code == VEK_ERROR_INVALID_PARAMETER ||
      code == VEK_ERROR_COMMAND_TOO_LONG) {
    Forget(mask);  // refused: nothing moves
    return code;
  }
  // The reply was lost or garbled: the controller may well have taken the
  // command, so its axes are stopped before the error goes back.
  StopQuietly(mask);
  Forget(mask);
  if (f != nullptr) {
    f->stopped = mask;
    f->detail += "; stopped " + Letters(mask) + " in case the command was taken";
  }
  return code;
}

uint32_t Controller::StartAndWait(const Request& r, int32_t options, int32_t timeoutMs, Failure* f) {
  const Marks marks = MarksNow(timeoutMs > 0);
  uint32_t code = VEK_SUCCESS;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    code = Start(r.kind, r.mask, r.targets, r.relative, marks.adopted, r.name, r.command, f);
    code = Interrupted(code, marks.interrupts, f);
  }
  if (code != VEK_SUCCESS || timeoutMs == 0) return code;
  return RunWait(r.mask, options, timeoutMs, marks, f);
}

uint32_t Controller::Move(int32_t mask, const int32_t* values, int32_t options, int32_t timeoutMs, Failure* f,
                          const char* name) {
  uint32_t code = CheckMask(mask, name, f);
  if (code == VEK_SUCCESS && values == nullptr) code = Fail(f, VEKM_BAD_ARGUMENT, name, "no target list");
  if (code == VEK_SUCCESS) code = CheckWait(options, timeoutMs, name, f);
  if (code != VEK_SUCCESS) return code;
  const int32_t kind = (options & VEKM_RELATIVE) != 0 ? 1 : 0;
  const int32_t suffix = (options & VEKM_IN_POSITION) != 0 ? 1 : 0;
  const int index = vek::axes::IndexOf(mask);
  // One axis goes out as a single-axis move, several as one synchronised move.
  Request r{Motion::kMove, mask, values, kind == 1, index >= 0 ? "MoveAxis" : "Move", [&] {
              return index >= 0 ? link_->ops().MoveAxis(link_->handle(), mask, kind, values[index], suffix, 0)
                                : link_->ops().Move(link_->handle(), mask, 0, kind, values, suffix, 0);
            }};
  return StartAndWait(r, options, timeoutMs, f);
}

uint32_t Controller::Home(int32_t axis, int32_t value, int32_t options, int32_t timeoutMs, Failure* f) {
  const char* name = "vekm_home";
  uint32_t code = CheckAxis(axis, name, f);
  if (code == VEK_SUCCESS) code = CheckWait(options, timeoutMs, name, f);
  if (code != VEK_SUCCESS) return code;
  // The home value is where the search ends.
  int32_t targets[kAxes] = {};
  targets[vek::axes::IndexOf(axis)] = value;
  const int32_t edge = (options & VEKM_HOME_EDGE) != 0 ? 1 : 0;
  const int32_t reset = (options & VEKM_HOME_RESET) != 0 ? 1 : 0;
  Request r{Motion::kHome,  axis,
            targets,        false,
            "FindAxisHome", [&] { return link_->ops().FindAxisHome(link_->handle(), axis, edge, reset, value, 0); }};
  return StartAndWait(r, options, timeoutMs, f);
}

uint32_t Controller::FindLimit(int32_t axis, int32_t velocity, int32_t options, int32_t timeoutMs, Failure* f) {
  const char* name = "vekm_find_limit";
  uint32_t code = CheckAxis(axis, name, f);
  if (code == VEK_SUCCESS && (velocity == 0 || velocity == INT32_MIN))
    code = Fail(f, VEKM_BAD_ARGUMENT, name, "velocity " + std::to_string(velocity) + " gives no side to search");
  if (code == VEK_SUCCESS) code = CheckWait(options, timeoutMs, name, f);
  if (code != VEK_SUCCESS) return code;
  const int32_t negative = velocity < 0 ? 1 : 0;
  const int32_t speed = velocity < 0 ? -velocity : velocity;
  Request r{Motion::kLimitSearch, axis, nullptr, false, "FindAxisLimit", [&] {
              return link_->ops().FindAxisLimit(link_->handle(), axis, negative, speed, 0);
            }};
  return StartAndWait(r, options, timeoutMs, f);
}

uint32_t Controller::Jog(int32_t mask, const double* velocities, Failure* f) {
  const char* name = "vekm_jog";
  uint32_t code = CheckMask(mask, name, f);
  if (code == VEK_SUCCESS && velocities == nullptr) code = Fail(f, VEKM_BAD_ARGUMENT, name, "no velocity list");
  if (code != VEK_SUCCESS) return code;
  const int single = vek::axes::IndexOf(mask);
  int32_t whole[kAxes] = {};
  for (int i = 0; i < kAxes; ++i) {
    if ((mask & vek::axes::BitOf(i)) == 0) continue;
    const double v = velocities[i];
    const bool fits = std::isfinite(v) && v >= INT32_MIN && v <= INT32_MAX;
    // Several axes go out in one value list, whole numbers only.
    if (!fits || (single < 0 && v != std::floor(v))) {
      return Fail(f, VEKM_BAD_ARGUMENT, name,
                  std::string("velocity of ") + vek::axes::kLetters[i] + " is not " +
                      (single < 0 ? "a whole number of steps/s" : "a finite number") + " in the signed 32-bit range");
    }
    whole[i] = static_cast<int32_t>(v);
  }
  const double v = single >= 0 ? velocities[single] : 0.0;
  Request r{Motion::kJog, mask, nullptr, false, single >= 0 ? "JogAxis" : "Jog", [&] {
              return single >= 0 ? link_->ops().JogAxis(link_->handle(), mask, v == std::floor(v) ? 0 : 1, v)
                                 : link_->ops().Jog(link_->handle(), mask, 0, whole);
            }};
  return StartAndWait(r, 0, 0, f);
}

uint32_t Controller::Halt(int32_t mask, bool abrupt, Failure* f) {
  const char* name = abrupt ? "vekm_kill" : "vekm_stop";
  uint32_t code = CheckMask(mask, name, f);
  if (code != VEK_SUCCESS) return code;
  std::lock_guard<std::mutex> hold(mutex_);
  const uint32_t interrupts = vekm_interrupt_count();
  // A stop only writes on serial: it never waits for a late answer to be
  // read away first.
  code = link_->Ready(Use::kSend, f);
  if (code == VEK_SUCCESS) {
    const uint32_t result =
        abrupt ? link_->ops().KillMotion(link_->handle(), mask) : link_->ops().StopMotion(link_->handle(), mask);
    code = link_->Result(result, abrupt ? "KillMotion" : "StopMotion", f);
  }
  if (code == VEK_SUCCESS) {
    // Still recorded: a wait on these axes sees them end and reports it.
    for (int i = 0; i < kAxes; ++i)
      if ((mask & vek::axes::BitOf(i)) != 0 && records_[i].active) records_[i].stopping = true;
  }
  return Interrupted(code, interrupts, f);
}

uint32_t Controller::Wait(int32_t mask, int32_t options, int32_t timeoutMs, Failure* f) {
  const char* name = "vekm_wait";
  if (mask < 0 || mask > vek::axes::kAllMask)
    return Fail(f, VEKM_BAD_ARGUMENT, name, "axis mask " + std::to_string(mask) + " is not only axes");
  uint32_t code = CheckWait(options, timeoutMs, name, f);
  if (code != VEK_SUCCESS) return code;
  const Marks marks = MarksNow();
  {
    std::lock_guard<std::mutex> hold(mutex_);
    code = link_->Ready(Use::kFlags, f);
    if (code != VEK_SUCCESS) return code;
    if (mask == 0) mask = Active();
    mask &= Active();
  }
  if (mask == 0) return VEK_SUCCESS;
  return RunWait(mask, options, timeoutMs == 0 ? VEKM_DEFAULT_TIMEOUT_MS : timeoutMs, marks, f);
}

uint32_t Controller::StatusWord(uint32_t* word, Failure* f) {
  if (word == nullptr) return Fail(f, VEKM_BAD_ARGUMENT, "vekm_status_word", "no place for the word");
  std::lock_guard<std::mutex> hold(mutex_);
  const uint32_t interrupts = vekm_interrupt_count();
  return Interrupted(link_->Word(word, f), interrupts, f);
}

uint32_t Controller::Positions(int32_t* motor, int32_t* encoder, Failure* f) {
  int32_t m[kAxes] = {};
  int32_t e[kAxes] = {};
  const uint32_t code = Call(
      "GetAllAxisPositions", Use::kQuery,
      [&](const vek::Exports& ops, uint32_t* h) { return ops.GetAllAxisPositions(h, m, e); }, f);
  if (code != VEK_SUCCESS) return code;
  if (motor != nullptr) std::memcpy(motor, m, sizeof m);
  if (encoder != nullptr) std::memcpy(encoder, e, sizeof e);
  return code;
}

uint32_t Controller::EnableSlipDetection(int32_t mask, int32_t tolerance, Failure* f) {
  const char* name = "vekm_enable_slip_detection";
  uint32_t code = CheckMask(mask, name, f);
  if (code == VEK_SUCCESS && tolerance < 0)
    code = Fail(f, VEKM_BAD_ARGUMENT, name, "negative slip tolerance " + std::to_string(tolerance));
  for (int i = 0; code == VEK_SUCCESS && i < kAxes; ++i) {
    const int32_t bit = vek::axes::BitOf(i);
    if ((mask & bit) == 0) continue;
    if (tolerance > 0) {
      code = Call(
          "SetAxisEncoderSlipTolerance", Use::kSend,
          [&](const vek::Exports& ops, uint32_t* h) { return ops.SetAxisEncoderSlipTolerance(h, bit, tolerance); }, f);
    }
    if (code == VEK_SUCCESS) {
      code = Call(
          "EnableAxisSlipDectection", Use::kSend,
          [&](const vek::Exports& ops, uint32_t* h) { return ops.EnableAxisSlipDectection(h, bit); }, f);
    }
  }
  return code;
}

uint32_t Controller::Send(const char* text, Failure* f) {
  if (text == nullptr || text[0] == '\0') return Fail(f, VEKM_BAD_ARGUMENT, "vekm_send", "empty command text");
  return Call(
      "SendCommand", Use::kSend, [&](const vek::Exports& ops, uint32_t* h) { return ops.SendCommand(h, text); }, f);
}

uint32_t Controller::Query(const char* text, char* answer, int32_t size, Failure* f) {
  if (text == nullptr || text[0] == '\0') return Fail(f, VEKM_BAD_ARGUMENT, "vekm_query", "empty query text");
  if (answer == nullptr || size < 1) return Fail(f, VEKM_BAD_ARGUMENT, "vekm_query", "no answer buffer");
  // The transports keep at most 255 characters of an answer; the library's
  // own buffer takes them all, the caller's gets what fits.
  char whole[256] = {};
  const uint32_t code = Call(
      "Query", Use::kQuery,
      [&](const vek::Exports& ops, uint32_t* h) {
        return ops.Query(h, text, whole, static_cast<int32_t>(sizeof whole) - 1);
      },
      f);
  std::snprintf(answer, static_cast<size_t>(size), "%s", whole);
  return code;
}

uint32_t Controller::WithHandle(const char* operation, VekmHandleCall call, void* context, Failure* f) {
  if (call == nullptr) return Fail(f, VEKM_BAD_ARGUMENT, "vekm_with_handle", "no function to call");
  const std::string name = operation != nullptr ? operation : "call";
  return Call(
      name.c_str(), Use::kQuery, [&](const vek::Exports&, uint32_t* h) { return call(h, context); }, f);
}

void Controller::Cancel() {
  {
    std::lock_guard<std::mutex> hold(pauseMutex_);
    ++cancels_;
  }
  pause_.notify_all();
}

int32_t Controller::Moving() {
  std::lock_guard<std::mutex> hold(mutex_);
  int32_t mask = 0;
  for (int i = 0; i < kAxes; ++i)
    if (records_[i].active && !records_[i].stopping) mask |= vek::axes::BitOf(i);
  return mask;
}

uint64_t Controller::Mark() {
  std::lock_guard<std::mutex> hold(mutex_);
  return starts_;
}

int32_t Controller::MovingSince(uint64_t mark, bool thisThreadOnly) {
  std::lock_guard<std::mutex> hold(mutex_);
  int32_t mask = 0;
  for (int i = 0; i < kAxes; ++i) {
    const AxisRecord& r = records_[i];
    if (r.active && !r.stopping && r.mark > mark && (!thisThreadOnly || r.starter == std::this_thread::get_id()))
      mask |= vek::axes::BitOf(i);
  }
  return mask;
}

void Controller::Close() {
  std::lock_guard<std::mutex> hold(mutex_);
  link_->Close();
  Forget(vek::axes::kAllMask);
}

bool Controller::IsOpen() {
  std::lock_guard<std::mutex> hold(mutex_);
  return link_->open();
}

bool Controller::IsSerial() { return link_->serial(); }

std::string Controller::Where() {
  std::lock_guard<std::mutex> hold(mutex_);
  return link_->where();
}

}  // namespace vek::motion
