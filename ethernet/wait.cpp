// The motion-completion wait: polls the connection in 10 ms reads, whose
// filter folds the controller's notifications into the Ethernet StatusFlags,
// until every awaited flag is set or the time-out has passed. Time comes from
// the high-resolution counter, through a stopwatch of the wait's own.
#include "core/state.h"
#include "core/trace.h"
#include "ethernet/ethernet.h"
#include "platform/platform.h"
#include "vekkestra.h"

namespace vek {
namespace {

// How long one poll lasts at most; stands in for the clock when the counter
// gives no reading.
constexpr double kPollMs = 10.0;

uint32_t AwaitedSet(int32_t axisMask, uint32_t flagGroup) {
  uint32_t mask = static_cast<uint32_t>(axisMask);
  if (flagGroup == 1) return mask << kLimitShift;
  if (flagGroup == 2) return mask << kSlipShift;
  return mask << kDoneShift;
}

bool AllSet(uint32_t awaited) { return (gState.netStatusFlags.load() & awaited) == awaited; }

// Milliseconds since `start`; without a counter reading, each poll cycle
// counts as a full poll so that the time-out still ends the wait.
double ElapsedMs(const Stopwatch& watch, int64_t start, int cycles) {
  if (start == 0) return cycles * kPollMs;
  double ms = 0.0;
  GetElapsedTime(watch, start, &ms);
  return ms;
}

}  // namespace

void StartTimer(Stopwatch* watch) {
  watch->counterFrequency = plat::CounterFrequency();
  if (watch->counterFrequency == 0) watch->counterFrequency = 1;
  watch->readCost = 0;
  int64_t t1 = plat::CounterNow();
  if (t1 > 0) {
    int64_t t2 = plat::CounterNow();
    watch->readCost = t2 > t1 ? t2 - t1 : 0;
  }
}

int64_t GetElapsedTime(const Stopwatch& watch, int64_t start, double* elapsedMs) {
  int64_t ticks = 0;
  if (start != 0) {
    int64_t span = plat::CounterNow() - start;
    ticks = span > watch.readCost ? span - watch.readCost : 0;
  }
  if (elapsedMs != nullptr)
    *elapsedMs = static_cast<double>(ticks) * 1000.0 / static_cast<double>(watch.counterFrequency);
  return ticks;
}

uint32_t WaitOnEthernet(uint32_t* handle, int32_t axisMask, int32_t timeoutMs, uint32_t flagGroup) {
  if (timeoutMs == 0) return VEK_SUCCESS;
  if (timeoutMs < 0 || handle == nullptr) return VEK_ERROR_INVALID_PARAMETER;

  uint32_t awaited = AwaitedSet(axisMask, flagGroup);
  TraceVerbosef(handle, "WaitOnEthernet | start - Axis:0x%02X  Timeout:%d  lRet:%d", awaited, timeoutMs, 0);
  Stopwatch watch;
  StartTimer(&watch);
  int64_t start = plat::CounterNow();

  uint32_t result = VEK_SUCCESS;
  int cycles = 0;
  if (!AllSet(awaited)) {
    for (;;) {
      uint32_t read = ReadTCPIP(handle, nullptr, 0, kPollTimeoutUs);
      ++cycles;
      // The time test comes first: a cycle that finds the time-out passed
      // reports it even if its read completed the flags.
      result = ElapsedMs(watch, start, cycles) > static_cast<double>(timeoutMs) ? VEK_ERROR_WAIT_TIMEOUT : read;
      if (result == VEK_ERROR_WAIT_TIMEOUT) break;
      // Found set, the flags end the wait with this cycle's read result. On
      // one connection that is 0; a 101 (or 212) tells that another
      // connection's read folded the completing notification into the shared
      // word while this one's own link stayed silent (or failed).
      if (AllSet(awaited)) break;
    }
  }

  TraceVerbosef(handle, "WaitOnEthernet | end - Axis:0x%02X  total elapsed time:%.3f  Timeout:%d  lRet:%d", awaited,
                ElapsedMs(watch, start, cycles), timeoutMs, static_cast<int>(result));
  return result;
}

}  // namespace vek
