// A build tool, not part of the library: writes the rows of
// commands/operations.h out in the forms other parts of the product keep in
// their own language, so that none of them lists the exports by hand.
//
//   vek_export_list def        the Windows export list (cmake/VekKestra.def)
//   vek_export_list python     the ctypes signatures and result codes
//                              (bindings/python/vekkestra/_exports.py)
//   vek_export_list version    the Python package's version module
//                              (bindings/python/vekkestra/_version.py)
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

struct Export {
  std::string result;  // C type
  std::string name;
  std::vector<std::string> parameters;  // C types, the handle included
};

std::vector<std::string> SplitTypes(const char* list) {
  std::vector<std::string> types;
  std::string current;
  for (const char* p = list;; ++p) {
    if (*p == ',' || *p == '\0') {
      const std::size_t first = current.find_first_not_of(' ');
      if (first != std::string::npos) types.push_back(current.substr(first, current.find_last_not_of(' ') - first + 1));
      current.clear();
      if (*p == '\0') break;
    } else {
      current += *p;
    }
  }
  return types;
}

std::vector<Export> AllExports() {
  std::vector<Export> all;
  auto twin = [&all](const char* name, const char* types) {
    for (const char* prefix : {"VEKnet_", "VEKser_"}) {
      Export e{"uint32_t", std::string(prefix) + name, {"uint32_t*"}};
      for (const std::string& type : SplitTypes(types)) e.parameters.push_back(type);
      all.push_back(e);
    }
  };
#define VEK_LIST_TWIN(Name, ...) twin(#Name, #__VA_ARGS__);
  VEK_EXCHANGE_OPERATIONS(VEK_LIST_TWIN)
  VEK_OPERATIONS(VEK_LIST_TWIN)
#undef VEK_LIST_TWIN
#define VEK_LIST_OTHER(Result, Name, ...) all.push_back(Export{#Result, #Name, SplitTypes(#__VA_ARGS__)});
  VEK_OTHER_EXPORTS(VEK_LIST_OTHER)
#undef VEK_LIST_OTHER
  return all;
}

// Bytes a 32-bit stdcall caller pushes for a parameter.
int StackBytes(const std::string& type) { return type == "double" ? 8 : 4; }

void WriteDef() {
  std::vector<std::string> lines;
  for (const Export& e : AllExports()) {
    int bytes = 0;
    for (const std::string& type : e.parameters) bytes += StackBytes(type);
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

const char* CtypesOf(const std::string& type) {
  static const struct {
    const char* c;
    const char* ctypes;
  } kTypes[] = {{"void", "VOID"},      {"uint32_t", "U32"},     {"int32_t", "I32"},
                {"double", "F64"},     {"const char*", "CSTR"}, {"char*", "CHARP"},
                {"uint32_t*", "PU32"}, {"int32_t*", "PI32"},    {"const int32_t*", "PI32"}};
  for (const auto& t : kTypes) {
    if (type == t.c) return t.ctypes;
  }
  std::fprintf(stderr, "vek_export_list: no ctypes type for \"%s\"\n", type.c_str());
  std::exit(1);
}

std::string TupleOf(const std::vector<std::string>& types, std::size_t from) {
  std::string text = "(";
  for (std::size_t i = from; i < types.size(); ++i) text += std::string(CtypesOf(types[i])) + ", ";
  if (types.size() - from == 1) return text.substr(0, text.size() - 1) + ")";  // (I32,)
  return (text.size() > 1 ? text.substr(0, text.size() - 2) : text) + ")";
}

void WritePythonOperations() {
  std::printf("# (name without prefix, argument types after the handle); all return a result.\nOPERATIONS = (\n");
  auto row = [](const char* name, const char* types) {
    std::printf("    (\"%s\", %s),\n", name, TupleOf(SplitTypes(types), 0).c_str());
  };
#define VEK_PY_TWIN(Name, ...) row(#Name, #__VA_ARGS__);
  VEK_EXCHANGE_OPERATIONS(VEK_PY_TWIN)
  VEK_OPERATIONS(VEK_PY_TWIN)
#undef VEK_PY_TWIN
  std::printf(
      ")\n\n# The exports whose twins differ, and the utilities: (name, result, argument types).\nOTHERS = (\n");
#define VEK_PY_OTHER(Result, Name, ...) \
  std::printf("    (\"%s\", %s, %s),\n", #Name, CtypesOf(#Result), TupleOf(SplitTypes(#__VA_ARGS__), 0).c_str());
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
  } else if (std::strcmp(what, "version") == 0) {
    WriteVersion();
  } else {
    std::fprintf(stderr, "usage: vek_export_list def|python|version\n");
    return 2;
  }
  return 0;
}
