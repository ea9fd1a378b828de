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

}  // namespace

void CatchInterrupts() { vek::host::InstallStopSignals(); }

bool InterruptRequested() { return vek::host::StopRequested(); }

bool Session::Connect() {
  if (link_.IsOpen()) return true;
  std::string note;
  const uint32_t result = link_.Open(target_, &note);
  if (!note.empty()) std::fprintf(err_, "%s\n", note.c_str());
  if (result != VEK_SUCCESS) {
    std::fprintf(err_, "vekctl: connect to %s: %s\n", link_.description().c_str(), ResultText(result).c_str());
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

WaitEnd Session::WaitWithProgress(const char* what, int32_t mask, int group, const int32_t start[kAxisCount],
                                  const int32_t* target, int32_t timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point began = Clock::now();
  double lastPlain = -kPlainLineSeconds;
  int32_t now[kAxisCount];
  for (int i = 0; i < kAxisCount; ++i) now[i] = start[i];
  const uint32_t wanted = static_cast<uint32_t>(mask) & static_cast<uint32_t>(vek::axes::kAllMask);
  uint32_t result = VEK_SUCCESS;
  uint32_t word = 0;
  WaitEnd end = WaitEnd::kFailed;
  for (;;) {
    result = ops().GetAllDoneFlags(handle(), &word);
    if (result == VEK_SUCCESS) result = ops().GetAllAxisMotorPositions(handle(), now);
    // A read cut short by the signal counts as the interruption, not as a
    // failure of the link.
    if (InterruptRequested()) {
      end = WaitEnd::kInterrupted;
      break;
    }
    if (result != VEK_SUCCESS) break;
    // An axis at a limit switch or with a slipped encoder never reports
    // the flag awaited (a limit search awaits the limit itself).
    const uint32_t stuck = ((word >> kSlipShift) | (group == 0 ? word >> kLimitShift : 0u)) & wanted;
    const bool reached = stuck == 0 && ((word >> (kLimitShift * group)) & wanted) == wanted;
    const double elapsed = std::chrono::duration<double>(Clock::now() - began).count();
    const int percent = reached && target != nullptr ? 100 : ProgressPercent(mask, start, now, target);
    const std::string line = ProgressLine(what, mask, now, percent, elapsed);
    if (terminal_) {
      // Rewrite the one line in place; the escape clears what a longer
      // earlier line left behind.
      std::fprintf(err_, "\r%s\x1b[K", line.c_str());
    } else if (reached || stuck != 0 || elapsed - lastPlain >= kPlainLineSeconds) {
      std::fprintf(err_, "%s\n", line.c_str());
      lastPlain = elapsed;
    }
    if (reached) {
      end = WaitEnd::kReached;
      break;
    }
    if (stuck != 0) break;
    if (timeoutMs > 0 && elapsed * 1000.0 > static_cast<double>(timeoutMs)) {
      end = WaitEnd::kTimedOut;
      break;
    }
    VEK_Pause(kPollPauseMs);
  }
  if (terminal_) std::fprintf(err_, "\n");
  if (end == WaitEnd::kInterrupted) {
    Interrupted();
  } else if (end == WaitEnd::kFailed && result != VEK_SUCCESS) {
    Check(what, result);
  } else if (end == WaitEnd::kFailed) {
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
  }
  return end;
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
