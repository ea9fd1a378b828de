// How an axis treats its overtravel inputs and its software travel limits.
// The three switches do not share one meaning of 1, so each carries its own
// pair of mnemonics; nothing here reads an answer.
#include "commands/axis.h"
#include "commands/workers.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

// One overtravel switch: its verbose label and its mnemonic for selector 0
// and for selector 1.
struct Switch {
  const char* label;
  const char* mnemonic[2];
};

constexpr Switch kDetect = {"SetAxisOvertravelDetect()", {"LF", "LN"}};
constexpr Switch kSense = {"SetAxisOvertravelSense()", {"LL", "LH"}};
constexpr Switch kStopMode = {"SetAxisOvertravelStopMode()", {"SF", "SL"}};

uint32_t SetOvertravelSwitch(Link link, int32_t axis, uint32_t selector, const Switch& sw) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, sw.label);
  if (selector > 1) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%c%s;", letter, sw.mnemonic[selector]);
  return link.Send(command);
}

}  // namespace

uint32_t ops::SetAxisOvertravelDetect(Link link, int32_t axis, uint32_t selector) {
  return SetOvertravelSwitch(link, axis, selector, kDetect);
}

uint32_t ops::SetAxisOvertravelSense(Link link, int32_t axis, uint32_t selector) {
  return SetOvertravelSwitch(link, axis, selector, kSense);
}

uint32_t ops::SetAxisOvertravelStopMode(Link link, int32_t axis, uint32_t selector) {
  return SetOvertravelSwitch(link, axis, selector, kStopMode);
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
