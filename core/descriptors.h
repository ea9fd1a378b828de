// The sockets and serial ports that this library opened and has not closed.
//
// A handle variable holds only a number, and the system hands a closed
// number out again to the next file anyone opens. A copy of a variable kept
// past VEKnet_Close or VEKser_Close may therefore name somebody else's file
// by the time it is used. The transports look every number up here before
// they hand it to the system and pass 0 instead of one that is not listed;
// the platform refuses 0 as it refuses a descriptor that does not exist, so
// a stale number fails with the usual result, last error and traces, and the
// library never reads, writes or closes what it did not open.
//
// Fixed tables of atomics: connections open and close on any thread, with
// no lock and no allocation.
#ifndef VEK_CORE_DESCRIPTORS_H
#define VEK_CORE_DESCRIPTORS_H

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vek {

// Sockets and ports are listed apart: on some systems both are plain file
// descriptors, and a socket handed to a serial operation is refused too.
enum class DescriptorKind { kSocket, kSerialPort };

// How many of each may be open at once.
inline constexpr std::size_t kMaxOpenSockets = 256;
inline constexpr std::size_t kMaxOpenSerialPorts = 64;

// Lists a number just opened; false when the table is full (the caller then
// closes it again). 0 is never listed.
bool RememberOpened(DescriptorKind kind, uint32_t value);

// Takes a number off the list; false when it was not listed, and then the
// number must not be closed: it is not the library's.
bool ForgetOpened(DescriptorKind kind, uint32_t value);

namespace detail {
// A slot holds a listed number or 0 when free. Every number has a home slot
// where it is looked for first, so that the lookup before each system call
// is one load in the usual case; a number whose home was taken sits in the
// first free slot instead.
extern std::atomic<uint32_t> gSockets[kMaxOpenSockets];
extern std::atomic<uint32_t> gSerialPorts[kMaxOpenSerialPorts];
bool IsListedAwayFromHome(DescriptorKind kind, uint32_t value);
}  // namespace detail

inline bool IsOpened(DescriptorKind kind, uint32_t value) {
  if (value == 0) return false;
  const std::atomic<uint32_t>& home = kind == DescriptorKind::kSerialPort
                                          ? detail::gSerialPorts[value % kMaxOpenSerialPorts]
                                          : detail::gSockets[value % kMaxOpenSockets];
  return home.load() == value || detail::IsListedAwayFromHome(kind, value);
}

// The number itself when listed, else 0.
inline uint32_t OpenedOrZero(DescriptorKind kind, uint32_t value) { return IsOpened(kind, value) ? value : 0; }

}  // namespace vek

#endif  // VEK_CORE_DESCRIPTORS_H
