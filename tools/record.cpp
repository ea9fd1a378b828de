// The record subcommand: looks at the controller at a steady rate and writes
// each look as a row of a CSV file, whoever moves the axes meanwhile.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "tools/commands.h"

namespace vekctl {
namespace {

constexpr int kLimitShift = 10;
constexpr int kSlipShift = 20;

struct RecordArgs {
  std::string axes;
  double rate = 20.0;
  double seconds = 10.0;
  std::string path;
};

// The status word keeps a flag until this process clears it; clearing what
// was just written down lets the next report of the same kind show again.
void ForgetReported(Session& s, Recording& recording, uint32_t word) {
  const auto mask = static_cast<uint32_t>(recording.mask());
  const uint32_t done = word & mask;
  const uint32_t limit = (word >> kLimitShift) & mask;
  const uint32_t slip = (word >> kSlipShift) & mask;
  if (done != 0) s.ops().ClearMultiAxisDoneFlags(s.handle(), static_cast<int32_t>(done));
  if (limit != 0) s.ops().ClearMultiAxisOvertravelFlags(s.handle(), static_cast<int32_t>(limit));
  if (slip != 0) s.ops().ClearMultiAxisSlipFlag(s.handle(), static_cast<int32_t>(slip));
  recording.Forget(done | limit << kLimitShift | slip << kSlipShift);
}

// Looks at the controller every 1/rate seconds from 0 to `seconds`; a look
// that comes late skips the times it missed instead of catching up.
int Sampling(Session& s, Recording& recording, double rate, double seconds) {
  const double period = 1.0 / rate;
  double due = 0.0;
  Sample sample;
  for (;;) {
    const double wait = due - s.RecordingSeconds();
    if (wait > 0) VEK_Pause(static_cast<int32_t>(std::ceil(wait * 1000.0)));
    const uint32_t result = s.Look(&sample, true);
    if (InterruptRequested()) return kExitOk;
    if (result != VEK_SUCCESS) return s.Check("record", result);
    recording.Add(sample);
    ForgetReported(s, recording, sample.word);
    due = std::max(due + period, std::ceil(s.RecordingSeconds() / period) * period);
    if (due > seconds + 1e-9) return kExitOk;
  }
}

int DoRecord(Session& s, const RecordArgs& a) {
  int32_t mask = 0;
  if (!ParseAxisMask(a.axes, &mask)) {
    std::fprintf(s.err(), "vekctl: \"%s\" names no axes (letters %s, \"all\" or a mask)\n", a.axes.c_str(),
                 kAxisLetters);
    return kExitUsage;
  }
  if (!s.Connect()) return kExitFailed;
  const bool toStdout = a.path == "-";
  std::FILE* file = toStdout ? s.out() : std::fopen(a.path.c_str(), "w");
  if (file == nullptr) {
    std::fprintf(s.err(), "vekctl: record: cannot write %s: %s\n", a.path.c_str(), std::strerror(errno));
    return kExitFailed;
  }
  // Only what is reported during the recording is written down.
  s.ops().ClearMultiAxisDoneFlags(s.handle(), mask);
  s.ops().ClearMultiAxisOvertravelFlags(s.handle(), mask);
  s.ops().ClearMultiAxisSlipFlag(s.handle(), mask);
  Recording recording(file, mask);
  recording.WriteHeader();
  std::fprintf(s.err(), "recording %s at %g per second for %g s\n", AxisListText(mask).c_str(), a.rate, a.seconds);
  s.RecordInto(&recording);
  int code = Sampling(s, recording, a.rate, a.seconds);
  const double took = s.RecordingSeconds();
  s.RecordInto(nullptr);
  const bool written = !recording.failed() && std::fflush(file) == 0 && (toStdout || std::fclose(file) == 0);
  if (!written) {
    std::fprintf(s.err(), "vekctl: record: writing %s failed\n", a.path.c_str());
    return kExitFailed;
  }
  const double rate = took > 0 ? (recording.rows() - 1) / took : 0.0;
  // Each look is three exchanges with the controller, which bounds the rate.
  std::fprintf(s.err(), "recorded %d samples in %.2f s (%.1f per second%s)%s%s\n", recording.rows(), took, rate,
               rate < 0.9 * a.rate ? ", as fast as the controller answered" : "", toStdout ? "" : " to ",
               toStdout ? "" : a.path.c_str());
  return code;
}

}  // namespace

void AddRecord(CLI::App& app, Session& s, std::function<int()>& action) {
  auto r = std::make_shared<RecordArgs>();
  CLI::App* record = app.add_subcommand(
      "record", "record positions and flags over time: vekctl record XY --rate 50 --for 5 -o xy.csv");
  record->add_option("axes", r->axes, "axes: letters, \"all\" or a mask")->required();
  record->add_option("--rate", r->rate, "looks at the controller per second")
      ->capture_default_str()
      ->check(CLI::Range(0.1, 1000.0));
  record->add_option("--for", r->seconds, "how long to record, in seconds")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 86400.0));
  record->add_option("-o,--output", r->path, "CSV file to write (- for standard output)")->required();
  record->callback([&s, &action, r] { action = [&s, r] { return DoRecord(s, *r); }; });
}

}  // namespace vekctl
