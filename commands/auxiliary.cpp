// An axis's auxiliary output: enabled or not, its settle time, its default
// state and its bit. Each export hands a fixed text to the single-axis
// builders; the selector is checked first, before the axis or the handle.
#include "commands/axis.h"
#include "commands/workers.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr const char* kDefaultStateTexts[2] = {"ADL", "ADH"};
constexpr const char* kAuxBitTexts[2] = {"AF", "AN"};

// One of two texts picked by a 0/1 selector.
uint32_t SendSelected(Link link, int32_t axis, uint32_t selector, const char* const texts[2]) {
  if (selector > 1) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(link, axis, texts[selector]);
}

}  // namespace

// The enable selector is checked before the axis and the handle.
uint32_t ops::EnableAxisAux(Link link, int32_t axis, int32_t selector) {
  if (selector != 0 && selector != 1) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleParamCommand(link, axis, "PA", selector);
}

uint32_t ops::SetAxisAuxSettleTime(Link link, int32_t axis, int32_t settleTime) {
  return SendSingleParamCommand(link, axis, "SE", settleTime);
}

uint32_t ops::SetAxisAuxDefaultState(Link link, int32_t axis, uint32_t selector) {
  return SendSelected(link, axis, selector, kDefaultStateTexts);
}

uint32_t ops::SetAxisAuxBit(Link link, int32_t axis, uint32_t selector) {
  return SendSelected(link, axis, selector, kAuxBitTexts);
}

}  // namespace vek
