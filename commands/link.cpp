#include "commands/link.h"

#include <cstdio>

#include "core/state.h"
#include "core/trace.h"
#include "ethernet/ethernet.h"
#include "serial/serial.h"

namespace vek {
namespace {

// The refresh read of the flag getters: one 10 ms read on Ethernet, every
// line waiting on serial. Silence or a failed read leaves the word as it is.
void DrainEthernet(uint32_t* handle) { (void)ReadTCPIP(handle, nullptr, 0, kDrainTimeoutUs); }
void DrainSerial(uint32_t* handle) { (void)ReadSerialBuff(handle, nullptr, 0, ReadMode::kDrain); }

}  // namespace

const Transport kEthernet = {"VEKnet_", &kNetExports, WaitOnEthernet, DrainEthernet, &gState.netStatusFlags,
                             true,      false};
const Transport kSerial = {"VEKser_", &kSerExports, WaitOnSerial, DrainSerial, &gState.serStatusFlags, false, true};

void DumpFlags(const Link& link, const char* name) {
  if (!StatusDumpOn()) return;
  char label[kTraceBufferSize];
  std::snprintf(label, sizeof label, "%s%s", link.transport->prefix, name);
  if (link.Missing()) {
    TraceStatusWords(label);
  } else {
    TraceStatusWord(link.handle, label, link.StatusFlags().load());
  }
}

}  // namespace vek
