// The two shapes of read shared by the position and velocity operations: one
// axis answered with one number, and all axes answered with a comma-separated
// list. Each read owns its 128-byte command and answer buffers.
#ifndef VEK_COMMANDS_READS_H
#define VEK_COMMANDS_READS_H

#include <cstdint>

#include "commands/link.h"

namespace vek {

// How one single-axis read asks and parses. The command is "A", the axis
// letter and `query`. When no number can be scanned, `badText` is traced
// (as an error or verbose line), followed by the answer when `withAnswer`.
struct AxisReadKind {
  const char* label;    // the worker's verbose trace
  const char* query;    // after "A<letter>", for example "RP;" or "?VB"
  bool skipFirst;       // the answer starts with one character to discard
  bool errorTrace;      // bad answers go to the error trace, else verbose
  const char* badText;  // start of the bad-response trace
  bool withAnswer;      // the answer text follows badText in the trace
};

// Checks handles, axis and output in that order, traces, queries and scans.
// The output is written only when a number was scanned.
uint32_t ReadAxisValue(const Link& link, int32_t axisBit, int32_t* value, const AxisReadKind& kind);

// Queries `command` and spreads its comma-separated answer over the ten
// slots of `values` (first field to slot 0). The caller has checked handles
// and pointer. With `clearFirst` every slot is zeroed before the fields are
// stored, else the slots without a field keep their content. With
// `answerLabel` the answer is traced verbosely as "<answerLabel> receive
// string: recv <answer>".
uint32_t ReadValueList(const Link& link, const char* command, int32_t* values, bool clearFirst,
                       const char* answerLabel);

}  // namespace vek

#endif  // VEK_COMMANDS_READS_H
