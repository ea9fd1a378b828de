// The serial motion wait: drains the port until the awaited flags arrive in
// a notification or the count runs out. The count is not a clock: each drain
// adds the 5 ms that a drain of a quiet port nominally takes.
#include <cstdint>

#include "core/state.h"
#include "core/trace.h"
#include "serial/serial.h"
#include "vekkestra.h"

namespace vek {
namespace {

constexpr int64_t kCountPerDrain = 5;

uint32_t GroupShift(uint32_t flagGroup) {
  switch (flagGroup) {
    case 1:
      return kLimitShift;
    case 2:
      return kSlipShift;
    default:
      return kDoneShift;
  }
}

}  // namespace

uint32_t WaitOnSerial(uint32_t* handle, int32_t axisMask, int32_t timeoutMs, uint32_t flagGroup) {
  if (timeoutMs == 0) return VEK_SUCCESS;
  if (timeoutMs < 0) return VEK_ERROR_INVALID_PARAMETER;
  TraceVerbosef(handle, "WaitOnSerial() | start | Flags:0x%X  lAxes:0x%X  lTimeout:%d", gState.serStatusFlags.load(),
                static_cast<uint32_t>(axisMask), timeoutMs);

  const uint32_t awaited = static_cast<uint32_t>(axisMask) << GroupShift(flagGroup);
  // 64 bits: a count one step past a time-out near the 32-bit limit must not wrap.
  int64_t count = 0;
  // The flags are tested first, so flags that arrive with the last drain
  // still count as a success.
  while ((gState.serStatusFlags.load() & awaited) != awaited && count < timeoutMs) {
    ReadSerialBuff(handle, nullptr, 0, ReadMode::kDrain);
    count += kCountPerDrain;
  }
  const uint32_t flags = gState.serStatusFlags.load();
  const uint32_t result = (flags & awaited) == awaited ? VEK_SUCCESS : VEK_ERROR_WAIT_TIMEOUT;
  TraceVerbosef(handle, "WaitOnSerial | OutOfLoop - lflags:0x%X  lAxes:0x%X  lRetVal:%d  recv timeout: %d, timeout: %d",
                flags, awaited, static_cast<int>(result), static_cast<int>(count), timeoutMs);
  return result;
}

}  // namespace vek
