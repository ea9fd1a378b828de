// The reference searches of one axis: the home switch logic, the home search
// and the limit search. A search that was waited on is ended with the
// transport's exported stop: after a failed home wait, after every limit wait.
#include <cstdint>

#include "commands/axis.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr const char* kSwitchLogic[] = {"HL", "HH"};
constexpr const char* kSearchCommands[] = {"HS", "HE"};
constexpr const char* kHomeCommands[] = {"HM", "HR"};
constexpr uint32_t kDoneGroup = 0;
constexpr uint32_t kLimitGroup = 1;

bool IsSelector(int32_t value) { return value == 0 || value == 1; }

uint32_t SetAxisHomeSwitchLogic(uint32_t* net, uint32_t* ser, int32_t axis, int32_t logic) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(net, ser, "SetAxisHomeSwitchLogic()");
  if (!IsSelector(logic)) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(net, ser, axis, kSwitchLogic[logic]);
}

uint32_t FindAxisHome(uint32_t* net, uint32_t* ser, int32_t axis, int32_t search, int32_t home, int32_t value,
                      int32_t timeoutMs) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  // One label for both links: the log reads the same whichever one searched.
  TraceVerbose(net, ser, "VEKnet_FindAxisHome()");
  if (!IsSelector(search)) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%c%s", letter, kSearchCommands[search]);
  if (!IsSelector(home)) return VEK_ERROR_INVALID_PARAMETER;
  AppendCommand(command, "%s%d;ID", kHomeCommands[home], static_cast<int>(value));
  const uint32_t sent = SendOn(net, ser, command);
  if (sent != VEK_SUCCESS) return sent;
  if (timeoutMs == 0) return VEK_SUCCESS;  // the search goes on in the controller
  const uint32_t waited = WaitOn(net, ser, axis, timeoutMs, kDoneGroup);
  if (waited != VEK_SUCCESS) StopOn(net, ser, axis);
  return waited;
}

uint32_t FindAxisLimit(uint32_t* net, uint32_t* ser, int32_t axis, int32_t direction, int32_t velocity,
                       int32_t timeoutMs) {
  if (net == nullptr && ser == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(net, ser, "FindAxisLimit()");
  if (!IsSelector(direction)) return VEK_ERROR_INVALID_PARAMETER;
  // The negative direction is a literal "-" in front of the velocity as given.
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%cLNJG%s%d;", letter, direction == 0 ? "" : "-", static_cast<int>(velocity));
  const uint32_t sent = SendOn(net, ser, command);
  if (sent != VEK_SUCCESS) return sent;
  if (timeoutMs == 0) return VEK_SUCCESS;  // jogs on until the controller stops it
  if (timeoutMs < 0) {
    StopOn(net, ser, axis);
    return VEK_ERROR_INVALID_PARAMETER;
  }
  const uint32_t waited = WaitOn(net, ser, axis, timeoutMs, kLimitGroup);
  StopOn(net, ser, axis);
  return waited;
}

}  // namespace
}  // namespace vek

extern "C" VEK_API uint32_t VEK_CALL VEKnet_SetAxisHomeSwitchLogic(uint32_t* handle, int32_t axis,
                                                                   int32_t switchLogic) {
  vek::TraceEntry(handle, "VEKnet_SetAxisHomeSwitchLogic()");
  return vek::SetAxisHomeSwitchLogic(handle, nullptr, axis, switchLogic);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_SetAxisHomeSwitchLogic(uint32_t* handle, int32_t axis,
                                                                   int32_t switchLogic) {
  vek::TraceEntry(handle, "VEKser_SetAxisHomeSwitchLogic()");
  return vek::SetAxisHomeSwitchLogic(nullptr, handle, axis, switchLogic);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_FindAxisHome(uint32_t* handle, int32_t axis, int32_t searchCommand,
                                                         int32_t homeCommand, int32_t homeValue, int32_t timeoutMs) {
  vek::TraceEntry(handle, "VEKnet_FindAxisHome()");
  return vek::FindAxisHome(handle, nullptr, axis, searchCommand, homeCommand, homeValue, timeoutMs);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_FindAxisHome(uint32_t* handle, int32_t axis, int32_t searchCommand,
                                                         int32_t homeCommand, int32_t homeValue, int32_t timeoutMs) {
  vek::TraceEntry(handle, "VEKser_FindAxisHome()");
  return vek::FindAxisHome(nullptr, handle, axis, searchCommand, homeCommand, homeValue, timeoutMs);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_FindAxisLimit(uint32_t* handle, int32_t axis, int32_t direction,
                                                          int32_t velocity, int32_t timeoutMs) {
  vek::TraceEntry(handle, "VEKnet_FindAxisLimit()");
  return vek::FindAxisLimit(handle, nullptr, axis, direction, velocity, timeoutMs);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_FindAxisLimit(uint32_t* handle, int32_t axis, int32_t direction,
                                                          int32_t velocity, int32_t timeoutMs) {
  vek::TraceEntry(handle, "VEKser_FindAxisLimit()");
  return vek::FindAxisLimit(nullptr, handle, axis, direction, velocity, timeoutMs);
}
