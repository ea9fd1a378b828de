#include "tests/cpp/scenario_table.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace vek::scenarios {
namespace {

constexpr char kLetters[] = "XYZTUVRSWK";

struct KindWord {
  const char* word;
  Kind kind;
  bool takesAxis;
};

constexpr KindWord kKinds[] = {
    {"ok", Kind::kOk, false},
    {"limit", Kind::kLimit, true},
    {"slip", Kind::kSlip, true},
    {"interrupted", Kind::kInterrupted, true},
    {"timeout", Kind::kTimeout, false},
    {"cancelled", Kind::kCancelled, false},
    {"refused", Kind::kRefused, false},
    {"closed", Kind::kClosed, false},
    {"argument", Kind::kArgument, false},
    {"connection", Kind::kConnection, false},
    {"safe", Kind::kSafe, false},
};

struct VerbWord {
  const char* word;
  Verb verb;
};

constexpr VerbWord kVerbs[] = {
    {"move", Verb::kMove},
    {"move-axis", Verb::kMoveAxis},
    {"home", Verb::kHome},
    {"find-limit", Verb::kFindLimit},
    {"jog", Verb::kJog},
    {"stop", Verb::kStop},
    {"wait", Verb::kWait},
    {"slip-detection", Verb::kSlipDetection},
    {"close", Verb::kClose},
    {"raw", Verb::kRaw},
    {"later", Verb::kLater},
    {"sleep", Verb::kSleep},
    {"cancel", Verb::kCancel},
    {"open-refused", Verb::kOpenRefused},
    {"open-missing-com", Verb::kOpenMissingCom},
    {"threads", Verb::kThreads},
    {"guard-error", Verb::kGuardError},
    {"guard-normal", Verb::kGuardNormal},
    {"repeat", Verb::kRepeat},
};

// A word of the table that does not fit where it stands.
struct Bad : std::runtime_error {
  using std::runtime_error::runtime_error;
};

using Words = std::vector<std::string>;

Words Split(const std::string& line) {
  std::istringstream in(line.substr(0, line.find('#')));
  Words words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

int AxisOf(char c) {
  const char* at = std::strchr(kLetters, c);
  if (c == '\0' || at == nullptr) throw Bad(std::string("\"") + c + "\" is not an axis letter");
  return static_cast<int>(at - kLetters);
}

// Letters naming axes, "XY" or "X".
int32_t MaskOf(const std::string& word) {
  if (word.empty()) throw Bad("no axis letters");
  int32_t mask = 0;
  for (char c : word) mask |= 1 << AxisOf(c);
  return mask;
}

double Number(const std::string& text, bool whole) {
  errno = 0;
  char* end = nullptr;
  const double value =
      whole ? static_cast<double>(std::strtoll(text.c_str(), &end, 10)) : std::strtod(text.c_str(), &end);
  if (text.empty() || end == nullptr || *end != '\0' || errno != 0 || value < -2147483648.0 || value > 2147483647.0)
    throw Bad("\"" + text + "\" is not a number");
  return value;
}

int32_t Whole(const std::string& text) { return static_cast<int32_t>(Number(text, true)); }

// "A=N": an axis and its value.
std::pair<int, double> AxisValue(const std::string& word, bool whole) {
  if (word.size() < 3 || word[1] != '=') throw Bad("\"" + word + "\" is not A=N");
  return {AxisOf(word[0]), Number(word.substr(2), whole)};
}

bool Option(const std::string& word, const char* name, std::string* value) {
  const size_t length = std::strlen(name);
  if (word.compare(0, length, name) != 0) return false;
  *value = word.substr(length);
  return true;
}

Action ParseAction(const Words& w, size_t from);

// The words after the verb: values, options and axis letters, as the verb takes them.
void ParseArguments(const Words& w, size_t i, Action* a) {
  std::string value;
  for (; i < w.size(); ++i) {
    const std::string& word = w[i];
    if (Option(word, "timeout=", &value)) {
      a->timeoutMs = Whole(value);
    } else if (word == "keep-moving" && a->verb == Verb::kMove) {
      a->keepMoving = true;
    } else if (word == "relative" && a->verb == Verb::kMove) {
      a->relative = true;
    } else if (a->verb == Verb::kMove || a->verb == Verb::kJog) {
      a->values.push_back(AxisValue(word, a->verb == Verb::kMove));
    } else if (a->verb == Verb::kStop || a->verb == Verb::kWait || a->verb == Verb::kSlipDetection) {
      a->axes |= MaskOf(word);
    } else {
      throw Bad("\"" + word + "\" does not belong to this action");
    }
  }
}

// Verbs with fixed words first: an axis, a number, a nested action.
Action ParseAction(const Words& w, size_t from) {
  if (from >= w.size()) throw Bad("no action");
  Action a;
  bool known = false;
  for (const VerbWord& v : kVerbs) {
    if (w[from] == v.word) {
      a.verb = v.verb;
      known = true;
    }
  }
  if (!known) throw Bad("unknown action \"" + w[from] + "\"");
  for (size_t i = from; i < w.size(); ++i) a.text += (i > from ? " " : "") + w[i];
  const size_t n = w.size() - from - 1;  // words after the verb
  auto word = [&](size_t k) -> const std::string& {
    if (k > n) throw Bad("\"" + w[from] + "\" lacks a word");
    return w[from + k];
  };
  switch (a.verb) {
    case Verb::kMoveAxis:
    case Verb::kFindLimit:
      if (word(1).size() != 1) throw Bad("\"" + word(1) + "\" is not one axis");
      a.axis = AxisOf(word(1)[0]);
      a.number = Whole(word(2));
      ParseArguments(w, from + 3, &a);
      break;
    case Verb::kHome:
      if (word(1).size() != 1) throw Bad("\"" + word(1) + "\" is not one axis");
      a.axis = AxisOf(word(1)[0]);
      ParseArguments(w, from + 2, &a);
      break;
    case Verb::kRaw:
      a.raw = a.text.substr(4);
      if (n == 0) throw Bad("raw without a text");
      break;
    case Verb::kLater:
    case Verb::kRepeat:
      a.number = Whole(word(1));
      a.inner = std::make_shared<Action>(ParseAction(w, from + 2));
      break;
    case Verb::kGuardError:
    case Verb::kGuardNormal:
      a.inner = std::make_shared<Action>(ParseAction(w, from + 1));
      if (a.inner->verb != Verb::kJog) throw Bad("a guarded scope jogs");
      break;
    case Verb::kSleep:
    case Verb::kThreads:
      a.number = Whole(word(1));
      if (n != 1) throw Bad("\"" + w[from] + "\" takes one number");
      break;
    case Verb::kClose:
    case Verb::kCancel:
    case Verb::kOpenRefused:
    case Verb::kOpenMissingCom:
      if (n != 0) throw Bad("\"" + w[from] + "\" takes no words");
      break;
    default:
      ParseArguments(w, from + 1, &a);
      break;
  }
  if (a.verb == Verb::kJog && a.values.empty()) throw Bad("jog without A=V");
  if (a.verb == Verb::kSlipDetection && a.axes == 0) throw Bad("slip-detection without axes");
  return a;
}

Outcome ParseOutcome(const Words& w, size_t from) {
  if (from >= w.size()) throw Bad("\"->\" without an outcome");
  Outcome o;
  const KindWord* kind = nullptr;
  for (const KindWord& k : kKinds)
    if (w[from] == k.word) kind = &k;
  if (kind == nullptr) throw Bad("unknown outcome \"" + w[from] + "\"");
  o.kind = kind->kind;
  size_t i = from + 1;
  if (kind->takesAxis) {
    if (i >= w.size() || w[i].size() != 1) throw Bad(std::string(kind->word) + " names one axis");
    o.axis = AxisOf(w[i++][0]);
  }
  std::string value;
  for (; i < w.size(); ++i) {
    if (Option(w[i], "at=", &value)) {
      o.at = Whole(value);
    } else if (Option(w[i], "stopped=", &value)) {
      o.stopped = MaskOf(value);
    } else if (Option(w[i], "within=", &value)) {
      o.withinMs = Whole(value);
    } else {
      throw Bad("\"" + w[i] + "\" is no part of an outcome");
    }
  }
  return o;
}

Check ParseCheck(const Words& w) {
  Check c;
  for (size_t i = 1; i < w.size(); ++i) {
    const std::string& word = w[i];
    if (word == "rest" || word == "moving") {
      if (i + 1 >= w.size()) throw Bad(word + " without axes");
      (word == "rest" ? c.rest : c.moving) |= MaskOf(w[++i]);
    } else if (word.size() >= 3 && (word[1] == '=' || word[1] == '<' || word[1] == '>')) {
      c.positions.push_back(Compare{AxisOf(word[0]), word[1], Whole(word.substr(2))});
    } else {
      throw Bad("\"" + word + "\" is no check");
    }
  }
  if (c.rest == 0 && c.moving == 0 && c.positions.empty()) throw Bad("check without checks");
  return c;
}

Step ParseStep(const Words& w) {
  Step s;
  if (w[0] == "check") {
    s.isCheck = true;
    s.check = ParseCheck(w);
    return s;
  }
  size_t arrow = 0;
  while (arrow < w.size() && w[arrow] != "->") ++arrow;
  s.action = ParseAction(Words(w.begin(), w.begin() + static_cast<long>(arrow)), 0);
  if (arrow < w.size()) s.outcome = ParseOutcome(w, arrow + 1);
  return s;
}

void ParseSetting(const Words& w, Scenario* s) {
  if (!s->steps.empty()) throw Bad("\"" + w[0] + "\" after the first step");
  if (w[0] == "sim") {
    s->simFlags.assign(w.begin() + 1, w.end());
    return;
  }
  s->tcp = s->serial = false;
  for (size_t i = 1; i < w.size(); ++i) {
    if (w[i] == "tcp") {
      s->tcp = true;
    } else if (w[i] == "serial") {
      s->serial = true;
    } else {
      throw Bad("unknown link \"" + w[i] + "\"");
    }
  }
}

}  // namespace

const char* KindName(Kind kind) {
  for (const KindWord& k : kKinds)
    if (k.kind == kind) return k.word;
  return "an error of no documented kind";
}

bool Action::NeedsController() const {
  switch (verb) {
    case Verb::kRaw:
    case Verb::kSleep:
    case Verb::kOpenRefused:
    case Verb::kOpenMissingCom:
      return false;
    case Verb::kLater:
    case Verb::kRepeat:
      return inner->NeedsController();
    default:
      return true;
  }
}

std::string AxisLetters(int32_t mask) {
  std::string letters;
  for (int i = 0; i < kAxisCount; ++i)
    if ((mask & (1 << i)) != 0) letters += kLetters[i];
  return letters;
}

std::vector<Scenario> Parse(const std::string& text) {
  std::vector<Scenario> all;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    const Words w = Split(line);
    if (w.empty()) continue;
    if (w[0] == "scenario") {
      all.push_back(Scenario{});
      all.back().line = number;
      all.back().name = w.size() == 2 ? w[1] : "line_" + std::to_string(number);
      if (w.size() != 2) all.back().error = "line " + std::to_string(number) + ": scenario takes one name";
      continue;
    }
    if (all.empty()) {
      all.push_back(Scenario{"table_header", number, {}, true, true, {}, {}});
      all.back().error = "line " + std::to_string(number) + ": a step before the first scenario";
      continue;
    }
    Scenario& s = all.back();
    if (!s.error.empty()) continue;
    try {
      if (w[0] == "sim" || w[0] == "links") {
        ParseSetting(w, &s);
      } else {
        s.steps.push_back(ParseStep(w));
        s.steps.back().line = number;
      }
    } catch (const Bad& e) {
      s.error = "line " + std::to_string(number) + ": " + e.what();
    }
  }
  return all;
}

}  // namespace vek::scenarios
