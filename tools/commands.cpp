#include "tools/commands.h"

#include <CLI/CLI.hpp>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/call.h"
#include "tools/terminal.h"
#include "vekkestra_motion_calls.h"

namespace vekctl {
namespace {

constexpr int kAnswerSize = 256;
// A jog watched without a time-out runs until a signal, a stop or a limit
// ends it: the longest time-out the core takes, about 24 days.
constexpr int32_t kNoTimeLimitMs = INT32_MAX;
constexpr int32_t kLongestTimeoutMs = 86400000;
// The AM form of the library's exports (addressing selector 1); the core's own
// motions go out in the AA form.
constexpr int32_t kAmAddressing = 1;

using Values = std::array<int32_t, kAxisCount>;

// Axis=value pairs from the command line, as a mask and a value list.
bool CollectAxisValues(Session& s, const std::vector<std::string>& pairs, int32_t* mask, Values* values) {
  *mask = 0;
  values->fill(0);
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
    (*values)[index] = value;
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

// The AM form is the library's own command, sent through the core without
// its wait: the core follows the motions it starts itself.
bool RefuseAmWait(Session& s, bool am, bool wait) {
  if (!am || !wait) return false;
  std::fprintf(s.err(),
               "vekctl: --am sends the library's AM command, which the motion core's wait does not follow; "
               "leave out --am to wait (the core moves the axes as one AA motion)\n");
  return true;
}

// ---- send, query ----------------------------------------------------------

int DoSend(Session& s, const std::string& text) {
  if (!s.Connect()) return kExitFailed;
  VekmError error;
  const int code = s.Report("send", vekm_send(s.controller(), text.c_str(), &error), error);
  if (code == kExitOk) std::fprintf(s.err(), "ok\n");
  return code;
}

int DoQuery(Session& s, const std::string& text) {
  if (!s.Connect()) return kExitFailed;
  char answer[kAnswerSize] = {};
  VekmError error;
  const int code = s.Report("query", vekm_query(s.controller(), text.c_str(), answer, kAnswerSize, &error), error);
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
  bool keepMoving = false;
  int32_t timeoutMs = VEKM_DEFAULT_TIMEOUT_MS;
};

int DoMove(Session& s, const MoveArgs& a) {
  int32_t mask = 0;
  Values values{};
  if (!CollectAxisValues(s, a.pairs, &mask, &values)) return kExitUsage;
  if (RefuseAmWait(s, a.am, a.wait)) return kExitUsage;
  if (!s.Connect()) return kExitFailed;
  VekmError error;
  uint32_t code = VEK_SUCCESS;
  const int32_t options =
      (a.relative ? VEKM_RELATIVE : 0) | (a.inPosition ? VEKM_IN_POSITION : 0) | (a.keepMoving ? VEKM_KEEP_MOVING : 0);
  if (a.am) {
    code = vekm_call_Move(s.controller(), mask, kAmAddressing, a.relative ? 1 : 0, values.data(), a.inPosition ? 1 : 0,
                          0, &error);
  } else if (!a.wait) {
    code = vekm_move(s.controller(), mask, values.data(), options, 0, &error);
  } else {
    const int32_t timeoutMs = a.timeoutMs;
    code = s.Watch(
        "move", mask, values.data(), a.relative,
        [=](VekmController* c, VekmError* e) { return vekm_move(c, mask, values.data(), options, timeoutMs, e); },
        &error);
    return s.Report("move", code, error);
  }
  if (int exit = s.Report("move", code, error)) return exit;
  std::fprintf(s.err(), "moving %s\n", AxisListText(mask).c_str());
  return kExitOk;
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

// What a jog asks for: one axis may jog at a fractional velocity, several
// take whole numbers.
struct JogPlan {
  int32_t mask = 0;
  Values whole{};
  std::array<double, kAxisCount> velocities{};
};

bool PlanJog(Session& s, const JogArgs& a, JogPlan* plan) {
  if (a.pairs.size() != 1 || a.am) {
    if (!CollectAxisValues(s, a.pairs, &plan->mask, &plan->whole)) return false;
    for (int i = 0; i < kAxisCount; ++i) plan->velocities[i] = plan->whole[i];
    return true;
  }
  const std::string& pair = a.pairs[0];
  const int index = pair.size() > 2 && (pair[1] == '=' || pair[1] == ':') ? AxisIndexOf(pair[0]) : -1;
  if (index < 0 || !ParseVelocity(pair.substr(2), &plan->velocities[index])) {
    std::fprintf(s.err(), "vekctl: \"%s\" is not AXIS=VELOCITY with a velocity from -2147483648 to 2147483647\n",
                 pair.c_str());
    return false;
  }
  plan->mask = 1 << index;
  return true;
}

int DoJog(Session& s, const JogArgs& a) {
  JogPlan plan;
  if (!PlanJog(s, a, &plan)) return kExitUsage;
  if (RefuseAmWait(s, a.am, a.wait)) return kExitUsage;
  if (!s.Connect()) return kExitFailed;
  const std::string axes = AxisListText(plan.mask);
  VekmError error;
  if (!a.wait) {
    const uint32_t code = a.am ? vekm_call_Jog(s.controller(), plan.mask, kAmAddressing, plan.whole.data(), &error)
                               : vekm_jog(s.controller(), plan.mask, plan.velocities.data(), &error);
    if (int exit = s.Report("jog", code, error)) return exit;
    std::fprintf(s.err(), "jogging %s; \"vekctl stop\" ends it\n", axes.c_str());
    return kExitOk;
  }
  // The time-out is how long the jog was asked to last: the core stops the
  // axes when it runs out.
  const int32_t mask = plan.mask;
  const int32_t timeoutMs = a.timeoutMs > 0 ? a.timeoutMs : kNoTimeLimitMs;
  const std::array<double, kAxisCount> velocities = plan.velocities;
  const uint32_t code = s.Watch(
      "jog", mask, nullptr, false,
      [=](VekmController* c, VekmError* e) {
        const uint32_t started = vekm_jog(c, mask, velocities.data(), e);
        return started != VEK_SUCCESS ? started : vekm_wait(c, mask, 0, timeoutMs, e);
      },
      &error);
  if (code == VEK_ERROR_WAIT_TIMEOUT && a.timeoutMs > 0 && error.stopped == mask) {
    std::fprintf(s.err(), "stopped %s after %d ms\n", axes.c_str(), static_cast<int>(a.timeoutMs));
    return kExitOk;
  }
  return s.Report("jog", code, error);
}

// ---- stop, kill -------------------------------------------------------------

int DoStop(Session& s, const std::string& axes, bool kill) {
  int32_t mask = 0;
  if (!ParseMaskArg(s, axes, &mask)) return kExitUsage;
  if (!s.Connect()) return kExitFailed;
  VekmError error;
  const uint32_t code = kill ? vekm_kill(s.controller(), mask, &error) : vekm_stop(s.controller(), mask, &error);
  if (int exit = s.Report(kill ? "kill" : "stop", code, error)) return exit;
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
  bool keepMoving = false;
  int32_t timeoutMs = VEKM_DEFAULT_TIMEOUT_MS;
};

int DoHome(Session& s, const SearchArgs& a) {
  int32_t mask = 0;
  if (!ParseMaskArg(s, a.axes, &mask)) return kExitUsage;
  if (!s.Connect()) return kExitFailed;
  const int32_t options =
      (a.edge ? VEKM_HOME_EDGE : 0) | (a.reset ? VEKM_HOME_RESET : 0) | (a.keepMoving ? VEKM_KEEP_MOVING : 0);
  const int32_t value = a.homeValue;
  const int32_t timeoutMs = a.timeoutMs;
  for (int i = 0; i < kAxisCount && EndSignal() == 0; ++i) {
    const int32_t bit = 1 << i;
    if ((mask & bit) == 0) continue;
    char what[16];
    std::snprintf(what, sizeof what, "home %c", kAxisLetters[i]);
    VekmError error;
    if (!a.wait) {
      if (int exit = s.Report(what, vekm_home(s.controller(), bit, value, options, 0, &error), error)) return exit;
      std::fprintf(s.err(), "homing %c\n", kAxisLetters[i]);
      continue;
    }
    const uint32_t code = s.Watch(
        what, bit, nullptr, false,
        [=](VekmController* c, VekmError* e) { return vekm_home(c, bit, value, options, timeoutMs, e); }, &error);
    if (int exit = s.Report(what, code, error)) return exit;
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
  const int32_t velocity = a.negative ? -a.velocity : a.velocity;
  const int32_t options = a.keepMoving ? VEKM_KEEP_MOVING : 0;
  VekmError error;
  if (!a.wait) {
    if (int exit = s.Report("limit", vekm_find_limit(s.controller(), bit, velocity, options, 0, &error), error))
      return exit;
    std::fprintf(s.err(), "searching the %s limit of %s\n", a.negative ? "negative" : "positive",
                 AxisListText(bit).c_str());
    return kExitOk;
  }
  const int32_t timeoutMs = a.timeoutMs;
  const uint32_t code = s.Watch(
      "limit", bit, nullptr, false,
      [=](VekmController* c, VekmError* e) { return vekm_find_limit(c, bit, velocity, options, timeoutMs, e); },
      &error);
  return s.Report("limit", code, error);
}

// ---- pos, flags, io ---------------------------------------------------------

int DoPositions(Session& s) {
  if (!s.Connect()) return kExitFailed;
  int32_t motor[kAxisCount] = {};
  int32_t encoder[kAxisCount] = {};
  VekmError error;
  if (int exit = s.Report("pos", vekm_positions(s.controller(), motor, encoder, &error), error)) return exit;
  std::fputs(PositionTable(motor, encoder).c_str(), s.out());
  return kExitOk;
}

int ClearFlags(Session& s) {
  VekmController* c = s.controller();
  VekmError error;
  uint32_t code = vekm_call_ClearMultiAxisDoneFlags(c, VEK_ALL_AXES, &error);
  if (code == VEK_SUCCESS) code = vekm_call_ClearMultiAxisOvertravelFlags(c, VEK_ALL_AXES, &error);
  if (code == VEK_SUCCESS) code = vekm_call_ClearMultiAxisSlipFlag(c, VEK_ALL_AXES, &error);
  if (code == VEK_SUCCESS) code = vekm_call_ClearCommandErrorFlag(c, &error);
  if (int exit = s.Report("clear flags", code, error)) return exit;
  std::fprintf(s.err(), "flags cleared\n");
  return kExitOk;
}

int DoFlags(Session& s, bool clear, bool illegal) {
  if (!s.Connect()) return kExitFailed;
  uint32_t word = 0;
  VekmError error;
  if (int exit = s.Report("flags", vekm_status_word(s.controller(), &word, &error), error)) return exit;
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
  if (illegal || (word & VEKM_COMMAND_ERROR_BIT) != 0) {
    char text[kAnswerSize] = {};
    int32_t length = 0;
    const uint32_t code = vekm_call_GetIllegalCommand(s.controller(), text, kAnswerSize - 1, &length, &error);
    if (int exit = s.Report("illegal command", code, error)) return exit;
    text[kAnswerSize - 1] = '\0';
    std::fprintf(s.out(), "last illegal command: %s\n", text);
  }
  return clear ? ClearFlags(s) : kExitOk;
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
    VekmError error;
    if (int exit = s.Report("read direction", vekm_call_GetIOBitsDirection(s.controller(), direction, &error), error))
      return exit;
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

bool ParseIoBits(Session& s, const IoArgs& a, std::vector<std::pair<int32_t, int32_t>>* bits) {
  for (const std::string& b : a.bits) {
    const size_t eq = b.find('=');
    int32_t number = -1;
    int32_t level = -1;
    if (eq == std::string::npos || !ParseInt32(b.substr(0, eq), &number) || !ParseInt32(b.substr(eq + 1), &level) ||
        number < 0 || number > 15) {
      std::fprintf(s.err(), "vekctl: \"%s\" is not BIT=LEVEL with a bit from 0 to 15\n", b.c_str());
      return false;
    }
    bits->emplace_back(1 << number, level);
  }
  return true;
}

int DoIo(Session& s, const IoArgs& a) {
  uint32_t direction = 0;
  uint32_t outputs = 0;
  if (!a.direction.empty() && !ParseWord(s, a.direction, &direction)) return kExitUsage;
  if (!a.outputs.empty() && !ParseWord(s, a.outputs, &outputs)) return kExitUsage;
  std::vector<std::pair<int32_t, int32_t>> bits;
  if (!ParseIoBits(s, a, &bits)) return kExitUsage;
  if (!s.Connect()) return kExitFailed;
  if (int exit = RefuseInputs(s, a, &direction, outputs, bits)) return exit;
  VekmController* c = s.controller();
  VekmError error;
  if (!a.direction.empty()) {
    if (int exit = s.Report("set direction", vekm_call_SetIOBitsDirection(c, direction, &error), error)) return exit;
  }
  if (!a.outputs.empty()) {
    if (int exit = s.Report("set outputs", vekm_call_SetOutputBitsState(c, outputs, &error), error)) return exit;
  }
  for (const auto& [maskBit, level] : bits) {
    if (int exit = s.Report("set bit", vekm_call_SetOutputBitState(c, maskBit, level, &error), error)) return exit;
  }
  uint32_t dirWord = 0;
  uint32_t stateWord = 0;
  if (int exit = s.Report("read direction", vekm_call_GetIOBitsDirection(c, &dirWord, &error), error)) return exit;
  if (int exit = s.Report("read state", vekm_call_GetIOBitsState(c, &stateWord, &error), error)) return exit;
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

void AddWaitOptions(CLI::App* cmd, bool* wait, bool* keepMoving, int32_t* timeoutMs) {
  cmd->add_flag("-w,--wait", *wait, "wait until the motion has ended, showing progress");
  cmd->add_option("-t,--timeout", *timeoutMs,
                  "time-out of the wait in milliseconds; the axes are stopped when it runs out")
      ->capture_default_str()
      ->check(CLI::Range(1, kLongestTimeoutMs));
  cmd->add_flag("--keep-moving", *keepMoving, "leave the axes moving when the time-out runs out (still exits with 1)");
}

void AddMotion(CLI::App& app, Session& s, std::function<int()>& action) {
  auto m = std::make_shared<MoveArgs>();
  CLI::App* move = app.add_subcommand("move", "move axes: vekctl move X=1000 Y=-500 --wait");
  move->add_option("targets", m->pairs, "AXIS=POSITION (or distance with --relative)")->required();
  move->add_flag("-r,--relative", m->relative, "values are distances, not positions");
  move->add_flag("--am", m->am, "send the library's AM form of the command (not with --wait)");
  move->add_flag("--in-position", m->inPosition, "complete on in-position (IP) instead of done (ID)");
  AddWaitOptions(move, &m->wait, &m->keepMoving, &m->timeoutMs);
  move->callback([&s, &action, m] { action = [&s, m] { return DoMove(s, *m); }; });

  auto j = std::make_shared<JogArgs>();
  CLI::App* jog = app.add_subcommand("jog", "jog axes at a velocity until stopped: vekctl jog X=2000");
  jog->add_option("velocities", j->pairs, "AXIS=VELOCITY")->required();
  jog->add_flag("--am", j->am, "send the library's AM form of the command (not with --wait)");
  jog->add_flag(
      "-w,--wait", j->wait,
      "stay while the axes jog, showing positions, until a signal stops them or a limit or slip ends the jog");
  jog->add_option("-t,--timeout", j->timeoutMs, "with --wait, stop the jog after this many milliseconds")
      ->check(CLI::Range(1, kLongestTimeoutMs));
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
  AddWaitOptions(home, &h->wait, &h->keepMoving, &h->timeoutMs);
  home->callback([&s, &action, h] { action = [&s, h] { return DoHome(s, *h); }; });

  auto l = std::make_shared<SearchArgs>();
  CLI::App* limit = app.add_subcommand("limit", "jog one axis until it meets its limit switch");
  limit->add_option("axis", l->axes, "axis letter")->required();
  limit->add_flag("-n,--negative", l->negative, "search toward the negative end");
  limit->add_option("-v,--velocity", l->velocity, "jog velocity (the direction comes from --negative)")
      ->capture_default_str()
      ->check(CLI::Range(1, INT32_MAX));
  AddWaitOptions(limit, &l->wait, &l->keepMoving, &l->timeoutMs);
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
  CLI::App* demo = app.add_subcommand("demo", "home X and Y, move them together and show where every axis ended up");
  demo->add_option("--keep-log", *keepLog, "write the library's trace log of the demo to this file and keep it");
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
