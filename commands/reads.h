// The two shapes of read shared by the position and velocity operations: one
// axis answered with one number (shape::AxisRead), and all axes answered
// with a comma-separated list (shape::AllAxesRead, and the readers of all
// positions). Each read owns its 128-byte command and answer buffers.
#ifndef VEK_COMMANDS_READS_H
#define VEK_COMMANDS_READS_H

#include <cstdint>

#include "commands/link.h"

namespace vek {

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
