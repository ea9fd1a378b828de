// How an axis treats its overtravel inputs and its software travel limits.
// The three switches do not share one meaning of 1, so each carries its own
// pair of mnemonics; nothing here reads an answer.
#include "commands/axis.h"
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

uint32_t SetOvertravelSwitch(uint32_t* net, uint32_t* ser, int32_t axis, uint32_t selector, const Switch& sw) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(net, ser, sw.label);
  if (selector > 1) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%c%s;", letter, sw.mnemonic[selector]);
  return SendOn(net, ser, command);
}

// Built by each twin for its own transport; the axis is looked at before the
// handle, which only the transport's send checks.
uint32_t BuildTravelLimits(int32_t axis, int32_t first, int32_t second, char* command) {
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  AppendCommand(command, "A%cTL%d,%d;", letter, static_cast<int>(first), static_cast<int>(second));
  return VEK_SUCCESS;
}

}  // namespace
}  // namespace vek

using vek::TraceEntry;

// ---- Ethernet ----

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisOvertravelDetect(uint32_t* handle, int32_t axis, uint32_t selector) {
  TraceEntry(handle, "VEKnet_SetAxisOvertravelDetect()");
  return vek::SetOvertravelSwitch(handle, nullptr, axis, selector, vek::kDetect);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisOvertravelSense(uint32_t* handle, int32_t axis, uint32_t selector) {
  TraceEntry(handle, "VEKnet_SetAxisOvertravelSense()");
  return vek::SetOvertravelSwitch(handle, nullptr, axis, selector, vek::kSense);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisOvertravelStopMode(uint32_t* handle, int32_t axis,
                                                                      uint32_t selector) {
  TraceEntry(handle, "VEKnet_SetAxisOvertravelStopMode()");
  return vek::SetOvertravelSwitch(handle, nullptr, axis, selector, vek::kStopMode);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisSoftwareTravelLimits(uint32_t* handle, int32_t axis,
                                                                        int32_t firstLimit, int32_t secondLimit) {
  TraceEntry(handle, "VEKnet_SetAxisSoftwareTravelLimits()");
  char command[vek::kCommandBufferSize] = {};
  const uint32_t built = vek::BuildTravelLimits(axis, firstLimit, secondLimit, command);
  return built != VEK_SUCCESS ? built : VEKnet_SendCommand(handle, command);
}

// ---- Serial ----

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisOvertravelDetect(uint32_t* handle, int32_t axis, uint32_t selector) {
  TraceEntry(handle, "VEKser_SetAxisOvertravelDetect()");
  return vek::SetOvertravelSwitch(nullptr, handle, axis, selector, vek::kDetect);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisOvertravelSense(uint32_t* handle, int32_t axis, uint32_t selector) {
  TraceEntry(handle, "VEKser_SetAxisOvertravelSense()");
  return vek::SetOvertravelSwitch(nullptr, handle, axis, selector, vek::kSense);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisOvertravelStopMode(uint32_t* handle, int32_t axis,
                                                                      uint32_t selector) {
  TraceEntry(handle, "VEKser_SetAxisOvertravelStopMode()");
  return vek::SetOvertravelSwitch(nullptr, handle, axis, selector, vek::kStopMode);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisSoftwareTravelLimits(uint32_t* handle, int32_t axis,
                                                                        int32_t firstLimit, int32_t secondLimit) {
  TraceEntry(handle, "VEKser_SetAxisSoftwareTravelLimits()");
  char command[vek::kCommandBufferSize] = {};
  const uint32_t built = vek::BuildTravelLimits(axis, firstLimit, secondLimit, command);
  return built != VEK_SUCCESS ? built : VEKser_SendCommand(handle, command);
}
