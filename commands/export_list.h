// The build tool vek_export_list (commands/export_list.cpp): the rows of
// commands/operations.h as data, for the writers of the files other parts of
// the product keep in their own language. The writers of the typed
// operations of the C++, Python and C# layers are in export_typed.cpp.
#ifndef VEK_COMMANDS_EXPORT_LIST_H
#define VEK_COMMANDS_EXPORT_LIST_H

#include <string>
#include <vector>

namespace vek::listing {

struct Parameter {
  std::string type;  // as the row spells it: "int32_t*", "VekValueList"
  std::string name;
};

// One row of VEK_OPERATIONS (or of the exchange).
struct Operation {
  std::string name;
  std::string face;                   // Plain, Raw, Exchange
  std::string work;                   // Worker, or a shape with its texts
  std::vector<Parameter> parameters;  // after the handle
};

// The command set's rows in the table's order; the exchange first when asked.
std::vector<Operation> Operations(bool withExchange);

// include/vekkestra_operations.hpp, bindings/python/vekkestra/_operations.py,
// bindings/dotnet/Operations.g.cs.
void WriteCppOperations();
void WritePythonTyped();
void WriteCsharpOperations();

}  // namespace vek::listing

#endif  // VEK_COMMANDS_EXPORT_LIST_H
