// Process-wide state of the library: one status word and one last system
// error per transport, the logger's category mask and path. All of it starts
// zeroed when the library loads and is never freed.
//
// Connections on other threads share these values, so the words are atomics:
// a notification folded on one thread and a flag clear on another must both
// survive, which a plain read-modify-write of the word does not promise. The
// log path is written only by starting and stopping the logger, which the
// application does while no other call runs.
#ifndef VEK_CORE_STATE_H
#define VEK_CORE_STATE_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "core/axes.h"

namespace vek {

// Every trace, received chunk and serial line lives in a buffer of this size.
inline constexpr std::size_t kTraceBufferSize = 256;
// Commands and answers of the command set.
inline constexpr std::size_t kCommandBufferSize = 128;
// The most one socket receive brings.
inline constexpr std::size_t kChunkSize = 256;
// The log path store, terminator included.
inline constexpr std::size_t kLogPathSize = 256;

// The version text reported by VEK_GetDLLVersion and the logger's banner.
inline constexpr char kVersionText[] = "VekKestra DLL v1.03.02 - ethernet v1.03.01 - serial v1.03.01";

// StatusFlags layout: bit i of each ten-bit group belongs to axis i.
inline constexpr uint32_t kDoneShift = 0;
inline constexpr uint32_t kLimitShift = 10;
inline constexpr uint32_t kSlipShift = 20;
inline constexpr uint32_t kGroupMask = axes::kAllMask;
inline constexpr uint32_t kCommandErrorShift = 30;
inline constexpr uint32_t kCommandErrorBit = 1u << kCommandErrorShift;

// The status words: notifications set bits with fetch_or, the clear
// operations take them out with fetch_and.
struct State {
  std::atomic<uint32_t> netStatusFlags;
  std::atomic<uint32_t> serStatusFlags;
  std::atomic<int32_t> netLastError;
  std::atomic<uint32_t> serLastError;
  std::atomic<int32_t> traceMask;
  char logPath[kLogPathSize];
};

static_assert(std::atomic<uint32_t>::is_always_lock_free, "the status words must not need a lock");

// The one instance; zero-initialised at load.
extern State gState;

}  // namespace vek

#endif  // VEK_CORE_STATE_H
