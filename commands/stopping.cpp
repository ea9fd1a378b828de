// Stopping and killing motion on a set of axes. The controller has its own
// command for all ten axes; any other set goes out as a value list with a 1
// for each axis. Neither waits for the axes to come to rest.
#include <cstdint>

#include "commands/axis.h"
#include "commands/workers.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

struct EndMotionTexts {
  const char* label;
  const char* allAxes;  // sent exactly so, with no list and no closing ";"
  const char* prefix;   // followed by the value list of the axes
};

constexpr EndMotionTexts kStop = {"StopMotion()", "SA", "SI"};
constexpr EndMotionTexts kKill = {"KillMotion()", ";AMKL", "KS"};

uint32_t EndMotion(Link link, int32_t mask, const EndMotionTexts& texts) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  if (mask > kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, texts.label);
  int32_t ones[kAxisCount];
  for (int32_t& one : ones) one = 1;
  char command[kCommandBufferSize] = {};
  if (mask == kAllAxesMask) {
    AppendCommand(command, "%s", texts.allAxes);
  } else {
    AppendCommand(command, "%s", texts.prefix);
    const uint32_t built = BuildMultiAxisValues(mask, ones, command);
    if (built != VEK_SUCCESS) return built;
  }
  return link.Send(command);
}

}  // namespace

uint32_t ops::StopMotion(Link link, int32_t axes) { return EndMotion(link, axes, kStop); }

uint32_t ops::KillMotion(Link link, int32_t axes) { return EndMotion(link, axes, kKill); }

}  // namespace vek
