// The reference searches of one axis: the home switch logic, the home search
// and the limit search. A search that was waited on is ended with the
// transport's exported stop: after a failed home wait, after every limit wait.
#include <cstdint>

#include "commands/axis.h"
#include "commands/workers.h"
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

}  // namespace

uint32_t ops::SetAxisHomeSwitchLogic(Link link, int32_t axis, int32_t logic) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, "SetAxisHomeSwitchLogic()");
  if (!IsSelector(logic)) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(link, axis, kSwitchLogic[logic]);
}

uint32_t ops::FindAxisHome(Link link, int32_t axis, int32_t search, int32_t home, int32_t value, int32_t timeoutMs) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  // One label for both links: the log reads the same whichever one searched.
  TraceVerbose(link.handle, "VEKnet_FindAxisHome()");
  if (!IsSelector(search)) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%c%s", letter, kSearchCommands[search]);
  if (!IsSelector(home)) return VEK_ERROR_INVALID_PARAMETER;
  AppendCommand(command, "%s%d;ID", kHomeCommands[home], static_cast<int>(value));
  const uint32_t sent = link.Send(command);
  if (sent != VEK_SUCCESS) return sent;
  if (timeoutMs == 0) return VEK_SUCCESS;  // the search goes on in the controller
  const uint32_t waited = link.Wait(axis, timeoutMs, kDoneGroup);
  if (waited != VEK_SUCCESS) link.Stop(axis);
  return waited;
}

uint32_t ops::FindAxisLimit(Link link, int32_t axis, int32_t direction, int32_t velocity, int32_t timeoutMs) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, "FindAxisLimit()");
  if (!IsSelector(direction)) return VEK_ERROR_INVALID_PARAMETER;
  // The negative direction is a literal "-" in front of the velocity as given.
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%cLNJG%s%d;", letter, direction == 0 ? "" : "-", static_cast<int>(velocity));
  const uint32_t sent = link.Send(command);
  if (sent != VEK_SUCCESS) return sent;
  if (timeoutMs == 0) return VEK_SUCCESS;  // jogs on until the controller stops it
  if (timeoutMs < 0) {
    link.Stop(axis);
    return VEK_ERROR_INVALID_PARAMETER;
  }
  const uint32_t waited = link.Wait(axis, timeoutMs, kLimitGroup);
  link.Stop(axis);
  return waited;
}

}  // namespace vek
