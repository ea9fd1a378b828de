// Reading the motor and encoder positions of one axis or of all axes, and
// redefining the motor position of one axis or of several. Positions are the
// controller's own units; nothing is scaled.
#include <cstdint>

#include "commands/axis.h"
#include "commands/reads.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr AxisReadKind kMotorPosition = {
    "GetAxisMotorPosition()", "RP;", false, true, "GetAxisMotorPosition() bad response", false};
constexpr AxisReadKind kEncoderPosition = {
    "GetAxisEncoderPosition()", "RE;", false, true, "GetAxisEncoderPosition() bad receive string: recv ", true};
constexpr const char* kSetPrefixes[] = {"AALP", "AMLP"};

uint32_t GetAllAxisMotorPositions(uint32_t* net, uint32_t* ser, int32_t* positions) {
  if ((net == nullptr && ser == nullptr) || positions == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(net, ser, "GetAllAxisMotorPositions()");
  // Exactly these two characters: the controller takes "PP" without ";".
  return ReadValueList(net, ser, "PP", positions, true, "GetAllAxisMotorPositions()");
}

uint32_t GetAllAxisEncoderPositions(uint32_t* net, uint32_t* ser, int32_t* positions) {
  if ((net == nullptr && ser == nullptr) || positions == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(net, ser, "GetAllAxisEncoderPositions()");
  return ReadValueList(net, ser, "PE;", positions, true, nullptr);
}

// Two separate queries through the exports of the same transport; nothing
// ties their answers to the same instant.
uint32_t GetAllAxisPositions(uint32_t* net, uint32_t* ser, int32_t* motor, int32_t* encoder) {
  if ((net == nullptr && ser == nullptr) || motor == nullptr || encoder == nullptr) {
    return VEK_ERROR_INVALID_PARAMETER;
  }
  TraceVerbose(net, ser, "GetAllAxisPositions()");
  const uint32_t motorResult =
      ser != nullptr ? VEKser_GetAllAxisMotorPositions(ser, motor) : VEKnet_GetAllAxisMotorPositions(net, motor);
  if (motorResult != VEK_SUCCESS) return motorResult;
  return ser != nullptr ? VEKser_GetAllAxisEncoderPositions(ser, encoder)
                        : VEKnet_GetAllAxisEncoderPositions(net, encoder);
}

uint32_t SetAxisMotorPosition(uint32_t* net, uint32_t* ser, int32_t axis, int32_t position) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(net, ser, "SetAxisMotorPosition()");
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%cLP%d;", letter, static_cast<int>(position));
  return SendOn(net, ser, command);
}

uint32_t SetMultiAxisMotorPositions(uint32_t* net, uint32_t* ser, int32_t mask, int32_t addressing,
                                    const int32_t* positions) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (mask > kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  if (positions == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(net, ser, "SetMultiAxisMotorPositions()");
  if (addressing != 0 && addressing != 1) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "%s", kSetPrefixes[addressing]);
  const uint32_t built = BuildMultiAxisValues(mask, positions, command);
  if (built != VEK_SUCCESS) return built;
  return SendOn(net, ser, command);
}

}  // namespace
}  // namespace vek

using vek::TraceEntry;

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t* position) {
  TraceEntry(handle, "VEKnet_GetAxisMotorPosition()");
  return vek::ReadAxisValue(handle, nullptr, axis, position, vek::kMotorPosition);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t* position) {
  TraceEntry(handle, "VEKser_GetAxisMotorPosition()");
  return vek::ReadAxisValue(nullptr, handle, axis, position, vek::kMotorPosition);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisEncoderPosition(uint32_t* handle, int32_t axis, int32_t* position) {
  TraceEntry(handle, "VEKnet_GetAxisEncoderPosition()");
  return vek::ReadAxisValue(handle, nullptr, axis, position, vek::kEncoderPosition);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisEncoderPosition(uint32_t* handle, int32_t axis, int32_t* position) {
  TraceEntry(handle, "VEKser_GetAxisEncoderPosition()");
  return vek::ReadAxisValue(nullptr, handle, axis, position, vek::kEncoderPosition);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAllAxisMotorPositions(uint32_t* handle, int32_t* positions) {
  TraceEntry(handle, "VEKnet_GetAllAxisMotorPositions()");
  return vek::GetAllAxisMotorPositions(handle, nullptr, positions);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAllAxisMotorPositions(uint32_t* handle, int32_t* positions) {
  TraceEntry(handle, "VEKser_GetAllAxisMotorPositions()");
  return vek::GetAllAxisMotorPositions(nullptr, handle, positions);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAllAxisEncoderPositions(uint32_t* handle, int32_t* positions) {
  TraceEntry(handle, "VEKnet_GetAllAxisEncoderPositions()");
  return vek::GetAllAxisEncoderPositions(handle, nullptr, positions);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAllAxisEncoderPositions(uint32_t* handle, int32_t* positions) {
  TraceEntry(handle, "VEKser_GetAllAxisEncoderPositions()");
  return vek::GetAllAxisEncoderPositions(nullptr, handle, positions);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAllAxisPositions(uint32_t* handle, int32_t* motorPositions,
                                                                int32_t* encoderPositions) {
  TraceEntry(handle, "VEKnet_GetAllAxisPositions()");
  return vek::GetAllAxisPositions(handle, nullptr, motorPositions, encoderPositions);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAllAxisPositions(uint32_t* handle, int32_t* motorPositions,
                                                                int32_t* encoderPositions) {
  TraceEntry(handle, "VEKser_GetAllAxisPositions()");
  return vek::GetAllAxisPositions(nullptr, handle, motorPositions, encoderPositions);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t position) {
  TraceEntry(handle, "VEKnet_SetAxisMotorPosition()");
  return vek::SetAxisMotorPosition(handle, nullptr, axis, position);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisMotorPosition(uint32_t* handle, int32_t axis, int32_t position) {
  TraceEntry(handle, "VEKser_SetAxisMotorPosition()");
  return vek::SetAxisMotorPosition(nullptr, handle, axis, position);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetMultiAxisMotorPositions(uint32_t* handle, int32_t axes,
                                                                       int32_t addressing, const int32_t* positions) {
  TraceEntry(handle, "VEKnet_SetMultiAxisMotorPositions()");
  return vek::SetMultiAxisMotorPositions(handle, nullptr, axes, addressing, positions);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetMultiAxisMotorPositions(uint32_t* handle, int32_t axes,
                                                                       int32_t addressing, const int32_t* positions) {
  TraceEntry(handle, "VEKser_SetMultiAxisMotorPositions()");
  return vek::SetMultiAxisMotorPositions(nullptr, handle, axes, addressing, positions);
}
