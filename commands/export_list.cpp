// A build tool, not part of the library: writes the rows of
// commands/operations.h out in the forms other parts of the product keep in
// their own language, so that none of them lists the exports by hand.
//
//   vek_export_list def        the Windows export list (cmake/VekKestra.def)
//   vek_export_list python     the ctypes signatures and result codes
//                              (bindings/python/vekkestra/_exports.py)
//   vek_export_list csharp     the P/Invoke declarations between the
//                              "// <exports>" lines of bindings/dotnet/VekKestra.cs
//   vek_export_list version    the Python package's version module
//                              (bindings/python/vekkestra/_version.py)
//   vek_export_list motion-calls  the motion core's vekm_call_<Name> declarations
//                              (include/vekkestra_motion_calls.h)
//
// The build compares each output with the committed file and stops when they
// differ; `cmake --build <build> --target update-generated` writes them.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commands/operations.h"
#include "vekkestra_version.h"

namespace {

struct Parameter {
  std::string type;  // as the row spells it: "int32_t*", "VekValueList"
  std::string name;
};

struct Export {
  std::string result;  // C type
  std::string name;
  std::vector<Parameter> parameters;  // the handle included
};

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The pairs of a row as the preprocessor spells them: "(int32_t, axis), (double, velocity)".
std::vector<Parameter> ParsePairs(const char* text) {
  std::vector<Parameter> pairs;
  const std::string all = text;
  for (std::size_t open = all.find('('); open != std::string::npos; open = all.find('(', open + 1)) {
    const std::size_t close = all.find(')', open);
    const std::string inside = all.substr(open + 1, close - open - 1);
    const std::size_t comma = inside.rfind(',');
    pairs.push_back(Parameter{Trimmed(inside.substr(0, comma)), Trimmed(inside.substr(comma + 1))});
  }
  return pairs;
}

std::vector<Export> AllExports() {
  std::vector<Export> all;
  auto twin = [&all](const char* name, const char* pairs) {
    for (const char* prefix : {"VEKnet_", "VEKser_"}) {
      Export e{"uint32_t", std::string(prefix) + name, {Parameter{"uint32_t*", "handle"}}};
      for (const Parameter& p : ParsePairs(pairs)) e.parameters.push_back(p);
      all.push_back(e);
    }
  };
  std::vector<Export> others;
#define VEK_LIST_TWIN(Name, ...) twin(#Name, #__VA_ARGS__);
  VEK_EXCHANGE_OPERATIONS(VEK_LIST_TWIN)
  VEK_OPERATIONS(VEK_LIST_TWIN)
#undef VEK_LIST_TWIN
#define VEK_LIST_OTHER(Result, Name, ...) others.push_back(Export{#Result, #Name, ParsePairs(#__VA_ARGS__)});
  VEK_OTHER_EXPORTS(VEK_LIST_OTHER)
#undef VEK_LIST_OTHER
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

// How each type of the rows reads in the bindings: ctypes, then C# (a single
// result by reference, several values as an array).
struct Spelling {
  const char* c;
  const char* ctypes;
  const char* csharp;
};
constexpr Spelling kSpellings[] = {
    {"void", "VOID", "void"},
    {"uint32_t", "U32", "uint"},
    {"int32_t", "I32", "int"},
    {"double", "F64", "double"},
    {"const char*", "CSTR", "string"},
    {"char*", "CHARP", "byte[]"},
    {"uint32_t*", "PU32", "out uint"},
    {"int32_t*", "PI32", "out int"},
    {"const int32_t*", "PI32", "int[]"},
    {"VekValueList", "PI32", "int[]"},
    {"VekEncoderStatus", "PU32", "uint[]"},
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
  auto row = [](const char* name, const char* types) {
    std::printf("    (\"%s\", %s),\n", name, TupleOf(ParsePairs(types)).c_str());
  };
#define VEK_PY_TWIN(Name, ...) row(#Name, #__VA_ARGS__);
  VEK_EXCHANGE_OPERATIONS(VEK_PY_TWIN)
  VEK_OPERATIONS(VEK_PY_TWIN)
#undef VEK_PY_TWIN
  std::printf(
      ")\n\n# The exports whose twins differ, and the utilities: (name, result, argument types).\nOTHERS = (\n");
#define VEK_PY_OTHER(Result, Name, ...) \
  std::printf("    (\"%s\", %s, %s),\n", #Name, CtypesOf(#Result), TupleOf(ParsePairs(#__VA_ARGS__)).c_str());
  VEK_OTHER_EXPORTS(VEK_PY_OTHER)
#undef VEK_PY_OTHER
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

// The P/Invoke declarations of bindings/dotnet/VekKestra.cs, one a line: the
// header's names, the handle by reference.
void WriteCsharp() {
  // The utilities, then each transport's exports together.
  std::vector<Export> all = AllExports();
  auto group = [](const Export& e) {
    return e.name.rfind("VEKnet_", 0) == 0 ? 1 : e.name.rfind("VEKser_", 0) == 0 ? 2 : 0;
  };
  std::stable_sort(all.begin(), all.end(), [&group](const Export& a, const Export& b) { return group(a) < group(b); });
  for (const Export& e : all) {
    std::string parameters;
    for (const Parameter& p : e.parameters) {
      if (!parameters.empty()) parameters += ", ";
      const bool handle = p.name == "handle" && p.type == "uint32_t*";
      parameters += std::string(handle ? "ref uint" : SpellingOf(p.type).csharp) + " " + p.name;
    }
    const std::string result = e.result == "char*" ? "IntPtr" : SpellingOf(e.result).csharp;
    std::printf(
        "        [DllImport(Library, CallingConvention = CallingConvention.Winapi, ExactSpelling = true)] "
        "public static extern %s %s(%s);\n",
        result.c_str(), e.name.c_str(), parameters.c_str());
  }
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
  auto row = [](const char* name, const char* pairs) {
    std::string parameters = "VekmController* controller";
    for (const Parameter& p : ParsePairs(pairs)) {
      const std::string type = p.type == "VekValueList"       ? "int32_t*"
                               : p.type == "VekEncoderStatus" ? "uint32_t*"
                                                              : p.type;
      parameters += ", " + type + " " + p.name;
    }
    std::printf("/** @brief VEKnet_%s() or VEKser_%s() on the controller's transport. */\n", name, name);
    std::printf("VEKM_API uint32_t VEKM_CALL vekm_call_%s(%s, VekmError* error);\n", name, parameters.c_str());
  };
#define VEK_MOTION_CALL(Name, ...) row(#Name, #__VA_ARGS__);
  VEK_OPERATIONS(VEK_MOTION_CALL)
#undef VEK_MOTION_CALL
  std::printf("\n#ifdef __cplusplus\n}\n#endif\n\n#endif /* VEKKESTRA_MOTION_CALLS_H */\n");
}

void WriteVersion() {
  std::printf(
      "\"\"\"The package's version: the product's, from the file VERSION at the\n"
      "repository's root. Written by vek_export_list; do not edit.\"\"\"\n\n"
      "__version__ = \"%s\"\n",
      VEK_PRODUCT_VERSION);
}

}  // namespace

int main(int argc, char** argv) {
  const char* what = argc == 2 ? argv[1] : "";
  if (std::strcmp(what, "def") == 0) {
    WriteDef();
  } else if (std::strcmp(what, "python") == 0) {
    WritePython();
  } else if (std::strcmp(what, "csharp") == 0) {
    WriteCsharp();
  } else if (std::strcmp(what, "version") == 0) {
    WriteVersion();
  } else if (std::strcmp(what, "motion-calls") == 0) {
    WriteMotionCalls();
  } else {
    std::fprintf(stderr, "usage: vek_export_list def|python|csharp|version|motion-calls\n");
    return 2;
  }
  return 0;
}
