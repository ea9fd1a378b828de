// Stopping and killing motion on a set of axes. The controller has its own
// command for all ten axes; any other set goes out as a value list with a 1
// for each axis. Neither waits for the axes to come to rest.
#include <cstdint>

#include "commands/axis.h"
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

uint32_t EndMotion(uint32_t* net, uint32_t* ser, int32_t mask, const EndMotionTexts& texts) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (mask > kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(net, ser, texts.label);
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
  return SendOn(net, ser, command);
}

}  // namespace
}  // namespace vek

extern "C" VEK_API uint32_t VEK_CALL VEKnet_StopMotion(uint32_t* handle, int32_t axes) {
  vek::TraceEntry(handle, "VEKnet_StopMotion()");
  return vek::EndMotion(handle, nullptr, axes, vek::kStop);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_StopMotion(uint32_t* handle, int32_t axes) {
  vek::TraceEntry(handle, "VEKser_StopMotion()");
  return vek::EndMotion(nullptr, handle, axes, vek::kStop);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_KillMotion(uint32_t* handle, int32_t axes) {
  vek::TraceEntry(handle, "VEKnet_KillMotion()");
  return vek::EndMotion(handle, nullptr, axes, vek::kKill);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_KillMotion(uint32_t* handle, int32_t axes) {
  vek::TraceEntry(handle, "VEKser_KillMotion()");
  return vek::EndMotion(nullptr, handle, axes, vek::kKill);
}
