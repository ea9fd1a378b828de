#include "tools/session.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/host.h"

namespace vekctl {
namespace {

// Pause between two looks of a watch: short enough for a smooth progress
// line, long enough to leave the wait, which shares the controller's lock,
// its slices.
constexpr std::chrono::milliseconds kLookPause{20};
// Without a terminal a plain line is written at most this often.
constexpr double kPlainLineSeconds = 0.25;

std::atomic<int> gSignal{0};
std::atomic<int> gSignalCount{0};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only touch lock-free words");

void OnEndSignal(int signalNumber) {
  int none = 0;
  gSignal.compare_exchange_strong(none, signalNumber);
  gSignalCount.fetch_add(1);
  vekm_interrupt(signalNumber);
}

// The first signal is vekctl's to act on; a second one ends it at once,
// should stopping the axes itself hang.
bool EndAtOnce(int) { return gSignalCount.load() > 1; }

// The signals' numbers as the C runtime gives them: SIGHUP comes on POSIX
// systems only, Ctrl-Break (SIGBREAK) on Windows only.
struct SignalName {
  int number;
  const char* name;
};
constexpr SignalName kSignalNames[] = {{2, "SIGINT (Ctrl-C)"}, {15, "SIGTERM"}, {1, "SIGHUP"}, {21, "Ctrl-Break"}};

std::string NameOfSignal(int signalNumber) {
  for (const SignalName& entry : kSignalNames) {
    if (entry.number == signalNumber) return entry.name;
  }
  return "signal " + std::to_string(signalNumber);
}

// The positions a motion's progress is measured against.
void ProgressEnds(const int32_t start[kAxisCount], const int32_t* target, bool relative, int32_t ends[kAxisCount]) {
  for (int i = 0; i < kAxisCount; ++i) {
    // A distance from a start near the end of the range points past it; the
    // progress is measured against the end.
    const int64_t end = target[i] + (relative ? int64_t{start[i]} : 0);
    ends[i] = static_cast<int32_t>(std::clamp<int64_t>(end, INT32_MIN, INT32_MAX));
  }
}

}  // namespace

void CatchEndSignals() {
  // A signal ignored when vekctl started (nohup, a background job) stays
  // ignored. A reader of vekctl's output that goes away (`| head`) must not
  // end it with axes moving.
  vek::host::ChainEndSignals(OnEndSignal, EndAtOnce);
  vek::host::IgnoreBrokenPipes();
}

int EndSignal() { return gSignal.load(); }

bool Session::Connect() {
  if (link_.IsOpen()) return true;
  std::string note;
  std::string failure;
  if (!link_.Open(target_, &note, &failure)) {
    std::fprintf(err_, "vekctl: connect: %s\n", failure.c_str());
    return false;
  }
  std::fprintf(err_, "%s\n", note.c_str());
  return true;
}

int Session::Report(const char* what, uint32_t code, const VekmError& error) {
  if (code == VEK_SUCCESS) return kExitOk;
  std::fprintf(err_, "vekctl: %s: %s\n", what, error.message);
  return kExitFailed;
}

int Session::Check(const char* what, uint32_t code) {
  if (code == VEK_SUCCESS) return kExitOk;
  std::fprintf(err_, "vekctl: %s: %s (%u): %s\n", what, vekm_result_name(code), static_cast<unsigned>(code),
               vekm_result_text(code));
  return kExitFailed;
}

uint32_t Session::Look(Sample* sample, VekmError* error) {
  const uint32_t code = vekm_poll(link_.controller(), sample->axes, nullptr, error);
  if (recording_ != nullptr) sample->seconds = RecordingSeconds();
  return code;
}

void Session::RecordInto(Recording* recording) {
  recording_ = recording;
  recordingStartUs_ = vek::host::MonotonicMicroseconds();
}

double Session::RecordingSeconds() const {
  return static_cast<double>(vek::host::MonotonicMicroseconds() - recordingStartUs_) / 1e6;
}

uint32_t Session::Watch(const char* what, int32_t mask, const int32_t* target, bool relative, const MotionCall& motion,
                        VekmError* error) {
  using Clock = std::chrono::steady_clock;
  Sample sample;
  VekmError lookError;
  // Where the axes start, for the progress toward the target.
  const bool looked = Look(&sample, &lookError) == VEK_SUCCESS;
  if (looked && recording_ != nullptr) recording_->Add(sample);
  int32_t start[kAxisCount] = {};
  for (int i = 0; i < kAxisCount; ++i) start[i] = sample.axes[i].motor;
  int32_t ends[kAxisCount] = {};
  if (looked && target != nullptr) ProgressEnds(start, target, relative, ends);
  target = looked && target != nullptr ? ends : nullptr;

  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  uint32_t code = VEK_SUCCESS;
  VekmController* controller = link_.controller();
  const Clock::time_point began = Clock::now();
  std::thread worker([&] {
    const uint32_t result = motion(controller, error);
    {
      std::lock_guard<std::mutex> hold(mutex);
      code = result;
      done = true;
    }
    ended.notify_one();
  });
  double lastPlain = -kPlainLineSeconds;
  auto show = [&](bool last) {
    if (recording_ != nullptr) recording_->Add(sample);
    const double elapsed = std::chrono::duration<double>(Clock::now() - began).count();
    if (progress_) ShowLook(what, mask, start, target, last && code == VEK_SUCCESS, last, elapsed, sample, &lastPlain);
  };
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(mutex);
      if (ended.wait_for(hold, kLookPause, [&] { return done; })) break;
    }
    // A look that fails is the wait's to judge: it owns the motion's end.
    if (Look(&sample, &lookError) == VEK_SUCCESS) show(false);
  }
  worker.join();
  // The last look shows where the motion left the axes.
  if (Look(&sample, &lookError) == VEK_SUCCESS) show(true);
  if (terminal_ && progress_) std::fprintf(err_, "\n");
  return code;
}

void Session::ShowLook(const char* what, int32_t mask, const int32_t start[kAxisCount], const int32_t* target,
                       bool reached, bool last, double elapsed, const Sample& sample, double* lastPlain) {
  int32_t now[kAxisCount] = {};
  for (int i = 0; i < kAxisCount; ++i) now[i] = sample.axes[i].motor;
  const int percent = reached && target != nullptr ? 100 : ProgressPercent(mask, start, now, target);
  const std::string line = ProgressLine(what, mask, now, percent, elapsed);
  if (terminal_) {
    // Rewrite the one line in place; the escape clears what a longer
    // earlier line left behind.
    std::fprintf(err_, "\r%s\x1b[K", line.c_str());
  } else if (last || elapsed - *lastPlain >= kPlainLineSeconds) {
    std::fprintf(err_, "%s\n", line.c_str());
    *lastPlain = elapsed;
  }
}

int Session::Finish(int code) {
  const int signalNumber = EndSignal();
  if (signalNumber == 0 || finished_) return signalNumber == 0 ? code : kExitSignalBase + signalNumber;
  finished_ = true;
  std::fflush(out_);
  const std::string name = NameOfSignal(signalNumber);
  VekmController* controller = link_.controller();
  // A wait that the signal ended has stopped its own axes; these are the
  // ones vekctl set moving without waiting (a move without --wait, a jog, a
  // shell's earlier lines).
  const int32_t moving = controller != nullptr ? vekm_moving(controller) : 0;
  if (moving == 0) {
    std::fprintf(err_, "vekctl: interrupted by %s\n", name.c_str());
  } else {
    VekmError error;
    if (vekm_stop(controller, moving, &error) == VEK_SUCCESS) {
      std::fprintf(err_, "vekctl: interrupted by %s; stopped %s\n", name.c_str(), AxisListText(moving).c_str());
    } else {
      std::fprintf(err_, "vekctl: interrupted by %s; stopping %s failed: %s\n", name.c_str(),
                   AxisListText(moving).c_str(), error.message);
    }
  }
  return kExitSignalBase + signalNumber;
}

}  // namespace vekctl
