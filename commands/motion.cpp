// Point-to-point moves and jogs of one axis or of several. The moves can wait
// for the done flags of their axes; jogs never wait, a stop ends them.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "commands/axis.h"
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

bool BothNull(const uint32_t* net, const uint32_t* ser) { return net == nullptr && ser == nullptr; }

uint32_t MoveAxis(uint32_t* net, uint32_t* ser, int32_t axis, int32_t kind, int32_t value, int32_t suffix,
                  int32_t timeoutMs) {
  if (BothNull(net, ser)) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(net, ser, "MoveAxis()");
  const char* mnemonic = Pick(kMoveAxisKinds, kind);
  if (mnemonic == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  if (suffix != 0 && suffix != 1) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "A%c%s%d;GD%s", letter, mnemonic, static_cast<int>(value), suffix == 0 ? "ID;" : "IP;");
  const uint32_t sent = SendOn(net, ser, command);
  if (sent != VEK_SUCCESS) return sent;
  // The serial wait decides for every time-out (0 returns at once, a
  // negative one is refused after the move went out); the Ethernet move only
  // waits for a positive one.
  if (ser != nullptr) return WaitOn(net, ser, axis, timeoutMs, 0);
  if (timeoutMs <= 0) return VEK_SUCCESS;
  TraceStatusFlags(net, nullptr, "VEKnet_MoveAxis");
  return WaitOn(net, nullptr, axis, timeoutMs, 0);
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

uint32_t JogAxis(uint32_t* net, uint32_t* ser, int32_t axis, int32_t kind, double velocity) {
  if (BothNull(net, ser)) return VEK_ERROR_INVALID_PARAMETER;
  char letter = 0;
  if (!AxisLetterOf(axis, &letter)) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(net, ser, "JogAxis()");
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
  return SendOn(net, ser, command);
}

uint32_t MoveAxisOneStep(uint32_t* net, uint32_t* ser, int32_t axis, int32_t direction) {
  if (BothNull(net, ser)) return VEK_ERROR_INVALID_PARAMETER;
  const char* text = Pick(kStepDirections, direction);
  if (text == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  return SendSingleCommand(net, ser, axis, text);
}

uint32_t Move(uint32_t* net, uint32_t* ser, int32_t mask, int32_t addressing, int32_t kind, const int32_t* targets,
              int32_t suffix, int32_t timeoutMs) {
  if (BothNull(net, ser)) return VEK_ERROR_INVALID_PARAMETER;
  if (mask > kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  TraceVerbose(net, ser, "Move()");
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
  const uint32_t sent = SendOn(net, ser, command);
  if (sent != VEK_SUCCESS) return sent;
  return WaitOn(net, ser, mask, timeoutMs, 0);
}

uint32_t Jog(uint32_t* net, uint32_t* ser, int32_t mask, int32_t addressing, const int32_t* velocities) {
  if (BothNull(net, ser)) return VEK_ERROR_INVALID_PARAMETER;
  if (mask > kAllAxesMask) return VEK_ERROR_INVALID_AXIS;
  if (velocities == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbose(net, ser, "Jog()");
  const char* prefix = Pick(kAddressing, addressing);
  if (prefix == nullptr) return VEK_ERROR_INVALID_PARAMETER;
  char command[kCommandBufferSize] = {};
  AppendCommand(command, "%sJG", prefix);
  const uint32_t built = BuildMultiAxisValues(mask, velocities, command);
  if (built != VEK_SUCCESS) return built;
  return SendOn(net, ser, command);
}

}  // namespace
}  // namespace vek

using vek::TraceEntry;

extern "C" VEK_API uint32_t VEK_CALL VEKnet_MoveAxis(uint32_t* handle, int32_t axis, int32_t moveKind, int32_t value,
                                                     int32_t suffix, int32_t timeoutMs) {
  TraceEntry(handle, "VEKnet_MoveAxis()");
  return vek::MoveAxis(handle, nullptr, axis, moveKind, value, suffix, timeoutMs);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_MoveAxis(uint32_t* handle, int32_t axis, int32_t moveKind, int32_t value,
                                                     int32_t suffix, int32_t timeoutMs) {
  TraceEntry(handle, "VEKser_MoveAxis()");
  return vek::MoveAxis(nullptr, handle, axis, moveKind, value, suffix, timeoutMs);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_JogAxis(uint32_t* handle, int32_t axis, int32_t jogKind, double velocity) {
  TraceEntry(handle, "VEKnet_JogAxis()");
  return vek::JogAxis(handle, nullptr, axis, jogKind, velocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_JogAxis(uint32_t* handle, int32_t axis, int32_t jogKind, double velocity) {
  TraceEntry(handle, "VEKser_JogAxis()");
  return vek::JogAxis(nullptr, handle, axis, jogKind, velocity);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_MoveAxisOneStep(uint32_t* handle, int32_t axis, int32_t direction) {
  TraceEntry(handle, "VEKnet_MoveAxisOneStep()");
  return vek::MoveAxisOneStep(handle, nullptr, axis, direction);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_MoveAxisOneStep(uint32_t* handle, int32_t axis, int32_t direction) {
  TraceEntry(handle, "VEKser_MoveAxisOneStep()");
  return vek::MoveAxisOneStep(nullptr, handle, axis, direction);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_Move(uint32_t* handle, int32_t axes, int32_t addressing, int32_t moveKind,
                                                 const int32_t* targets, int32_t suffix, int32_t timeoutMs) {
  TraceEntry(handle, "VEKnet_Move()");
  return vek::Move(handle, nullptr, axes, addressing, moveKind, targets, suffix, timeoutMs);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_Move(uint32_t* handle, int32_t axes, int32_t addressing, int32_t moveKind,
                                                 const int32_t* targets, int32_t suffix, int32_t timeoutMs) {
  TraceEntry(handle, "VEKser_Move()");
  return vek::Move(nullptr, handle, axes, addressing, moveKind, targets, suffix, timeoutMs);
}

extern "C" VEK_API uint32_t VEK_CALL VEKnet_Jog(uint32_t* handle, int32_t axes, int32_t addressing,
                                                const int32_t* velocities) {
  TraceEntry(handle, "VEKnet_Jog()");
  return vek::Jog(handle, nullptr, axes, addressing, velocities);
}

extern "C" VEK_API uint32_t VEK_CALL VEKser_Jog(uint32_t* handle, int32_t axes, int32_t addressing,
                                                const int32_t* velocities) {
  TraceEntry(handle, "VEKser_Jog()");
  return vek::Jog(nullptr, handle, axes, addressing, velocities);
}
