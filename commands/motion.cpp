// Point-to-point moves and jogs of one axis or of several. The moves can wait
// for the done flags of their axes; jogs never wait, a stop ends them.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "commands/axis.h"
#include "commands/workers.h"
#include "core/trace.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr const char* kMoveAxisKinds[] = {"MA", "MR"};
constexpr const char* kMoveKinds[] = {"MA", "MR", "MT", "ML"};
constexpr const char* kAddressing[] = {"AA", "AM"};
constexpr const char* kStepDirections[] = {"MPMO;", "MMMO;"};

// A selector indexes its table only when it is one of the table's entries.
template <std::size_t N>
const char* Pick(const char* const (&table)[N], int32_t selector) {
  return (selector >= 0 && static_cast<std::size_t>(selector) < N) ? table[selector] : nullptr;
}

// The velocity of a "JG" jog cut toward zero; false when it has no 32-bit
// value (not a number, infinite, or beyond the range once cut).
bool WholeVelocity(double velocity, int32_t* whole) {
  if (!std::isfinite(velocity)) return false;
  const double cut = std::trunc(velocity);
  if (cut < -2147483648.0 || cut > 2147483647.0) return false;
  *whole = static_cast<int32_t>(cut);
  return true;
}

}  // namespace

uint32_t ops::MoveAxis(Link link, int32_t axis, int32_t kind, int32_t value, int32_t suffix, int32_t timeoutMs) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, "MoveAxis()");
  const char* mnemonic = Pick(kMoveAxisKinds, kind);
  if (mnemonic == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (suffix != 0 && suffix != 1) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%c%s%d;GD%s", letter, mnemonic, static_cast<int>(value), suffix == 0 ? "ID;" : "IP;");
  const uint32_t sent = link.Send(command);
  if (sent != VEK_SUCCESS) return sent;
  // The serial wait decides for every time-out (0 returns at once, a
  // negative one is refused after the move went out); the Ethernet move only
  // waits for a positive one.
  if (link.transport->moveAxisWaitsForPositiveTimeoutOnly) {
    if (timeoutMs <= 0) return VEK_SUCCESS;
    DumpFlags(link, "MoveAxis");
  }
  return link.Wait(axis, timeoutMs, 0);
}

uint32_t ops::JogAxis(Link link, int32_t axis, int32_t kind, double velocity) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, "JogAxis()");
  char command[kCommandBufferSize] = {};
  if (kind == 0) {
    int32_t whole = 0;
    if (!WholeVelocity(velocity, &whole)) return VEK_ERROR_INVALID_PARAMETER;
    AppendCommand(command, "A%cJG%d;", letter, static_cast<int>(whole));
  } else if (kind == 1) {
    // Six decimals of a huge value would not fit the command; "nan" and
    // "inf" mean nothing to the controller.
    if (!std::isfinite(velocity) || !AppendCommand(command, "A%cJF%f;", letter, velocity)) {
      return VEK_ERROR_INVALID_PARAMETER;
    }
  } else {
    return VEK_ERROR_INVALID_PARAMETER;
  }
  return link.Send(command);
}

uint32_t ops::MoveAxisOneStep(Link link, int32_t axis, int32_t direction) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  const char* text = Pick(kStepDirections, direction);
  if (text == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(link, axis, text);
}

uint32_t ops::Move(Link link, int32_t mask, int32_t addressing, int32_t kind, const int32_t* targets, int32_t suffix,
                   int32_t timeoutMs) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  if (mask > kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(link.handle, "Move()");
  const char* prefix = Pick(kAddressing, addressing);
  if (prefix == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  const char* mnemonic = Pick(kMoveKinds, kind);
  if (mnemonic == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "%s%s", prefix, mnemonic);
  const uint32_t built = BuildMultiAxisValues(mask, targets, command);
  if (built != VEK_SUCCESS) return built;
  if (suffix != 0 && suffix != 1) return VEK_ERROR_INVALID_PARAMETER;
  // Ten long values leave no room for the completion suffix: refuse the move
  // rather than send it without its "GD".
  if (!AppendCommand(command, "%s", suffix == 0 ? ";GDID;" : ";GDIP;")) return VEK_ERROR_INVALID_PARAMETER;
  const uint32_t sent = link.Send(command);
  if (sent != VEK_SUCCESS) return sent;
  return link.Wait(mask, timeoutMs, 0);
}

uint32_t ops::Jog(Link link, int32_t mask, int32_t addressing, const int32_t* velocities) {
  if (link.Missing()) return VEK_ERROR_INVALID_PARAMETER;
  if (mask > kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  if (velocities == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(link.handle, "Jog()");
  const char* prefix = Pick(kAddressing, addressing);
  if (prefix == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "%sJG", prefix);
  const uint32_t built = BuildMultiAxisValues(mask, velocities, command);
  if (built != VEK_SUCCESS) return built;
  return link.Send(command);
}

}  // namespace vek
