// The record subcommand: looks at the controller at a steady rate and writes
// each look as a row of a CSV file, whoever moves the axes meanwhile.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "platform/host.h"
#include "tools/commands.h"

namespace vekctl {
namespace {

struct RecordArgs {
  std::string axes;
  double rate = 20.0;
  double seconds = 10.0;
  std::string path;
};

// Looks at the controller every 1/rate seconds from 0 to `seconds`. A look
// that took longer than a period is followed by the next one at once, and
// the times it missed are not caught up: the rows never come in a burst.
// A signal ends the recording early, with every row written so far.
int Sampling(Session& s, Recording& recording, double rate, double seconds) {
  const double period = 1.0 / rate;
  double due = 0.0;
  Sample sample;
  VekmError error;
  for (;;) {
    const double wait = due - s.RecordingSeconds();
    if (wait > 0) vek::host::SleepMilliseconds(static_cast<int>(std::ceil(wait * 1000.0)));
    if (EndSignal() != 0) return kExitOk;
    const uint32_t code = s.Look(&sample, &error);
    if (EndSignal() != 0) return kExitOk;
    if (int exit = s.Report("record", code, error)) return exit;
    recording.Add(sample);
    due = std::max(due + period, s.RecordingSeconds());
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
  // Each look is one exchange with the controller on TCP (three on a serial
  // line), which bounds the rate.
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
