// The twin exports of the command set, made from the rows of
// commands/operations.h, and the checks that hold those rows to the public
// header: the same exports, the same signatures, the same result codes.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "commands/answers.h"
#include "commands/link.h"
#include "commands/operations.h"
#include "commands/shapes.h"
#include "commands/workers.h"
#include "core/state.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr bool SameText(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

// Two entry labels are not "<export>()": the log has always written them so,
// and log readers look for them as they are.
struct LabelException {
  const char* usual;
  const char* written;
};
constexpr LabelException kLabelExceptions[] = {
    {"VEKnet_GetAxisDoneFlag()", "VEKnet_GetAxisDoneFlag - in"},
    {"VEKser_SetAxisMaxVelocity()", "VEKser_SetAxisMaxVelcoity()"},
};

constexpr const char* EntryLabel(const char* usual) {
  for (const LabelException& exception : kLabelExceptions) {
    if (SameText(exception.usual, usual)) return exception.written;
  }
  return usual;
}

}  // namespace
}  // namespace vek

// Each twin: its entry trace, then the row's work (its worker, or its shape
// with the label "<Name>()") with its transport's link. The shapes' texts are
// written in the rows with the names of vek and vek::shape.
#define VEK_DEFINE_TWIN(Prefix, Transport, Name, ...)                                                        \
  extern "C" VEK_API uint32_t VEK_CALL Prefix##Name(uint32_t* handle VEK_MORE(VEK_PAIR_DECL, __VA_ARGS__)) { \
    using namespace vek;                                                                                     \
    using namespace vek::shape;                                                                              \
    static constexpr const char* kLabel = EntryLabel(#Prefix #Name "()");                                    \
    TraceEntry(handle, kLabel);                                                                              \
    return VEK_IF(VEK_IS_WORKER(__VA_ARGS__))(Worker<&ops::Name>(), VEK_SECOND(__VA_ARGS__))(                \
        Link{&Transport, handle}, #Name "()" VEK_MORE(VEK_PAIR_NAME, __VA_ARGS__));                          \
  }
#define VEK_DEFINE_TWINS(Name, ...)                           \
  VEK_DEFINE_TWIN(VEKnet_, vek::kEthernet, Name, __VA_ARGS__) \
  VEK_DEFINE_TWIN(VEKser_, vek::kSerial, Name, __VA_ARGS__)
VEK_OPERATIONS(VEK_DEFINE_TWINS)
#undef VEK_DEFINE_TWINS
#undef VEK_DEFINE_TWIN

namespace vek {

const Exports kNetExports = VEK_NET_EXPORTS;
const Exports kSerExports = VEK_SER_EXPORTS;

// ---- The rows against the header ----
namespace {

// The transports' exchange and the other exports keep the header's
// signatures (the twins above would not compile if theirs differed).
#define VEK_EXCHANGE_TYPE(Name, ...) uint32_t(VEK_CALL*)(uint32_t * VEK_MORE(VEK_PAIR_TYPE, __VA_ARGS__))
#define VEK_CHECK_EXCHANGE(Name, ...)                                                               \
  static_assert(std::is_same_v<decltype(&VEKnet_##Name), VEK_EXCHANGE_TYPE(Name, __VA_ARGS__)> &&   \
                    std::is_same_v<decltype(&VEKser_##Name), VEK_EXCHANGE_TYPE(Name, __VA_ARGS__)>, \
                "the header declares VEKnet_" #Name " or VEKser_" #Name " otherwise");
VEK_EXCHANGE_OPERATIONS(VEK_CHECK_EXCHANGE)
#undef VEK_CHECK_EXCHANGE
#undef VEK_EXCHANGE_TYPE
// VEK_OTHER_EXPORTS rows: the result, then the name and the pairs.
#define VEK_CHECK_EXPORT(Result, ...)                                                                                \
  static_assert(                                                                                                     \
      std::is_same_v<decltype(&VEK_FIRST(__VA_ARGS__)), Result(VEK_CALL*)(VEK_LIST(VEK_PAIR_TYPE, ~, __VA_ARGS__))>, \
      "the header declares " VEK_STRING(VEK_FIRST(__VA_ARGS__)) " otherwise");
VEK_OTHER_EXPORTS(VEK_CHECK_EXPORT)
#undef VEK_CHECK_EXPORT

// Every name the header declares, as CMake read it from the header.
constexpr const char* kHeaderExports[] = {
#include "header_exports.inc"
};
constexpr const char* kHeaderResultCodes[] = {
#include "header_result_codes.inc"
};

#define VEK_TWIN_NAMES(Name, ...)   "VEKnet_" #Name, "VEKser_" #Name,
#define VEK_OTHER_NAME(Result, ...) VEK_STRING(VEK_FIRST(__VA_ARGS__)),
constexpr const char* kTableExports[] = {VEK_EXCHANGE_OPERATIONS(VEK_TWIN_NAMES) VEK_OPERATIONS(VEK_TWIN_NAMES)
                                             VEK_OTHER_EXPORTS(VEK_OTHER_NAME)};
#undef VEK_TWIN_NAMES
#undef VEK_OTHER_NAME
#define VEK_CODE_NAME(Code) #Code,
constexpr const char* kTableResultCodes[] = {VEK_RESULT_CODES(VEK_CODE_NAME)};
#undef VEK_CODE_NAME

template <std::size_t N>
constexpr bool Contains(const char* const (&list)[N], const char* name) {
  for (const char* entry : list) {
    if (SameText(entry, name)) return true;
  }
  return false;
}

// Same length, no name twice, every name of one in the other.
template <std::size_t N, std::size_t M>
constexpr bool SameNames(const char* const (&a)[N], const char* const (&b)[M]) {
  if (N != M) return false;
  for (std::size_t i = 0; i < N; ++i) {
    if (!Contains(b, a[i])) return false;
    for (std::size_t j = i + 1; j < N; ++j) {
      if (SameText(a[i], a[j])) return false;
    }
  }
  return true;
}

// The Windows export list: each name with the bytes of arguments a 32-bit
// stdcall caller pushes (4 for each pointer or 32-bit integer, 8 for a double).
struct StackedExport {
  const char* name;
  int bytes;
};
constexpr StackedExport kDefExports[] = {
#include "def_exports.inc"
};
template <typename... Parameters>
constexpr int StackBytes() {
  return (0 + ... + (std::is_same_v<Parameters, double> ? 8 : 4));
}
#define VEK_TWIN_BYTES(Name, ...)                                                   \
  {"VEKnet_" #Name, StackBytes<uint32_t * VEK_MORE(VEK_PAIR_TYPE, __VA_ARGS__)>()}, \
      {"VEKser_" #Name, StackBytes<uint32_t * VEK_MORE(VEK_PAIR_TYPE, __VA_ARGS__)>()},
#define VEK_OTHER_BYTES(Result, ...) \
  {VEK_STRING(VEK_FIRST(__VA_ARGS__)), StackBytes<VEK_LIST(VEK_PAIR_TYPE, ~, __VA_ARGS__)>()},
constexpr StackedExport kTableStack[] = {VEK_EXCHANGE_OPERATIONS(VEK_TWIN_BYTES) VEK_OPERATIONS(VEK_TWIN_BYTES)
                                             VEK_OTHER_EXPORTS(VEK_OTHER_BYTES)};
#undef VEK_TWIN_BYTES
#undef VEK_OTHER_BYTES

template <std::size_t N, std::size_t M>
constexpr bool SameStack(const StackedExport (&a)[N], const StackedExport (&b)[M]) {
  if (N != M) return false;
  for (const StackedExport& x : a) {
    bool found = false;
    for (const StackedExport& y : b) found = found || (SameText(x.name, y.name) && x.bytes == y.bytes);
    if (!found) return false;
  }
  return true;
}

static_assert(SameStack(kDefExports, kTableStack),
              "cmake/VekKestra.def is not the export list of commands/operations.h: "
              "cmake --build <build> --target update-generated writes it anew");
static_assert(SameNames(kHeaderExports, kTableExports),
              "commands/operations.h and include/vekkestra.h do not list the same exports");
static_assert(SameNames(kHeaderResultCodes, kTableResultCodes),
              "VEK_RESULT_CODES and include/vekkestra.h do not list the same result codes");

}  // namespace
}  // namespace vek
