// The writers of vek_export_list for the typed operations: every row of
// VEK_OPERATIONS as a method of the C++, the Python and the C# controller,
// over the motion core's vekm_call_<Name>. Each parameter's type in the row
// says what the method takes or returns (its role): an axis, a set of axes,
// ten values, or a result the call fills (a number, a flag, ten values, five
// flags, a text), which the method returns instead of taking a pointer.
//
// A method's documentation is the @brief of its VEKnet_ export in
// include/vekkestra.h (VEK_PUBLIC_HEADER, given by the build).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "commands/export_list.h"
#include "commands/row_text.h"

namespace vek::listing {
namespace {

using rows::IsHidden;
using rows::IsOutput;
using rows::Role;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "vek_export_list: %s\n", what.c_str());
  std::exit(1);
}

// One parameter of a row with its role; for a text, `length` names the
// parameter that receives its length.
struct Value {
  Role role;
  std::string name;
  std::string length;
};

// A row as the typed layers see it.
struct Typed {
  std::string name;
  bool raw;
  std::string brief;
  std::vector<Value> parameters;  // in the row's order, the C call's
};

Role RoleOf(const Operation& op, const Parameter& p) {
  const Role role = rows::RoleOf(p.type);
  if (role != Role::kNone) return role;
  Fail(op.name + ": no typed spelling for the parameter type \"" + p.type + "\" of " + p.name +
       " (commands/row_text.h lists them)");
}

// The text of a @brief, its continuation lines joined.
std::string BriefIn(const std::vector<std::string>& comment) {
  std::string brief;
  bool in = false;
  for (std::string line : comment) {
    const std::size_t text = line.find_first_not_of(" */");
    line = text == std::string::npos ? "" : line.substr(text);
    if (line.rfind("@brief ", 0) == 0) {
      in = true;
      brief = line.substr(7);
    } else if (in && (line.empty() || line[0] == '@')) {
      break;
    } else if (in) {
      brief += " " + line;
    }
  }
  return brief;
}

// The @brief of every VEKnet_ export of the header, by name without prefix.
std::map<std::string, std::string> Briefs() {
  std::ifstream header(VEK_PUBLIC_HEADER);
  if (!header) Fail(std::string("cannot read ") + VEK_PUBLIC_HEADER);
  std::map<std::string, std::string> briefs;
  std::vector<std::string> comment;
  const std::string marker = "VEK_CALL VEKnet_";
  for (std::string line; std::getline(header, line);) {
    if (line.rfind("/**", 0) == 0) comment.clear();
    comment.push_back(line);
    const std::size_t at = line.find(marker);
    if (line.rfind("VEK_API ", 0) != 0 || at == std::string::npos) continue;
    const std::size_t start = at + marker.size();
    briefs[line.substr(start, line.find('(', start) - start)] = BriefIn(comment);
  }
  return briefs;
}

std::vector<Typed> TypedOperations() {
  const std::map<std::string, std::string> briefs = Briefs();
  std::vector<Typed> all;
  for (const Operation& op : Operations(false)) {
    const auto brief = briefs.find(op.name);
    if (brief == briefs.end() || brief->second.empty()) {
      Fail(op.name + ": include/vekkestra.h has no @brief for VEKnet_" + op.name);
    }
    Typed t{op.name, op.face == "Raw", brief->second, {}};
    for (const Parameter& p : op.parameters) t.parameters.push_back(Value{RoleOf(op, p), p.name, ""});
    for (std::size_t i = 0; i < t.parameters.size(); ++i) {
      if (t.parameters[i].role != Role::kOutText) continue;
      if (i + 2 >= t.parameters.size() || t.parameters[i + 1].role != Role::kTextSize ||
          t.parameters[i + 2].role != Role::kTextLength) {
        Fail(op.name + ": a VekText is followed by its VekTextSize and its VekTextLength");
      }
      t.parameters[i].length = t.parameters[i + 2].name;
    }
    all.push_back(t);
  }
  return all;
}

// "GetAxisMaxVelocity" -> "get_axis_max_velocity", "SetAxisPID" -> "set_axis_pid",
// "GetIOBitsState" -> "get_io_bits_state", "timeoutMs" -> "timeout_ms".
std::string Snake(const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool upper = c >= 'A' && c <= 'Z';
    if (upper && i > 0) {
      const char before = name[i - 1];
      const bool afterLower = (before >= 'a' && before <= 'z') || (before >= '0' && before <= '9');
      const bool beforeLower = i + 1 < name.size() && name[i + 1] >= 'a' && name[i + 1] <= 'z';
      if (afterLower || (before >= 'A' && before <= 'Z' && beforeLower)) out += '_';
    }
    out += upper ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return out;
}

std::vector<const Value*> Outputs(const Typed& t) {
  std::vector<const Value*> outputs;
  for (const Value& v : t.parameters) {
    if (IsOutput(v.role)) outputs.push_back(&v);
  }
  return outputs;
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

// The note of a raw operation, with the layer's names of the safe forms.
std::string RawNote(const char* safeForms) {
  return std::string("Raw: the library's own motion command, outside the motion core's tracking and waits; ") +
         safeForms + " keep the safe-motion promise.";
}
constexpr char kSnakeSafeForms[] = "move(), move_axis(), jog(), home(), find_limit(), stop() and kill()";
constexpr char kPascalSafeForms[] = "Move, MoveAxis, Jog, Home, FindLimit, Stop and Kill";

constexpr std::size_t kWidth = 120;

// `text` as lines of at most kWidth characters: `first`, a space and words,
// then lines of `rest` (the same as `first` unless given), a space and words.
std::string Wrapped(const std::string& first, const std::string& text, std::string rest = "") {
  if (rest.empty()) rest = first;
  std::string out, line = first, prefix = first;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (line.size() > prefix.size() && line.size() + 1 + word.size() > kWidth) {
      out += line + "\n";
      line = prefix = rest;
    }
    line += " " + word;
    start = end + 1;
  }
  return out + line + "\n";
}

// Where a long line of code breaks: the last ", " before kWidth among those
// at the shallowest depth of parentheses (the arguments of the outermost
// call that runs past the width), outside quotes; npos when there is none.
std::size_t BreakIn(const std::string& line, std::size_t after) {
  std::size_t best = std::string::npos;
  int bestDepth = 1 << 20, depth = 0;
  bool quoted = false;
  for (std::size_t i = 0; i + 1 < line.size() && i + 2 < kWidth; ++i) {
    const char c = line[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '(' || c == '<' || c == '[') ++depth;
    const bool arrow = c == '>' && i > 0 && (line[i - 1] == '-' || line[i - 1] == '=');
    if ((c == ')' || c == '>' || c == ']') && !arrow) --depth;
    if (c == ',' && line[i + 1] == ' ' && i > after && depth <= bestDepth) {
      best = i;
      bestDepth = depth;
    }
  }
  return best;
}

// A line of code broken after commas so that no line passes kWidth; the
// lines after the first are indented `more` deeper.
std::string Broken(const std::string& line, std::size_t more) {
  const std::size_t indent = line.find_first_not_of(' ') + more;
  std::string out, rest = line;
  while (rest.size() > kWidth) {
    const std::size_t comma = BreakIn(rest, indent);
    if (comma == std::string::npos) break;
    out += rest.substr(0, comma + 1) + "\n";
    rest = std::string(indent, ' ') + rest.substr(comma + 2);
  }
  return out + rest + "\n";
}

// ---- C++ (include/vekkestra_operations.hpp) ----

std::string CppType(Role role) {
  switch (role) {
    case Role::kInt:
      return "int32_t";
    case Role::kUint:
      return "uint32_t";
    case Role::kDouble:
      return "double";
    case Role::kAxis:
      return "Axis";
    case Role::kAxes:
      return "Axes";
    case Role::kValuesIn:
      return "const std::array<int32_t, VEK_AXIS_COUNT>&";
    case Role::kOutInt:
      return "int32_t";
    case Role::kOutUint:
      return "uint32_t";
    case Role::kOutFlag:
      return "bool";
    case Role::kOutValues:
      return "std::array<int32_t, VEK_AXIS_COUNT>";
    case Role::kOutStatus:
      return "std::array<bool, 5>";
    default:
      return "std::string";
  }
}

// The local an output is read into, and what the method returns of it.
std::string CppLocal(const Value& v) {
  const std::string n = Snake(v.name);
  switch (v.role) {
    case Role::kOutInt:
      return "int32_t " + n + " = 0;";
    case Role::kOutUint:
    case Role::kOutFlag:
      return "uint32_t " + n + " = 0;";
    case Role::kOutValues:
      return "std::array<int32_t, VEK_AXIS_COUNT> " + n + "{};";
    case Role::kOutStatus:
      return "std::array<uint32_t, 5> " + n + "{};";
    case Role::kOutText:
      return "char " + n + "[256] = {};";
    case Role::kTextLength:
      return "int32_t " + n + " = 0;";
    default:
      return "";
  }
}

std::string CppResult(const Value& v) {
  const std::string n = Snake(v.name);
  switch (v.role) {
    case Role::kOutFlag:
      return n + " != 0";
    case Role::kOutStatus:
      return "flags_of(" + n + ")";
    case Role::kOutText:
      return "text_of(" + n + ", sizeof " + n + ", " + Snake(v.length) + ")";
    default:
      return n;
  }
}

std::string CppArgument(const Value& v, const std::string& text) {
  const std::string n = Snake(v.name);
  switch (v.role) {
    case Role::kAxis:
      return "bit_of(" + n + ")";
    case Role::kAxes:
      return n + ".mask()";
    case Role::kValuesIn:
    case Role::kOutValues:
    case Role::kOutStatus:
      return n + ".data()";
    case Role::kOutInt:
    case Role::kOutUint:
    case Role::kOutFlag:
    case Role::kTextLength:
      return "&" + n;
    case Role::kTextSize:
      return "static_cast<int32_t>(sizeof " + text + ")";
    default:
      return n;
  }
}

const char* CppRoleText(Role role) {
  switch (role) {
    case Role::kAxis:
      return "The axis";
    case Role::kAxes:
      return "The axes";
    case Role::kValuesIn:
      return "Ten values, slot 0 for X to slot 9 for K";
    default:
      return "The value";
  }
}

void WriteCppMethod(const Typed& t) {
  const std::vector<const Value*> outputs = Outputs(t);
  std::vector<std::string> results, declared, arguments{"core()"}, values;
  std::string text;
  std::printf("  /**\n%s   *\n", Wrapped("   * @brief", t.brief, "   *       ").c_str());
  std::printf("%s", Wrapped("   *", "VEKnet_" + t.name + "() or VEKser_" + t.name +
                                        "() on the controller's transport, through vekm_call_" + t.name + "().")
                        .c_str());
  if (t.raw) std::printf("%s", Wrapped("   *", RawNote(kSnakeSafeForms)).c_str());
  for (const Value& v : t.parameters) {
    if (v.role == Role::kOutText) text = Snake(v.name);
    arguments.push_back(CppArgument(v, text));
    if (IsOutput(v.role) || IsHidden(v.role)) continue;
    declared.push_back(CppType(v.role) + " " + Snake(v.name));
    const std::string doc = std::string(CppRoleText(v.role)) + " (`" + v.name + "` of VEKnet_" + t.name + "()).";
    std::printf("%s", Wrapped("   * @param " + Snake(v.name), doc, "   *       ").c_str());
  }
  for (const Value* v : outputs) {
    results.push_back(CppType(v->role));
    values.push_back(CppResult(*v));
  }
  std::string type = "void";
  if (outputs.size() == 1) type = results[0];
  if (outputs.size() == 2) type = "std::pair<" + Joined(results, ", ") + ">";
  if (outputs.size() > 2) type = "std::tuple<" + Joined(results, ", ") + ">";
  if (!outputs.empty()) {
    std::vector<std::string> names;
    for (const Value* v : outputs) names.push_back("`" + v->name + "`");
    std::printf(
        "%s", Wrapped("   * @return", "What the call filled in: " + Joined(names, ", ") + ".", "   *        ").c_str());
  }
  std::printf(
      "   */\n%s",
      Broken("  " + type + " " + (t.raw ? "raw_" : "") + Snake(t.name) + "(" + Joined(declared, ", ") + ") {", 4)
          .c_str());
  for (const Value& v : t.parameters) {
    if (!CppLocal(v).empty()) std::printf("    %s\n", CppLocal(v).c_str());
  }
  std::printf(
      "    VekmError error;\n%s",
      Broken("    check(vekm_call_" + t.name + "(" + Joined(arguments, ", ") + ", &error), error);", 6).c_str());
  if (outputs.size() == 1) std::printf("    return %s;\n", values[0].c_str());
  if (outputs.size() > 1) std::printf("    return {%s};\n", Joined(values, ", ").c_str());
  std::printf("  }\n");
}

}  // namespace

void WriteCppOperations() {
  std::printf(
      "/**\n"
      " * @file vekkestra_operations.hpp\n"
      " * @brief Every operation of the command set as a typed method of vek::Controller: vek::Operations, which\n"
      " *        vekkestra.hpp includes (include that one).\n"
      " *\n"
      " * Each method calls the motion core's vekm_call_<Name>, which picks the controller's transport, holds its\n"
      " * lock and recovers from lost replies; a failure throws the class of its VekmError's kind (vek::Error and\n"
      " * the others of vekkestra.hpp). What the call fills in is returned. The operations that set axes moving or\n"
      " * stop them are here only as raw_<name>: the controller's move(), jog(), home(), find_limit(), stop() and\n"
      " * kill() are their safe forms. Written by vek_export_list from the library's operation table and the\n"
      " * briefs of vekkestra.h; do not edit.\n"
      " */\n"
      "#ifndef VEKKESTRA_OPERATIONS_HPP\n"
      "#define VEKKESTRA_OPERATIONS_HPP\n\n"
      "#ifndef VEKKESTRA_HPP\n"
      "#error \"include vekkestra.hpp, which includes vekkestra_operations.hpp\"\n"
      "#endif\n\n"
      "#include <array>\n#include <cstddef>\n#include <cstdint>\n#include <string>\n#include <tuple>\n"
      "#include <utility>\n\n"
      "#include \"vekkestra_motion_calls.h\"\n\n"
      "namespace vek {\n\n"
      "/**\n"
      " * @brief The operations of the command set, typed; vek::Controller is one.\n"
      " * @tparam Self The class that holds the core's controller (native_handle()).\n"
      " */\n"
      "template <class Self>\n"
      "class Operations {\n"
      " public:\n");
  for (const Typed& t : TypedOperations()) WriteCppMethod(t);
  std::printf(
      "\n protected:\n"
      "  /** @brief Made only as a part of Self. */\n"
      "  Operations() = default;\n"
      "  /** @brief Destroyed only as a part of Self. */\n"
      "  ~Operations() = default;\n\n"
      " private:\n"
      "  VekmController* core() const noexcept { return static_cast<const Self*>(this)->native_handle(); }\n\n"
      "  // An axis outside the ten throws std::invalid_argument before anything is sent.\n"
      "  static int32_t bit_of(Axis axis) { return static_cast<int32_t>(1 << index_of(axis)); }\n\n"
      "  static std::array<bool, 5> flags_of(const std::array<uint32_t, 5>& flags) noexcept {\n"
      "    return {flags[0] != 0, flags[1] != 0, flags[2] != 0, flags[3] != 0, flags[4] != 0};\n"
      "  }\n\n"
      "  // The library never counts past the buffer; a length outside it is cut to it.\n"
      "  static std::string text_of(const char* text, std::size_t size, int32_t length) {\n"
      "    const std::size_t used = length < 0 ? 0 : static_cast<std::size_t>(length);\n"
      "    return std::string(text, used < size ? used : size);\n"
      "  }\n"
      "};\n\n"
      "}  // namespace vek\n\n"
      "#endif  // VEKKESTRA_OPERATIONS_HPP\n");
}

namespace {

// ---- Python (bindings/python/vekkestra/_operations.py) ----

std::string PythonAnnotation(Role role) {
  switch (role) {
    case Role::kInt:
    case Role::kUint:
    case Role::kOutInt:
    case Role::kOutUint:
      return "int";
    case Role::kDouble:
      return "float";
    case Role::kAxis:
      return "Axis";
    case Role::kAxes:
      return "Axes";
    case Role::kValuesIn:
      return "Sequence[int]";
    case Role::kOutFlag:
      return "bool";
    case Role::kOutValues:
      return "List[int]";
    case Role::kOutStatus:
      return "Tuple[bool, bool, bool, bool, bool]";
    default:
      return "str";
  }
}

// An input as the method converts it, or the marker of an output.
std::string PythonArgument(const Value& v) {
  const std::string n = Snake(v.name);
  switch (v.role) {
    case Role::kInt:
      return "int32(" + n + ", \"" + n + "\")";
    case Role::kUint:
      return "uint32(" + n + ", \"" + n + "\")";
    case Role::kDouble:
      return "number(" + n + ", \"" + n + "\")";
    case Role::kAxis:
      return "axis_bit(" + n + ")";
    case Role::kAxes:
      return "axis_mask(" + n + ")";
    case Role::kValuesIn:
      return "ten_values(" + n + ", \"" + n + "\")";
    case Role::kOutInt:
      return "OUT_I32";
    case Role::kOutUint:
      return "OUT_U32";
    case Role::kOutFlag:
      return "OUT_FLAG";
    case Role::kOutValues:
      return "OUT_VALUES";
    case Role::kOutStatus:
      return "OUT_STATUS";
    default:
      return "OUT_TEXT";
  }
}

void WritePythonMethod(const Typed& t) {
  std::vector<std::string> declared{"self"}, arguments{"\"" + t.name + "\""}, results;
  for (const Value& v : t.parameters) {
    if (IsHidden(v.role)) continue;
    arguments.push_back(PythonArgument(v));
    if (IsOutput(v.role)) {
      results.push_back(PythonAnnotation(v.role));
    } else {
      declared.push_back(Snake(v.name) + ": " + PythonAnnotation(v.role));
    }
  }
  std::string type = results.empty()       ? "None"
                     : results.size() == 1 ? results[0]
                                           : "Tuple[" + Joined(results, ", ") + "]";
  std::printf("\n%s", Broken(std::string("    def ") + (t.raw ? "raw_" : "") + Snake(t.name) + "(" +
                                 Joined(declared, ", ") + ") -> " + type + ":",
                             8)
                          .c_str());
  std::string doc = Wrapped("       ", "\"\"\"" + t.brief, "        ") + "\n" +
                    Wrapped("       ", "``VEKnet_" + t.name + "`` or ``VEKser_" + t.name +
                                           "`` through the motion core (vekkestra.h).");
  if (t.raw) doc += Wrapped("       ", RawNote(kSnakeSafeForms));
  std::printf("%s        \"\"\"\n%s", doc.c_str(),
              Broken(std::string("        ") + (results.empty() ? "" : "return ") + "self._operation(" +
                         Joined(arguments, ", ") + ")",
                     4)
                  .c_str());
}

}  // namespace

void WritePythonTyped() {
  std::printf(
      "\"\"\"Every operation of the command set as a method of ``Controller``, typed:\n"
      "the arguments checked and converted (an axis by letter or bit, a set of\n"
      "axes by letters, a list or a mask), what the call fills in returned.\n"
      "Each calls the motion core's ``vekm_call_<Name>`` (lock, transport,\n"
      "recovery from lost replies); a failure raises the exception of its kind.\n"
      "The operations that set axes moving or stop them are here only as\n"
      "``raw_<name>``: ``move``, ``jog``, ``home``, ``find_limit``, ``stop`` and\n"
      "``kill`` are their safe forms.\n\n"
      "Written by vek_export_list from the library's operation table and the\n"
      "briefs of vekkestra.h; do not edit.\n"
      "\"\"\"\n\n"
      "from typing import Any, List, Sequence, Tuple\n\n"
      "from ._typed import OUT_FLAG, OUT_I32, OUT_STATUS, OUT_TEXT, OUT_U32, OUT_VALUES, ten_values\n"
      "from ._values import Axes, Axis, axis_bit, axis_mask, int32, number, uint32\n\n\n"
      "class Operations:\n"
      "    \"\"\"The operations of the command set; ``Controller`` is one.\"\"\"\n\n"
      "    def _operation(self, operation: str, *arguments: Any) -> Any:\n"
      "        raise NotImplementedError\n");
  for (const Typed& t : TypedOperations()) WritePythonMethod(t);
}

namespace {

// ---- C# (bindings/dotnet/Operations.g.cs) ----

std::string CsharpType(Role role) {
  switch (role) {
    case Role::kInt:
    case Role::kOutInt:
      return "int";
    case Role::kUint:
    case Role::kOutUint:
      return "uint";
    case Role::kDouble:
      return "double";
    case Role::kAxis:
      return "Axis";
    case Role::kAxes:
      return "IEnumerable<Axis>";
    case Role::kValuesIn:
    case Role::kOutValues:
      return "int[]";
    case Role::kOutFlag:
      return "bool";
    case Role::kOutStatus:
      return "bool[]";
    default:
      return "string";
  }
}

std::string CsharpLocal(const Value& v) {
  const std::string& n = v.name;
  switch (v.role) {
    case Role::kOutInt:
    case Role::kTextLength:
      return "int " + n + " = 0;";
    case Role::kOutUint:
    case Role::kOutFlag:
      return "uint " + n + " = 0;";
    case Role::kOutValues:
      return "var " + n + " = new int[NativeMotion.VEK_AXIS_COUNT];";
    case Role::kOutStatus:
      return "var " + n + " = new uint[5];";
    case Role::kOutText:
      return "var " + n + " = new byte[AnswerSize];";
    default:
      return "";
  }
}

std::string CsharpArgument(const Value& v, const std::string& text) {
  const std::string& n = v.name;
  switch (v.role) {
    case Role::kAxis:
      return "Axes.Bit(" + n + ")";
    case Role::kAxes:
      return "Axes.Mask(" + n + ")";
    case Role::kValuesIn:
      return "Axes.Ten(" + n + ", \"" + n + "\")";
    case Role::kOutInt:
    case Role::kOutUint:
    case Role::kOutFlag:
    case Role::kTextLength:
      return "out " + n;
    case Role::kTextSize:
      return text + ".Length";
    default:
      return n;
  }
}

std::string CsharpResult(const Value& v) {
  switch (v.role) {
    case Role::kOutFlag:
      return v.name + " != 0";
    case Role::kOutStatus:
      return "Array.ConvertAll(" + v.name + ", flag => flag != 0)";
    case Role::kOutText:
      return "Text(" + v.name + ", " + v.length + ")";
    default:
      return v.name;
  }
}

// The brief as XML text.
std::string Xml(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
  return out;
}

// What the items of a tuple of results are.
std::string Items(const std::vector<std::string>& results) {
  if (results.size() < 2) return "";
  std::vector<std::string> items;
  for (std::size_t i = 0; i < results.size(); ++i) {
    items.push_back("Item" + std::to_string(i + 1) + " is " + results[i].substr(results[i].rfind(' ') + 1));
  }
  return " Returns a Tuple: " + Joined(items, ", ") + ".";
}

void WriteCsharpMethod(const Typed& t) {
  std::vector<std::string> declared, arguments{"c"}, results, values;
  std::string text;
  for (const Value& v : t.parameters) {
    if (v.role == Role::kOutText) text = v.name;
    arguments.push_back(CsharpArgument(v, text));
    if (IsOutput(v.role)) {
      results.push_back(CsharpType(v.role) + " " + v.name);
      values.push_back(CsharpResult(v));
    } else if (!IsHidden(v.role)) {
      declared.push_back(CsharpType(v.role) + " " + v.name);
    }
  }
  arguments.push_back("out e");
  std::string type = "void";
  if (results.size() == 1) type = results[0].substr(0, results[0].rfind(' '));
  // Several results as a System.Tuple, in the row's order (the binding keeps to .NET Framework 4.5).
  std::vector<std::string> types;
  for (const std::string& r : results) types.push_back(r.substr(0, r.rfind(' ')));
  if (results.size() > 1) type = "Tuple<" + Joined(types, ", ") + ">";
  std::printf("\n%s", Wrapped("        ///", "<summary>" + Xml(t.brief) + "</summary>").c_str());
  std::printf(
      "%s", Wrapped("        ///", "<remarks>VEKnet_" + t.name + " or VEKser_" + t.name + " through the motion core." +
                                       Items(results) + (t.raw ? " " + RawNote(kPascalSafeForms) : "") + "</remarks>")
                .c_str());
  std::printf("%s        {\n", Broken(std::string("        public ") + type + " " + (t.raw ? "Raw" : "") + t.name +
                                          "(" + Joined(declared, ", ") + ")",
                                      4)
                                   .c_str());
  for (const Value& v : t.parameters) {
    if (!CsharpLocal(v).empty()) std::printf("            %s\n", CsharpLocal(v).c_str());
  }
  std::printf("            Run(default(CancellationToken),\n%s",
              Broken("                (IntPtr c, out VekmError e) => NativeMotion.vekm_call_" + t.name + "(" +
                         Joined(arguments, ", ") + "));",
                     4)
                  .c_str());
  if (values.size() == 1) std::printf("            return %s;\n", values[0].c_str());
  if (values.size() > 1) std::printf("            return Tuple.Create(%s);\n", Joined(values, ", ").c_str());
  std::printf("        }\n");
}

}  // namespace

void WriteCsharpOperations() {
  std::printf(
      "// VekKestra for .NET: every operation of the command set as a typed method of Controller. Each calls the\n"
      "// motion core's vekm_call_<Name> (lock, transport, recovery from lost replies) and throws the exception of\n"
      "// its VekmError's kind; what the call fills in is returned. The operations that set axes moving or stop them\n"
      "// are here only as Raw<Name>: Move, Jog, Home, FindLimit, Stop and Kill are their safe forms. Written by\n"
      "// vek_export_list from the library's operation table and the briefs of vekkestra.h; do not edit.\n"
      "using System;\n"
      "using System.Collections.Generic;\n"
      "using System.Threading;\n\n"
      "namespace VekKestra\n{\n"
      "    public sealed partial class Controller\n    {");
  for (const Typed& t : TypedOperations()) WriteCsharpMethod(t);
  std::printf("    }\n}\n");
}

}  // namespace vek::listing
