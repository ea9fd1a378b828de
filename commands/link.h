// The seam between the command set and the transports. A worker never asks
// which transport it is on: it gets a Link, its transport's description and
// the caller's handle, and sends, queries, waits, stops and reads the flags
// through it. The two descriptions, kEthernet and kSerial, are the only place
// where the command set meets ethernet/ and serial/.
#ifndef VEK_COMMANDS_LINK_H
#define VEK_COMMANDS_LINK_H

#include <atomic>
#include <cstdint>

#include "commands/operations.h"

namespace vek {

// What the command set needs of a transport.
struct Transport {
  // "VEKnet_" or "VEKser_": the start of its exports' names and of the labels
  // of its status dumps.
  const char* prefix;
  // Its exports: the send and the query, and the stop that ends a search.
  const Exports* exports;
  // Waits until every flag of `axisMask` in `flagGroup` (0 done, 1 limit,
  // 2 slip) is set in its status word, or `timeoutMs` has passed.
  uint32_t (*wait)(uint32_t* handle, int32_t axisMask, int32_t timeoutMs, uint32_t flagGroup);
  // Reads whatever is waiting, folding its notifications into the status
  // word and keeping nothing else.
  void (*drain)(uint32_t* handle);
  // Its process-wide status word.
  std::atomic<uint32_t>* statusFlags;
  // Where the two contracts differ beyond the exchange itself:
  // - the Ethernet single-axis move waits only for a positive time-out, after
  //   a status dump; the serial one hands every time-out to its wait;
  bool moveAxisWaitsForPositiveTimeoutOnly;
  // - the serial single-axis limit getter traces the word and the axis it
  //   compares, between two status dumps.
  bool overtravelGetterTracesWord;
};

extern const Transport kEthernet;
extern const Transport kSerial;

// One transport and the caller's handle on it. A null handle is no
// connection: the workers refuse it, and the transports' sends refuse it
// where a worker leaves the check to them.
struct Link {
  const Transport* transport;
  uint32_t* handle;

  bool Missing() const { return handle == nullptr; }
  const Exports& exports() const { return *transport->exports; }

  uint32_t Send(const char* command) const { return transport->exports->SendCommand(handle, command); }
  uint32_t Query(const char* command, char* answer, int32_t answerSize) const {
    return transport->exports->Query(handle, command, answer, answerSize);
  }
  uint32_t Wait(int32_t axisMask, int32_t timeoutMs, uint32_t flagGroup) const {
    return transport->wait(handle, axisMask, timeoutMs, flagGroup);
  }
  uint32_t Stop(int32_t axisMask) const { return transport->exports->StopMotion(handle, axisMask); }
  void Drain() const { transport->drain(handle); }
  std::atomic<uint32_t>& StatusFlags() const { return *transport->statusFlags; }
};

// The status dump labelled "<prefix><name>" with the link's handle and its
// transport's word; without a handle, both transports' words.
void DumpFlags(const Link& link, const char* name);

}  // namespace vek

#endif  // VEK_COMMANDS_LINK_H
