// A build tool, not part of the library: writes the rows of
// commands/operations.h out in the forms other parts of the product keep in
// their own language, so that none of them lists the exports by hand.
//
//   vek_export_list def        the Windows export list (cmake/VekKestra.def)
//   vek_export_list python     the ctypes signatures and result codes
//                              (bindings/python/vekkestra/_exports.py)
//   vek_export_list csharp-native  the C# binding's native part, whole
//                              (bindings/dotnet/Native.g.cs): the exports,
//                              the motion core's functions, its structs and
//                              constants, and the result codes
//   vek_export_list version    the Python package's version module
//                              (bindings/python/vekkestra/_version.py)
//   vek_export_list motion-calls  the motion core's vekm_call_<Name> declarations
//                              (include/vekkestra_motion_calls.h)
//   vek_export_list cpp-operations     every operation as a typed method of
//                              vek::Controller (include/vekkestra_operations.hpp)
//   vek_export_list python-operations  the same for the Python package
//                              (bindings/python/vekkestra/_operations.py)
//   vek_export_list csharp-operations  the same for the C# binding
//                              (bindings/dotnet/Operations.g.cs)
//
// The typed methods' documentation is the @brief of each operation in
// include/vekkestra.h: the header documents every export once already, and a
// second text in the rows would drift from it. An operation without one stops
// this tool.
//
// The build compares each output with the committed file and stops when they
// differ; `cmake --build <build> --target update-generated` writes them.
#include "commands/export_list.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "commands/operations.h"
#include "commands/row_text.h"
#include "vekkestra_motion.h"
#include "vekkestra_motion_calls.h"
#include "vekkestra_version.h"

namespace vek::listing {
namespace {

struct Export {
  std::string result;  // C type
  std::string name;
  std::vector<Parameter> parameters;  // the handle included
};

using rows::Columns;

std::vector<Parameter> PairsFrom(const std::vector<std::string>& columns, std::size_t first) {
  std::vector<Parameter> pairs;
  for (std::size_t i = first; i < columns.size(); ++i) {
    const rows::Pair pair = rows::PairOf(columns[i]);
    pairs.push_back(Parameter{pair.type, pair.name});
  }
  return pairs;
}

Operation OperationOf(const char* name, const char* columns) {
  const std::vector<std::string> all = Columns(columns);
  return Operation{name, all.at(0), all.at(1), PairsFrom(all, 2)};
}

}  // namespace

std::vector<Operation> Operations(bool withExchange) {
  std::vector<Operation> all;
#define VEK_LIST_OPERATION(Name, ...) all.push_back(OperationOf(#Name, #__VA_ARGS__));
  if (withExchange) {
    VEK_EXCHANGE_OPERATIONS(VEK_LIST_OPERATION)
  }
  VEK_OPERATIONS(VEK_LIST_OPERATION)
#undef VEK_LIST_OPERATION
  return all;
}

namespace {

// The exports whose twins differ, and the utilities (VEK_OTHER_EXPORTS).
std::vector<Export> OtherExports() {
  std::vector<Export> others;
#define VEK_LIST_OTHER(Result, ...) \
  others.push_back(Export{#Result, Columns(#__VA_ARGS__).at(0), PairsFrom(Columns(#__VA_ARGS__), 1)});
  VEK_OTHER_EXPORTS(VEK_LIST_OTHER)
#undef VEK_LIST_OTHER
  return others;
}

std::vector<Export> AllExports() {
  std::vector<Export> all;
  for (const Operation& op : Operations(true)) {
    for (const char* prefix : {"VEKnet_", "VEKser_"}) {
      Export e{"uint32_t", std::string(prefix) + op.name, {Parameter{"uint32_t*", "handle"}}};
      for (const Parameter& p : op.parameters) e.parameters.push_back(p);
      all.push_back(e);
    }
  }
  const std::vector<Export> others = OtherExports();
  all.insert(all.begin(), others.begin(), others.end());
  return all;
}

// Bytes a 32-bit stdcall caller pushes for a parameter.
int StackBytes(const std::string& type) { return type == "double" ? 8 : 4; }

void WriteDef() {
  std::vector<std::string> lines;
  for (const Export& e : AllExports()) {
    int bytes = 0;
    for (const Parameter& p : e.parameters) bytes += StackBytes(p.type);
    lines.push_back("  " + e.name + "@" + std::to_string(bytes));
  }
  std::sort(lines.begin(), lines.end());
  std::printf(
      "; The DLL's exports: undecorated names in the export table. The @N is the\n"
      "; bytes of arguments a 32-bit stdcall caller pushes; the import libraries\n"
      "; map the decorated name a caller references to the undecorated export.\n"
      "; Written by vek_export_list from commands/operations.h; do not edit.\n"
      "LIBRARY VekKestra.dll\n"
      "EXPORTS\n");
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
}

// How each type of the rows reads in C and in the bindings' declarations:
// the C type an alias stands for, ctypes, then C# (a single result by
// reference, several values as an array).
struct Spelling {
  const char* c;
  const char* plain;
  const char* ctypes;
  const char* csharp;
};
constexpr Spelling kSpellings[] = {
    {"void", "void", "VOID", "void"},
    {"uint32_t", "uint32_t", "U32", "uint"},
    {"int32_t", "int32_t", "I32", "int"},
    {"double", "double", "F64", "double"},
    {"const char*", "const char*", "CSTR", "string"},
    {"char*", "char*", "CHARP", "byte[]"},
    {"uint32_t*", "uint32_t*", "PU32", "out uint"},
    {"int32_t*", "int32_t*", "PI32", "out int"},
    {"const int32_t*", "const int32_t*", "PI32", "int[]"},
    {"VekAxis", "int32_t", "I32", "int"},
    {"VekAxes", "int32_t", "I32", "int"},
    {"VekFlag", "uint32_t*", "PU32", "out uint"},
    {"VekValueList", "int32_t*", "PI32", "int[]"},
    {"VekEncoderStatus", "uint32_t*", "PU32", "uint[]"},
    {"VekText", "char*", "CHARP", "byte[]"},
    {"VekTextSize", "int32_t", "I32", "int"},
    {"VekTextLength", "int32_t*", "PI32", "out int"},
    // The motion core's (C# only).
    {"uint64_t", "uint64_t", "", "ulong"},
    {"void*", "void*", "", "IntPtr"},
    {"VekmController*", "VekmController*", "", "IntPtr"},
    {"VekmController**", "VekmController**", "", "out IntPtr"},
    {"VekmError*", "VekmError*", "", "out VekmError"},
    {"VekmValues", "int32_t*", "", "int[]"},
    {"VekmConstValues", "const int32_t*", "", "int[]"},
    {"VekmVelocities", "const double*", "", "double[]"},
    {"VekmStates", "VekmAxisState*", "", "VekmAxisState[]"},
    {"VekmText", "char*", "", "byte[]"},
    {"VekmHandleCall", "VekmHandleCall", "", "VekmHandleCall"},
};

const Spelling& SpellingOf(const std::string& type) {
  for (const Spelling& spelling : kSpellings) {
    if (type == spelling.c) return spelling;
  }
  std::fprintf(stderr, "vek_export_list: no binding type for \"%s\"\n", type.c_str());
  std::exit(1);
}

const char* CtypesOf(const std::string& type) { return SpellingOf(type).ctypes; }

std::string TupleOf(const std::vector<Parameter>& parameters) {
  std::string text = "(";
  for (const Parameter& p : parameters) text += std::string(CtypesOf(p.type)) + ", ";
  if (parameters.size() == 1) return text.substr(0, text.size() - 1) + ")";  // (I32,)
  return (text.size() > 1 ? text.substr(0, text.size() - 2) : text) + ")";
}

void WritePythonOperations() {
  std::printf("# (name without prefix, argument types after the handle); all return a result.\nOPERATIONS = (\n");
  for (const Operation& op : Operations(true)) {
    std::printf("    (\"%s\", %s),\n", op.name.c_str(), TupleOf(op.parameters).c_str());
  }
  std::printf(
      ")\n\n# The exports whose twins differ, and the utilities: (name, result, argument types).\nOTHERS = (\n");
  for (const Export& e : OtherExports()) {
    std::printf("    (\"%s\", %s, %s),\n", e.name.c_str(), CtypesOf(e.result), TupleOf(e.parameters).c_str());
  }
  std::printf(")\n\n# The result codes, name and number, in the header's order.\nRESULT_CODES = (\n");
#define VEK_PY_CODE(Code) std::printf("    (\"%s\", %u),\n", #Code, static_cast<unsigned>(Code));
  VEK_RESULT_CODES(VEK_PY_CODE)
#undef VEK_PY_CODE
  std::printf(")\n");
}

void WritePython() {
  std::printf(
      "\"\"\"The library's exports and their C signatures, for ctypes, and its result\n"
      "codes.\n\n"
      "Written by vek_export_list from the library's operation table; do not\n"
      "edit. Every operation of the command set exists twice, as ``VEKnet_<Name>``\n"
      "and ``VEKser_<Name>`` with the same arguments, so those are listed once.\n"
      "\"\"\"\n\n"
      "import ctypes\n"
      "from typing import Any, Iterator, Optional, Sequence, Tuple\n\n"
      "U32 = ctypes.c_uint32\n"
      "I32 = ctypes.c_int32\n"
      "F64 = ctypes.c_double\n"
      "CSTR = ctypes.c_char_p  # NUL-terminated text the library reads\n"
      "CHARP = ctypes.c_char_p  # a caller's buffer the library writes\n"
      "PU32 = ctypes.POINTER(ctypes.c_uint32)\n"
      "PI32 = ctypes.POINTER(ctypes.c_int32)\n"
      "VOID = None\n\n");
  WritePythonOperations();
  std::printf(
      "\n\n"
      "def all_signatures() -> Iterator[Tuple[str, Optional[Any], Sequence[Any]]]:\n"
      "    \"\"\"Yields (export name, result type, argument types) for all %zu exports.\"\"\"\n"
      "    yield from OTHERS\n"
      "    for prefix in (\"VEKnet_\", \"VEKser_\"):\n"
      "        for name, args in OPERATIONS:\n"
      "            yield prefix + name, U32, (PU32,) + args\n",
      AllExports().size());
}

// ---- The C# binding's native part (bindings/dotnet/Native.g.cs) ----

// Pointer parameters of the motion core that hold ten values or are the
// caller's buffer, so that the binding can tell them from a single result:
// the header's types under names that say so.
using VekmValues = int32_t*;             // ten values, slot i for axis i
using VekmConstValues = const int32_t*;  // the same, read
using VekmVelocities = const double*;    // ten velocities, read
using VekmStates = VekmAxisState*;       // ten axis states
using VekmText = char*;                  // the caller's text buffer, its size beside it

// The core's own functions, as vekkestra_motion.h declares them (the
// vekm_call_<Name> ones come from the operation table). Checked below against
// the header at compile time: a row that differs stops the build.
// clang-format off
#define VEKM_CORE_FUNCTIONS(FN)                                                                                       \
  FN(const char*, vekm_version)                                                                                       \
  FN(const char*, vekm_result_name,   (uint32_t, code))                                                               \
  FN(int32_t,     vekm_result_kind,   (uint32_t, code))                                                               \
  FN(const char*, vekm_result_text,   (uint32_t, code))                                                               \
  FN(const char*, vekm_kind_name,     (int32_t, kind))                                                                \
  FN(int32_t,     vekm_result_count)                                                                                  \
  FN(uint32_t,    vekm_result_at,     (int32_t, index))                                                               \
  FN(uint32_t,    vekm_open_tcp,      (const char*, host), (int32_t, port), (VekmController**, controller),           \
                                      (VekmError*, error))                                                            \
  FN(uint32_t,    vekm_open_serial,   (int32_t, com), (int32_t, baud), (VekmController**, controller),                \
                                      (VekmError*, error))                                                            \
  FN(void,        vekm_close,         (VekmController*, controller))                                                  \
  FN(void,        vekm_free,          (VekmController*, controller))                                                  \
  FN(int32_t,     vekm_is_open,       (VekmController*, controller))                                                  \
  FN(int32_t,     vekm_is_serial,     (VekmController*, controller))                                                  \
  FN(void,        vekm_describe,      (VekmController*, controller), (VekmText, text), (int32_t, size))               \
  FN(uint32_t,    vekm_move,          (VekmController*, controller), (int32_t, axes), (VekmConstValues, targets),     \
                                      (int32_t, options), (int32_t, timeout_ms), (VekmError*, error))                 \
  FN(uint32_t,    vekm_move_axis,     (VekmController*, controller), (int32_t, axis), (int32_t, target),              \
                                      (int32_t, options), (int32_t, timeout_ms), (VekmError*, error))                 \
  FN(uint32_t,    vekm_home,          (VekmController*, controller), (int32_t, axis), (int32_t, value),               \
                                      (int32_t, options), (int32_t, timeout_ms), (VekmError*, error))                 \
  FN(uint32_t,    vekm_find_limit,    (VekmController*, controller), (int32_t, axis), (int32_t, velocity),            \
                                      (int32_t, options), (int32_t, timeout_ms), (VekmError*, error))                 \
  FN(uint32_t,    vekm_jog,           (VekmController*, controller), (int32_t, axes), (VekmVelocities, velocities),   \
                                      (VekmError*, error))                                                            \
  FN(uint32_t,    vekm_stop,          (VekmController*, controller), (int32_t, axes), (VekmError*, error))            \
  FN(uint32_t,    vekm_kill,          (VekmController*, controller), (int32_t, axes), (VekmError*, error))            \
  FN(uint32_t,    vekm_wait,          (VekmController*, controller), (int32_t, axes), (int32_t, options),             \
                                      (int32_t, timeout_ms), (VekmError*, error))                                     \
  FN(int32_t,     vekm_moving,        (VekmController*, controller))                                                  \
  FN(uint64_t,    vekm_mark,          (VekmController*, controller))                                                  \
  FN(int32_t,     vekm_moving_since,  (VekmController*, controller), (uint64_t, mark), (int32_t, this_thread_only))   \
  FN(void,        vekm_cancel,        (VekmController*, controller))                                                  \
  FN(void,        vekm_interrupt,     (int32_t, signal_number))                                                       \
  FN(uint32_t,    vekm_interrupt_count)                                                                               \
  FN(uint32_t,    vekm_catch_signals)                                                                                 \
  FN(uint32_t,    vekm_poll,          (VekmController*, controller), (VekmStates, states), (uint32_t*, word),         \
                                      (VekmError*, error))                                                            \
  FN(uint32_t,    vekm_status_word,   (VekmController*, controller), (uint32_t*, word), (VekmError*, error))          \
  FN(uint32_t,    vekm_positions,     (VekmController*, controller), (VekmValues, motor), (VekmValues, encoder),      \
                                      (VekmError*, error))                                                            \
  FN(uint32_t,    vekm_enable_slip_detection, (VekmController*, controller), (int32_t, axes), (int32_t, tolerance),   \
                                      (VekmError*, error))                                                            \
  FN(uint32_t,    vekm_send,          (VekmController*, controller), (const char*, text), (VekmError*, error))        \
  FN(uint32_t,    vekm_query,         (VekmController*, controller), (const char*, text), (VekmText, answer),         \
                                      (int32_t, size), (VekmError*, error))                                           \
  FN(uint32_t,    vekm_with_handle,   (VekmController*, controller), (const char*, operation),                        \
                                      (VekmHandleCall, call), (void*, context), (VekmError*, error))

// The structs' fields in the header's order.
#define VEKM_ERROR_FIELDS(F)                                                                                          \
  F(uint32_t, code) F(int32_t, kind) F(int32_t, axis) F(int32_t, axis_index) F(int32_t, position)                     \
  F(int32_t, position_read) F(int32_t, signal) F(int32_t, stopped) F(char[64], operation) F(char[40], name)          \
  F(char[256], detail) F(char[256], hint) F(char[640], message)
#define VEKM_AXIS_STATE_FIELDS(F)                                                                                     \
  F(int32_t, state) F(int32_t, flags) F(int32_t, motor) F(int32_t, encoder) F(int32_t, target) F(int32_t, direction)

// The headers' constants that the C# layer uses, by name: the headers give the values.
#define VEKM_CONSTANTS(C)                                                                                             \
  C(VEK_AXIS_COUNT) C(VEK_ALL_AXES) C(VEKM_DEFAULT_TIMEOUT_MS)                                                        \
  C(VEKM_KIND_NONE) C(VEKM_KIND_OTHER) C(VEKM_KIND_TIMEOUT) C(VEKM_KIND_CONNECTION) C(VEKM_KIND_CLOSED)              \
  C(VEKM_KIND_LIMIT) C(VEKM_KIND_SLIP) C(VEKM_KIND_INTERRUPTED) C(VEKM_KIND_CANCELLED) C(VEKM_KIND_ARGUMENT)         \
  C(VEKM_RELATIVE) C(VEKM_KEEP_MOVING) C(VEKM_IN_POSITION) C(VEKM_HOME_EDGE) C(VEKM_HOME_RESET)                      \
  C(VEKM_STATE_AT_REST) C(VEKM_STATE_MOVING) C(VEKM_STATE_LIMIT) C(VEKM_STATE_SLIP) C(VEKM_STATE_REFUSED)            \
  C(VEKM_AXIS_HOME_SWITCH) C(VEKM_AXIS_PID) C(VEKM_AXIS_SLIP_DETECTION) C(VEKM_AXIS_OURS) C(VEKM_AXIS_ENDED)         \
  C(VEKM_AXIS_SHORT) C(VEKM_AXIS_HAS_TARGET)
// The core's result codes after the library's (VEK_RESULT_CODES).
#define VEKM_RESULT_CODES(CODE)                                                                                       \
  CODE(VEKM_LIMIT) CODE(VEKM_SLIP) CODE(VEKM_INTERRUPTED) CODE(VEKM_CANCELLED) CODE(VEKM_CLOSED) CODE(VEKM_BAD_ARGUMENT)
#define VEK_AXIS_LETTERS(A) A(X) A(Y) A(Z) A(T) A(U) A(V) A(R) A(S) A(W) A(K)
// clang-format on

#define VEKM_SAME_FUNCTION(Result, ...)                                                                               \
  static_assert(                                                                                                      \
      std::is_same_v<decltype(&VEK_FIRST(__VA_ARGS__)), Result(VEKM_CALL*)(VEK_LIST(VEK_PAIR_TYPE, ~, __VA_ARGS__))>, \
      VEK_STRING(VEK_FIRST(__VA_ARGS__)) ": the row differs from vekkestra_motion.h");
VEKM_CORE_FUNCTIONS(VEKM_SAME_FUNCTION)
#undef VEKM_SAME_FUNCTION

// Fields that follow one another without a gap and fill the struct: the C#
// struct, laid out sequentially, is then the C one.
template <class Struct, std::size_t N>
constexpr bool Packed(const std::size_t (&offsets)[N], const std::size_t (&sizes)[N]) {
  std::size_t next = 0;
  for (std::size_t i = 0; i < N; ++i) {
    if (offsets[i] != next) return false;
    next += sizes[i];
  }
  return next == sizeof(Struct);
}
#define VEKM_ERROR_SAME(Type, name) \
  static_assert(std::is_same_v<decltype(VekmError::name), Type>, "VekmError::" #name ": the row differs");
#define VEKM_STATE_SAME(Type, name) \
  static_assert(std::is_same_v<decltype(VekmAxisState::name), Type>, "VekmAxisState::" #name ": the row differs");
VEKM_ERROR_FIELDS(VEKM_ERROR_SAME)
VEKM_AXIS_STATE_FIELDS(VEKM_STATE_SAME)
#undef VEKM_ERROR_SAME
#undef VEKM_STATE_SAME
#define VEKM_ERROR_OFFSET(Type, name) offsetof(VekmError, name),
#define VEKM_STATE_OFFSET(Type, name) offsetof(VekmAxisState, name),
#define VEKM_FIELD_SIZE(Type, name)   sizeof(Type),
constexpr std::size_t kErrorOffsets[] = {VEKM_ERROR_FIELDS(VEKM_ERROR_OFFSET)};
constexpr std::size_t kErrorSizes[] = {VEKM_ERROR_FIELDS(VEKM_FIELD_SIZE)};
constexpr std::size_t kStateOffsets[] = {VEKM_AXIS_STATE_FIELDS(VEKM_STATE_OFFSET)};
constexpr std::size_t kStateSizes[] = {VEKM_AXIS_STATE_FIELDS(VEKM_FIELD_SIZE)};
static_assert(Packed<VekmError>(kErrorOffsets, kErrorSizes), "VekmError: the rows leave out a field");
static_assert(Packed<VekmAxisState>(kStateOffsets, kStateSizes), "VekmAxisState: the rows leave out a field");
#undef VEKM_ERROR_OFFSET
#undef VEKM_STATE_OFFSET
#undef VEKM_FIELD_SIZE

constexpr char kDllImport[] =
    "        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] ";

std::string CsharpResult(const std::string& type) {
  // A text the library keeps: read with Marshal.PtrToStringAnsi, never freed by the marshaller.
  return type == "char*" || type == "const char*" ? "IntPtr" : SpellingOf(type).csharp;
}

std::string CsharpParameters(const std::vector<Parameter>& parameters) {
  std::string text;
  for (const Parameter& p : parameters) {
    if (!text.empty()) text += ", ";
    const bool handle = p.name == "handle" && p.type == "uint32_t*";
    text += std::string(handle ? "ref uint" : SpellingOf(p.type).csharp) + " " + p.name;
  }
  return text;
}

void WriteDeclaration(const std::string& result, const std::string& name, const std::vector<Parameter>& parameters) {
  std::printf("%spublic static extern %s %s(%s);\n", kDllImport, CsharpResult(result).c_str(), name.c_str(),
              CsharpParameters(parameters).c_str());
}

// The library's exports: the utilities, then each transport's together.
void WriteCsharpExports() {
  std::vector<Export> all = AllExports();
  auto group = [](const Export& e) {
    return e.name.rfind("VEKnet_", 0) == 0 ? 1 : e.name.rfind("VEKser_", 0) == 0 ? 2 : 0;
  };
  std::stable_sort(all.begin(), all.end(), [&group](const Export& a, const Export& b) { return group(a) < group(b); });
  std::printf(
      "    /// <summary>The %zu exports of vekkestra.h, one to a line, with the header's parameter names. A handle is\n"
      "    /// the application's connection variable, passed by reference; answer buffers are byte arrays with their\n"
      "    /// size.</summary>\n"
      "    public static class Native\n    {\n        public const string Library = \"vekkestra\";\n\n",
      all.size());
  for (const Export& e : all) WriteDeclaration(e.result, e.name, e.parameters);
  std::printf("    }\n");
}

void WriteCsharpEnums() {
  std::printf(
      "\n    /// <summary>The ten axes in the controller's order; each value is the axis bit of "
      "vekkestra.h.</summary>\n"
      "    public enum Axis\n    {\n");
#define VEK_CS_AXIS(Letter) std::printf("        %s = %d,\n", #Letter, static_cast<int>(VEK_AXIS_##Letter));
  VEK_AXIS_LETTERS(VEK_CS_AXIS)
#undef VEK_CS_AXIS
  std::printf(
      "    }\n\n"
      "    /// <summary>The result codes: the library's (vekkestra.h), then the motion core's\n"
      "    /// (vekkestra_motion.h).</summary>\n"
      "    public enum Result : uint\n    {\n");
#define VEK_CS_CODE(Code) std::printf("        %s = %u,\n", #Code, static_cast<unsigned>(Code));
  VEK_RESULT_CODES(VEK_CS_CODE)
  VEKM_RESULT_CODES(VEK_CS_CODE)
#undef VEK_CS_CODE
  std::printf("    }\n");
}

void WriteField(const char* type, const char* name, std::size_t size) {
  const std::string c = type;
  if (c.rfind("char[", 0) == 0) {
    std::printf("        [MarshalAs(UnmanagedType.ByValTStr, SizeConst = %zu)] public string %s;\n", size, name);
  } else {
    std::printf("        public %s %s;\n", SpellingOf(c).csharp, name);
  }
}

void WriteCsharpStructs() {
  std::printf(
      "\n    /// <summary>What went wrong, as vekkestra_motion.h describes it: filled by every function of the core\n"
      "    /// that takes one.</summary>\n"
      "    [StructLayout(LayoutKind.Sequential, CharSet = CharSet.Ansi)]\n"
      "    public struct VekmError\n    {\n");
#define VEKM_CS_FIELD(Type, name) WriteField(#Type, #name, sizeof(Type));
  VEKM_ERROR_FIELDS(VEKM_CS_FIELD)
  std::printf(
      "    }\n\n"
      "    /// <summary>One axis as vekm_poll() saw it.</summary>\n"
      "    [StructLayout(LayoutKind.Sequential)]\n"
      "    public struct VekmAxisState\n    {\n");
  VEKM_AXIS_STATE_FIELDS(VEKM_CS_FIELD)
#undef VEKM_CS_FIELD
  std::printf(
      "    }\n\n"
      "    /// <summary>The function vekm_with_handle() runs under the controller's lock.</summary>\n"
      "    [UnmanagedFunctionPointer(CallingConvention.Winapi)]\n"
      "    public delegate uint VekmHandleCall(ref uint handle, IntPtr context);\n");
}

// The motion core: its constants, its own functions, then vekm_call_<Name>.
void WriteCsharpMotion() {
  std::printf(
      "\n    /// <summary>The functions of vekkestra_motion.h and vekkestra_motion_calls.h, and the constants the\n"
      "    /// layers use. \"VekKestraMotion\" is VekKestraMotion.dll on Windows; elsewhere the dll map beside the\n"
      "    /// assembly names libvekkestra-motion.so.</summary>\n"
      "    public static class NativeMotion\n    {\n        public const string Library = \"VekKestraMotion\";\n\n");
#define VEKM_CS_CONSTANT(Name) std::printf("        public const int %s = %d;\n", #Name, static_cast<int>(Name));
  VEKM_CONSTANTS(VEKM_CS_CONSTANT)
#undef VEKM_CS_CONSTANT
  std::printf("\n");
#define VEKM_CS_FUNCTION(Result, ...) \
  WriteDeclaration(#Result, Columns(#__VA_ARGS__).at(0), PairsFrom(Columns(#__VA_ARGS__), 1));
  VEKM_CORE_FUNCTIONS(VEKM_CS_FUNCTION)
#undef VEKM_CS_FUNCTION
  std::printf("\n");
  for (const Operation& op : Operations(false)) {
    std::vector<Parameter> parameters{Parameter{"VekmController*", "controller"}};
    for (const Parameter& p : op.parameters) parameters.push_back(p);
    parameters.push_back(Parameter{"VekmError*", "error"});
    WriteDeclaration("uint32_t", "vekm_call_" + op.name, parameters);
  }
  std::printf("    }\n");
}

void WriteCsharpNative() {
  std::printf(
      "// VekKestra for .NET, its native part: the P/Invoke declarations of the library's exports (Native) and of\n"
      "// the motion core (NativeMotion), the core's structs and constants, the axes and the result codes. Written by\n"
      "// vek_export_list from the library's operation table and the motion core's header; do not edit.\n"
      "//\n"
      "// CallingConvention.Winapi is stdcall on 32-bit Windows, as the DLLs are built, and the platform's only\n"
      "// convention elsewhere.\n"
      "using System;\n"
      "using System.Runtime.InteropServices;\n\n"
      "namespace VekKestra\n{\n");
  WriteCsharpExports();
  WriteCsharpEnums();
  WriteCsharpStructs();
  WriteCsharpMotion();
  std::printf("}\n");
}

// The motion core's typed call of each operation: the row's parameters in C,
// between the controller and the error.
void WriteMotionCalls() {
  std::printf(
      "/**\n"
      " * @file vekkestra_motion_calls.h\n"
      " * @brief Every operation of the command set through the motion core: vekm_call_<Name> calls VEKnet_<Name> or\n"
      " *        VEKser_<Name> on the controller's transport, under its lock and with its recovery from lost replies.\n"
      " *\n"
      " * The parameters are those of the library's export after its handle (vekkestra.h documents each); the\n"
      " * result is the export's, or VEKM_CLOSED, VEKM_CANCELLED; `error` (may be NULL) is filled as by every call of\n"
      " * the core. These carry no safe-motion promise: a motion operation called so is the library's own. Written\n"
      " * by vek_export_list from the library's operation table; do not edit.\n"
      " */\n"
      "#ifndef VEKKESTRA_MOTION_CALLS_H\n"
      "#define VEKKESTRA_MOTION_CALLS_H\n\n"
      "#include \"vekkestra_motion.h\"\n\n"
      "#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n");
  for (const Operation& op : Operations(false)) {
    std::string parameters = "VekmController* controller";
    for (const Parameter& p : op.parameters) parameters += std::string(", ") + SpellingOf(p.type).plain + " " + p.name;
    const char* name = op.name.c_str();
    std::printf("/** @brief VEKnet_%s() or VEKser_%s() on the controller's transport. */\n", name, name);
    std::printf("VEKM_API uint32_t VEKM_CALL vekm_call_%s(%s, VekmError* error);\n", name, parameters.c_str());
  }
  std::printf("\n#ifdef __cplusplus\n}\n#endif\n\n#endif /* VEKKESTRA_MOTION_CALLS_H */\n");
}

void WriteVersion() {
  std::printf(
      "\"\"\"The package's version: the product's, from the file VERSION at the\n"
      "repository's root. Written by vek_export_list; do not edit.\"\"\"\n\n"
      "__version__ = \"%s\"\n",
      VEK_PRODUCT_VERSION);
}

// Each output by the name the build asks for it with.
struct Format {
  const char* name;
  void (*write)();
};
constexpr Format kFormats[] = {
    {"def", WriteDef},
    {"python", WritePython},
    {"csharp-native", WriteCsharpNative},
    {"version", WriteVersion},
    {"motion-calls", WriteMotionCalls},
    {"cpp-operations", WriteCppOperations},
    {"python-operations", WritePythonTyped},
    {"csharp-operations", WriteCsharpOperations},
};

}  // namespace
}  // namespace vek::listing

int main(int argc, char** argv) {
  const char* what = argc == 2 ? argv[1] : "";
  for (const vek::listing::Format& format : vek::listing::kFormats) {
    if (std::strcmp(what, format.name) == 0) {
      format.write();
      return 0;
    }
  }
  std::fprintf(stderr, "usage: vek_export_list FORMAT, FORMAT one of:");
  for (const vek::listing::Format& format : vek::listing::kFormats) std::fprintf(stderr, " %s", format.name);
  std::fprintf(stderr, "\n");
  return 2;
}
