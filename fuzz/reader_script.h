// What the two reader fuzzers share: an input's layout, the checks that
// trap, and a motion wait's arguments. The controller's end of each link is
// the tests' own scripted peer (tests/support).
#ifndef VEK_FUZZ_READER_SCRIPT_H
#define VEK_FUZZ_READER_SCRIPT_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/state.h"
#include "tests/support/scripted_peer.h"
#include "vekkestra.h"

namespace vek::fuzz {

// An input's layout: op, two parameter bytes, a cut count (low two bits)
// followed by that many chunk lengths, then the bytes to send.
struct Script {
  uint8_t op = 0;
  uint8_t param1 = 0;
  uint8_t param2 = 0;
  std::vector<std::string> chunks;
};

inline bool ParseScript(const uint8_t* data, std::size_t size, Script* script) {
  if (size < 4) return false;
  script->op = data[0];
  script->param1 = data[1];
  script->param2 = data[2];
  std::size_t cuts = data[3] & 3u;
  std::size_t at = 4;
  if (size < at + cuts) return false;
  const uint8_t* lengths = data + at;
  at += cuts;
  for (std::size_t i = 0; i < cuts && at < size; ++i) {
    std::size_t length = lengths[i] == 0 ? 1 : lengths[i];
    if (length > size - at) length = size - at;
    script->chunks.emplace_back(reinterpret_cast<const char*>(data + at), length);
    at += length;
  }
  if (at < size) script->chunks.emplace_back(reinterpret_cast<const char*>(data + at), size - at);
  return true;
}

// The chunks as the controller's reply: the first at once, each next one
// only after the library has read the one before, so that chunk boundaries
// come out as the input chose them.
inline test::Reply Paced(const std::vector<std::string>& chunks) {
  test::Reply reply;
  for (const std::string& chunk : chunks) reply.push_back({chunk, reply.empty() ? 0 : test::kAfterRead});
  return reply;
}

// Traps on a broken invariant: libFuzzer records the input as a crash.
inline void Require(bool ok) {
  if (!ok) __builtin_trap();
}

inline bool OneOf(uint32_t result, std::initializer_list<uint32_t> allowed) {
  return std::find(allowed.begin(), allowed.end(), result) != allowed.end();
}

// Every trace on, by default into a sink: the traces print received text.
// VEK_FUZZ_LOG names a real file when a reproducer needs reading.
inline void StartTraceSink() {
  const char* log = std::getenv("VEK_FUZZ_LOG");
  VEK_StartDllLogger(log != nullptr ? log : "/dev/null", -1);
}

// A motion wait's arguments from the two parameter bytes: any mask of the ten
// axes plus bit 10, which reaches into the next group; a flag group; a
// time-out of 1 to 36.
struct WaitArgs {
  int32_t mask;
  uint32_t group;
  int32_t timeout;
  uint32_t awaited;  // the status bits the wait needs
};

inline WaitArgs DecodeWait(const Script& script) {
  WaitArgs w{};
  w.mask = script.param1 | ((script.param2 & 3) << 8) | ((script.param2 & 4) << 8);
  w.group = (script.param2 >> 3) & 3u;
  w.timeout = 1 + 5 * (script.param2 >> 5);
  const uint32_t shift = w.group == 1 ? kLimitShift : w.group == 2 ? kSlipShift : kDoneShift;
  w.awaited = static_cast<uint32_t>(w.mask) << shift;
  return w;
}

}  // namespace vek::fuzz

#endif  // VEK_FUZZ_READER_SCRIPT_H
