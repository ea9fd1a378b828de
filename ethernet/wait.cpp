// The motion-completion wait: polls the connection in 10 ms reads, whose
// filter folds the controller's notifications into the Ethernet StatusFlags,
// until every awaited flag is set or the time-out has passed. Time comes from
// a process-wide stopwatch on the high-resolution counter.
#include "core/state.h"
#include "core/trace.h"
#include "ethernet/ethernet.h"
#include "platform/platform.h"
#include "vekkestra.h"

namespace vek {
namespace {

int64_t gCounterFrequency = 1;
int64_t gReadCost = 0;

// How long one poll lasts at most; stands in for the clock when the counter
// gives no reading.
constexpr double kPollMs = 10.0;

uint32_t AwaitedSet(int32_t axisMask, uint32_t flagGroup) {
  uint32_t mask = static_cast<uint32_t>(axisMask);
  if (flagGroup == 1) return mask << kLimitShift;
  if (flagGroup == 2) return mask << kSlipShift;
  return mask << kDoneShift;
}

bool AllSet(uint32_t awaited) { return (gState.netStatusFlags & awaited) == awaited; }

// Milliseconds since `start`; without a counter reading, each poll cycle
// counts as a full poll so that the time-out still ends the wait.
double ElapsedMs(int64_t start, int cycles) {
  if (start == 0) return cycles * kPollMs;
  double ms = 0.0;
  GetElapsedTime(start, &ms);
  return ms;
}

}  // namespace

void StartTimer() {
  gCounterFrequency = plat::CounterFrequency();
  if (gCounterFrequency == 0) gCounterFrequency = 1;
  gReadCost = 0;
  int64_t t1 = plat::CounterNow();
  if (t1 > 0) {
    int64_t t2 = plat::CounterNow();
    gReadCost = t2 > t1 ? t2 - t1 : 0;
  }
}

int64_t GetElapsedTime(int64_t start, double* elapsedMs) {
  int64_t ticks = 0;
  if (start != 0) {
    int64_t span = plat::CounterNow() - start;
    ticks = span > gReadCost ? span - gReadCost : 0;
  }
  if (elapsedMs != nullptr) *elapsedMs = static_cast<double>(ticks) * 1000.0 / static_cast<double>(gCounterFrequency);
  return ticks;
}

uint32_t WaitOnEthernet(uint32_t* handle, int32_t axisMask, int32_t timeoutMs, uint32_t flagGroup) {
  if (timeoutMs == 0) return VEK_SUCCESS;
  if (timeoutMs < 0 || handle == nullptr) return VEK_ERROR_INVALID_PARAMETER;

  uint32_t awaited = AwaitedSet(axisMask, flagGroup);
  TraceVerbosef(handle, nullptr, "WaitOnEthernet | start - Axis:0x%02X  Timeout:%d  lRet:%d", awaited, timeoutMs, 0);
  StartTimer();
  int64_t start = plat::CounterNow();

  uint32_t result = VEK_SUCCESS;
  int cycles = 0;
  if (!AllSet(awaited)) {
    for (;;) {
      uint32_t read = ReadTCPIP(handle, nullptr, 0, kPollTimeoutUs);
      ++cycles;
      // The time test comes first: a cycle that finds the time-out passed
      // reports it even if its read completed the flags.
      result = ElapsedMs(start, cycles) > static_cast<double>(timeoutMs) ? VEK_ERROR_WAIT_TIMEOUT : read;
      if (AllSet(awaited) || result == VEK_ERROR_WAIT_TIMEOUT) break;
    }
  }

  TraceVerbosef(handle, nullptr, "WaitOnEthernet | end - Axis:0x%02X  total elapsed time:%.3f  Timeout:%d  lRet:%d",
                awaited, ElapsedMs(start, cycles), timeoutMs, static_cast<int>(result));
  return result;
}

}  // namespace vek
