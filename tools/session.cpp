#include "tools/session.h"

#include <chrono>

namespace vekctl {
namespace {

// Pause between two polls of a wait: short enough for a smooth progress line,
// long enough to leave the controller time to move.
constexpr int32_t kPollPauseMs = 20;
// Without a terminal a plain line is written at most this often.
constexpr double kPlainLineSeconds = 0.25;

}  // namespace

bool Session::Connect() {
  if (link_.IsOpen()) return true;
  std::string note;
  const uint32_t result = link_.Open(target_, &note);
  if (!note.empty()) std::fprintf(out_, "%s\n", note.c_str());
  if (result != VEK_SUCCESS) {
    std::fprintf(err_, "vekctl: connect to %s: %s\n", link_.description().c_str(), ResultText(result).c_str());
    link_.Close();
    return false;
  }
  std::fprintf(out_, "connected to %s (%s)\n", link_.description().c_str(), link_.ops().name);
  std::fflush(out_);
  return true;
}

int Session::Check(const char* what, uint32_t code) {
  if (code == VEK_SUCCESS) return kExitOk;
  std::fprintf(err_, "vekctl: %s: %s\n", what, ResultText(code).c_str());
  return kExitFailed;
}

uint32_t Session::WaitWithProgress(const char* what, int32_t mask, int group, const int32_t start[kAxisCount],
                                   const int32_t* target, int32_t timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point began = Clock::now();
  double lastPlain = -kPlainLineSeconds;
  int32_t now[kAxisCount];
  for (int i = 0; i < kAxisCount; ++i) now[i] = start[i];
  const uint32_t wanted = static_cast<uint32_t>(mask) & static_cast<uint32_t>(vek::axes::kAllMask);
  uint32_t result = VEK_SUCCESS;
  for (;;) {
    uint32_t word = 0;
    result = ops().GetAllDoneFlags(handle(), &word);
    if (result != VEK_SUCCESS) break;
    const bool reached = ((word >> (10 * group)) & wanted) == wanted;
    result = ops().GetAllAxisMotorPositions(handle(), now);
    if (result != VEK_SUCCESS) break;
    const double elapsed = std::chrono::duration<double>(Clock::now() - began).count();
    const int percent = reached && target != nullptr ? 100 : ProgressPercent(mask, start, now, target);
    const std::string line = ProgressLine(what, mask, now, percent, elapsed);
    if (terminal_) {
      // Rewrite the one line in place; the escape clears what a longer
      // earlier line left behind.
      std::fprintf(out_, "\r%s\x1b[K", line.c_str());
      std::fflush(out_);
    } else if (reached || elapsed - lastPlain >= kPlainLineSeconds) {
      std::fprintf(out_, "%s\n", line.c_str());
      std::fflush(out_);
      lastPlain = elapsed;
    }
    if (reached) break;
    if (elapsed * 1000.0 > static_cast<double>(timeoutMs)) {
      result = VEK_ERROR_WAIT_TIMEOUT;
      break;
    }
    VEK_Pause(kPollPauseMs);
  }
  if (terminal_) std::fprintf(out_, "\n");
  std::fflush(out_);
  return result;
}

}  // namespace vekctl
