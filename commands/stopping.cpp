// Stopping and killing motion on a set of axes. The controller has its own
// command for all ten axes; any other set goes out as a value list with a 1
// for each axis. Neither waits for the axes to come to rest.
#include <cstdint>

#include "commands/axis.h"
#include "commands/shapes.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {

uint32_t shape::EndMotion::operator()(Link link, const char* label, int32_t axes) const {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  if (axes > kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, label);
  int32_t ones[kAxisCount];
  for (int32_t& one : ones) one = 1;
  char command[kCommandBufferSize] = {};
  if (axes == kAllAxesMask) {
    AppendCommand(command, "%s", allAxes);  // sent exactly so, with no list and no closing ";"
  } else {
    AppendCommand(command, "%s", prefix);
    const uint32_t built = BuildMultiAxisValues(axes, ones, command);
    if (built != VEK_SUCCESS) return built;
  }
  return link.Send(command);
}

}  // namespace vek
