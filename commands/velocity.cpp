// Velocities, accelerations and the shape of the acceleration ramp. The
// library checks no range: every value goes to the controller as given.
#include <cstdint>

#include "commands/axis.h"
#include "commands/reads.h"
#include "commands/workers.h"
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
uint32_t ReadAllAxes(Link link, int32_t addressing, int32_t* values, const AllAxesRead& read) {
  if (link.Missing() || values == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, read.label);
  if (addressing != 0 && addressing != 1) return VEK_ERROR_INVALID_PARAMETER;
  return ReadValueList(link, read.commands[addressing], values, false, nullptr);
}

}  // namespace

uint32_t ops::GetAxisCurrentVelocity(Link link, int32_t axis, int32_t* velocity) {
  return ReadAxisValue(link, axis, velocity, kCurrentVelocity);
}

uint32_t ops::GetAxisBaseVelocity(Link link, int32_t axis, int32_t* velocity) {
  return ReadAxisValue(link, axis, velocity, kBaseVelocity);
}

uint32_t ops::GetAxisMaxVelocity(Link link, int32_t axis, int32_t* velocity) {
  return ReadAxisValue(link, axis, velocity, kMaxVelocity);
}

uint32_t ops::GetAxisAcceleration(Link link, int32_t axis, int32_t* acceleration) {
  return ReadAxisValue(link, axis, acceleration, kAcceleration);
}

uint32_t ops::GetAxisCurrentAcceleration(Link link, int32_t axis, int32_t* acceleration) {
  return ReadAxisValue(link, axis, acceleration, kCurrentAcceleration);
}

uint32_t ops::GetAllCurrentVelocities(Link link, int32_t addressing, int32_t* velocities) {
  return ReadAllAxes(link, addressing, velocities, kAllVelocities);
}

uint32_t ops::GetAllCurrentAccelerations(Link link, int32_t addressing, int32_t* accelerations) {
  return ReadAllAxes(link, addressing, accelerations, kAllAccelerations);
}

uint32_t ops::SetAxisBaseVelocity(Link link, int32_t axis, int32_t velocity) {
  return SendSingleParamCommand(link, axis, "VB", velocity);
}

uint32_t ops::SetAxisMaxVelocity(Link link, int32_t axis, int32_t velocity) {
  return SendSingleParamCommand(link, axis, "VL", velocity);
}

uint32_t ops::SetAxisAcceleration(Link link, int32_t axis, int32_t acceleration) {
  return SendSingleParamCommand(link, axis, "AC", acceleration);
}

uint32_t ops::SetAxisAccelerationParabolic(Link link, int32_t axis, int32_t rampParameter) {
  return SendSingleParamCommand(link, axis, "PR", rampParameter);
}

uint32_t ops::SetAxisAccelerationSCurve(Link link, int32_t axis, int32_t rampParameter) {
  return SendSingleParamCommand(link, axis, "SS", rampParameter);
}

uint32_t ops::SetAxisAccelerationCosine(Link link, int32_t axis) { return SendSingleCommand(link, axis, "SC;"); }

uint32_t ops::SetAxisAccelerationLinear(Link link, int32_t axis) { return SendSingleCommand(link, axis, "LA;"); }

}  // namespace vek
