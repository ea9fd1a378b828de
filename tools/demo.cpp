// The demo and the shell: the two subcommands that run others in sequence.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "platform/host.h"
#include "tools/commands.h"

namespace vekctl {
namespace {

constexpr int32_t kDemoTimeoutMs = 10000;
constexpr int kDemoLogLines = 10;
// Entry traces, sent commands, flag dumps and the verbose traces.
constexpr int32_t kDemoTraceMask = 0xA70007;
// A step whose wait has already said why it failed.
constexpr uint32_t kStepReported = 0xFFFFFFFFu;

std::string TemporaryLogPath() {
  std::random_device random;
  char name[64];
  std::snprintf(name, sizeof name, "vekctl-demo-%08x.log", static_cast<unsigned>(random()));
  std::error_code error;
  std::filesystem::path dir = std::filesystem::temp_directory_path(error);
  if (error) dir = ".";
  return (dir / name).string();
}

struct DemoStep {
  const char* what;
  int32_t axes;
  bool home;  // FindAxisHome, else Move to the targets
  int32_t targets[kAxisCount];
};

constexpr DemoStep kSteps[] = {
    {"homing X", VEK_AXIS_X, true, {}},
    {"homing Y", VEK_AXIS_Y, true, {}},
    {"moving X to 8000 and Y to -5000 together", VEK_AXIS_X | VEK_AXIS_Y, false, {8000, -5000}},
};

// The flags stay set from earlier motion until cleared, so each step clears
// those of its axes before it starts: only its own completion may end its
// wait. With `timeoutMs` above 0 the library waits for the done flags.
uint32_t StartStep(Session& s, const DemoStep& step, int32_t timeoutMs) {
  uint32_t result = s.ops().ClearMultiAxisDoneFlags(s.handle(), step.axes);
  if (result == VEK_SUCCESS) result = s.ops().ClearMultiAxisOvertravelFlags(s.handle(), step.axes);
  if (result == VEK_SUCCESS) result = s.ops().ClearMultiAxisSlipFlag(s.handle(), step.axes);
  if (result != VEK_SUCCESS) return result;
  s.Started(step.axes);
  if (step.home) return s.ops().FindAxisHome(s.handle(), step.axes, 0, 0, 0, timeoutMs);
  return s.ops().Move(s.handle(), step.axes, 0, 0, step.targets, 0, timeoutMs);
}

// While recording, vekctl waits itself, adding a row at every poll.
uint32_t RecordStep(Session& s, const DemoStep& step, Recording& recording) {
  int32_t start[kAxisCount] = {};
  uint32_t result = s.ops().GetAllAxisMotorPositions(s.handle(), start);
  if (result == VEK_SUCCESS) result = StartStep(s, step, 0);
  if (result != VEK_SUCCESS) return result;
  // The step cleared the done, limit and slip flags of its axes.
  const auto axes = static_cast<uint32_t>(step.axes);
  recording.Forget(axes | axes << 10 | axes << 20);
  switch (s.WaitWithProgress(step.what, step.axes, 0, start, nullptr, kDemoTimeoutMs)) {
    case WaitEnd::kReached:
      return VEK_SUCCESS;
    case WaitEnd::kTimedOut:
      return VEK_ERROR_WAIT_TIMEOUT;
    default:
      return kStepReported;
  }
}

// Runs one step, reporting how long it took; false after reporting a failure
// or when Ctrl-C came meanwhile.
bool Step(Session& s, const DemoStep& step, Recording* recording) {
  std::fprintf(s.err(), "%s (%s, %s) ... ", step.what, step.home ? "FindAxisHome" : "Move",
               recording != nullptr ? "recording until done" : "waiting for done");
  const auto began = std::chrono::steady_clock::now();
  const uint32_t result = recording != nullptr ? RecordStep(s, step, *recording) : StartStep(s, step, kDemoTimeoutMs);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  if (InterruptRequested()) {
    std::fprintf(s.err(), "interrupted\n");
    return false;
  }
  if (result != VEK_SUCCESS) {
    std::fprintf(s.err(), "failed\n");
    if (result != kStepReported) s.Check(step.what, result);
    return false;
  }
  s.Settled(step.axes);
  std::fprintf(s.err(), "done in %.2f s\n", seconds);
  return true;
}

int DemoSteps(Session& s, Recording* recording) {
  if (!s.Connect()) return kExitFailed;
  for (const DemoStep& step : kSteps) {
    if (!Step(s, step, recording)) return kExitFailed;
  }
  int32_t motor[kAxisCount] = {};
  int32_t encoder[kAxisCount] = {};
  if (int code = s.Check("pos", s.ops().GetAllAxisPositions(s.handle(), motor, encoder))) return code;
  std::fputs(PositionTable(motor, encoder).c_str(), s.out());
  return kExitOk;
}

// Draws the recording with the Python package's plot module. An installation
// (and the build tree) keeps the package at ../share/vekkestra/python from
// vekctl's folder; a system-wide one has it on the interpreter's own path.
int DrawPlot(Session& s, const std::string& csv, const std::string& picture) {
  char folder[4096] = {};
  if (vek::host::ProgramDirectory(folder, sizeof folder)) {
    const std::filesystem::path python = std::filesystem::path(folder) / ".." / "share" / "vekkestra" / "python";
    std::error_code error;
    if (std::filesystem::is_directory(python / "vekkestra", error)) {
      vek::host::PrependPath("PYTHONPATH", python.string().c_str());
    }
  }
  const char* interpreter = vek::host::GetEnvironment("VEKCTL_PYTHON");
  if (interpreter == nullptr || interpreter[0] == '\0') interpreter = vek::host::PythonCommand();
  const char* argv[] = {interpreter, "-m", "vekkestra.plot", csv.c_str(), "-o", picture.c_str(), nullptr};
  const int status = vek::host::RunProgram(argv);
  if (status == 0) {
    std::fprintf(s.err(), "plot: %s (recorded in %s)\n", picture.c_str(), csv.c_str());
    return kExitOk;
  }
  if (status < 0) {
    std::fprintf(s.err(), "vekctl: plot: could not run %s (VEKCTL_PYTHON names another interpreter)\n", interpreter);
  } else {
    std::fprintf(s.err(), "vekctl: plot: %s -m vekkestra.plot ended with status %d\n", interpreter, status);
  }
  return kExitFailed;
}

}  // namespace

std::string PlotCsvPath(const std::string& picture) {
  const std::filesystem::path path(picture);
  const std::string extension = path.extension().string();
  if (path.stem().empty() || (extension != ".png" && extension != ".svg")) return "";
  return std::filesystem::path(path).replace_extension(".csv").string();
}

int RunDemo(Session& s, const std::string& keepLog, const std::string& plot) {
  std::fprintf(s.err(), "vekctl demo with %s\n", LibraryVersion().c_str());
  std::unique_ptr<Recording> recording;
  std::FILE* csv = nullptr;
  const std::string csvPath = plot.empty() ? "" : PlotCsvPath(plot);
  if (!plot.empty()) {
    csv = std::fopen(csvPath.c_str(), "w");
    if (csv == nullptr) {
      std::fprintf(s.err(), "vekctl: demo: cannot write %s: %s\n", csvPath.c_str(), std::strerror(errno));
      return kExitFailed;
    }
    recording = std::make_unique<Recording>(csv, VEK_AXIS_X | VEK_AXIS_Y);
    recording->WriteHeader();
    s.ShowProgress(false);
    s.RecordInto(recording.get());
  }
  const std::string logPath = keepLog.empty() ? TemporaryLogPath() : keepLog;
  if (int code = s.Check("start the trace log", VEK_StartDllLogger(logPath.c_str(), kDemoTraceMask))) return code;
  std::fprintf(s.err(), "trace log: %s\n", logPath.c_str());
  int code = DemoSteps(s, recording.get());
  // Ctrl-C during a step stops X and Y while the link is still open.
  if (InterruptRequested()) code = s.Interrupted();
  s.Disconnect();
  VEK_StopDllLogger();
  std::fprintf(s.out(), "\nlast %d lines of the trace log:\n", kDemoLogLines);
  for (const std::string& line : TailLines(logPath, kDemoLogLines)) std::fprintf(s.out(), "  %s\n", line.c_str());
  if (keepLog.empty()) {
    std::error_code ignored;
    std::filesystem::remove(logPath, ignored);
  }
  if (recording != nullptr) {
    s.RecordInto(nullptr);
    const bool written = !recording->failed() && std::fclose(csv) == 0;
    if (!written) {
      std::fprintf(s.err(), "vekctl: demo: writing %s failed\n", csvPath.c_str());
      if (code == kExitOk) code = kExitFailed;
    }
    if (code == kExitOk) code = DrawPlot(s, csvPath, plot);
  }
  std::fprintf(s.err(), "%s\n", code == kExitOk ? "demo finished" : "demo failed");
  return code;
}

int RunShell(Session& s, std::FILE* in, bool prompt) {
  int failures = 0;
  char line[1024];
  for (;;) {
    if (prompt) std::fprintf(s.err(), "vekctl> ");
    // Ctrl-C ends the shell once the line that was running returns (at the
    // prompt, when the signal cuts the read short).
    if (InterruptRequested() || std::fgets(line, sizeof line, in) == nullptr) break;
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    if (text == "quit" || text == "exit") break;
    CLI::App app{"commands of the vekctl shell (quit or end of input leaves it)", ""};
    app.require_subcommand(0, 1);
    std::function<int()> action;
    AddCommands(app, s, action, true);
    int code = kExitOk;
    try {
      app.parse(text, false);
      code = action ? action() : ReportNoSubcommand(s.err());
    } catch (const CLI::ParseError& e) {
      code = ReportParseError(app, e, s.err());
    }
    if (code != kExitOk) ++failures;
    std::fflush(s.out());
  }
  if (prompt) std::fprintf(s.err(), "\n");
  if (InterruptRequested()) return s.Interrupted();
  return failures == 0 ? kExitOk : kExitFailed;
}

}  // namespace vekctl
