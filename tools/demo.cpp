// The demo and the shell: the two subcommands that run others in sequence.
#include <CLI/CLI.hpp>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/host.h"
#include "tools/commands.h"

namespace vekctl {
namespace {

constexpr int32_t kDemoTimeoutMs = 10000;
// Entry traces, sent commands, flag dumps and the verbose traces.
constexpr int32_t kDemoTraceMask = 0xA70007;

struct DemoStep {
  const char* what;
  int32_t axes;
  bool home;  // vekm_home, else vekm_move to the targets
  std::array<int32_t, kAxisCount> targets;
};

constexpr DemoStep kSteps[] = {
    {"homing X (searching its home switch)", VEK_AXIS_X, true, {}},
    {"homing Y (searching its home switch)", VEK_AXIS_Y, true, {}},
    {"moving X to 8000 and Y to -5000 together", VEK_AXIS_X | VEK_AXIS_Y, false, {8000, -5000}},
};

// Runs one step and says how long it took; false after saying why it failed.
bool Step(Session& s, const DemoStep& step) {
  std::fprintf(s.err(), "%s ... ", step.what);
  std::fflush(s.err());
  const auto began = std::chrono::steady_clock::now();
  VekmError error;
  const uint32_t code = s.Watch(
      step.what, step.axes, nullptr, false,
      [&step](VekmController* c, VekmError* e) {
        return step.home ? vekm_home(c, step.axes, 0, 0, kDemoTimeoutMs, e)
                         : vekm_move(c, step.axes, step.targets.data(), 0, kDemoTimeoutMs, e);
      },
      &error);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  if (code != VEK_SUCCESS) {
    std::fprintf(s.err(), "failed\n");
    s.Report(step.what, code, error);
    return false;
  }
  std::fprintf(s.err(), "done in %.2f s\n", seconds);
  return true;
}

int DemoSteps(Session& s) {
  if (!s.Connect()) return kExitFailed;
  for (const DemoStep& step : kSteps) {
    if (!Step(s, step)) return kExitFailed;
  }
  int32_t motor[kAxisCount] = {};
  int32_t encoder[kAxisCount] = {};
  VekmError error;
  if (int exit = s.Report("pos", vekm_positions(s.controller(), motor, encoder, &error), error)) return exit;
  std::fprintf(s.err(), "where every axis ended up (motor: commanded steps, encoder: measured counts):\n");
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
    s.RecordInto(recording.get());
  }
  // The step lines say how each motion went; a progress line would break them.
  s.ShowProgress(false);
  if (!keepLog.empty()) {
    if (int code = s.Check("start the trace log", VEK_StartDllLogger(keepLog.c_str(), kDemoTraceMask))) return code;
  }
  int code = DemoSteps(s);
  // A signal during a step has had the step's wait stop X and Y.
  code = s.Finish(code);
  s.Disconnect();
  if (!keepLog.empty()) {
    VEK_StopDllLogger();
    std::fprintf(s.err(), "the library's trace log of the demo is in %s (vekctl log tail %s shows its end)\n",
                 keepLog.c_str(), keepLog.c_str());
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
    // A signal ends the shell once the line that was running returns (at the
    // prompt, when the signal cuts the read short).
    if (EndSignal() != 0 || std::fgets(line, sizeof line, in) == nullptr) break;
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
  return failures == 0 ? kExitOk : kExitFailed;
}

}  // namespace vekctl
