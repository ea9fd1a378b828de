// The demo and the shell: the two subcommands that run others in sequence.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "tools/commands.h"

namespace vekctl {
namespace {

constexpr int32_t kDemoTimeoutMs = 10000;
constexpr int kDemoLogLines = 10;
// Entry traces, sent commands, flag dumps and the verbose traces.
constexpr int32_t kDemoTraceMask = 0xA70007;

std::string TemporaryLogPath() {
  std::random_device random;
  char name[64];
  std::snprintf(name, sizeof name, "vekctl-demo-%08x.log", static_cast<unsigned>(random()));
  std::error_code error;
  std::filesystem::path dir = std::filesystem::temp_directory_path(error);
  if (error) dir = ".";
  return (dir / name).string();
}

// Runs one step, reporting how long it took; false after reporting a failure
// or when Ctrl-C came meanwhile.
bool Step(Session& s, const char* what, uint32_t (*run)(Session&)) {
  std::fprintf(s.err(), "%s ... ", what);
  const auto began = std::chrono::steady_clock::now();
  const uint32_t result = run(s);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  if (InterruptRequested()) {
    std::fprintf(s.err(), "interrupted\n");
    return false;
  }
  if (result != VEK_SUCCESS) {
    std::fprintf(s.err(), "failed\n");
    s.Check(what, result);
    return false;
  }
  std::fprintf(s.err(), "done in %.2f s\n", seconds);
  return true;
}

// The done flags stay set from earlier motion until cleared, so each step
// clears those of its axes before it starts: only its own completion may end
// its wait.
uint32_t Home(Session& s, int32_t axis) {
  const uint32_t result = s.ops().ClearMultiAxisDoneFlags(s.handle(), axis);
  if (result != VEK_SUCCESS) return result;
  s.Started(axis);
  return s.ops().FindAxisHome(s.handle(), axis, 0, 0, 0, kDemoTimeoutMs);
}
uint32_t HomeX(Session& s) { return Home(s, VEK_AXIS_X); }
uint32_t HomeY(Session& s) { return Home(s, VEK_AXIS_Y); }
uint32_t MoveXY(Session& s) {
  const int32_t axes = VEK_AXIS_X | VEK_AXIS_Y;
  const int32_t targets[VEK_AXIS_COUNT] = {8000, -5000};
  const uint32_t result = s.ops().ClearMultiAxisDoneFlags(s.handle(), axes);
  if (result != VEK_SUCCESS) return result;
  s.Started(axes);
  return s.ops().Move(s.handle(), axes, 0, 0, targets, 0, kDemoTimeoutMs);
}

int DemoSteps(Session& s) {
  if (!s.Connect()) return kExitFailed;
  if (!Step(s, "homing X (FindAxisHome, waiting for done)", HomeX)) return kExitFailed;
  if (!Step(s, "homing Y (FindAxisHome, waiting for done)", HomeY)) return kExitFailed;
  if (!Step(s, "moving X to 8000 and Y to -5000 together (Move, waiting for done)", MoveXY)) return kExitFailed;
  s.Settled(VEK_AXIS_X | VEK_AXIS_Y);
  int32_t motor[kAxisCount] = {};
  int32_t encoder[kAxisCount] = {};
  if (int code = s.Check("pos", s.ops().GetAllAxisPositions(s.handle(), motor, encoder))) return code;
  std::fputs(PositionTable(motor, encoder).c_str(), s.out());
  return kExitOk;
}

}  // namespace

int RunDemo(Session& s, const std::string& keepLog) {
  char version[80];
  VEK_GetDLLVersion(version, sizeof version);
  version[sizeof version - 1] = '\0';
  std::fprintf(s.err(), "vekctl demo with %s\n", version);
  const std::string logPath = keepLog.empty() ? TemporaryLogPath() : keepLog;
  if (int code = s.Check("start the trace log", VEK_StartDllLogger(logPath.c_str(), kDemoTraceMask))) return code;
  std::fprintf(s.err(), "trace log: %s\n", logPath.c_str());
  int code = DemoSteps(s);
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
    app.require_subcommand(1);
    std::function<int()> action;
    AddCommands(app, s, action, true);
    int code = kExitOk;
    try {
      app.parse(text, false);
      code = action ? action() : kExitUsage;
    } catch (const CLI::ParseError& e) {
      code = app.exit(e) == 0 ? kExitOk : kExitUsage;
    }
    if (code != kExitOk) ++failures;
    std::fflush(s.out());
  }
  if (prompt) std::fprintf(s.err(), "\n");
  if (InterruptRequested()) return s.Interrupted();
  return failures == 0 ? kExitOk : kExitFailed;
}

}  // namespace vekctl
