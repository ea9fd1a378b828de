// The safe-motion scenario table (tests/motion/scenarios.txt) read into
// steps, without I/O: the header of the table says what each word means.
// A scenario that does not parse keeps its name and the reason, so that its
// test fails saying so instead of vanishing.
#ifndef VEK_TESTS_CPP_SCENARIO_TABLE_H
#define VEK_TESTS_CPP_SCENARIO_TABLE_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vek::scenarios {

inline constexpr int kAxisCount = 10;
inline constexpr int kDefaultTimeoutMs = 10000;

// What an action ends in: the layer's error kinds, ok, or "safe".
enum class Kind {
  kOk,
  kLimit,
  kSlip,
  kInterrupted,
  kTimeout,
  kCancelled,
  kRefused,
  kClosed,
  kArgument,
  kConnection,
  kSafe,
  kOther
};

const char* KindName(Kind kind);

struct Outcome {
  Kind kind = Kind::kOk;
  int axis = -1;  // limit, slip, interrupted: the axis index
  std::optional<int32_t> at;
  std::optional<int32_t> stopped;  // an axis mask
  std::optional<int> withinMs;
};

enum class Verb {
  kMove,
  kMoveAxis,
  kHome,
  kFindLimit,
  kJog,
  kStop,
  kWait,
  kSlipDetection,
  kClose,
  kRaw,
  kLater,
  kSleep,
  kCancel,
  kOpenRefused,
  kOpenMissingCom,
  kThreads,
  kGuardError,
  kGuardNormal,
  kRepeat
};

struct Action {
  Verb verb = Verb::kMove;
  std::string text;                            // the action as written
  std::vector<std::pair<int, double>> values;  // move targets, jog velocities: axis index and value
  int axis = -1;                               // move-axis, home, find-limit
  int32_t number = 0;                          // move-axis target, find-limit velocity, sleep and later ms, counts
  int32_t axes = 0;                            // stop, wait, slip-detection: a mask (0: none written)
  int timeoutMs = kDefaultTimeoutMs;
  bool keepMoving = false;
  bool relative = false;
  std::string raw;                // raw: the command text
  std::shared_ptr<Action> inner;  // later, repeat: the action; guard-*: its jog
  // Whether the verb needs the scenario's controller open.
  bool NeedsController() const;
};

struct Compare {
  int axis = 0;
  char op = '=';  // '=', '<' or '>'
  int32_t value = 0;
};

struct Check {
  int32_t rest = 0;    // waited for to stand still
  int32_t moving = 0;  // must move
  std::vector<Compare> positions;
};

struct Step {
  int line = 0;
  bool isCheck = false;
  Action action;
  Outcome outcome;  // kOk when none is written: the action must not fail
  Check check;
};

struct Scenario {
  std::string name;
  int line = 0;
  std::vector<std::string> simFlags;
  bool tcp = true;
  bool serial = true;
  std::vector<Step> steps;
  std::string error;  // why it did not parse, with its line; empty when it did
};

// The scenarios of the table's text, in order. Lines before the first
// scenario other than comments and blanks make a scenario named
// "table_header" that carries the error.
std::vector<Scenario> Parse(const std::string& text);

// "X" for bit 1, "XY" for 3.
std::string AxisLetters(int32_t mask);

}  // namespace vek::scenarios

#endif  // VEK_TESTS_CPP_SCENARIO_TABLE_H
