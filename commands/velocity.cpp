// Velocities, accelerations and the shape of the acceleration ramp. The
// library checks no range: every value goes to the controller as given.
#include <cstdint>

#include "commands/axis.h"
#include "commands/reads.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

// The "?" reads of a setting answer with one leading character ("=2500"), so
// that character is dropped before the number is scanned.
constexpr AxisReadKind kCurrentVelocity = {
    "GetAxisCurrentVelocity()", "RV", false, true, "VEKnet_GetAxisCurrentVelocity() bad receive string: recv ", true};
constexpr AxisReadKind kCurrentAcceleration = {
    "GetAxisCurrentAcceleration()",
    "RC",
    false,
    false,
    "GetAxisCurrentAcceleration() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv ",
    true};
constexpr AxisReadKind kBaseVelocity = {"GetAxisBaseVelocity()",
                                        "?VB",
                                        true,
                                        false,
                                        "GetAxisBaseVelocity() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv ",
                                        true};
constexpr AxisReadKind kMaxVelocity = {"GetAxisMaxVelocity()",
                                       "?VL",
                                       true,
                                       false,
                                       "GetAxisMaxVelocity() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv ",
                                       true};
constexpr AxisReadKind kAcceleration = {"GetAxisAcceleration()",
                                        "?AC",
                                        true,
                                        false,
                                        "GetAxisAcceleration() | VEK_ERROR_BAD_RESPONSE | bad receive string: recv ",
                                        true};

struct AllAxesRead {
  const char* label;
  const char* commands[2];  // by prefix selector: "AA" form, "AM" form
};

constexpr AllAxesRead kAllVelocities = {"GetAllCurrentVelocities()", {"AARV", "AMRV"}};
constexpr AllAxesRead kAllAccelerations = {"GetAllCurrentAccelerations()", {"AARC", "AMRC"}};

// The slots without a field in the answer keep what the caller left there.
uint32_t ReadAllAxes(uint32_t* net, uint32_t* ser, int32_t addressing, int32_t* values, const AllAxesRead& read) {
  if ((net == nullptr && ser == nullptr) || values == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(net, ser, read.label);
  if (addressing != 0 && addressing != 1) return VEK_ERROR_INVALID_PARAMETER;
  return ReadValueList(net, ser, read.commands[addressing], values, false, nullptr);
}

}  // namespace
}  // namespace vek

using vek::TraceEntry;

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisCurrentVelocity(uint32_t* handle, int32_t axis, int32_t* velocity) {
  TraceEntry(handle, "VEKnet_GetAxisCurrentVelocity()");
  return vek::ReadAxisValue(handle, nullptr, axis, velocity, vek::kCurrentVelocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisCurrentVelocity(uint32_t* handle, int32_t axis, int32_t* velocity) {
  TraceEntry(handle, "VEKser_GetAxisCurrentVelocity()");
  return vek::ReadAxisValue(nullptr, handle, axis, velocity, vek::kCurrentVelocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t* velocity) {
  TraceEntry(handle, "VEKnet_GetAxisBaseVelocity()");
  return vek::ReadAxisValue(handle, nullptr, axis, velocity, vek::kBaseVelocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t* velocity) {
  TraceEntry(handle, "VEKser_GetAxisBaseVelocity()");
  return vek::ReadAxisValue(nullptr, handle, axis, velocity, vek::kBaseVelocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t* velocity) {
  TraceEntry(handle, "VEKnet_GetAxisMaxVelocity()");
  return vek::ReadAxisValue(handle, nullptr, axis, velocity, vek::kMaxVelocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t* velocity) {
  TraceEntry(handle, "VEKser_GetAxisMaxVelocity()");
  return vek::ReadAxisValue(nullptr, handle, axis, velocity, vek::kMaxVelocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t* acceleration) {
  TraceEntry(handle, "VEKnet_GetAxisAcceleration()");
  return vek::ReadAxisValue(handle, nullptr, axis, acceleration, vek::kAcceleration);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t* acceleration) {
  TraceEntry(handle, "VEKser_GetAxisAcceleration()");
  return vek::ReadAxisValue(nullptr, handle, axis, acceleration, vek::kAcceleration);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAxisCurrentAcceleration(uint32_t* handle, int32_t axis,
                                                                       int32_t* acceleration) {
  TraceEntry(handle, "VEKnet_GetAxisCurrentAcceleration()");
  return vek::ReadAxisValue(handle, nullptr, axis, acceleration, vek::kCurrentAcceleration);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAxisCurrentAcceleration(uint32_t* handle, int32_t axis,
                                                                       int32_t* acceleration) {
  TraceEntry(handle, "VEKser_GetAxisCurrentAcceleration()");
  return vek::ReadAxisValue(nullptr, handle, axis, acceleration, vek::kCurrentAcceleration);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAllCurrentVelocities(uint32_t* handle, int32_t addressing,
                                                                    int32_t* velocities) {
  TraceEntry(handle, "VEKnet_GetAllCurrentVelocities()");
  return vek::ReadAllAxes(handle, nullptr, addressing, velocities, vek::kAllVelocities);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAllCurrentVelocities(uint32_t* handle, int32_t addressing,
                                                                    int32_t* velocities) {
  TraceEntry(handle, "VEKser_GetAllCurrentVelocities()");
  return vek::ReadAllAxes(nullptr, handle, addressing, velocities, vek::kAllVelocities);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_GetAllCurrentAccelerations(uint32_t* handle, int32_t addressing,
                                                                       int32_t* accelerations) {
  TraceEntry(handle, "VEKnet_GetAllCurrentAccelerations()");
  return vek::ReadAllAxes(handle, nullptr, addressing, accelerations, vek::kAllAccelerations);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_GetAllCurrentAccelerations(uint32_t* handle, int32_t addressing,
                                                                       int32_t* accelerations) {
  TraceEntry(handle, "VEKser_GetAllCurrentAccelerations()");
  return vek::ReadAllAxes(nullptr, handle, addressing, accelerations, vek::kAllAccelerations);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t velocity) {
  TraceEntry(handle, "VEKnet_SetAxisBaseVelocity()");
  return vek::SendSingleParamCommand(handle, nullptr, axis, "VB", velocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisBaseVelocity(uint32_t* handle, int32_t axis, int32_t velocity) {
  TraceEntry(handle, "VEKser_SetAxisBaseVelocity()");
  return vek::SendSingleParamCommand(nullptr, handle, axis, "VB", velocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t velocity) {
  TraceEntry(handle, "VEKnet_SetAxisMaxVelocity()");
  return vek::SendSingleParamCommand(handle, nullptr, axis, "VL", velocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisMaxVelocity(uint32_t* handle, int32_t axis, int32_t velocity) {
  TraceEntry(handle, "VEKser_SetAxisMaxVelcoity()");
  return vek::SendSingleParamCommand(nullptr, handle, axis, "VL", velocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t acceleration) {
  TraceEntry(handle, "VEKnet_SetAxisAcceleration()");
  return vek::SendSingleParamCommand(handle, nullptr, axis, "AC", acceleration);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisAcceleration(uint32_t* handle, int32_t axis, int32_t acceleration) {
  TraceEntry(handle, "VEKser_SetAxisAcceleration()");
  return vek::SendSingleParamCommand(nullptr, handle, axis, "AC", acceleration);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationParabolic(uint32_t* handle, int32_t axis,
                                                                         int32_t rampParameter) {
  TraceEntry(handle, "VEKnet_SetAxisAccelerationParabolic()");
  return vek::SendSingleParamCommand(handle, nullptr, axis, "PR", rampParameter);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationParabolic(uint32_t* handle, int32_t axis,
                                                                         int32_t rampParameter) {
  TraceEntry(handle, "VEKser_SetAxisAccelerationParabolic()");
  return vek::SendSingleParamCommand(nullptr, handle, axis, "PR", rampParameter);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationSCurve(uint32_t* handle, int32_t axis,
                                                                      int32_t rampParameter) {
  TraceEntry(handle, "VEKnet_SetAxisAccelerationSCurve()");
  return vek::SendSingleParamCommand(handle, nullptr, axis, "SS", rampParameter);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationSCurve(uint32_t* handle, int32_t axis,
                                                                      int32_t rampParameter) {
  TraceEntry(handle, "VEKser_SetAxisAccelerationSCurve()");
  return vek::SendSingleParamCommand(nullptr, handle, axis, "SS", rampParameter);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationCosine(uint32_t* handle, int32_t axis) {
  TraceEntry(handle, "VEKnet_SetAxisAccelerationCosine()");
  return vek::SendSingleCommand(handle, nullptr, axis, "SC;");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationCosine(uint32_t* handle, int32_t axis) {
  TraceEntry(handle, "VEKser_SetAxisAccelerationCosine()");
  return vek::SendSingleCommand(nullptr, handle, axis, "SC;");
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisAccelerationLinear(uint32_t* handle, int32_t axis) {
  TraceEntry(handle, "VEKnet_SetAxisAccelerationLinear()");
  return vek::SendSingleCommand(handle, nullptr, axis, "LA;");
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisAccelerationLinear(uint32_t* handle, int32_t axis) {
  TraceEntry(handle, "VEKser_SetAxisAccelerationLinear()");
  return vek::SendSingleCommand(nullptr, handle, axis, "LA;");
}
