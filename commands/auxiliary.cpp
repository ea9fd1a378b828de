// An axis's auxiliary output: enabled or not, its settle time, its default
// state and its bit. Each hands a fixed text to the single-axis builders;
// the selector is checked first, before the axis or the handle.
#include "commands/axis.h"
#include "commands/shapes.h"
#include "commands/workers.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {

uint32_t shape::AxisChoice::operator()(Link link, const char* /*label*/, int32_t axis, uint32_t selector) const {
  if (selector > 1) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(link, axis, texts[selector]);
}

uint32_t ops::EnableAxisAux(Link link, int32_t axis, int32_t selector) {
  if (selector != 0 && selector != 1) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleParamCommand(link, axis, "PA", selector);
}

}  // namespace vek
