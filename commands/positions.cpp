// Reading the motor and encoder positions of all axes, and redefining the
// motor position of one axis or of several (the reads of one axis are rows of
// the AxisRead shape). Positions are the controller's own units; nothing is
// scaled.
#include <cstdint>

#include "commands/axis.h"
#include "commands/reads.h"
#include "commands/workers.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr const char* kSetPrefixes[] = {"AALP", "AMLP"};

}  // namespace

uint32_t ops::GetAllAxisMotorPositions(Link link, int32_t* positions) {
  if (link.Missing() || positions == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, "GetAllAxisMotorPositions()");
  // Exactly these two characters: the controller takes "PP" without ";".
  return ReadValueList(link, "PP", positions, true, "GetAllAxisMotorPositions()");
}

uint32_t ops::GetAllAxisEncoderPositions(Link link, int32_t* positions) {
  if (link.Missing() || positions == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, "GetAllAxisEncoderPositions()");
  return ReadValueList(link, "PE;", positions, true, nullptr);
}

// Two separate queries through the exports of the same transport; nothing
// ties their answers to the same instant.
uint32_t ops::GetAllAxisPositions(Link link, int32_t* motor, int32_t* encoder) {
  if (link.Missing() || motor == nullptr || encoder == nullptr) {
    return VEK_ERROR_INVALID_PARAMETER;
  }
  TraceVerbose(link.handle, "GetAllAxisPositions()");
  const uint32_t motorResult = link.exports().GetAllAxisMotorPositions(link.handle, motor);
  if (motorResult != VEK_SUCCESS) return motorResult;
  return link.exports().GetAllAxisEncoderPositions(link.handle, encoder);
}

uint32_t ops::SetAxisMotorPosition(Link link, int32_t axis, int32_t position) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, "SetAxisMotorPosition()");
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%cLP%d;", letter, static_cast<int>(position));
  return link.Send(command);
}

uint32_t ops::SetMultiAxisMotorPositions(Link link, int32_t mask, int32_t addressing, const int32_t* positions) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  if (mask > kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  if (positions == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, "SetMultiAxisMotorPositions()");
  if (addressing != 0 && addressing != 1) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "%s", kSetPrefixes[addressing]);
  const uint32_t built = BuildMultiAxisValues(mask, positions, command);
  if (built != VEK_SUCCESS) return built;
  return link.Send(command);
}

}  // namespace vek
