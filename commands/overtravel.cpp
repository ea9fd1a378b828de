// How an axis treats its overtravel inputs and its software travel limits.
// The three switches do not share one meaning of 1, so each row carries its
// own pair of mnemonics (shape::AxisSwitch); nothing here reads an answer.
#include "commands/axis.h"
#include "commands/shapes.h"
#include "commands/workers.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {

uint32_t shape::AxisSwitch::operator()(Link link, const char* label, int32_t axis, uint32_t selector) const {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, label);
  if (selector > 1) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%c%s;", letter, mnemonics[selector]);
  return link.Send(command);
}

// No worker check of its own: the axis is looked at before the handle, which
// only the transport's send checks.
uint32_t ops::SetAxisSoftwareTravelLimits(Link link, int32_t axis, int32_t firstLimit, int32_t secondLimit) {
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%cTL%d,%d;", letter, static_cast<int>(firstLimit), static_cast<int>(secondLimit));
  return link.Send(command);
}

}  // namespace vek
