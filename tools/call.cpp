// `vekctl call`: the rows of the library's operation table, each with the
// motion core's vekm_call_<Name>. A row's parameter types (as the row spells
// them: VekAxis, VekValueList ...) say how a word is read and how a result
// is printed; nothing here names an operation.
#include "tools/call.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <utility>

#include "commands/operations.h"
#include "commands/row_text.h"
#include "tools/report.h"
#include "vekkestra_motion_calls.h"

namespace vekctl {
namespace {

using vek::rows::Role;

// The transports keep at most 255 characters of a text.
constexpr int32_t kTextSize = 256;
constexpr int kStatusFlags = 5;

// One parameter of a call: what its row says it is, and room for its value.
struct Slot {
  Role role;
  std::string name;
  int32_t i32 = 0;
  uint32_t u32 = 0;
  double f64 = 0;
  std::array<int32_t, kAxisCount> values{};
  std::array<uint32_t, kStatusFlags> flags{};
  std::array<char, kTextSize> text{};
};

// The slot as the parameter of C type T.
template <class T>
T Pass(Slot& s) {
  if constexpr (std::is_same_v<T, int32_t>) {
    return s.role == Role::kTextSize ? kTextSize : s.i32;
  } else if constexpr (std::is_same_v<T, uint32_t>) {
    return s.u32;
  } else if constexpr (std::is_same_v<T, double>) {
    return s.f64;
  } else if constexpr (std::is_same_v<T, const int32_t*>) {
    return s.values.data();
  } else if constexpr (std::is_same_v<T, int32_t*>) {
    return s.role == Role::kOutValues ? s.values.data() : &s.i32;
  } else if constexpr (std::is_same_v<T, uint32_t*>) {
    return s.role == Role::kOutStatus ? s.flags.data() : &s.u32;
  } else {
    static_assert(std::is_same_v<T, char*>, "a parameter type the rows do not use");
    return s.text.data();
  }
}

// vekm_call_<Name>(controller, the slots as its parameters, error).
template <class A, std::size_t I, std::size_t N>
A Argument(VekmController* controller, std::vector<Slot>& slots, VekmError* error) {
  if constexpr (I == 0) {
    return controller;
  } else if constexpr (I + 1 == N) {
    return error;
  } else {
    return Pass<A>(slots[I - 1]);
  }
}

template <class... A, std::size_t... I>
uint32_t Invoke(uint32_t(VEKM_CALL* call)(A...), VekmController* controller, std::vector<Slot>& slots, VekmError* error,
                std::index_sequence<I...>) {
  return call(Argument<A, I, sizeof...(A)>(controller, slots, error)...);
}

template <class... A>
uint32_t Invoke(uint32_t(VEKM_CALL* call)(A...), VekmController* controller, std::vector<Slot>& slots,
                VekmError* error) {
  return Invoke(call, controller, slots, error, std::index_sequence_for<A...>{});
}

struct Row {
  const char* name;
  const char* columns;  // Face, Work, (type, name)...
  uint32_t (*invoke)(VekmController*, std::vector<Slot>&, VekmError*);
};

#define VEKCTL_CALL_ROW(Name, ...) \
  {#Name, #__VA_ARGS__,            \
   [](VekmController* c, std::vector<Slot>& s, VekmError* e) { return Invoke(&vekm_call_##Name, c, s, e); }},
const Row kRows[] = {VEK_OPERATIONS(VEKCTL_CALL_ROW)};
#undef VEKCTL_CALL_ROW

const Row* RowNamed(const std::string& name) {
  for (const Row& row : kRows) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

bool IsRaw(const Row& row) { return vek::rows::Columns(row.columns).at(0) == "Raw"; }

std::vector<Slot> SlotsOf(const Row& row) {
  std::vector<Slot> slots;
  const std::vector<std::string> columns = vek::rows::Columns(row.columns);
  for (std::size_t i = 2; i < columns.size(); ++i) {
    const vek::rows::Pair pair = vek::rows::PairOf(columns[i]);
    Slot slot;
    slot.role = vek::rows::RoleOf(pair.type);
    slot.name = pair.name;
    slots.push_back(slot);
  }
  return slots;
}

bool TakesWord(Role role) { return !vek::rows::IsOutput(role) && !vek::rows::IsHidden(role); }

// What a word of `role` looks like, for the list and for errors.
const char* Form(Role role) {
  switch (role) {
    case Role::kAxis:
      return "AXIS";
    case Role::kAxes:
      return "AXES";
    case Role::kUint:
      return "UINT";
    case Role::kDouble:
      return "NUMBER";
    case Role::kValuesIn:
      return "V0,V1,...,V9";
    default:
      return "INT";
  }
}

bool ParseUint32(const std::string& text, uint32_t* value) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || parsed > UINT32_MAX) return false;
  *value = static_cast<uint32_t>(parsed);
  return true;
}

// Up to ten comma-separated integers, slot i for axis i; empty fields and
// the slots after the last are 0.
bool ParseValues(const std::string& text, std::array<int32_t, kAxisCount>* values) {
  std::size_t start = 0;
  for (int i = 0; i < kAxisCount; ++i) {
    const std::size_t comma = text.find(',', start);
    const std::string field = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!field.empty() && !ParseInt32(field, &(*values)[static_cast<std::size_t>(i)])) return false;
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
  return false;  // an eleventh field
}

// An axis: its letter, or a number passed to the library as it is.
bool ParseAxis(const std::string& text, int32_t* axis) {
  const int index = text.size() == 1 ? AxisIndexOf(text[0]) : -1;
  if (index >= 0) {
    *axis = 1 << index;
    return true;
  }
  return ParseInt32(text, axis);
}

bool Parse(const std::string& word, Slot* slot) {
  switch (slot->role) {
    case Role::kAxis:
      return ParseAxis(word, &slot->i32);
    case Role::kAxes:
      return ParseAxisMask(word, &slot->i32);
    case Role::kUint:
      return ParseUint32(word, &slot->u32);
    case Role::kDouble: {
      errno = 0;
      char* end = nullptr;
      slot->f64 = std::strtod(word.c_str(), &end);
      return !word.empty() && errno == 0 && *end == '\0' && std::isfinite(slot->f64);
    }
    case Role::kValuesIn:
      return ParseValues(word, &slot->values);
    default:
      return ParseInt32(word, &slot->i32);
  }
}

template <class T, std::size_t N>
std::string Joined(const std::array<T, N>& items) {
  std::string text;
  for (const T& item : items) text += (text.empty() ? "" : ",") + std::to_string(item);
  return text;
}

// "name=value" for each result; a text is cut at the length the call gave it.
void PrintResults(const std::vector<Slot>& slots, std::FILE* out) {
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const Slot& s = slots[i];
    std::string value;
    switch (s.role) {
      case Role::kOutInt:
        value = std::to_string(s.i32);
        break;
      case Role::kOutUint:
      case Role::kOutFlag:
        value = std::to_string(s.u32);
        break;
      case Role::kOutValues:
        value = Joined(s.values);
        break;
      case Role::kOutStatus:
        value = Joined(s.flags);
        break;
      case Role::kOutText: {
        const int32_t length = i + 2 < slots.size() ? slots[i + 2].i32 : 0;
        value.assign(s.text.data(), static_cast<std::size_t>(std::max(0, std::min(length, kTextSize))));
        break;
      }
      default:
        continue;
    }
    std::fprintf(out, "%s=%s\n", s.name.c_str(), value.c_str());
  }
}

std::string Usage(const Row& row) {
  std::string text = row.name;
  std::string results;
  for (const Slot& s : SlotsOf(row)) {
    if (TakesWord(s.role)) text += " " + s.name + ":" + Form(s.role);
    if (vek::rows::IsOutput(s.role)) results += " " + s.name;
  }
  if (!results.empty()) text += "  ->" + results;
  return text;
}

}  // namespace

void ListCalls(std::FILE* out) {
  for (const Row& row : kRows) {
    std::fprintf(out, "%s%s\n", Usage(row).c_str(), IsRaw(row) ? "  (raw: no safe-motion promise)" : "");
  }
}

int RunCall(const std::function<VekmController*()>& open, const std::vector<std::string>& words, std::FILE* out,
            std::FILE* err) {
  const Row* row = words.empty() ? nullptr : RowNamed(words[0]);
  if (row == nullptr) {
    std::fprintf(err, "vekctl: call: no operation \"%s\" (vekctl call --list names them)\n",
                 words.empty() ? "" : words[0].c_str());
    return kExitUsage;
  }
  std::vector<Slot> slots = SlotsOf(*row);
  std::size_t next = 1;
  for (Slot& slot : slots) {
    if (!TakesWord(slot.role)) continue;
    if (next >= words.size()) {
      std::fprintf(err, "vekctl: call: usage: vekctl call %s\n", Usage(*row).c_str());
      return kExitUsage;
    }
    if (!Parse(words[next], &slot)) {
      std::fprintf(err, "vekctl: call %s: %s: \"%s\" is no %s\n", row->name, slot.name.c_str(), words[next].c_str(),
                   Form(slot.role));
      return kExitUsage;
    }
    ++next;
  }
  if (next != words.size()) {
    std::fprintf(err, "vekctl: call: usage: vekctl call %s\n", Usage(*row).c_str());
    return kExitUsage;
  }
  // Only a call whose words were all read opens the controller.
  VekmController* controller = open();
  if (controller == nullptr) return kExitFailed;
  VekmError error;
  if (row->invoke(controller, slots, &error) != VEK_SUCCESS) {
    std::fprintf(err, "vekctl: call %s: %s\n", row->name, error.message);
    return kExitFailed;
  }
  PrintResults(slots, out);
  return kExitOk;
}

void AddCall(CLI::App& app, Session& session, std::function<int()>& action) {
  auto words = std::make_shared<std::vector<std::string>>();
  auto list = std::make_shared<bool>(false);
  CLI::App* call = app.add_subcommand(
      "call", "run any operation of the library by name, its results one a line: vekctl call GetAxisMaxVelocity X");
  call->add_option("words", *words, "OPERATION [ARGS...]: the operation's name, then its arguments");
  call->add_flag("--list", *list, "list the operations, their arguments and their results");
  call->positionals_at_end();
  call->callback([&session, &action, words, list] {
    action = [&session, words, list] {
      if (*list) {
        ListCalls(session.out());
        return kExitOk;
      }
      const auto open = [&session]() -> VekmController* { return session.Connect() ? session.controller() : nullptr; };
      return RunCall(open, *words, session.out(), session.err());
    };
  });
}

}  // namespace vekctl
