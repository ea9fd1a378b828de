// An axis's auxiliary output: enabled or not, its settle time, its default
// state and its bit. Each export hands a fixed text to the single-axis
// builders; the selector is checked first, before the axis or the handle.
#include "commands/axis.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr const char* kDefaultStateTexts[2] = {"ADL", "ADH"};
constexpr const char* kAuxBitTexts[2] = {"AF", "AN"};

uint32_t EnableAux(uint32_t* net, uint32_t* ser, int32_t axis, int32_t selector) {
  if (selector != 0 && selector != 1) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleParamCommand(net, ser, axis, "PA", selector);
}

// One of two texts picked by a 0/1 selector.
uint32_t SendSelected(uint32_t* net, uint32_t* ser, int32_t axis, uint32_t selector, const char* const texts[2]) {
  if (selector > 1) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(net, ser, axis, texts[selector]);
}

}  // namespace
}  // namespace vek

using vek::TraceEntry;

// ---- Ethernet ----

extern "C" VEK_API uint32_t VEK_CALL VEKnet_EnableAxisAux(uint32_t* handle, int32_t axis, int32_t selector) {
  TraceEntry(handle, "VEKnet_EnableAxisAux()");
  return vek::EnableAux(handle, nullptr, axis, selector);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisAuxSettleTime(uint32_t* handle, int32_t axis, int32_t settleTime) {
  TraceEntry(handle, "VEKnet_SetAxisAuxSettleTime()");
  return vek::SendSingleParamCommand(handle, nullptr, axis, "SE", settleTime);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisAuxDefaultState(uint32_t* handle, int32_t axis, uint32_t selector) {
  TraceEntry(handle, "VEKnet_SetAxisAuxDefaultState()");
  return vek::SendSelected(handle, nullptr, axis, selector, vek::kDefaultStateTexts);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisAuxBit(uint32_t* handle, int32_t axis, uint32_t selector) {
  TraceEntry(handle, "VEKnet_SetAxisAuxBit()");
  return vek::SendSelected(handle, nullptr, axis, selector, vek::kAuxBitTexts);
}

// ---- Serial ----

extern "C" VEK_API uint32_t VEK_CALL VEKser_EnableAxisAux(uint32_t* handle, int32_t axis, int32_t selector) {
  TraceEntry(handle, "VEKser_EnableAxisAux()");
  return vek::EnableAux(nullptr, handle, axis, selector);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisAuxSettleTime(uint32_t* handle, int32_t axis, int32_t settleTime) {
  TraceEntry(handle, "VEKser_SetAxisAuxSettleTime()");
  return vek::SendSingleParamCommand(nullptr, handle, axis, "SE", settleTime);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisAuxDefaultState(uint32_t* handle, int32_t axis, uint32_t selector) {
  TraceEntry(handle, "VEKser_SetAxisAuxDefaultState()");
  return vek::SendSelected(nullptr, handle, axis, selector, vek::kDefaultStateTexts);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisAuxBit(uint32_t* handle, int32_t axis, uint32_t selector) {
  TraceEntry(handle, "VEKser_SetAxisAuxBit()");
  return vek::SendSelected(nullptr, handle, axis, selector, vek::kAuxBitTexts);
}
