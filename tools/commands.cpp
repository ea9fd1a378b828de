#include "tools/commands.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/call.h"
#include "tools/terminal.h"

namespace vekctl {
namespace {

constexpr int32_t kDefaultTimeoutMs = 30000;
constexpr int kAnswerSize = 256;

// Axis=value pairs from the command line, as a mask and a value list.
bool CollectAxisValues(Session& s, const std::vector<std::string>& pairs, int32_t* mask, int32_t values[kAxisCount]) {
  *mask = 0;
  for (int i = 0; i < kAxisCount; ++i) values[i] = 0;
  for (const std::string& pair : pairs) {
    int index = 0;
    int32_t value = 0;
    if (!ParseAxisValue(pair, &index, &value) || (*mask & (1 << index)) != 0) {
      std::fprintf(s.err(),
                   "vekctl: \"%s\" is not AXIS=VALUE for a new axis (axes %s) and a whole number from -2147483648 "
                   "to 2147483647\n",
                   pair.c_str(), kAxisLetters);
      return false;
    }
    *mask |= 1 << index;
    values[index] = value;
  }
  return true;
}

bool ParseMaskArg(Session& s, const std::string& text, int32_t* mask) {
  if (ParseAxisMask(text, mask)) return true;
  std::fprintf(s.err(), "vekctl: \"%s\" names no axes (letters %s, \"all\" or a mask)\n", text.c_str(), kAxisLetters);
  return false;
}

// The only axis of a one-axis mask, as its axis bit.
int32_t SingleAxisBit(int32_t mask) { return (mask & (mask - 1)) == 0 ? mask : 0; }

// Before a waited motion: the flags stay set from earlier motion until
// cleared, so only this motion's completion may end the wait, and a limit or
// slip met before it must not end it at once.
int PrepareWait(Session& s, int32_t mask, int32_t start[kAxisCount]) {
  if (int code = s.Check("read positions", s.ops().GetAllAxisMotorPositions(s.handle(), start))) return code;
  if (int code = s.Check("clear done flags", s.ops().ClearMultiAxisDoneFlags(s.handle(), mask))) return code;
  if (int code = s.Check("clear limit flags", s.ops().ClearMultiAxisOvertravelFlags(s.handle(), mask))) return code;
  return s.Check("clear slip flags", s.ops().ClearMultiAxisSlipFlag(s.handle(), mask));
}

// ---- send, query ----------------------------------------------------------

int DoSend(Session& s, const std::string& text) {
  if (!s.Connect()) return kExitFailed;
  const int code = s.Check("send", s.ops().SendCommand(s.handle(), text.c_str()));
  if (code == kExitOk) std::fprintf(s.err(), "ok\n");
  return code;
}

int DoQuery(Session& s, const std::string& text) {
  if (!s.Connect()) return kExitFailed;
  char answer[kAnswerSize] = {};
  const int code = s.Check("query", s.ops().Query(s.handle(), text.c_str(), answer, kAnswerSize - 1));
  answer[kAnswerSize - 1] = '\0';
  if (code == kExitOk) std::fprintf(s.out(), "%s\n", answer);
  return code;
}

// ---- move, jog ------------------------------------------------------------

struct MoveArgs {
  std::vector<std::string> pairs;
  bool relative = false;
  bool am = false;
  bool inPosition = false;
  bool wait = false;
  int32_t timeoutMs = kDefaultTimeoutMs;
};

int DoMove(Session& s, const MoveArgs& a) {
  int32_t mask = 0;
  int32_t values[kAxisCount];
  if (!CollectAxisValues(s, a.pairs, &mask, values)) return kExitUsage;
  if (!s.Connect()) return kExitFailed;
  int32_t start[kAxisCount] = {};
  if (a.wait) {
    if (int code = PrepareWait(s, mask, start)) return code;
  }
  const int32_t kind = a.relative ? 1 : 0;
  const int32_t suffix = a.inPosition ? 1 : 0;
  const int32_t bit = SingleAxisBit(mask);
  uint32_t result;
  if (bit != 0 && !a.am) {
    int index = 0;
    while ((bit >> index) != 1) ++index;
    result = s.ops().MoveAxis(s.handle(), bit, kind, values[index], suffix, 0);
  } else {
    result = s.ops().Move(s.handle(), mask, a.am ? 1 : 0, kind, values, suffix, 0);
  }
  if (int code = s.Check("move", result)) return code;
  s.Started(mask);
  if (!a.wait) {
    std::fprintf(s.err(), "moving %s\n", AxisListText(mask).c_str());
    return kExitOk;
  }
  int32_t target[kAxisCount];
  for (int i = 0; i < kAxisCount; ++i) {
    // A distance from a start near the end of the range points past it; the
    // progress is measured against the end.
    const int64_t sum = static_cast<int64_t>(start[i]) + values[i];
    const int64_t clamped = sum < INT32_MIN ? INT32_MIN : sum > INT32_MAX ? INT32_MAX : sum;
    target[i] = a.relative ? static_cast<int32_t>(clamped) : values[i];
  }
  const WaitEnd end = s.WaitWithProgress("move", mask, 0, start, target, a.timeoutMs);
  if (end == WaitEnd::kReached) s.Settled(mask);
  return s.WaitExit("move", end);
}

struct JogArgs {
  std::vector<std::string> pairs;
  bool am = false;
  bool wait = false;
  int32_t timeoutMs = 0;
};

// A jog velocity as the command line gives it: any number in the range of
// the controller's whole velocities, fractions included.
bool ParseVelocity(const std::string& text, double* velocity) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !std::isfinite(value)) return false;
  if (value < -2147483648.0 || value > 2147483647.0) return false;
  *velocity = value;
  return true;
}

// What a jog sends: one axis may jog at a fractional velocity, several go
// through the whole-number value list.
struct JogPlan {
  int32_t mask = 0;
  bool single = false;
  double velocity = 0.0;
  int32_t values[kAxisCount] = {};
};

bool PlanJog(Session& s, const JogArgs& a, JogPlan* plan) {
  if (a.pairs.size() != 1 || a.am) return CollectAxisValues(s, a.pairs, &plan->mask, plan->values);
  const std::string& pair = a.pairs[0];
  const int index = pair.size() > 2 && (pair[1] == '=' || pair[1] == ':') ? AxisIndexOf(pair[0]) : -1;
  if (index < 0 || !ParseVelocity(pair.substr(2), &plan->velocity)) {
    std::fprintf(s.err(), "vekctl: \"%s\" is not AXIS=VELOCITY with a velocity from -2147483648 to 2147483647\n",
                 pair.c_str());
    return false;
  }
  plan->mask = 1 << index;
  plan->single = true;
  return true;
}

uint32_t SendJog(Session& s, const JogArgs& a, const JogPlan& plan) {
  if (!plan.single) return s.ops().Jog(s.handle(), plan.mask, a.am ? 1 : 0, plan.values);
  const int32_t kind = std::trunc(plan.velocity) == plan.velocity ? 0 : 1;
  return s.ops().JogAxis(s.handle(), plan.mask, kind, plan.velocity);
}

int DoJog(Session& s, const JogArgs& a) {
  JogPlan plan;
  if (!PlanJog(s, a, &plan)) return kExitUsage;
  if (!s.Connect()) return kExitFailed;
  int32_t start[kAxisCount] = {};
  if (a.wait) {
    if (int code = PrepareWait(s, plan.mask, start)) return code;
  }
  if (int code = s.Check("jog", SendJog(s, a, plan))) return code;
  s.Started(plan.mask);
  const std::string axes = AxisListText(plan.mask);
  if (!a.wait) {
    std::fprintf(s.err(), "jogging %s; \"vekctl stop\" ends it\n", axes.c_str());
    return kExitOk;
  }
  const WaitEnd end = s.WaitWithProgress("jog", plan.mask, 0, start, nullptr, a.timeoutMs);
  if (end != WaitEnd::kTimedOut) return s.WaitExit("jog", end);
  // The time-out is how long the jog was asked to last.
  if (int code = s.Check("stop", s.ops().StopMotion(s.handle(), plan.mask))) return code;
  s.Settled(plan.mask);
  std::fprintf(s.err(), "stopped %s after %d ms\n", axes.c_str(), static_cast<int>(a.timeoutMs));
  return kExitOk;
}

// ---- stop, kill -------------------------------------------------------------

int DoStop(Session& s, const std::string& axes, bool kill) {
  int32_t mask = 0;
  if (!ParseMaskArg(s, axes, &mask)) return kExitUsage;
  if (!s.Connect()) return kExitFailed;
  const char* what = kill ? "kill" : "stop";
  const uint32_t result = kill ? s.ops().KillMotion(s.handle(), mask) : s.ops().StopMotion(s.handle(), mask);
  if (int code = s.Check(what, result)) return code;
  s.Settled(mask);
  std::fprintf(s.err(), "%s %s\n", kill ? "killed" : "stopped", AxisListText(mask).c_str());
  return kExitOk;
}

// ---- home, limit ------------------------------------------------------------

struct SearchArgs {
  std::string axes;
  bool edge = false;   // home: "HE" search instead of "HS"
  bool reset = false;  // home: "HR" instead of "HM"
  int32_t homeValue = 0;
  bool negative = false;    // limit: search toward the negative end
  int32_t velocity = 2000;  // limit: jog velocity
  bool wait = false;
  int32_t timeoutMs = kDefaultTimeoutMs;
};

int DoHome(Session& s, const SearchArgs& a) {
  int32_t mask = 0;
  if (!ParseMaskArg(s, a.axes, &mask)) return kExitUsage;
  if (!s.Connect()) return kExitFailed;
  for (int i = 0; i < kAxisCount; ++i) {
    const int32_t bit = 1 << i;
    if ((mask & bit) == 0) continue;
    int32_t start[kAxisCount] = {};
    if (a.wait) {
      if (int code = PrepareWait(s, bit, start)) return code;
    }
    const uint32_t result = s.ops().FindAxisHome(s.handle(), bit, a.edge ? 1 : 0, a.reset ? 1 : 0, a.homeValue, 0);
    if (int code = s.Check("home", result)) return code;
    s.Started(bit);
    if (!a.wait) {
      std::fprintf(s.err(), "homing %c\n", kAxisLetters[i]);
      continue;
    }
    char what[16];
    std::snprintf(what, sizeof what, "home %c", kAxisLetters[i]);
    const WaitEnd end = s.WaitWithProgress(what, bit, 0, start, nullptr, a.timeoutMs);
    // A search that did not finish is stopped, as the library does after
    // its own failed home wait (an interrupted one is stopped already).
    if (end == WaitEnd::kTimedOut || end == WaitEnd::kFailed) s.ops().StopMotion(s.handle(), bit);
    if (end != WaitEnd::kInterrupted) s.Settled(bit);
    if (int code = s.WaitExit(what, end)) return code;
  }
  return kExitOk;
}

int DoLimit(Session& s, const SearchArgs& a) {
  int32_t mask = 0;
  if (!ParseMaskArg(s, a.axes, &mask)) return kExitUsage;
  const int32_t bit = SingleAxisBit(mask);
  if (bit == 0) {
    std::fprintf(s.err(), "vekctl: limit searches one axis at a time\n");
    return kExitUsage;
  }
  if (!s.Connect()) return kExitFailed;
  int32_t start[kAxisCount] = {};
  if (a.wait) {
    if (int code = PrepareWait(s, bit, start)) return code;
  }
  const uint32_t result = s.ops().FindAxisLimit(s.handle(), bit, a.negative ? 1 : 0, a.velocity, 0);
  if (int code = s.Check("limit", result)) return code;
  s.Started(bit);
  if (!a.wait) {
    std::fprintf(s.err(), "searching the %s limit of %s\n", a.negative ? "negative" : "positive",
                 AxisListText(bit).c_str());
    return kExitOk;
  }
  const WaitEnd end = s.WaitWithProgress("limit", bit, 1, start, nullptr, a.timeoutMs);
  if (end == WaitEnd::kInterrupted) return kExitInterrupted;
  // The search jogs until stopped, found or not.
  const uint32_t stopped = s.ops().StopMotion(s.handle(), bit);
  s.Settled(bit);
  if (int code = s.WaitExit("limit", end)) return code;
  return s.Check("stop", stopped);
}

// ---- pos, flags, io ---------------------------------------------------------

int DoPositions(Session& s) {
  if (!s.Connect()) return kExitFailed;
  int32_t motor[kAxisCount] = {};
  int32_t encoder[kAxisCount] = {};
  if (int code = s.Check("pos", s.ops().GetAllAxisPositions(s.handle(), motor, encoder))) return code;
  std::fputs(PositionTable(motor, encoder).c_str(), s.out());
  return kExitOk;
}

int DoFlags(Session& s, bool clear, bool illegal) {
  if (!s.Connect()) return kExitFailed;
  uint32_t word = 0;
  if (int code = s.Check("flags", s.ops().GetAllDoneFlags(s.handle(), &word))) return code;
  std::fputs(FlagTable(word).c_str(), s.out());
  // The controller reports an event once, when it happens, to whoever is
  // connected then; the library keeps the reports of its own process only.
  static bool explained = false;
  if (!explained) {
    std::fprintf(s.err(),
                 "flags: the reports this vekctl process has received since it connected; a limit met or a motion "
                 "finished before then does not show\n");
    explained = true;
  }
  if (illegal || ((word >> 30) & 1u) != 0) {
    char text[kAnswerSize] = {};
    int32_t length = 0;
    if (int code = s.Check("illegal command", s.ops().GetIllegalCommand(s.handle(), text, kAnswerSize - 1, &length)))
      return code;
    text[kAnswerSize - 1] = '\0';
    std::fprintf(s.out(), "last illegal command: %s\n", text);
  }
  if (clear) {
    uint32_t result = s.ops().ClearMultiAxisDoneFlags(s.handle(), VEK_ALL_AXES);
    if (result == VEK_SUCCESS) result = s.ops().ClearMultiAxisOvertravelFlags(s.handle(), VEK_ALL_AXES);
    if (result == VEK_SUCCESS) result = s.ops().ClearMultiAxisSlipFlag(s.handle(), VEK_ALL_AXES);
    if (result == VEK_SUCCESS) result = s.ops().ClearCommandErrorFlag(s.handle());
    if (int code = s.Check("clear flags", result)) return code;
    std::fprintf(s.err(), "flags cleared\n");
  }
  return kExitOk;
}

struct IoArgs {
  std::string direction;
  std::string outputs;
  std::vector<std::string> bits;
};

bool ParseWord(Session& s, const std::string& text, uint32_t* word) {
  int32_t value = 0;
  if (ParseInt32(text, &value) && value >= 0) {
    *word = static_cast<uint32_t>(value);
    return true;
  }
  std::fprintf(s.err(), "vekctl: \"%s\" is not a word (decimal or 0x hex)\n", text.c_str());
  return false;
}

// The controller takes a level for an input line and does nothing with it,
// so setting one is refused before anything is sent. The direction is the
// one asked for on the same command line, else the controller's.
int RefuseInputs(Session& s, const IoArgs& a, uint32_t* direction, uint32_t outputs,
                 const std::vector<std::pair<int32_t, int32_t>>& bits) {
  if (a.direction.empty()) {
    if (int code = s.Check("read direction", s.ops().GetIOBitsDirection(s.handle(), direction))) return code;
  }
  uint32_t asked = a.outputs.empty() ? 0u : outputs;
  for (const auto& bit : bits) asked |= static_cast<uint32_t>(bit.first);
  const uint32_t inputs = asked & ~*direction & 0xFFFFu;
  if (inputs == 0) return kExitOk;
  std::string list;
  for (int bit = 0; bit < 16; ++bit) {
    if ((inputs >> bit) & 1u) list += (list.empty() ? "" : " ") + std::to_string(bit);
  }
  const bool one = (inputs & (inputs - 1)) == 0;
  std::fprintf(s.err(), "vekctl: io: %s %s %s (direction 0x%04X): make %s with --direction first\n",
               one ? "bit" : "bits", list.c_str(), one ? "is an input" : "are inputs",
               static_cast<unsigned>(*direction), one ? "it an output" : "them outputs");
  return kExitFailed;
}

int DoIo(Session& s, const IoArgs& a) {
  uint32_t direction = 0;
  uint32_t outputs = 0;
  if (!a.direction.empty() && !ParseWord(s, a.direction, &direction)) return kExitUsage;
  if (!a.outputs.empty() && !ParseWord(s, a.outputs, &outputs)) return kExitUsage;
  std::vector<std::pair<int32_t, int32_t>> bits;
  for (const std::string& b : a.bits) {
    const size_t eq = b.find('=');
    int32_t number = -1;
    int32_t level = -1;
    if (eq == std::string::npos || !ParseInt32(b.substr(0, eq), &number) || !ParseInt32(b.substr(eq + 1), &level) ||
        number < 0 || number > 15) {
      std::fprintf(s.err(), "vekctl: \"%s\" is not BIT=LEVEL with a bit from 0 to 15\n", b.c_str());
      return kExitUsage;
    }
    bits.emplace_back(1 << number, level);
  }
  if (!s.Connect()) return kExitFailed;
  if (int code = RefuseInputs(s, a, &direction, outputs, bits)) return code;
  if (!a.direction.empty()) {
    if (int code = s.Check("set direction", s.ops().SetIOBitsDirection(s.handle(), direction))) return code;
  }
  if (!a.outputs.empty()) {
    if (int code = s.Check("set outputs", s.ops().SetOutputBitsState(s.handle(), outputs))) return code;
  }
  for (const auto& [maskBit, level] : bits) {
    if (int code = s.Check("set bit", s.ops().SetOutputBitState(s.handle(), maskBit, level))) return code;
  }
  uint32_t dirWord = 0;
  uint32_t stateWord = 0;
  if (int code = s.Check("read direction", s.ops().GetIOBitsDirection(s.handle(), &dirWord))) return code;
  if (int code = s.Check("read state", s.ops().GetIOBitsState(s.handle(), &stateWord))) return code;
  std::fputs(IoTable(dirWord, stateWord).c_str(), s.out());
  return kExitOk;
}

// ---- version, log -----------------------------------------------------------

int DoVersion(Session& s) {
  std::fprintf(s.out(), "%s\n", LibraryVersion().c_str());
  return kExitOk;
}

struct LogArgs {
  std::string path;
  std::string mask = "0xA70007";
  bool append = false;
  std::string text;
  int lines = 10;
};

int DoLogStart(Session& s, const LogArgs& a) {
  int32_t mask = 0;
  if (!ParseInt32(a.mask, &mask)) {
    std::fprintf(s.err(), "vekctl: \"%s\" is not a trace mask\n", a.mask.c_str());
    return kExitUsage;
  }
  if (a.append) mask |= 16;
  if (int code = s.Check("log start", VEK_StartDllLogger(a.path.c_str(), mask))) return code;
  std::fprintf(s.err(), "logging to %s with mask 0x%X\n", a.path.c_str(), static_cast<unsigned>(mask));
  return kExitOk;
}

int DoLogTail(Session& s, const LogArgs& a) {
  const std::vector<std::string> lines = TailLines(a.path, a.lines);
  for (const std::string& line : lines) std::fprintf(s.out(), "%s\n", line.c_str());
  return kExitOk;
}

void AddLog(CLI::App& app, Session& s, std::function<int()>& action) {
  CLI::App* log = app.add_subcommand("log", "control the library's trace log");
  log->require_subcommand(1);
  auto a = std::make_shared<LogArgs>();
  CLI::App* start = log->add_subcommand("start", "start the trace log (replaces a running one)");
  start->add_option("file", a->path, "log file")->required();
  start->add_option("--mask", a->mask, "trace mask: 1 entry, 2 sent, 4 flags, 0xA70000 verbose")->capture_default_str();
  start->add_flag("--append", a->append, "append instead of starting the file afresh");
  start->callback([&s, &action, a] { action = [&s, a] { return DoLogStart(s, *a); }; });
  CLI::App* mark = log->add_subcommand("mark", "write a marker line into the running log");
  mark->add_option("text", a->text, "marker text")->required();
  mark->callback(
      [&s, &action, a] { action = [&s, a] { return s.Check("log mark", VEK_DllLoggerLineMarker(a->text.c_str())); }; });
  CLI::App* stop = log->add_subcommand("stop", "stop the trace log");
  stop->callback([&s, &action] { action = [&s] { return s.Check("log stop", VEK_StopDllLogger()); }; });
  CLI::App* tail = log->add_subcommand("tail", "print the last lines of a log file");
  tail->add_option("file", a->path, "log file")->required();
  tail->add_option("-n,--lines", a->lines, "how many lines")->capture_default_str()->check(CLI::Range(1, 100000));
  tail->callback([&s, &action, a] { action = [&s, a] { return DoLogTail(s, *a); }; });
}

void AddWaitOptions(CLI::App* cmd, bool* wait, int32_t* timeoutMs) {
  cmd->add_flag("-w,--wait", *wait, "wait for completion, showing progress");
  cmd->add_option("-t,--timeout", *timeoutMs, "time-out of the wait in milliseconds")
      ->capture_default_str()
      ->check(CLI::Range(1, 86400000));
}

void AddMotion(CLI::App& app, Session& s, std::function<int()>& action) {
  auto m = std::make_shared<MoveArgs>();
  CLI::App* move = app.add_subcommand("move", "move axes: vekctl move X=1000 Y=-500 --wait");
  move->add_option("targets", m->pairs, "AXIS=POSITION (or distance with --relative)")->required();
  move->add_flag("-r,--relative", m->relative, "values are distances, not positions");
  move->add_flag("--am", m->am, "address the axes with AM instead of AA");
  move->add_flag("--in-position", m->inPosition, "complete on in-position (IP) instead of done (ID)");
  AddWaitOptions(move, &m->wait, &m->timeoutMs);
  move->callback([&s, &action, m] { action = [&s, m] { return DoMove(s, *m); }; });

  auto j = std::make_shared<JogArgs>();
  CLI::App* jog = app.add_subcommand("jog", "jog axes at a velocity until stopped: vekctl jog X=2000");
  jog->add_option("velocities", j->pairs, "AXIS=VELOCITY")->required();
  jog->add_flag("--am", j->am, "address the axes with AM instead of AA");
  jog->add_flag("-w,--wait", j->wait,
                "stay while the axes jog, showing positions, until Ctrl-C stops them or a limit or slip ends the jog");
  jog->add_option("-t,--timeout", j->timeoutMs, "with --wait, stop the jog after this many milliseconds")
      ->check(CLI::Range(1, 86400000));
  jog->callback([&s, &action, j] { action = [&s, j] { return DoJog(s, *j); }; });

  for (bool kill : {false, true}) {
    auto axes = std::make_shared<std::string>("all");
    CLI::App* cmd = app.add_subcommand(kill ? "kill" : "stop", kill ? "kill motion at once" : "stop motion");
    cmd->add_option("axes", *axes, "axes: letters, \"all\" or a mask")->capture_default_str();
    cmd->callback([&s, &action, axes, kill] { action = [&s, axes, kill] { return DoStop(s, *axes, kill); }; });
  }

  auto h = std::make_shared<SearchArgs>();
  CLI::App* home = app.add_subcommand("home", "search the home switch of each axis in turn");
  home->add_option("axes", h->axes, "axes: letters, \"all\" or a mask")->required();
  home->add_flag("--edge", h->edge, "search with HE instead of HS");
  home->add_flag("--reset", h->reset, "finish with HR instead of HM");
  home->add_option("--value", h->homeValue, "position value given to HM or HR")->capture_default_str();
  AddWaitOptions(home, &h->wait, &h->timeoutMs);
  home->callback([&s, &action, h] { action = [&s, h] { return DoHome(s, *h); }; });

  auto l = std::make_shared<SearchArgs>();
  CLI::App* limit = app.add_subcommand("limit", "jog one axis until it meets its limit switch");
  limit->add_option("axis", l->axes, "axis letter")->required();
  limit->add_flag("-n,--negative", l->negative, "search toward the negative end");
  limit->add_option("-v,--velocity", l->velocity, "jog velocity (the direction comes from --negative)")
      ->capture_default_str()
      ->check(CLI::Range(1, INT32_MAX));
  AddWaitOptions(limit, &l->wait, &l->timeoutMs);
  limit->callback([&s, &action, l] { action = [&s, l] { return DoLimit(s, *l); }; });
}

void AddReports(CLI::App& app, Session& s, std::function<int()>& action) {
  auto text = std::make_shared<std::string>();
  CLI::App* send = app.add_subcommand("send", "send a raw command text");
  send->add_option("text", *text, "command text, for example \"AXMA100;GD;\"")->required();
  send->callback([&s, &action, text] { action = [&s, text] { return DoSend(s, *text); }; });
  CLI::App* query = app.add_subcommand("query", "send a raw query and print its answer");
  query->add_option("text", *text, "query text, for example \"AXRP;\"")->required();
  query->callback([&s, &action, text] { action = [&s, text] { return DoQuery(s, *text); }; });

  app.add_subcommand("pos", "show motor and encoder positions of all axes")->callback([&s, &action] {
    action = [&s] { return DoPositions(s); };
  });

  auto clear = std::make_shared<bool>(false);
  auto illegal = std::make_shared<bool>(false);
  CLI::App* flags = app.add_subcommand(
      "flags", "show the done, limit, slip and command-error flags that this process has received since it connected");
  flags->add_flag("--clear", *clear, "clear every flag after showing it");
  flags->add_flag("--illegal", *illegal, "also fetch the last illegal command");
  flags->callback(
      [&s, &action, clear, illegal] { action = [&s, clear, illegal] { return DoFlags(s, *clear, *illegal); }; });

  auto io = std::make_shared<IoArgs>();
  CLI::App* ioCmd = app.add_subcommand("io", "show (and set) the general-purpose I/O bits");
  ioCmd->add_option("--direction", io->direction, "set the direction word (1 = output)");
  ioCmd->add_option("--outputs", io->outputs, "set the output word");
  ioCmd->add_option("--set", io->bits, "set one output bit: BIT=LEVEL, for example 3=1");
  ioCmd->callback([&s, &action, io] { action = [&s, io] { return DoIo(s, *io); }; });

  app.add_subcommand("version", "show the library's version")->callback([&s, &action] {
    action = [&s] { return DoVersion(s); };
  });
}

}  // namespace

std::string LibraryVersion() {
  char text[80] = {};
  VEK_GetDLLVersion(text, sizeof text);
  text[sizeof text - 1] = '\0';
  return text;
}

int ReportParseError(CLI::App& app, const CLI::ParseError& error, std::FILE* err) {
  // A word where a subcommand belongs is left over as an unexpected
  // argument; name it as what it was meant to be.
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr && app.get_subcommands().empty()) {
    const std::vector<std::string> rest = app.remaining();
    if (!rest.empty() && !rest[0].empty() && rest[0][0] != '-') {
      std::fprintf(err, "vekctl: unknown subcommand \"%s\" (--help lists them)\n", rest[0].c_str());
      return kExitUsage;
    }
  }
  return app.exit(error) == 0 ? kExitOk : kExitUsage;
}

int ReportNoSubcommand(std::FILE* err) {
  std::fprintf(err, "vekctl: a subcommand is required (--help lists them)\n");
  return kExitUsage;
}

void AddCommands(CLI::App& app, Session& session, std::function<int()>& action, bool inShell) {
  AddCall(app, session, action);
  AddReports(app, session, action);
  AddMotion(app, session, action);
  AddLog(app, session, action);
  AddRecord(app, session, action);
  if (inShell) return;
  auto keepLog = std::make_shared<std::string>();
  auto plot = std::make_shared<std::string>();
  CLI::App* demo = app.add_subcommand("demo", "home X and Y, move them together, show positions and the trace log");
  demo->add_option("--keep-log", *keepLog, "write the trace log to this file and keep it");
  demo->add_option("--plot", *plot, "record the moves into FILE.csv and draw them into FILE.png or FILE.svg")
      ->check(CLI::Validator(
          [](std::string& path) { return PlotCsvPath(path).empty() ? "not a .png or .svg file: " + path : ""; },
          "FILE.png|FILE.svg"));
  demo->callback([&session, &action, keepLog, plot] {
    action = [&session, keepLog, plot] { return RunDemo(session, *keepLog, *plot); };
  });
  CLI::App* shell = app.add_subcommand("shell", "read subcommands line by line from standard input");
  shell->callback([&session, &action] { action = [&session] { return RunShell(session, stdin, StdinIsTerminal()); }; });
}

}  // namespace vekctl
