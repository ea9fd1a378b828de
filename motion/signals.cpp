// Interrupts: vekm_interrupt() from a signal handler (or anywhere), and the
// handlers vekm_catch_signals() puts in front of a program's own. Only atomic
// words are touched on the signal's side.
#include <atomic>

#include "motion/controller.h"
#include "platform/host.h"

namespace vek::motion {
namespace {

std::atomic<uint32_t> gInterrupts{0};
std::atomic<int32_t> gSignal{0};
std::atomic<int32_t> gWaits{0};
// A signal whose default action ends the process, held back until the waits
// running when it came have stopped their axes.
std::atomic<int32_t> gEndSignal{0};

static_assert(std::atomic<uint32_t>::is_always_lock_free && std::atomic<int32_t>::is_always_lock_free,
              "the signal's side may only touch lock-free words");

void OnSignal(int signalNumber) { vekm_interrupt(signalNumber); }

bool EndNow(int signalNumber) {
  if (gWaits.load() == 0) return true;
  gEndSignal.store(signalNumber);
  return false;
}

}  // namespace

int32_t LastInterruptSignal() { return gSignal.load(); }
void WaitBegins() { gWaits.fetch_add(1); }
void WaitEnds() { gWaits.fetch_sub(1); }

void EndIfSignalWantsIt() {
  const int32_t signalNumber = gEndSignal.exchange(0);
  if (signalNumber != 0) vek::host::EndAsSignal(signalNumber);
}

}  // namespace vek::motion

extern "C" {

VEKM_API void VEKM_CALL vekm_interrupt(int32_t signal_number) {
  vek::motion::gSignal.store(signal_number);
  vek::motion::gInterrupts.fetch_add(1);
}

VEKM_API uint32_t VEKM_CALL vekm_interrupt_count(void) { return vek::motion::gInterrupts.load(); }

VEKM_API uint32_t VEKM_CALL vekm_catch_signals(void) {
  return vek::host::ChainEndSignals(vek::motion::OnSignal, vek::motion::EndNow) ? VEK_SUCCESS : VEKM_BAD_ARGUMENT;
}

}  // extern "C"
