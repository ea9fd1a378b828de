#include "tools/session.h"

#include <chrono>
#include <csignal>

#include "platform/host.h"

namespace vekctl {
namespace {

// Pause between two polls of a wait: short enough for a smooth progress line
// and a prompt answer to Ctrl-C, long enough to leave the controller time to
// move.
constexpr int32_t kPollPauseMs = 20;
// Without a terminal a plain line is written at most this often.
constexpr double kPlainLineSeconds = 0.25;

constexpr int kLimitShift = 10;
constexpr int kSlipShift = 20;

// The awaited axes that can no longer report the awaited flag: a slipped
// encoder, or a limit switch met while waiting for done (a limit search
// awaits the limit itself).
uint32_t Stuck(uint32_t word, uint32_t wanted, int group) {
  return ((word >> kSlipShift) | (group == 0 ? word >> kLimitShift : 0u)) & wanted;
}

}  // namespace

void CatchInterrupts() { vek::host::InstallStopSignals(); }

bool InterruptRequested() { return vek::host::StopRequested(); }

bool Session::Connect() {
  if (link_.IsOpen()) return true;
  std::string note;
  std::string failure;
  const uint32_t result = link_.Open(target_, &note, &failure);
  if (!note.empty()) std::fprintf(err_, "%s\n", note.c_str());
  if (result != VEK_SUCCESS) {
    if (failure.empty()) failure = ResultText(result);
    std::fprintf(err_, "vekctl: connect to %s: %s\n", link_.description().c_str(), failure.c_str());
    link_.Close();
    return false;
  }
  std::fprintf(err_, "connected to %s (%s)\n", link_.description().c_str(), link_.transportName());
  return true;
}

int Session::Check(const char* what, uint32_t code) {
  if (code == VEK_SUCCESS) return kExitOk;
  std::fprintf(err_, "vekctl: %s: %s\n", what, ResultText(code).c_str());
  return kExitFailed;
}

int Session::Interrupted() {
  // The handler stays a flag setter; from here on the default action ends
  // vekctl at once should the stop itself hang.
  std::signal(SIGINT, SIG_DFL);
  if (interrupted_) return kExitInterrupted;
  interrupted_ = true;
  std::fflush(out_);
  const int32_t moving = moving_;
  moving_ = 0;
  if (moving == 0 || !link_.IsOpen()) {
    std::fprintf(err_, "vekctl: interrupted\n");
    return kExitInterrupted;
  }
  const uint32_t result = ops().StopMotion(handle(), moving);
  if (result == VEK_SUCCESS) {
    std::fprintf(err_, "vekctl: interrupted; stopped %s\n", AxisListText(moving).c_str());
  } else {
    std::fprintf(err_, "vekctl: interrupted; stop %s: %s\n", AxisListText(moving).c_str(), ResultText(result).c_str());
  }
  return kExitInterrupted;
}

uint32_t Session::Look(Sample* sample, bool encoders) {
  const uint32_t result = ops().GetAllDoneFlags(handle(), &sample->word);
  if (result != VEK_SUCCESS) return result;
  // The positions are read after the flags, and the row takes their time.
  if (recording_ != nullptr) sample->seconds = RecordingSeconds();
  return encoders ? ops().GetAllAxisPositions(handle(), sample->motor, sample->encoder)
                  : ops().GetAllAxisMotorPositions(handle(), sample->motor);
}

void Session::RecordInto(Recording* recording) {
  recording_ = recording;
  recordingStartUs_ = vek::host::MonotonicMicroseconds();
}

double Session::RecordingSeconds() const {
  return static_cast<double>(vek::host::MonotonicMicroseconds() - recordingStartUs_) / 1e6;
}

WaitEnd Session::WaitWithProgress(const char* what, int32_t mask, int group, const int32_t start[kAxisCount],
                                  const int32_t* target, int32_t timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point began = Clock::now();
  double lastPlain = -kPlainLineSeconds;
  Sample sample;
  for (int i = 0; i < kAxisCount; ++i) sample.motor[i] = start[i];
  const uint32_t wanted = static_cast<uint32_t>(mask) & static_cast<uint32_t>(vek::axes::kAllMask);
  uint32_t result = VEK_SUCCESS;
  WaitEnd end = WaitEnd::kFailed;
  for (;;) {
    result = Look(&sample, recording_ != nullptr);
    // A read cut short by the signal counts as the interruption, not as a
    // failure of the link.
    if (InterruptRequested()) {
      end = WaitEnd::kInterrupted;
      break;
    }
    if (result != VEK_SUCCESS) break;
    if (recording_ != nullptr) recording_->Add(sample);
    const uint32_t stuck = Stuck(sample.word, wanted, group);
    const bool reached = stuck == 0 && ((sample.word >> (kLimitShift * group)) & wanted) == wanted;
    const double elapsed = std::chrono::duration<double>(Clock::now() - began).count();
    if (progress_) ShowPoll(what, mask, start, target, reached, stuck != 0, elapsed, sample, &lastPlain);
    if (reached) {
      end = WaitEnd::kReached;
      break;
    }
    if (stuck != 0) break;
    if (timeoutMs > 0 && elapsed * 1000.0 > static_cast<double>(timeoutMs)) {
      end = WaitEnd::kTimedOut;
      break;
    }
    // A recording wants its rows as close as the reads allow.
    if (recording_ == nullptr) VEK_Pause(kPollPauseMs);
  }
  if (terminal_ && progress_) std::fprintf(err_, "\n");
  ReportEnd(what, end, result, mask, group, sample.word);
  return end;
}

void Session::ShowPoll(const char* what, int32_t mask, const int32_t start[kAxisCount], const int32_t* target,
                       bool reached, bool last, double elapsed, const Sample& sample, double* lastPlain) {
  const int percent = reached && target != nullptr ? 100 : ProgressPercent(mask, start, sample.motor, target);
  const std::string line = ProgressLine(what, mask, sample.motor, percent, elapsed);
  if (terminal_) {
    // Rewrite the one line in place; the escape clears what a longer
    // earlier line left behind.
    std::fprintf(err_, "\r%s\x1b[K", line.c_str());
  } else if (reached || last || elapsed - *lastPlain >= kPlainLineSeconds) {
    std::fprintf(err_, "%s\n", line.c_str());
    *lastPlain = elapsed;
  }
}

void Session::ReportEnd(const char* what, WaitEnd end, uint32_t result, int32_t mask, int group, uint32_t word) {
  if (end == WaitEnd::kInterrupted) {
    Interrupted();
    return;
  }
  if (end != WaitEnd::kFailed) return;
  if (result != VEK_SUCCESS) {
    Check(what, result);
    return;
  }
  const uint32_t wanted = static_cast<uint32_t>(mask);
  const uint32_t slipped = (word >> kSlipShift) & wanted;
  const uint32_t limited = group == 0 ? (word >> kLimitShift) & wanted & ~slipped : 0u;
  if (limited != 0) {
    std::fprintf(err_, "vekctl: %s: %s stopped at a limit switch (limit flag set)\n", what,
                 AxisListText(static_cast<int32_t>(limited)).c_str());
  }
  if (slipped != 0) {
    std::fprintf(err_, "vekctl: %s: %s slipped (slip flag set)\n", what,
                 AxisListText(static_cast<int32_t>(slipped)).c_str());
  }
  // The controller stops an axis at its limit switch or on a slip; the other
  // axes of the motion would go on without it, so they are stopped too.
  const auto others = static_cast<int32_t>(wanted & ~(slipped | limited) & ~(word & wanted));
  Settled(mask);
  if (others == 0) return;
  const uint32_t stopped = ops().StopMotion(handle(), others);
  if (stopped == VEK_SUCCESS) {
    std::fprintf(err_, "vekctl: %s: stopped %s as well\n", what, AxisListText(others).c_str());
  } else {
    Check("stop", stopped);
  }
}

int Session::WaitExit(const char* what, WaitEnd end) {
  switch (end) {
    case WaitEnd::kReached:
      return kExitOk;
    case WaitEnd::kTimedOut:
      return Check(what, VEK_ERROR_WAIT_TIMEOUT);
    case WaitEnd::kInterrupted:
      return kExitInterrupted;
    case WaitEnd::kFailed:
      break;
  }
  return kExitFailed;
}

}  // namespace vekctl
