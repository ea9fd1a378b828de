// A row of commands/operations.h as the preprocessor spells it (#__VA_ARGS__
// of a row macro), read back into its columns: for the build tool that
// writes the rows out in other languages and for vekctl's `call`, which both
// need the parameter types as the rows spell them (VekAxis, VekValueList ...)
// where C++ sees only int32_t and int32_t*.
#ifndef VEK_COMMANDS_ROW_TEXT_H
#define VEK_COMMANDS_ROW_TEXT_H

#include <cstddef>
#include <string>
#include <vector>

namespace vek::rows {

inline std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The columns of a row: split at the commas outside parentheses and quotes
// ("Plain, AxisValue(\"HG\"), (VekAxis, axis)" gives three).
inline std::vector<std::string> Columns(const std::string& text) {
  std::vector<std::string> columns;
  std::string current;
  int depth = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '\\' && i + 1 < text.size()) current += text[i++];
      if (c == '"') quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (c == ',' && depth == 0) {
      columns.push_back(Trimmed(current));
      current.clear();
      continue;
    }
    current += c;
  }
  if (!Trimmed(current).empty()) columns.push_back(Trimmed(current));
  return columns;
}

// One parameter column, "(int32_t, axis)".
struct Pair {
  std::string type;  // as the row spells it: "int32_t*", "VekValueList"
  std::string name;
};

inline Pair PairOf(const std::string& column) {
  const std::string inside = column.substr(1, column.size() - 2);
  const std::size_t comma = inside.rfind(',');
  return Pair{Trimmed(inside.substr(0, comma)), Trimmed(inside.substr(comma + 1))};
}

// What a parameter of a row is to a typed layer, by the type the row spells.
enum class Role {
  kInt,         // int32_t
  kUint,        // uint32_t
  kDouble,      // double
  kAxis,        // VekAxis: one axis
  kAxes,        // VekAxes: a set of axes
  kValuesIn,    // const int32_t*: ten values the call reads
  kOutInt,      // int32_t*: a number the call fills
  kOutUint,     // uint32_t*
  kOutFlag,     // VekFlag: 0 or 1
  kOutValues,   // VekValueList: ten values, slot i for axis i
  kOutStatus,   // VekEncoderStatus: five flags
  kOutText,     // VekText: a text, followed by the two below
  kTextSize,    // VekTextSize: the text buffer's size, which the layer gives
  kTextLength,  // VekTextLength: the text's length, which cuts the returned text
  kNone,        // a type no typed layer takes (the exchange's char*)
};

struct RoleOfType {
  const char* type;
  Role role;
};
inline constexpr RoleOfType kRoles[] = {
    {"int32_t", Role::kInt},
    {"uint32_t", Role::kUint},
    {"double", Role::kDouble},
    {"VekAxis", Role::kAxis},
    {"VekAxes", Role::kAxes},
    {"const int32_t*", Role::kValuesIn},
    {"int32_t*", Role::kOutInt},
    {"uint32_t*", Role::kOutUint},
    {"VekFlag", Role::kOutFlag},
    {"VekValueList", Role::kOutValues},
    {"VekEncoderStatus", Role::kOutStatus},
    {"VekText", Role::kOutText},
    {"VekTextSize", Role::kTextSize},
    {"VekTextLength", Role::kTextLength},
};

inline Role RoleOf(const std::string& type) {
  for (const RoleOfType& r : kRoles) {
    if (type == r.type) return r.role;
  }
  return Role::kNone;
}

// A result the call fills in (the text's size and length are not results).
inline bool IsOutput(Role role) { return role >= Role::kOutInt && role <= Role::kOutText; }
// Given by the layer, never by its caller.
inline bool IsHidden(Role role) { return role == Role::kTextSize || role == Role::kTextLength; }

}  // namespace vek::rows

#endif  // VEK_COMMANDS_ROW_TEXT_H
